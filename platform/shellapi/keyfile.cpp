#include "platform/shellapi/keyfile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <vector>

namespace {

String TrimBlanks(const String& s) {
  size_t b = 0, e = s.size();
  while (b < e && (s[b] == ' ' || s[b] == '\t')) ++b;
  while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t' || s[e - 1] == '\r')) --e;
  return s.substr(b, e - b);
}

String Unescape(const String& s) {
  String out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] != '\\' || i + 1 >= s.size()) {
      out += s[i];
      continue;
    }
    const char c = s[++i];
    switch (c) {
      case 's': out += ' '; break;
      case 'n': out += '\n'; break;
      case 't': out += '\t'; break;
      case 'r': out += '\r'; break;
      case '\\': out += '\\'; break;
      default: out += '\\'; out += c;
    }
  }
  return out;
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

bool TKeyFile::Parse(const char* data, size_t size) {
  FValues.clear();
  FGroups.clear();
  if (size > KeyFileMaxSize || (!data && size)) return false;
  String group;
  bool inGroup = false;
  size_t pos = 0;
  while (pos < size) {
    size_t end = pos;
    while (end < size && data[end] != '\n') ++end;
    String line = TrimBlanks(String(data + pos, end - pos));
    pos = end + 1;
    if (line.empty() || line[0] == '#') continue;
    if (line[0] == '[') {
      const size_t close = line.find(']');
      if (close == String::npos) continue;
      group = line.substr(1, close - 1);
      inGroup = true;
      FGroups[group] = true;
      continue;
    }
    const size_t eq = line.find('=');
    if (eq == String::npos) continue;
    if (!inGroup) {
      FValues.clear();
      FGroups.clear();
      return false;
    }
    String key = TrimBlanks(line.substr(0, eq));
    if (key.empty() || key.find('[') != String::npos) continue;  // localized
    String value = Unescape(TrimBlanks(line.substr(eq + 1)));
    FValues.emplace(std::make_pair(group, key), std::move(value));
  }
  return true;
}

bool TKeyFile::LoadFromFile(const String& path) {
  FValues.clear();
  FGroups.clear();
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
  if (fd < 0) return false;
  struct stat st;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size > off_t(KeyFileMaxSize)) {
    ::close(fd);
    return false;
  }
  std::vector<char> buf(KeyFileMaxSize + 1);
  size_t have = 0;
  for (;;) {
    const ssize_t n = ::read(fd, buf.data() + have, buf.size() - have);
    if (n < 0) {
      ::close(fd);
      return false;
    }
    if (n == 0) break;
    have += size_t(n);
    if (have > KeyFileMaxSize) {
      ::close(fd);
      return false;
    }
  }
  ::close(fd);
  return Parse(buf.data(), have);
}

bool TKeyFile::HasGroup(const String& group) const { return FGroups.count(group) != 0; }

bool TKeyFile::HasKey(const String& group, const String& key) const {
  return FValues.count(std::make_pair(group, key)) != 0;
}

String TKeyFile::Value(const String& group, const String& key, const String& Default) const {
  auto it = FValues.find(std::make_pair(group, key));
  return it == FValues.end() ? Default : it->second;
}

String PercentDecode(const String& s) {
  String out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '%' && i + 2 < s.size()) {
      const int h = HexValue(s[i + 1]), l = HexValue(s[i + 2]);
      if (h >= 0 && l >= 0) {
        out += static_cast<char>(h * 16 + l);
        i += 2;
        continue;
      }
    }
    out += s[i];
  }
  return out;
}
