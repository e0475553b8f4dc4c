#pragma once
#include <cstddef>

// Module resources where the system has no resource section: files compiled
// into the module as byte arrays (see resources/PngResources.cmake), which
// register themselves when the module is loaded. On Windows the module's real
// resources serve instead.
struct EmbeddedResource {
  int id;
  const unsigned char* data;
  size_t size;
};

// Registers a table of count resources of the module that holds anchor (any
// address inside it). Called from static initialisers; the table must live
// as long as the module.
void RegisterEmbeddedResources(const EmbeddedResource* table, int count, const void* anchor);
