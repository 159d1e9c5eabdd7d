// What the studio offers to complete the word at the cursor: the group names of the table being
// written, the tables of the catalogue (and, after "Table.", that table's groups), the built-in
// functions with their argument forms, and the declared variables.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "engine/model/catalog.h"

namespace fablewick {

struct Completion {
  enum Kind { kGroup, kTable, kFunction, kVariable };
  Kind kind;
  std::string text;    // what is inserted in place of the word typed so far
  std::string detail;  // shown beside it: a function's argument form, a table's category
};

// What is being typed at byte `cursor` of `text`: the word, and the construct it stands in.
struct CompletionContext {
  enum Where { kNone, kCall, kFunction, kVariable };
  Where where = kNone;
  std::string prefix;  // the word typed so far
  std::string table;   // in a call after "Table.": the table named
  std::size_t word_begin = 0;
};

CompletionContext CompletionContextAt(std::string_view text, std::size_t cursor);

// The completions of the context, in order of kind and then name, that begin with its prefix
// (ignoring letter case). `text` is the table being written, as it stands.
std::vector<Completion> Completions(const CompletionContext& context, std::string_view text,
                                    const TableCatalog& catalog,
                                    const std::filesystem::path& tables_folder);

// The argument form of a built-in function, as the manual writes it: "{Left~text,n}"; "" for a
// name that is not built in.
std::string_view FunctionForm(std::string_view name);

}  // namespace fablewick
