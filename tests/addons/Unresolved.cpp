// A test add-on that needs a function no library provides, so it cannot be loaded.
#include "addons/fablewick_addon.h"

extern "C" char* fablewick_test_function_nobody_defines(const char* parameter);

char* Main(const char* parameter) { return fablewick_test_function_nobody_defines(parameter); }
