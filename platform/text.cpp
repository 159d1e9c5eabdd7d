#include "platform/text.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <iterator>

#include <utf8proc.h>

namespace fablewick {
namespace {

// One decoded code point. A byte that does not begin a well-formed UTF-8 sequence decodes on
// its own, as one code point of length 1 with `valid` false, so that lengths and substrings of
// damaged text never split a sequence or run past the end.
struct Decoded {
  char32_t value;
  std::size_t length;
  bool valid;
};

// Stand-in values for invalid bytes, outside the Unicode range so they never equal a real
// code point when texts are compared.
constexpr char32_t kInvalidByteBase = 0x110000;

inline Decoded Invalid(unsigned char byte) { return {kInvalidByteBase + byte, 1, false}; }

// Decodes the code point at `pos` (which must be inside the text). Accepts only well-formed
// UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF.
inline Decoded DecodeAt(std::string_view text, std::size_t pos) {
  const auto* bytes = reinterpret_cast<const unsigned char*>(text.data()) + pos;
  const std::size_t available = text.size() - pos;
  const unsigned char lead = bytes[0];
  if (lead < 0x80) return {lead, 1, true};

  std::size_t length;
  char32_t value;
  unsigned char second_low = 0x80;
  unsigned char second_high = 0xBF;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    value = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    value = lead & 0x0F;
    if (lead == 0xE0) second_low = 0xA0;   // overlong
    if (lead == 0xED) second_high = 0x9F;  // surrogates
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    value = lead & 0x07;
    if (lead == 0xF0) second_low = 0x90;   // overlong
    if (lead == 0xF4) second_high = 0x8F;  // above U+10FFFF
  } else {
    return Invalid(lead);
  }
  if (available < length) return Invalid(lead);
  if (bytes[1] < second_low || bytes[1] > second_high) return Invalid(lead);
  value = (value << 6) | (bytes[1] & 0x3F);
  for (std::size_t i = 2; i < length; ++i) {
    if ((bytes[i] & 0xC0) != 0x80) return Invalid(lead);
    value = (value << 6) | (bytes[i] & 0x3F);
  }
  return {value, length, true};
}

// Length in bytes of the code point at `pos`, with the cheap ASCII case first.
inline std::size_t LengthAt(std::string_view text, std::size_t pos) {
  if (static_cast<unsigned char>(text[pos]) < 0x80) return 1;
  return DecodeAt(text, pos).length;
}

// Whether none of the eight bytes from `bytes` on has its top bit set.
inline bool EightAsciiBytes(const char* bytes) {
  uint64_t word;
  std::memcpy(&word, bytes, sizeof word);
  return (word & 0x8080808080808080u) == 0;
}

bool IsValidUtf8(std::string_view text) {
  std::size_t pos = 0;
  while (pos < text.size()) {
    // Table files are mostly ASCII: eight bytes at a time while all are.
    while (pos + 8 <= text.size() && EightAsciiBytes(text.data() + pos)) pos += 8;
    if (pos == text.size()) break;
    if (static_cast<unsigned char>(text[pos]) < 0x80) {
      ++pos;
      continue;
    }
    const Decoded decoded = DecodeAt(text, pos);
    if (!decoded.valid) return false;
    pos += decoded.length;
  }
  return true;
}

void AppendUtf8(std::string& out, char32_t value) {
  utf8proc_uint8_t buffer[4];
  const utf8proc_ssize_t length =
      utf8proc_encode_char(static_cast<utf8proc_int32_t>(value), buffer);
  out.append(reinterpret_cast<const char*>(buffer), static_cast<std::size_t>(length));
}

// The code points of Windows-1252 bytes 0x80 to 0x9F. The five bytes the code page leaves
// undefined keep their own value, as C1 control characters.
constexpr char16_t kWindows1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 0x80
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 0x88
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 0x90
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 0x98
};

std::string FromWindows1252(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size() + bytes.size() / 4);
  for (const char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x80) {
      out.push_back(c);
    } else if (byte < 0xA0) {
      AppendUtf8(out, kWindows1252High[byte - 0x80]);
    } else {
      AppendUtf8(out, byte);  // 0xA0 to 0xFF are Latin-1
    }
  }
  return out;
}

enum class CaseMapping { kUpper, kLower };

// Case-maps one code point at a time; invalid bytes are copied unchanged.
void AppendMapped(std::string& out, std::string_view text, CaseMapping mapping) {
  std::size_t pos = 0;
  while (pos < text.size()) {
    const char c = text[pos];
    if (static_cast<unsigned char>(c) < 0x80) {
      if (mapping == CaseMapping::kUpper && c >= 'a' && c <= 'z') {
        out.push_back(static_cast<char>(c - 'a' + 'A'));
      } else if (mapping == CaseMapping::kLower && c >= 'A' && c <= 'Z') {
        out.push_back(static_cast<char>(c - 'A' + 'a'));
      } else {
        out.push_back(c);
      }
      ++pos;
      continue;
    }
    const Decoded decoded = DecodeAt(text, pos);
    if (decoded.valid) {
      const auto value = static_cast<utf8proc_int32_t>(decoded.value);
      AppendUtf8(out,
                 static_cast<char32_t>(mapping == CaseMapping::kUpper ? utf8proc_toupper(value)
                                                                      : utf8proc_tolower(value)));
    } else {
      out.push_back(c);
    }
    pos += decoded.length;
  }
}

std::string MapCase(std::string_view text, CaseMapping mapping) {
  std::string out;
  out.reserve(text.size());
  AppendMapped(out, text, mapping);
  return out;
}

// Walks a text as its sequence of case-folded code points, without building the folded text.
// A code point may fold to several ("ß" to "ss"), which are handed out one by one.
class FoldedCodePoints {
 public:
  explicit FoldedCodePoints(std::string_view text) : text_(text) {}

  // The next folded code point, or -1 at the end of the text.
  int32_t Next() {
    if (pending_index_ < pending_count_) return pending_[pending_index_++];
    if (pos_ >= text_.size()) return -1;
    const auto byte = static_cast<unsigned char>(text_[pos_]);
    if (byte < 0x80) {
      ++pos_;
      return (byte >= 'A' && byte <= 'Z') ? byte - 'A' + 'a' : byte;
    }
    const Decoded decoded = DecodeAt(text_, pos_);
    pos_ += decoded.length;
    const auto value = static_cast<int32_t>(decoded.value);
    if (!decoded.valid) return value;
    int boundclass = 0;
    const utf8proc_ssize_t count =
        utf8proc_decompose_char(value, pending_, kMaxPending, UTF8PROC_CASEFOLD, &boundclass);
    if (count <= 0 || count > kMaxPending) return value;
    pending_count_ = count;
    pending_index_ = 1;
    return pending_[0];
  }

 private:
  static constexpr utf8proc_ssize_t kMaxPending = 8;

  std::string_view text_;
  std::size_t pos_ = 0;
  utf8proc_int32_t pending_[kMaxPending] = {};
  utf8proc_ssize_t pending_count_ = 0;
  utf8proc_ssize_t pending_index_ = 0;
};

// Negative, zero or positive as a sorts before, with or after b, ignoring case.
int CompareFolded(std::string_view a, std::string_view b) {
  FoldedCodePoints left(a);
  FoldedCodePoints right(b);
  for (;;) {
    const int32_t l = left.Next();
    const int32_t r = right.Next();
    if (l != r) return l < r ? -1 : 1;
    if (l < 0) return 0;
  }
}

}  // namespace

std::optional<std::string_view> Utf8FileText(std::string_view bytes) {
  if (!IsValidUtf8(bytes)) return std::nullopt;
  constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
  if (bytes.substr(0, kByteOrderMark.size()) == kByteOrderMark) {
    bytes.remove_prefix(kByteOrderMark.size());
  }
  return bytes;
}

std::optional<std::string> ToWindows1252(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  const auto* bytes = reinterpret_cast<const utf8proc_uint8_t*>(text.data());
  const auto size = static_cast<utf8proc_ssize_t>(text.size());
  for (utf8proc_ssize_t pos = 0; pos < size;) {
    utf8proc_int32_t code = 0;
    const utf8proc_ssize_t length = utf8proc_iterate(bytes + pos, size - pos, &code);
    if (length <= 0) return std::nullopt;
    pos += length;
    if (code < 0x80 || (code >= 0xA0 && code <= 0xFF)) {
      out.push_back(static_cast<char>(code));
      continue;
    }
    const auto* high = std::find(std::begin(kWindows1252High), std::end(kWindows1252High),
                                 static_cast<char16_t>(code));
    if (code > 0xFFFF || high == std::end(kWindows1252High)) return std::nullopt;
    out.push_back(static_cast<char>(0x80 + (high - std::begin(kWindows1252High))));
  }
  return out;
}

std::string DecodeFileText(std::string_view bytes) {
  if (std::optional<std::string_view> text = Utf8FileText(bytes)) return std::string(*text);
  return FromWindows1252(bytes);
}

std::vector<std::string> SplitLines(std::string_view text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t feed = text.find('\n', start);
    if (feed == std::string_view::npos) {
      lines.emplace_back(text.substr(start));
      break;
    }
    std::size_t end = feed;
    if (end > start && text[end - 1] == '\r') --end;
    lines.emplace_back(text.substr(start, end - start));
    start = feed + 1;
  }
  return lines;
}

std::size_t CodePointCount(std::string_view text) {
  std::size_t count = 0;
  for (std::size_t pos = 0; pos < text.size(); pos += LengthAt(text, pos)) ++count;
  return count;
}

std::size_t ByteOffsetOfCodePoint(std::string_view text, std::size_t index) {
  std::size_t pos = 0;
  for (; index > 0 && pos < text.size(); --index) pos += LengthAt(text, pos);
  return pos;
}

std::string_view SubstrCodePoints(std::string_view text, std::size_t start, std::size_t count) {
  const std::size_t begin = ByteOffsetOfCodePoint(text, start);
  if (count == std::string_view::npos) return text.substr(begin);
  const std::string_view rest = text.substr(begin);
  return rest.substr(0, ByteOffsetOfCodePoint(rest, count));
}

std::string_view FirstCodePoint(std::string_view text) {
  if (text.empty()) return text;
  return text.substr(0, LengthAt(text, 0));
}

std::string_view LastCodePoint(std::string_view text) {
  if (text.empty()) return text;
  // The last code point starts at the nearest non-continuation byte at most three bytes back,
  // provided the sequence that byte begins ends exactly at the end of the text; otherwise the
  // last byte stands alone, as forward decoding would also find it.
  const std::size_t end = text.size();
  std::size_t start = end - 1;
  while (start > 0 && end - start < 4 && (static_cast<unsigned char>(text[start]) & 0xC0) == 0x80) {
    --start;
  }
  if (LengthAt(text, start) == end - start) return text.substr(start);
  return text.substr(end - 1);
}

std::string ToUpper(std::string_view text) { return MapCase(text, CaseMapping::kUpper); }

std::string ToLower(std::string_view text) { return MapCase(text, CaseMapping::kLower); }

std::string UpperFirst(std::string_view text) {
  const std::string_view first = FirstCodePoint(text);
  std::string out;
  out.reserve(text.size());
  AppendMapped(out, first, CaseMapping::kUpper);
  out.append(text.substr(first.size()));
  return out;
}

std::string_view TrimBlanks(std::string_view text) {
  const std::size_t begin = text.find_first_not_of(' ');
  if (begin == std::string_view::npos) return {};
  const std::size_t end = text.find_last_not_of(' ');
  return text.substr(begin, end - begin + 1);
}

std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to) {
  if (from.empty()) return std::string(text);
  std::string out;
  out.reserve(text.size());
  std::size_t start = 0;
  for (std::size_t found; (found = text.find(from, start)) != std::string_view::npos;) {
    out.append(text.substr(start, found - start));
    out.append(to);
    start = found + from.size();
  }
  out.append(text.substr(start));
  return out;
}

std::vector<std::string> SplitAll(std::string_view text, char separator) {
  std::vector<std::string> fields;
  std::size_t start = 0;
  for (std::size_t found; (found = text.find(separator, start)) != std::string_view::npos;) {
    fields.emplace_back(text.substr(start, found - start));
    start = found + 1;
  }
  fields.emplace_back(text.substr(start));
  return fields;
}

bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
  return a == b || CompareFolded(a, b) == 0;
}

bool LessIgnoreCase(std::string_view a, std::string_view b) {
  const int order = CompareFolded(a, b);
  return order != 0 ? order < 0 : a < b;
}

}  // namespace fablewick
