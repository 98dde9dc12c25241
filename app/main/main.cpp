#include <cstdio>

int main() {
  std::printf("Pictoval %s\n", PICTOVAL_VERSION);
  return 0;
}
