// A test add-on that answers with its parameter between angle brackets, so tests can see exactly
// what reached it. Its identifier holds a dot, as many add-on identifiers do.
#include <cstdlib>
#include <cstring>

#include "addons/fablewick_addon.h"

namespace {

char* Copy(const char* text) {
  const std::size_t size = std::strlen(text);
  char* copy = static_cast<char*>(std::malloc(size + 1));
  if (copy != nullptr) std::memcpy(copy, text, size + 1);
  return copy;
}

}  // namespace

char* Main(const char* parameter) {
  const std::size_t size = std::strlen(parameter);
  char* answer = static_cast<char*>(std::malloc(size + 3));
  if (answer == nullptr) return nullptr;
  answer[0] = '<';
  std::memcpy(answer + 1, parameter, size);
  answer[size + 1] = '>';
  answer[size + 2] = '\0';
  return answer;
}

char* Version(void) { return Copy("0.1 test"); }

void About(void) {}

void FreeText(char* text) { std::free(text); }
