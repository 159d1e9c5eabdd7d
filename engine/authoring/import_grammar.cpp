// Grammar JSON: an object whose keys are symbols and whose values are lists of alternatives. In
// an alternative, "#name#" expands a symbol, "#name.capitalize.s#" applies modifiers to it,
// "[name:text]" pushes text as the symbol's new value (several values when it holds commas) and
// "[name:POP]" takes it back; pushes written at the start of a "#...#" reference last only while
// that reference expands. A backslash makes the next character literal.
//
// Each symbol becomes a weighted group, the start symbol group Start; references become group
// calls, pushed symbols variables. What the table language cannot say is reported.
#include <algorithm>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <set>

#include <nlohmann/json.hpp>

#include "engine/authoring/import.h"
#include "engine/authoring/tab_writer.h"
#include "engine/expansion/syntax.h"
#include "platform/text.h"

namespace fablewick {
namespace {

using Json = nlohmann::ordered_json;
constexpr std::size_t kNone = std::string_view::npos;

// Nesting of brackets and references deeper than this is refused: no grammar written by hand
// comes near it, and reading it must not exhaust the stack.
constexpr int kMaxNesting = 64;

// How many nodes FindRestores may visit in all.
constexpr std::size_t kMaxRestoreSearch = std::size_t{20} << 20;

// ---- the grammar's text ---------------------------------------------------------------------

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

class RuleParser {
 public:
  explicit RuleParser(std::vector<std::string>& report) : report_(report) {}

  // Parses one alternative; `where` begins every report line about it.
  Text Parse(std::string_view text, const std::string& where) {
    where_ = where;
    unclosed_reported_ = false;
    return ParseText(text, 0);
  }
  bool too_deep() const { return too_deep_; }

 private:
  Text ParseText(std::string_view text, int depth) {
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

  Action ParseAction(std::string_view inside, int depth) {
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

  Node ActionNode(std::string_view inside, int depth) {
    Node node;
    node.kind = Node::kAction;
    node.action = ParseAction(inside, depth);
    return node;
  }

  Node ReferenceNode(std::string_view inside, int depth) {
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

// ---- the grammar ----------------------------------------------------------------------------

struct Alternative {
  std::string raw;
  int weight = 1;
  Text text;
};

// What a symbol that is pushed needs in the table: variables for its value (one, or one per
// pushed value and a count), and, when the grammar also gives it alternatives, a variable naming
// the group that a read rolls on: its alternatives until a push, its value after.
struct Pushed {
  int values = 1;                       // the most values one push gives it
  bool scoped = false;                  // pushed at the start of a reference somewhere
  bool restore = false;                 // a scoped push must be taken back after its reference
  std::vector<std::string> value_vars;  // one per value
  std::string count_var;                // values > 1
  std::string from_var;                 // the symbol has alternatives
  std::string rules_group;              // the symbol has alternatives
  std::string value_group;              // gives the value (one chosen among several)
  std::string values_group;             // values > 1: one entry per value
  int saves = 0;
};

struct Symbol {
  std::string name;
  int32_t line = 0;
  bool defined = false;
  std::vector<Alternative> alternatives;
  std::string group;  // the group a call of the symbol rolls on
  Pushed* pushed = nullptr;
};

class GrammarConverter {
 public:
  GrammarConverter(std::string_view text, std::string_view start_symbol,
                   std::string_view source_name)
      : text_(text), start_(start_symbol), source_name_(source_name) {}

  Conversion Convert() {
    if (!ReadJson() || !ParseAlternatives() || !CheckReferences() || !CheckEndings()) {
      return std::move(conversion_);
    }
    FindRestores();
    NameEverything();
    WriteGroups();
    if (std::string problem = TabFileProblem(file_); !problem.empty()) {
      conversion_.error = problem + ".";
      return std::move(conversion_);
    }
    conversion_.table_text = WriteTabFile(file_);
    // The same problem in many alternatives is reported once.
    std::vector<std::string> unique;
    std::set<std::string> seen;
    for (std::string& line : conversion_.report) {
      if (seen.insert(line).second) unique.push_back(std::move(line));
    }
    conversion_.report = std::move(unique);
    return std::move(conversion_);
  }

 private:
  bool Fail(std::string error) {
    conversion_.error = std::move(error);
    return false;
  }

  std::string Where(const Symbol& symbol) const {
    return (symbol.line > 0 ? "line " + std::to_string(symbol.line) + ": " : std::string()) +
           "symbol \"" + symbol.name + "\": ";
  }

  // The line of the key of each symbol, found in the text in the order of the keys: `from` is
  // where the search goes on, `line` the line it lies in.
  int32_t LineOfKey(const std::string& key, std::size_t& from, int32_t& line) const {
    const std::string quoted = Json(key).dump();
    for (std::size_t at = text_.find(quoted, from); at != kNone; at = text_.find(quoted, at + 1)) {
      std::size_t after = at + quoted.size();
      while (after < text_.size() && std::string_view(" \t\r\n").find(text_[after]) != kNone) {
        ++after;
      }
      if (after < text_.size() && text_[after] == ':') {
        line += static_cast<int32_t>(std::count(text_.begin() + from, text_.begin() + at, '\n'));
        from = at;
        return line;
      }
    }
    return 0;
  }

  bool ReadJson() {
    GrammarReader reader;
    const bool read = Json::sax_parse(text_, &reader);
    if (reader.too_deep) {
      return Fail("the JSON nests more than " + std::to_string(kMaxNesting) + " levels deep.");
    }
    if (!read) {
      const std::size_t at = reader.error.find(" at line ");
      return Fail("malformed JSON" + (at == kNone ? ": " + reader.error : reader.error.substr(at)) +
                  ".");
    }
    if (!reader.object) {
      return Fail("it holds no grammar: a grammar is an object of symbols and their alternatives.");
    }
    std::size_t from = 0;
    int32_t line = 1;
    for (GrammarReader::Entry& entry : reader.entries) {
      Symbol& symbol = Find(entry.key);
      symbol.line = LineOfKey(entry.key, from, line);
      if (symbol.defined) {
        conversion_.report.push_back(Where(symbol) +
                                     "defined again; the later alternatives are used");
        symbol.alternatives.clear();
      }
      symbol.defined = true;
      std::map<std::string, std::size_t> index;
      for (std::optional<std::string>& value : entry.values) {
        if (!value) {
          conversion_.report.push_back(Where(symbol) +
                                       "an alternative that is not text is left out");
          continue;
        }
        const auto [it, fresh] = index.emplace(*value, symbol.alternatives.size());
        if (fresh) {
          symbol.alternatives.push_back({std::move(*value), 1, {}});
        } else {
          ++symbol.alternatives[it->second].weight;
        }
      }
      if (symbol.alternatives.empty()) {
        return Fail("symbol \"" + entry.key + "\"" +
                    (symbol.line > 0 ? " (line " + std::to_string(symbol.line) + ")" : "") +
                    " has no alternatives.");
      }
    }
    return true;
  }

  Symbol& Find(const std::string& name) {
    const auto [it, fresh] = symbols_.try_emplace(name);
    if (fresh) {
      it->second.name = name;
      order_.push_back(&it->second);
    }
    return it->second;
  }

  bool ParseAlternatives() {
    RuleParser parser(conversion_.report);
    for (Symbol* symbol : std::vector<Symbol*>(order_)) {
      for (Alternative& alternative : symbol->alternatives) {
        alternative.text = parser.Parse(alternative.raw, Where(*symbol));
      }
    }
    if (parser.too_deep()) {
      return Fail("its brackets and references nest more than " + std::to_string(kMaxNesting) +
                  " levels deep.");
    }
    return true;
  }

  // Every symbol that is pushed, with the most values a push gives it; every reference must name
  // a symbol that is defined or pushed.
  bool CheckReferences() {
    for (Symbol* symbol : std::vector<Symbol*>(order_)) {
      for (const Alternative& alternative : symbol->alternatives) {
        VisitNodes(alternative.text, [&](const Node& node) {
          auto note_push = [&](const Action& action, bool scoped) {
            if (action.bare) return;
            Symbol& target = Find(action.target);
            if (target.pushed == nullptr) target.pushed = &pushed_.emplace_back();
            target.pushed->values =
                std::max(target.pushed->values, static_cast<int>(action.sections.size()));
            target.pushed->scoped = target.pushed->scoped || scoped;
          };
          if (node.kind == Node::kAction) note_push(node.action, false);
          for (const Action& push : node.pushes) note_push(push, true);
        });
      }
    }
    if (symbols_.count(start_) == 0 || !symbols_.at(start_).defined) {
      return Fail("there is no symbol \"" + start_ + "\" to start from.");
    }
    for (Symbol* symbol : order_) {
      for (const Alternative& alternative : symbol->alternatives) {
        std::string missing;
        VisitNodes(alternative.text, [&](const Node& node) {
          if (node.kind != Node::kReference || node.symbol.empty() || !missing.empty()) return;
          const auto it = symbols_.find(node.symbol);
          if (it == symbols_.end() || (!it->second.defined && it->second.pushed == nullptr)) {
            missing = node.symbol;
          }
        });
        if (!missing.empty()) {
          return Fail("symbol \"" + missing + "\" is used by symbol \"" + symbol->name + "\"" +
                      (symbol->line > 0 ? " (line " + std::to_string(symbol->line) + ")" : "") +
                      " but never defined.");
        }
      }
    }
    return true;
  }

  // The symbols a text reads, pushed values included.
  std::vector<const Symbol*> ReadsOf(const Text& text) const {
    std::vector<const Symbol*> reads;
    VisitNodes(text, [&](const Node& node) {
      if (node.kind == Node::kReference && !node.symbol.empty()) {
        reads.push_back(&symbols_.at(node.symbol));
      }
    });
    return reads;
  }

  // Refuses a grammar in which a symbol reached from the start can never finish expanding: every
  // alternative of it reads, directly or not, a symbol that cannot finish either.
  bool CheckEndings() {
    // A symbol finishes when one of its alternatives reads only symbols that finish: each
    // alternative counts the symbols it waits for, and each symbol found to finish is taken off
    // the counts of the alternatives that read it.
    struct Waiting {
      const Symbol* owner;
      std::size_t count;
    };
    std::vector<Waiting> waiting;
    std::map<const Symbol*, std::vector<std::size_t>> readers;
    std::set<const Symbol*> finishes;
    std::deque<const Symbol*> found;
    auto finished = [&](const Symbol* symbol) {
      if (finishes.insert(symbol).second) found.push_back(symbol);
    };
    for (const Symbol* symbol : order_) {
      if (!symbol->defined) finished(symbol);
      for (const Alternative& alternative : symbol->alternatives) {
        const std::vector<const Symbol*> all = ReadsOf(alternative.text);
        const std::set<const Symbol*> reads(all.begin(), all.end());
        for (const Symbol* read : reads) readers[read].push_back(waiting.size());
        waiting.push_back({symbol, reads.size()});
        if (reads.empty()) finished(symbol);
      }
    }
    while (!found.empty()) {
      const Symbol* symbol = found.front();
      found.pop_front();
      for (const std::size_t reader : readers[symbol]) {
        if (--waiting[reader].count == 0) finished(waiting[reader].owner);
      }
    }
    std::set<const Symbol*> reached = {&symbols_.at(start_)};
    std::deque<const Symbol*> queue(reached.begin(), reached.end());
    std::vector<std::string> endless;
    while (!queue.empty()) {
      const Symbol* symbol = queue.front();
      queue.pop_front();
      if (finishes.count(symbol) == 0) endless.push_back("\"" + symbol->name + "\"");
      for (const Alternative& alternative : symbol->alternatives) {
        for (const Symbol* read : ReadsOf(alternative.text)) {
          if (reached.insert(read).second) queue.push_back(read);
        }
      }
    }
    if (!endless.empty()) {
      std::sort(endless.begin(), endless.end());
      std::string names;
      for (std::size_t i = 0; i < endless.size() && i < 3; ++i) {
        names += (i > 0 ? ", " : "") + endless[i];
      }
      const bool one = endless.size() == 1;
      return Fail("the grammar never finishes: every alternative of " +
                  std::string(one ? "symbol " : "symbols ") + names +
                  (endless.size() > 3 ? " and others" : "") +
                  (one ? " leads back to it." : " leads back to them."));
    }
    for (const Symbol* symbol : order_) {
      if (finishes.count(symbol) == 0) {
        conversion_.report.push_back(Where(*symbol) +
                                     "not reached from the start, and its expansion never ends");
      }
    }
    return true;
  }

  // A push at the start of a reference lasts while the reference expands; afterwards the symbol
  // has its earlier value again. Restoring it costs two assignments, so it is written only where
  // the earlier value can be seen: where the symbol is read outside such a reference, or where
  // such references of one symbol nest.
  void FindRestores() {
    // Each symbol is looked for through the whole grammar; for a grammar so large that this
    // would take long, every such push is restored.
    std::size_t nodes = 0, scoped = 0;
    for (const Symbol* symbol : order_) {
      for (const Alternative& alternative : symbol->alternatives) {
        VisitNodes(alternative.text, [&](const Node&) { ++nodes; });
      }
      scoped += symbol->pushed != nullptr && symbol->pushed->scoped;
    }
    const bool look = nodes * scoped <= kMaxRestoreSearch;
    for (Symbol* symbol : order_) {
      if (symbol->pushed == nullptr || !symbol->pushed->scoped) continue;
      if (!look) {
        symbol->pushed->restore = true;
        continue;
      }
      const std::string& name = symbol->name;
      auto pushes_it = [&](const Node& node) {
        return std::any_of(node.pushes.begin(), node.pushes.end(),
                           [&](const Action& push) { return !push.bare && push.target == name; });
      };
      // Reads outside the references that push it, from the start.
      bool seen = false;
      std::set<const Symbol*> reached;
      std::deque<const Symbol*> queue = {&symbols_.at(start_)};
      reached.insert(queue.front());
      std::function<void(const Text&)> walk = [&](const Text& text) {
        for (const Node& node : text) {
          if (node.kind == Node::kReference && pushes_it(node)) continue;
          if (node.kind == Node::kReference && !node.symbol.empty()) {
            if (node.symbol == name) seen = true;
            const Symbol* read = &symbols_.at(node.symbol);
            if (reached.insert(read).second) queue.push_back(read);
          }
          for (const Action& push : node.pushes) {
            for (const Text& section : push.sections) walk(section);
          }
          for (const Text& section : node.action.sections) walk(section);
        }
      };
      while (!queue.empty() && !seen) {
        const Symbol* next = queue.front();
        queue.pop_front();
        for (const Alternative& alternative : next->alternatives) walk(alternative.text);
      }
      // Nesting: a reference that pushes it reached from inside one.
      bool nested = false;
      std::set<const Symbol*> inside;
      std::deque<const Symbol*> inner;
      auto enter = [&](const Text& text) {
        VisitNodes(text, [&](const Node& node) {
          if (node.kind == Node::kReference && !node.symbol.empty()) {
            const Symbol* read = &symbols_.at(node.symbol);
            if (inside.insert(read).second) inner.push_back(read);
          }
        });
      };
      for (Symbol* owner : order_) {
        for (const Alternative& alternative : owner->alternatives) {
          VisitNodes(alternative.text, [&](const Node& node) {
            if (node.kind != Node::kReference || !pushes_it(node)) return;
            for (const Action& push : node.pushes) {
              for (const Text& section : push.sections) enter(section);
            }
            if (!node.symbol.empty()) {
              const Symbol* read = &symbols_.at(node.symbol);
              if (inside.insert(read).second) inner.push_back(read);
            }
          });
        }
      }
      while (!inner.empty() && !nested) {
        const Symbol* next = inner.front();
        inner.pop_front();
        for (const Alternative& alternative : next->alternatives) {
          VisitNodes(alternative.text, [&](const Node& node) {
            if (node.kind == Node::kReference && pushes_it(node)) nested = true;
          });
          enter(alternative.text);
        }
      }
      symbol->pushed->restore = seen || nested;
    }
  }

  void NameEverything() {
    group_names_.Reserve("Start");
    Symbol& start = symbols_.at(start_);
    start.group = "Start";
    for (Symbol* symbol : order_) {
      if (symbol != &start) symbol->group = group_names_.Take(symbol->name);
    }
    for (Symbol* symbol : order_) {
      Pushed* pushed = symbol->pushed;
      if (pushed == nullptr) continue;
      if (pushed->values == 1) {
        pushed->value_vars.push_back(variable_names_.Take(symbol->name));
      } else {
        for (int i = 1; i <= pushed->values; ++i) {
          pushed->value_vars.push_back(
              variable_names_.Take(symbol->name + " " + std::to_string(i)));
        }
        pushed->count_var = variable_names_.Take(symbol->name + " count");
        pushed->values_group = group_names_.Take(symbol->name + " values");
      }
      if (symbol->defined) {
        pushed->from_var = variable_names_.Take(symbol->name + " from");
        pushed->rules_group = group_names_.Take(symbol->name + " rules");
        pushed->value_group = group_names_.Take(symbol->name + " value");
      }
    }
  }

  // ---- writing ----

  // A read of a symbol while its modifiers are applied: a group call that can still take the
  // capital and article prefixes, or text.
  struct Expression {
    bool call = false;
    std::string group;
    bool article = false;
    bool capital = false;
    std::string text;
    const Symbol* variable_of = nullptr;  // text reads the value of this pushed symbol
  };

  std::string Render(const Expression& e) const {
    if (!e.call) return e.text;
    return "[" + std::string(e.article ? "CN~" : "") + (e.capital ? "CC~" : "") + e.group + "]";
  }

  // A group whose one entry is `text`, made once per text.
  std::string HelperGroup(const std::string& text, const std::string& wanted) {
    const auto it = helpers_.find(text);
    if (it != helpers_.end()) return it->second;
    const std::string name = group_names_.Take(wanted);
    helpers_.emplace(text, name);
    pending_.push_back(TabGroup{name, false, {{1, 1, text}}});
    return name;
  }

  // The group that reads a pushed symbol that has no group of its own yet.
  std::string ReadGroup(const Symbol& symbol) {
    if (made_read_groups_.insert(&symbol).second) {
      pending_.push_back(TabGroup{symbol.group, false, {{1, 1, ValueText(*symbol.pushed)}}});
    }
    return symbol.group;
  }

  // A pushed symbol's value: the variable, or one of the variables drawn by a die.
  std::string ValueText(const Pushed& pushed) const {
    if (pushed.values == 1) return "%" + pushed.value_vars[0] + "%";
    return "[" + pushed.values_group + "={Dice~1d%" + pushed.count_var + "%}]";
  }

  void MakeCall(Expression& e, const std::string& symbol_name) {
    if (e.call) return;
    const std::string text = e.text;
    const Symbol* variable_of = e.variable_of;
    e = Expression{};
    e.call = true;
    e.group = variable_of != nullptr ? ReadGroup(*variable_of) : HelperGroup(text, symbol_name);
  }

  std::string Read(const Node& node) {
    if (node.symbol.empty()) return "";
    const Symbol& symbol = symbols_.at(node.symbol);
    Expression e;
    if (symbol.pushed != nullptr && !symbol.defined && symbol.pushed->values == 1) {
      e.text = ValueText(*symbol.pushed);
      e.variable_of = &symbol;
    } else {
      e.call = true;
      e.group = symbol.group;
    }
    // A helper group is named after the symbol and the modifiers that its entry applies.
    std::string applied = symbol.name;
    for (const Modifier& modifier : node.modifiers) {
      const std::string& m = modifier.name;
      if (m == "capitalize") {
        MakeCall(e, applied);
        e.capital = true;
      } else if (m == "a") {
        // The article goes before the capital: a capital already given must come first.
        if (e.capital) {
          const std::string text = Render(e);
          e = Expression{};
          e.text = text;
        }
        MakeCall(e, applied);
        e.article = true;
      } else if (m == "s" || m == "capitalizeAll") {
        const std::string text =
            "{" + std::string(m == "s" ? "Plural" : "CapEachWord") + "~" + Render(e) + "}";
        e = Expression{};
        e.text = text;
      } else {
        conversion_.report.push_back(where_ + "the modifier \"." + modifier.raw + "\"" +
                                     (m == "ed" ? " has no counterpart in the table language"
                                                : " is not one the import knows") +
                                     ", so \"#" + node.symbol + "#\" is used without it");
        continue;
      }
      applied += " " + m;
    }
    return Render(e);
  }

  // The operand of an assignment: text without an assignment of its own, since "|" pairs with
  // the next "|"; text that has one is rolled from a group of its own.
  std::string Operand(const Text& section, const std::string& symbol_name) {
    std::string text = WriteText(section);
    if (!FitsInAssignment(text)) text = "[" + HelperGroup(text, symbol_name + " push") + "]";
    return text;
  }

  std::string Assign(const std::string& variable, const std::string& value) const {
    return "|" + variable + "=" + value + "|";
  }

  // Every variable that makes up a pushed symbol's state.
  std::vector<std::string> StateVariables(const Pushed& pushed) const {
    std::vector<std::string> names = pushed.value_vars;
    if (!pushed.count_var.empty()) names.push_back(pushed.count_var);
    if (!pushed.from_var.empty()) names.push_back(pushed.from_var);
    return names;
  }

  std::string WriteAction(const Action& action) {
    if (action.bare) {
      conversion_.report.push_back(where_ + "the action \"" + action.raw +
                                   "\" has no counterpart in the table language and is left out");
      return "";
    }
    const Symbol& symbol = symbols_.at(action.target);
    const Pushed& pushed = *symbol.pushed;
    std::string out;
    if (action.pop) {
      for (const std::string& variable : pushed.value_vars) out += Assign(variable, "");
      if (!pushed.count_var.empty()) out += Assign(pushed.count_var, "1");
      if (!pushed.from_var.empty()) out += Assign(pushed.from_var, pushed.rules_group);
      return out;
    }
    for (std::size_t i = 0; i < action.sections.size(); ++i) {
      out += Assign(pushed.value_vars[i], Operand(action.sections[i], symbol.name));
    }
    if (!pushed.count_var.empty()) {
      out += Assign(pushed.count_var, std::to_string(action.sections.size()));
    }
    if (!pushed.from_var.empty()) out += Assign(pushed.from_var, pushed.value_group);
    return out;
  }

  std::string WriteText(const Text& text) {
    std::string out;
    for (const Node& node : text) {
      switch (node.kind) {
        case Node::kLiteral:
          out += EscapeText(node.literal);
          break;
        case Node::kAction:
          out += WriteAction(node.action);
          break;
        case Node::kReference: {
          std::string restore;
          for (const Action& push : node.pushes) {
            if (!push.bare && !push.pop && symbols_.at(push.target).pushed->restore) {
              Pushed& pushed = *symbols_.at(push.target).pushed;
              const std::string number = std::to_string(++pushed.saves);
              std::string save;
              for (const std::string& variable : StateVariables(pushed)) {
                const std::string saved = variable_names_.Take(variable + " saved " + number);
                saved_.push_back(saved);
                save += Assign(saved, "%" + variable + "%");
                restore = Assign(variable, "%" + saved + "%") + restore;
              }
              out += save;
            }
            out += WriteAction(push);
          }
          out += Read(node) + restore;
          break;
        }
      }
    }
    return out;
  }

  void WriteGroups() {
    file_.comments.push_back("Imported from " + source_name_ + " (grammar JSON)");
    std::vector<TabGroup> groups;
    auto alternatives_group = [&](const Symbol& symbol, const std::string& name) {
      TabGroup group{name, false, {}};
      where_ = Where(symbol);
      for (const Alternative& alternative : symbol.alternatives) {
        group.entries.push_back({1, alternative.weight, WriteText(alternative.text)});
      }
      return group;
    };
    // Start first, then the symbols in the order of the file, each followed by its helpers.
    std::vector<Symbol*> order = order_;
    std::stable_partition(order.begin(), order.end(),
                          [&](const Symbol* symbol) { return symbol->name == start_; });
    for (Symbol* symbol : order) {
      const Pushed* pushed = symbol->pushed;
      if (pushed == nullptr) {
        groups.push_back(alternatives_group(*symbol, symbol->group));
      } else if (symbol->defined) {
        groups.push_back(TabGroup{symbol->group, false, {{1, 1, "[%" + pushed->from_var + "%]"}}});
        groups.push_back(alternatives_group(*symbol, pushed->rules_group));
        groups.push_back(TabGroup{pushed->value_group, false, {{1, 1, ValueText(*pushed)}}});
      } else if (pushed->values > 1) {
        made_read_groups_.insert(symbol);
        groups.push_back(TabGroup{symbol->group, false, {{1, 1, ValueText(*pushed)}}});
      }
      for (TabGroup& helper : pending_) groups.push_back(std::move(helper));
      pending_.clear();
    }
    // Groups that reading and pushing made after their symbol's turn.
    for (Symbol* symbol : order) {
      const Pushed* pushed = symbol->pushed;
      if (pushed == nullptr) continue;
      for (const std::string& variable : pushed->value_vars)
        file_.variables.push_back({variable, ""});
      if (!pushed->count_var.empty()) file_.variables.push_back({pushed->count_var, "1"});
      if (!pushed->from_var.empty()) {
        file_.variables.push_back({pushed->from_var, pushed->rules_group});
      }
      if (pushed->values > 1) {
        TabGroup values{pushed->values_group, true, {}};
        for (int i = 0; i < pushed->values; ++i) {
          values.entries.push_back({i + 1, i + 1, "%" + pushed->value_vars[i] + "%"});
        }
        groups.push_back(std::move(values));
      }
    }
    for (const std::string& saved : saved_) file_.variables.push_back({saved, ""});
    file_.groups = std::move(groups);
  }

  std::string_view text_;
  std::string start_;
  std::string source_name_;
  Conversion conversion_;
  std::map<std::string, Symbol> symbols_;
  std::vector<Symbol*> order_;  // defined symbols in the order of the file, then pushed ones
  std::deque<Pushed> pushed_;
  NamePool group_names_;
  NamePool variable_names_;
  std::map<std::string, std::string> helpers_;  // entry text -> helper group
  std::set<const Symbol*> made_read_groups_;
  std::vector<TabGroup> pending_;  // helper groups made while writing the current symbol
  std::vector<std::string> saved_;
  std::string where_;
  TabFile file_;
};

}  // namespace

Conversion ConvertGrammarJson(std::string_view text, std::string_view start_symbol,
                              std::string_view source_name) {
  return GrammarConverter(text, start_symbol, source_name).Convert();
}

}  // namespace fablewick
