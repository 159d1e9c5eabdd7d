// Text typed into an editor, or any bytes at all: the syntax module's spans of an entry text
// (first byte even) or of a whole table file (odd) must stay inside the text, come in order and
// nest: each span lies within the span said to hold it, one level deeper.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "engine/expansion/syntax_spans.h"

namespace fablewick {
namespace {

void CheckSpans(std::string_view text, bool whole_file) {
  const std::vector<SyntaxSpan> spans = whole_file ? TableFileSpans(text) : EntrySpans(text);
  for (std::size_t i = 0; i < spans.size(); ++i) {
    const SyntaxSpan& span = spans[i];
    if (span.begin >= span.end || span.end > text.size()) abort();
    if (i > 0 && spans[i - 1].begin > span.begin) abort();
    if (span.parent < 0) {
      if (span.depth != 0) abort();
      continue;
    }
    if (static_cast<std::size_t>(span.parent) >= i) abort();
    const SyntaxSpan& holder = spans[static_cast<std::size_t>(span.parent)];
    if (holder.begin > span.begin || holder.end < span.end || holder.depth + 1 != span.depth) {
      abort();
    }
  }
}

}  // namespace
}  // namespace fablewick

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::string_view text(reinterpret_cast<const char*>(data) + 1, size - 1);
  fablewick::CheckSpans(text, (data[0] & 1) != 0);
  return 0;
}
