// A test add-on whose Main and Version answer NULL, and which exports no FreeText.
#include "addons/fablewick_addon.h"

char* Main(const char*) { return nullptr; }

char* Version(void) { return nullptr; }
