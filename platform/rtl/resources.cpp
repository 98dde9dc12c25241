#include "platform/rtl/resources.h"

#include <cstring>
#include <mutex>
#include <strings.h>
#include <vector>

namespace {
std::mutex& RegistryLock() {
  static std::mutex m;
  return m;
}
std::vector<const EmbeddedResource*>& Registry() {
  static std::vector<const EmbeddedResource*> tables;
  return tables;
}
}  // namespace

bool RegisterEmbeddedResources(const EmbeddedResource* table) {
  std::lock_guard<std::mutex> lock(RegistryLock());
  Registry().push_back(table);
  return true;
}

const EmbeddedResource* FindEmbeddedResource(const char* name) {
  if (!name) return nullptr;
  std::lock_guard<std::mutex> lock(RegistryLock());
  for (const EmbeddedResource* table : Registry())
    for (const EmbeddedResource* r = table; r->Name; ++r)
      if (strcasecmp(r->Name, name) == 0) return r;
  return nullptr;
}
