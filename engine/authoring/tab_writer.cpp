#include "engine/authoring/tab_writer.h"

#include <limits>

#include "engine/expansion/syntax.h"
#include "platform/text.h"

namespace fablewick {
namespace {

constexpr std::string_view kLineEnd = "\r\n";
constexpr int32_t kMaxValue = std::numeric_limits<int16_t>::max();
constexpr int32_t kMinValue = std::numeric_limits<int16_t>::min();

// The caret that starts a caret code in a finished result ("^M", "^T").
constexpr char kCaret = '^';

// Whether EscapeText writes `c` as a character reference wherever it stands: the delimiters of
// the table language's constructs and the caret.
bool IsReferenced(char c) { return IsDelimiter(c) || c == kCaret; }

// The HTML character reference of an ASCII character: "[" gives "&#91;".
std::string Reference(char c) { return "&#" + std::to_string(static_cast<int>(c)) + ";"; }

bool IsNameCharacter(unsigned char c) {
  return c >= 0x80 || (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
         c == '_' || c == ' ';
}

}  // namespace

std::string WriteTabFile(const TabFile& file) {
  std::string out;
  for (const std::string& comment : file.comments) {
    out += "# ";
    for (const char c : comment) out += static_cast<unsigned char>(c) < 0x20 ? ' ' : c;
    out += kLineEnd;
  }
  for (const TabVariable& variable : file.variables) {
    out.append("%").append(variable.name).append("%,").append(variable.initial).append(kLineEnd);
  }
  for (const TabGroup& group : file.groups) {
    out.append(group.ranged ? ":" : ";").append(group.name).append(kLineEnd);
    for (const TabEntry& entry : group.entries) {
      out += std::to_string(group.ranged ? entry.low : entry.high);
      if (group.ranged && entry.high != entry.low)
        out.append("-").append(std::to_string(entry.high));
      out.append(",").append(entry.text).append(kLineEnd);
    }
  }
  return out;
}

std::string TabFileProblem(const TabFile& file) {
  if (file.groups.size() > kMaxValue) return "it would have more than 32767 groups";
  if (file.variables.size() > kMaxValue) return "it would have more than 32767 variables";
  for (const TabGroup& group : file.groups) {
    const std::string where = " in group \"" + group.name + "\"";
    if (group.entries.size() > kMaxValue) return "there would be more than 32767 entries" + where;
    int32_t sum = 0;
    for (const TabEntry& entry : group.entries) {
      if (group.ranged) {
        if (entry.low < kMinValue || entry.high > kMaxValue || entry.low > kMaxValue ||
            entry.high < kMinValue) {
          return "a roll lies beyond 32767" + where;
        }
      } else {
        if (entry.high < 0 || entry.high > kMaxValue) return "a weight lies beyond 32767" + where;
        sum += entry.high;
        if (sum > kMaxValue) return "the weights add up to more than 32767" + where;
      }
    }
  }
  return "";
}

std::string EscapeText(std::string_view literal) {
  std::string out;
  out.reserve(literal.size());
  for (std::size_t i = 0; i < literal.size(); ++i) {
    const char c = literal[i];
    if (c == '\r' || c == '\n') {
      out += "^M";
      if (c == '\r' && i + 1 < literal.size() && literal[i + 1] == '\n') ++i;
    } else if (c == '\t') {
      out += "^T";
    } else if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
      continue;
    } else if (IsReferenced(c) || (c == kEscapeMark && i + 1 == literal.size())) {
      out += Reference(c);
    } else {
      out += c;
    }
  }
  return out;
}

std::string UnescapeText(std::string_view rolled) {
  std::string out(rolled);
  std::string referenced(kDelimiters);
  referenced.append({kCaret, kEscapeMark});
  for (const char c : referenced) out = ReplaceAll(out, Reference(c), std::string_view(&c, 1));
  return out;
}

std::string CleanName(std::string_view wanted) {
  std::string name;
  for (const unsigned char c : wanted) {
    const char kept = IsNameCharacter(c) ? static_cast<char>(c) : '_';
    if (kept == ' ' && (name.empty() || name.back() == ' ')) continue;
    name += kept;
  }
  while (!name.empty() && name.back() == ' ') name.pop_back();
  return name.empty() ? "symbol" : name;
}

bool NamePool::Reserve(const std::string& name) { return taken_.insert(name).second; }

std::string NamePool::Take(std::string_view wanted) {
  const std::string base = CleanName(wanted);
  if (Reserve(base)) return base;
  // Numbering goes on where it stopped for this name, so many names that clean alike stay fast.
  for (int& number = next_number_.try_emplace(base, 2).first->second;; ++number) {
    std::string numbered = base + " " + std::to_string(number);
    if (Reserve(numbered)) return numbered;
  }
}

}  // namespace fablewick
