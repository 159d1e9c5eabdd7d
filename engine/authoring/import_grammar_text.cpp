// Reading the alternatives of a grammar into nodes. A backslash makes the next character
// literal; brackets and references are matched in linear time, so that a hostile text full of
// brackets that never close is read quickly.
#include "engine/authoring/import_grammar_text.h"

namespace fablewick::grammar_import {
namespace {

constexpr std::size_t kNone = std::string_view::npos;

// For each "[" of the text, the "]" that closes it, counting nested ones; kNone for the others.
// Found in one pass, so that texts full of brackets that never close take linear time.
std::vector<std::size_t> BracketPartners(std::string_view text) {
  std::vector<std::size_t> partner(text.size(), kNone);
  std::vector<std::size_t> open;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\\') {
      ++i;
    } else if (text[i] == '[') {
      open.push_back(i);
    } else if (text[i] == ']' && !open.empty()) {
      partner[open.back()] = i;
      open.pop_back();
    }
  }
  return partner;
}

// The "#" that closes the reference opened before `from`: the next one outside brackets. kNone
// when there is none (a "[" that never closes hides the rest of the text).
std::size_t ReferenceEnd(std::string_view text, const std::vector<std::size_t>& partner,
                         std::size_t from) {
  for (std::size_t i = from; i < text.size(); ++i) {
    if (text[i] == '\\') {
      ++i;
    } else if (text[i] == '[') {
      if (partner[i] == kNone) return kNone;
      i = partner[i];
    } else if (text[i] == '#') {
      return i;
    }
  }
  return kNone;
}

// `text` cut at every `separator` that lies outside brackets, references and parentheses.
std::vector<std::string_view> SplitOutside(std::string_view text, char separator) {
  std::vector<std::string_view> parts;
  int depth = 0;
  bool in_reference = false;
  std::size_t start = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\\') {
      ++i;
    } else if (c == '[' || c == '(') {
      ++depth;
    } else if ((c == ']' || c == ')') && depth > 0) {
      --depth;
    } else if (c == '#' && depth == 0) {
      in_reference = !in_reference;
    } else if (c == separator && depth == 0 && !in_reference) {
      parts.push_back(text.substr(start, i - start));
      start = i + 1;
    }
  }
  parts.push_back(text.substr(start));
  return parts;
}

}  // namespace

Text RuleParser::Parse(std::string_view text, const std::string& where) {
  where_ = where;
  unclosed_reported_ = false;
  return ParseText(text, 0);
}

Text RuleParser::ParseText(std::string_view text, int depth) {
  Text nodes;
  if (depth > kMaxNesting) {
    too_deep_ = true;
    return nodes;
  }
  std::string literal;
  auto flush = [&] {
    if (literal.empty()) return;
    Node node;
    node.literal = std::move(literal);
    nodes.push_back(std::move(node));
    literal.clear();
  };
  const std::vector<std::size_t> partner = BracketPartners(text);
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\\') {
      literal += i + 1 < text.size() ? text[++i] : '\\';
      continue;
    }
    if (c != '[' && c != '#') {
      literal += c;
      continue;
    }
    const std::size_t close = c == '[' ? partner[i] : ReferenceEnd(text, partner, i + 1);
    if (close == kNone) {
      if (!unclosed_reported_) {
        report_.push_back(where_ + "the \"" + std::string(1, c) +
                          "\" is never closed, so it is kept as text");
      }
      unclosed_reported_ = true;
      literal += c;
      continue;
    }
    flush();
    const std::string_view inside = text.substr(i + 1, close - i - 1);
    i = close;
    if (inside.empty()) continue;  // "##" and "[]" give nothing
    nodes.push_back(c == '[' ? ActionNode(inside, depth) : ReferenceNode(inside, depth));
  }
  flush();
  return nodes;
}

Action RuleParser::ParseAction(std::string_view inside, int depth) {
  Action action;
  action.raw = "[" + std::string(inside) + "]";
  const std::size_t colon = inside.find(':');
  if (colon == kNone) {
    action.bare = true;
    action.target = std::string(inside);
    return action;
  }
  action.target = std::string(inside.substr(0, colon));
  const std::string_view rule = inside.substr(colon + 1);
  if (rule == "POP") {
    action.pop = true;
    return action;
  }
  for (const std::string_view section : SplitOutside(rule, ',')) {
    action.sections.push_back(ParseText(section, depth + 1));
  }
  return action;
}

Node RuleParser::ActionNode(std::string_view inside, int depth) {
  Node node;
  node.kind = Node::kAction;
  node.action = ParseAction(inside, depth);
  return node;
}

Node RuleParser::ReferenceNode(std::string_view inside, int depth) {
  Node node;
  node.kind = Node::kReference;
  const std::vector<std::size_t> partner = BracketPartners(inside);
  std::size_t at = 0;
  while (at < inside.size() && inside[at] == '[') {
    const std::size_t close = partner[at];
    if (close == kNone) break;
    node.pushes.push_back(ParseAction(inside.substr(at + 1, close - at - 1), depth));
    at = close + 1;
  }
  const std::vector<std::string_view> parts = SplitOutside(inside.substr(at), '.');
  node.symbol = std::string(parts[0]);
  for (std::size_t i = 1; i < parts.size(); ++i) {
    const std::string_view raw = parts[i];
    node.modifiers.push_back({std::string(raw.substr(0, raw.find('('))), std::string(raw)});
  }
  return node;
}

}  // namespace fablewick::grammar_import
