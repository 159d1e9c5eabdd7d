// A test add-on that counts its Main calls in a static variable. Because Fablewick loads the
// library for each call and unloads it after, every call answers "1". It has no Version.
#include <cstdio>
#include <cstdlib>

#include "addons/fablewick_addon.h"

static int calls = 0;

char* Main(const char*) {
  ++calls;
  char* text = static_cast<char*>(std::malloc(16));
  if (text != nullptr) std::snprintf(text, 16, "%d", calls);
  return text;
}

void FreeText(char* text) { std::free(text); }
