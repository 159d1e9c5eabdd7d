// Writing table files from other formats: the model of the table being written, names that the
// table language can call, and literal text escaped so that it comes out of a roll as written.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace fablewick {

struct TabEntry {
  int32_t low = 1;   // ranged groups: the first roll; weighted groups: unused
  int32_t high = 1;  // ranged groups: the last roll; weighted groups: the weight
  std::string text;  // table text, ready to be written after the comma
};

struct TabGroup {
  std::string name;
  bool ranged = false;
  std::vector<TabEntry> entries;
};

struct TabVariable {
  std::string name;
  std::string initial;  // table text
};

struct TabFile {
  std::vector<std::string>
      comments;  // written first, each as a "#" line (line breaks become blanks)
  std::vector<TabVariable> variables;
  std::vector<TabGroup> groups;
};

// The text of the file: UTF-8, every line ended by CR LF.
std::string WriteTabFile(const TabFile& file);

// Why the loader would refuse the file (a value or a weight sum beyond 16 bits, too many groups
// or entries); "" when it loads.
std::string TabFileProblem(const TabFile& file);

// Literal text written so that expansion leaves it alone and a roll shows it as it is: the
// characters that open or close constructs ("[", "]", "{", "}", "%", "|"), the caret that starts
// caret codes, and a "/" that ends the text (it would escape a construct that follows) become
// HTML character references, which the results page shows as the characters themselves. The
// table language's own escapes ("/[") cannot be used: a nested entry's result has them removed
// and is scanned again by its caller, so they hold for one level only. Line breaks become "^M",
// tabs "^T"; other control characters are dropped.
std::string EscapeText(std::string_view literal);

// Undoes EscapeText on a finished roll (after its caret codes): for tests and tools that compare
// results with the source text.
std::string UnescapeText(std::string_view rolled);

// Hands out names for groups and variables that a call or a variable read can hold: letters,
// digits, "_" and inner blanks only (anything else becomes "_"), never the same name twice.
class NamePool {
 public:
  // Takes `name` as it is; false when it is taken already.
  bool Reserve(const std::string& name);
  // A free name made from `wanted`: cleaned, then numbered (" 2", " 3", ...) when taken.
  std::string Take(std::string_view wanted);

 private:
  std::set<std::string> taken_;
  std::map<std::string, int> next_number_;
};

// `wanted` with every character that would mean something in a call or a variable name replaced
// by "_", runs of blanks made one, blanks at the ends removed; "symbol" when nothing is left.
std::string CleanName(std::string_view wanted);

}  // namespace fablewick
