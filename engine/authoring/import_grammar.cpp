// Grammar JSON: an object whose keys are symbols and whose values are lists of alternatives. In
// an alternative, "#name#" expands a symbol, "#name.capitalize.s#" applies modifiers to it,
// "[name:text]" pushes text as the symbol's new value (several values when it holds commas) and
// "[name:POP]" takes it back; pushes written at the start of a "#...#" reference last only while
// that reference expands. A backslash makes the next character literal.
//
// Each symbol becomes a weighted group, the start symbol group Start; references become group
// calls, pushed symbols variables. What the table language cannot say is reported.
#include <algorithm>
#include <map>
#include <optional>
#include <set>

#include "engine/authoring/import.h"
#include "engine/authoring/import_grammar_model.h"
#include "engine/authoring/tab_writer.h"
#include "engine/expansion/syntax.h"
#include "platform/text.h"

namespace fablewick {
namespace {

using namespace grammar_import;
constexpr std::size_t kNone = std::string_view::npos;

class GrammarConverter {
 public:
  GrammarConverter(std::string_view text, std::string_view start_symbol,
                   std::string_view source_name)
      : text_(text), source_name_(source_name) {
    grammar_.start = std::string(start_symbol);
  }

  Conversion Convert() {
    if (!ReadJson() || !ParseAlternatives() || !CheckReferences() ||
        !Succeeds(CheckEndings(grammar_, conversion_.report))) {
      return std::move(conversion_);
    }
    FindRestores(grammar_);
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
  bool Succeeds(std::string error) { return error.empty() || Fail(std::move(error)); }

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
    const auto [it, fresh] = grammar_.symbols.try_emplace(name);
    if (fresh) {
      it->second.name = name;
      grammar_.order.push_back(&it->second);
    }
    return it->second;
  }

  bool ParseAlternatives() {
    RuleParser parser(conversion_.report);
    for (Symbol* symbol : std::vector<Symbol*>(grammar_.order)) {
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
    for (Symbol* symbol : std::vector<Symbol*>(grammar_.order)) {
      for (const Alternative& alternative : symbol->alternatives) {
        VisitNodes(alternative.text, [&](const Node& node) {
          auto note_push = [&](const Action& action, bool scoped) {
            if (action.bare) return;
            Symbol& target = Find(action.target);
            if (target.pushed == nullptr) target.pushed = &grammar_.pushed.emplace_back();
            target.pushed->values =
                std::max(target.pushed->values, static_cast<int>(action.sections.size()));
            target.pushed->scoped = target.pushed->scoped || scoped;
          };
          if (node.kind == Node::kAction) note_push(node.action, false);
          for (const Action& push : node.pushes) note_push(push, true);
        });
      }
    }
    if (grammar_.symbols.count(grammar_.start) == 0 ||
        !grammar_.symbols.at(grammar_.start).defined) {
      return Fail("there is no symbol \"" + grammar_.start + "\" to start from.");
    }
    for (Symbol* symbol : grammar_.order) {
      for (const Alternative& alternative : symbol->alternatives) {
        std::string missing;
        VisitNodes(alternative.text, [&](const Node& node) {
          if (node.kind != Node::kReference || node.symbol.empty() || !missing.empty()) return;
          const auto it = grammar_.symbols.find(node.symbol);
          if (it == grammar_.symbols.end() ||
              (!it->second.defined && it->second.pushed == nullptr)) {
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
  void NameEverything() {
    group_names_.Reserve("Start");
    Symbol& start = grammar_.symbols.at(grammar_.start);
    start.group = "Start";
    for (Symbol* symbol : grammar_.order) {
      if (symbol != &start) symbol->group = group_names_.Take(symbol->name);
    }
    for (Symbol* symbol : grammar_.order) {
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
    const Symbol& symbol = grammar_.symbols.at(node.symbol);
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
    const Symbol& symbol = grammar_.symbols.at(action.target);
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
            if (!push.bare && !push.pop && grammar_.symbols.at(push.target).pushed->restore) {
              Pushed& pushed = *grammar_.symbols.at(push.target).pushed;
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
    std::vector<Symbol*> order = grammar_.order;
    std::stable_partition(order.begin(), order.end(),
                          [&](const Symbol* symbol) { return symbol->name == grammar_.start; });
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
  std::string source_name_;
  Conversion conversion_;
  Grammar grammar_;
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
