#include "app/main/tabregistry.h"

#include <map>
#include <utility>

namespace {
std::map<int, TTabFactory>& Factories() {
  static std::map<int, TTabFactory> factories;
  return factories;
}
}  // namespace

void RegisterTabFactory(int Page, TTabFactory Factory) {
  if (Factory)
    Factories()[Page] = std::move(Factory);
  else
    Factories().erase(Page);
}

TTabFactory FindTabFactory(int Page) {
  const auto it = Factories().find(Page);
  return it == Factories().end() ? TTabFactory() : it->second;
}
