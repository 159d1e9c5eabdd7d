// The text of a grammar JSON file read into nodes: the symbols and their alternatives, each
// alternative cut into literal text, references ("#name.modifier#", with the pushes written at
// their start) and actions ("[name:value]", "[name:POP]"). Used by the grammar import only.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

namespace fablewick::grammar_import {

using Json = nlohmann::ordered_json;

// Nesting of brackets and references deeper than this is refused: no grammar written by hand
// comes near it, and reading it must not exhaust the stack.
constexpr int kMaxNesting = 64;

struct Node;
using Text = std::vector<Node>;

struct Modifier {
  std::string name;
  std::string raw;  // as written, parameters included
};

struct Action {
  std::string target;
  bool pop = false;
  bool bare = false;  // "[name]": no ":", an action the table language has no counterpart for
  std::string raw;
  std::vector<Text> sections;  // the values pushed
};

struct Node {
  enum Kind { kLiteral, kReference, kAction } kind = kLiteral;
  std::string literal;
  std::vector<Action> pushes;  // kReference: pushed for the time the reference expands
  std::string symbol;          // kReference
  std::vector<Modifier> modifiers;
  Action action;  // kAction
};

// Reads the alternatives of a grammar into nodes, reporting what it keeps as text.
class RuleParser {
 public:
  explicit RuleParser(std::vector<std::string>& report) : report_(report) {}

  // Parses one alternative; `where` begins every report line about it.
  Text Parse(std::string_view text, const std::string& where);
  bool too_deep() const { return too_deep_; }

 private:
  Text ParseText(std::string_view text, int depth);
  Action ParseAction(std::string_view inside, int depth);
  Node ActionNode(std::string_view inside, int depth);
  Node ReferenceNode(std::string_view inside, int depth);

  std::vector<std::string>& report_;
  std::string where_;
  bool unclosed_reported_ = false;  // one such line an alternative is enough
  bool too_deep_ = false;
};

// Calls `visit` on every node of the text, pushed values included, and on every action.
template <typename Visit>
void VisitNodes(const Text& text, const Visit& visit) {
  for (const Node& node : text) {
    visit(node);
    const auto visit_action = [&](const Action& action) {
      for (const Text& section : action.sections) VisitNodes(section, visit);
    };
    if (node.kind == Node::kAction) visit_action(node.action);
    for (const Action& push : node.pushes) visit_action(push);
  }
}

// Reads the JSON text in one pass into the symbols and their alternatives, in the order of the
// file: numbers and Booleans are alternatives as written, anything else that is not text is
// kept as a gap to report. (A parsed document would lose the order, or keep it at a cost that
// grows with the square of the number of symbols.)
class GrammarReader : public nlohmann::json_sax<Json> {
 public:
  struct Entry {
    std::string key;
    std::vector<std::optional<std::string>> values;  // nullopt: not text
  };
  std::vector<Entry> entries;
  bool object = false;  // the top level is an object
  bool too_deep = false;
  std::string error;

  bool null() override { return Value(std::nullopt); }
  bool boolean(bool value) override { return Value(value ? "true" : "false"); }
  bool number_integer(number_integer_t value) override { return Value(std::to_string(value)); }
  bool number_unsigned(number_unsigned_t value) override { return Value(std::to_string(value)); }
  bool number_float(number_float_t, const string_t& text) override { return Value(text); }
  bool string(string_t& value) override { return Value(std::move(value)); }
  bool binary(binary_t&) override { return Value(std::nullopt); }
  bool key(string_t& name) override {
    if (depth_ == 1) entries.push_back({std::move(name), {}});
    return true;
  }
  bool start_object(std::size_t) override { return Open(true); }
  bool end_object() override { return Close(); }
  bool start_array(std::size_t) override { return Open(false); }
  bool end_array() override { return Close(); }
  bool parse_error(std::size_t, const std::string&,
                   const nlohmann::detail::exception& failure) override {
    error = failure.what();
    return false;
  }

 private:
  // A value at the level of the symbols is one alternative; in a symbol's list, each is one.
  bool Value(std::optional<std::string> value) {
    if ((depth_ == 1 || (depth_ == 2 && in_list_)) && !entries.empty()) {
      entries.back().values.push_back(std::move(value));
    }
    return true;
  }
  bool Open(bool is_object) {
    if (depth_ == 0) object = is_object;
    if (depth_ == 1 && !is_object) in_list_ = true;
    // An object or a list inside a symbol's alternatives is one alternative that is not text.
    if ((depth_ == 1 && is_object) || (depth_ == 2 && in_list_)) Value(std::nullopt);
    if (++depth_ > kMaxNesting) {
      too_deep = true;
      return false;
    }
    return true;
  }
  bool Close() {
    if (--depth_ == 1) in_list_ = false;
    return true;
  }

  int depth_ = 0;
  bool in_list_ = false;
};

}  // namespace fablewick::grammar_import
