// Resources embedded into the program at build time (project_embed_resources).
#pragma once

#include <cstddef>

struct EmbeddedResource {
  const char* Name;  // path relative to the embedded folder, "/"-separated
  const unsigned char* Data;
  size_t Size;
};

// Adds a table (ended by a null Name) to the process-wide registry.
bool RegisterEmbeddedResources(const EmbeddedResource* table);
// Finds a resource by name, case-insensitively (ASCII); nullptr when absent.
const EmbeddedResource* FindEmbeddedResource(const char* name);
