#include "engine/authoring/import_grammar_model.h"

#include <algorithm>
#include <functional>
#include <set>

namespace fablewick::grammar_import {
namespace {

// How many nodes FindRestores may visit in all.
constexpr std::size_t kMaxRestoreSearch = std::size_t{20} << 20;

// The symbols a text reads, pushed values included.
std::vector<const Symbol*> ReadsOf(const Grammar& grammar, const Text& text) {
  std::vector<const Symbol*> reads;
  VisitNodes(text, [&](const Node& node) {
    if (node.kind == Node::kReference && !node.symbol.empty()) {
      reads.push_back(&grammar.symbols.at(node.symbol));
    }
  });
  return reads;
}

}  // namespace

std::string Where(const Symbol& symbol) {
  return (symbol.line > 0 ? "line " + std::to_string(symbol.line) + ": " : std::string()) +
         "symbol \"" + symbol.name + "\": ";
}

std::string CheckEndings(const Grammar& grammar, std::vector<std::string>& report) {
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
  for (const Symbol* symbol : grammar.order) {
    if (!symbol->defined) finished(symbol);
    for (const Alternative& alternative : symbol->alternatives) {
      const std::vector<const Symbol*> all = ReadsOf(grammar, alternative.text);
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
  std::set<const Symbol*> reached = {&grammar.symbols.at(grammar.start)};
  std::deque<const Symbol*> queue(reached.begin(), reached.end());
  std::vector<std::string> endless;
  while (!queue.empty()) {
    const Symbol* symbol = queue.front();
    queue.pop_front();
    if (finishes.count(symbol) == 0) endless.push_back("\"" + symbol->name + "\"");
    for (const Alternative& alternative : symbol->alternatives) {
      for (const Symbol* read : ReadsOf(grammar, alternative.text)) {
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
    return "the grammar never finishes: every alternative of " +
           std::string(one ? "symbol " : "symbols ") + names +
           (endless.size() > 3 ? " and others" : "") +
           (one ? " leads back to it." : " leads back to them.");
  }
  for (const Symbol* symbol : grammar.order) {
    if (finishes.count(symbol) == 0) {
      report.push_back(Where(*symbol) + "not reached from the start, and its expansion never ends");
    }
  }
  return "";
}

void FindRestores(Grammar& grammar) {
  // Each symbol is looked for through the whole grammar; for a grammar so large that this
  // would take long, every such push is restored.
  std::size_t nodes = 0, scoped = 0;
  for (const Symbol* symbol : grammar.order) {
    for (const Alternative& alternative : symbol->alternatives) {
      VisitNodes(alternative.text, [&](const Node&) { ++nodes; });
    }
    scoped += symbol->pushed != nullptr && symbol->pushed->scoped;
  }
  const bool look = nodes * scoped <= kMaxRestoreSearch;
  for (Symbol* symbol : grammar.order) {
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
    std::deque<const Symbol*> queue = {&grammar.symbols.at(grammar.start)};
    reached.insert(queue.front());
    std::function<void(const Text&)> walk = [&](const Text& text) {
      for (const Node& node : text) {
        if (node.kind == Node::kReference && pushes_it(node)) continue;
        if (node.kind == Node::kReference && !node.symbol.empty()) {
          if (node.symbol == name) seen = true;
          const Symbol* read = &grammar.symbols.at(node.symbol);
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
          const Symbol* read = &grammar.symbols.at(node.symbol);
          if (inside.insert(read).second) inner.push_back(read);
        }
      });
    };
    for (Symbol* owner : grammar.order) {
      for (const Alternative& alternative : owner->alternatives) {
        VisitNodes(alternative.text, [&](const Node& node) {
          if (node.kind != Node::kReference || !pushes_it(node)) return;
          for (const Action& push : node.pushes) {
            for (const Text& section : push.sections) enter(section);
          }
          if (!node.symbol.empty()) {
            const Symbol* read = &grammar.symbols.at(node.symbol);
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

}  // namespace fablewick::grammar_import
