// A test add-on with a Version but neither Main nor About.
#include <cstdlib>
#include <cstring>

#include "addons/fablewick_addon.h"

char* Version(void) {
  char* text = static_cast<char*>(std::malloc(4));
  if (text != nullptr) std::memcpy(text, "2.5", 4);
  return text;
}

void FreeText(char* text) { std::free(text); }
