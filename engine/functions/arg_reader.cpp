// The argument reader that every built-in function reads its arguments with.
#include <algorithm>
#include <utility>

#include "engine/functions/functions.h"
#include "engine/numbers.h"

namespace fablewick {

std::size_t ArgReader::FieldsLeft() const {
  if (done_) return 0;
  return static_cast<std::size_t>(std::count(rest_.begin(), rest_.end(), ',')) + 1;
}

std::string_view ArgReader::Text() {
  if (done_) throw EngineError(kSubscriptOutOfRange);
  const std::size_t comma = rest_.find(',');
  if (comma == std::string_view::npos) {
    done_ = true;
    return std::exchange(rest_, std::string_view());
  }
  const std::string_view field = rest_.substr(0, comma);
  rest_.remove_prefix(comma + 1);
  return field;
}

std::string_view ArgReader::Rest() {
  done_ = true;
  return std::exchange(rest_, std::string_view());
}

double ArgReader::Number() { return StrictNumber(Text()); }
int16_t ArgReader::Int16() { return StrictInt16(Text()); }
int32_t ArgReader::Int32() { return StrictInt32(Text()); }
double ArgReader::LeadingNumber() { return ParseLeadingNumber(Text()); }
int16_t ArgReader::LeadingInt16() { return RoundToInt16(ParseLeadingNumber(Text())); }
int32_t ArgReader::LeadingInt32() { return RoundToInt32(ParseLeadingNumber(Text())); }

}  // namespace fablewick
