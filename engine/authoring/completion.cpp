#include "engine/authoring/completion.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <set>

#include "engine/expansion/syntax_lines.h"
#include "engine/functions/dispatch.h"
#include "platform/text.h"

namespace fablewick {
namespace {

struct Form {
  std::string_view name;
  std::string_view form;
};

// The argument forms, as the manual gives them. The names come from the dispatch table; a test
// checks that every name registered there has its form here.
constexpr Form kForms[] = {
    {"Abs", "{Abs~n}"},
    {"AorAn", "{AorAn~word}"},
    {"ArrClear", "{ArrClear~name}"},
    {"ArrCount", "{ArrCount~name}"},
    {"ArrExists", "{ArrExists~name,key}"},
    {"ArrGet", "{ArrGet~name,key}"},
    {"ArrItem", "{ArrItem~name,key,value}"},
    {"ArrNew", "{ArrNew~name}"},
    {"ArrRemove", "{ArrRemove~name,key}"},
    {"Calc", "{Calc~expression}"},
    {"Cap", "{Cap~text}"},
    {"CapEachWord", "{CapEachWord~text}"},
    {"Ceil", "{Ceil~n}"},
    {"Count", "{Count~group}"},
    {"Data", "{Data~file,attribute,value,result attribute}"},
    {"Debug", "{Debug~caption}"},
    {"Dice", "{Dice~XdY+Z}"},
    {"Extern", "{Extern~add-on,parameter}"},
    {"Find", "{Find~start,search,text}"},
    {"Floor", "{Floor~n}"},
    {"If", "{If~condition?then-text/else-text}"},
    {"Input", "{Input~variable,question,suggestion}"},
    {"LCase", "{LCase~text}"},
    {"Left", "{Left~text,n}"},
    {"Length", "{Length~text}"},
    {"Lockout", "{Lockout~group,rolls}"},
    {"Max", "{Max~a,b,...}"},
    {"MaxVal", "{MaxVal~group,n}"},
    {"Mid", "{Mid~text,start,n}"},
    {"Min", "{Min~a,b,...}"},
    {"MinVal", "{MinVal~group,n}"},
    {"Msg", "{Msg~text}"},
    {"Note", "{Note~text}"},
    {"OrderAsc", "{OrderAsc~\"separator\",list}"},
    {"OrderDesc", "{OrderDesc~\"separator\",list}"},
    {"Ordinal", "{Ordinal~n}"},
    {"Param", "{Param~variable,item}"},
    {"Plural", "{Plural~word}"},
    {"Replace", "{Replace~search,replacement,text}"},
    {"Reset", "{Reset~group}"},
    {"Right", "{Right~text,n}"},
    {"Round", "{Round~n,digits}"},
    {"Shell", "{Shell~command line}"},
    {"SortAsc", "{SortAsc~var1,var2,...}"},
    {"SortDesc", "{SortDesc~var1,var2,...}"},
    {"Split", "{Split~source,\"separator\",var1,var2,...}"},
    {"Sqrt", "{Sqrt~n}"},
    {"Status", "{Status~text}"},
    {"Stop", "{Stop~text}"},
    {"Trim", "{Trim~text}"},
    {"Trunc", "{Trunc~n}"},
    {"UCase", "{UCase~text}"},
    {"Unlock", "{Unlock~group,rolls}"},
    {"Used", "{Used~group,roll}"},
};

bool StartsWithFolded(std::string_view text, std::string_view prefix) {
  return prefix.empty() ||
         (text.size() >= prefix.size() && EqualsIgnoreCase(text.substr(0, prefix.size()), prefix));
}

// The group names of a table text, in file order, each once.
std::vector<std::string> GroupNames(std::string_view text) {
  std::vector<std::string> names;
  std::set<std::string> seen;
  ForEachTableLine(text, [&](std::string_view line, std::size_t) {
    if (ClassifyTableLine(line) != LineKind::kGroupHeader) return;
    std::string name(ReadHeaderLine(line).name);
    if (seen.insert(name).second) names.push_back(std::move(name));
  });
  return names;
}

bool IsWordByte(char c) {
  return c != '[' && c != ']' && c != '{' && c != '}' && c != '%' && c != '|' && c != '~' &&
         c != '.' && c != '?' && c != '/' && c != ',' && c != '\n' && c != '=' && c != '+' &&
         c != '(' && c != ')' && c != ' ' && c != '<' && c != '>' && c != '!';
}

}  // namespace

std::string_view FunctionForm(std::string_view name) {
  for (const Form& form : kForms) {
    if (form.name == name) return form.form;
  }
  return "";
}

CompletionContext CompletionContextAt(std::string_view text, std::size_t cursor) {
  CompletionContext context;
  cursor = std::min(cursor, text.size());
  std::size_t begin = cursor;
  while (begin > 0 && IsWordByte(text[begin - 1])) --begin;
  context.word_begin = begin;
  context.prefix = std::string(text.substr(begin, cursor - begin));
  if (begin == 0) return context;
  const char before = text[begin - 1];
  if (before == '{') {
    context.where = CompletionContext::kFunction;
  } else if (before == '%' || before == '|') {
    context.where = CompletionContext::kVariable;
  } else if (before == '[' || before == '~' || before == '?' || before == '/') {
    // After a call's prefix ("CC~") or a branch of a conditional call the word is a call too;
    // a "~" inside braces belongs to a function's arguments.
    std::size_t open = begin - 1;
    while (open > 0 && text[open] != '[' && text[open] != '{' && text[open] != '\n') --open;
    if (text[open] == '[') context.where = CompletionContext::kCall;
  } else if (before == '.') {
    std::size_t start = begin - 1;
    while (start > 0 && IsWordByte(text[start - 1])) --start;
    if (start > 0 && (text[start - 1] == '[' || text[start - 1] == '~')) {
      context.where = CompletionContext::kCall;
      context.table = std::string(text.substr(start, begin - 1 - start));
    }
  }
  return context;
}

std::vector<Completion> Completions(const CompletionContext& context, std::string_view text,
                                    const TableCatalog& catalog,
                                    const std::filesystem::path& tables_folder) {
  std::vector<Completion> found;
  const std::string& prefix = context.prefix;
  switch (context.where) {
    case CompletionContext::kNone:
      break;
    case CompletionContext::kCall: {
      if (!context.table.empty()) {
        std::ifstream file(catalog.TablePath(tables_folder, context.table), std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(file)),
                                std::istreambuf_iterator<char>());
        for (std::string& name : GroupNames(DecodeFileText(bytes))) {
          if (StartsWithFolded(name, prefix)) {
            found.push_back({Completion::kGroup, std::move(name), context.table});
          }
        }
        break;
      }
      for (std::string& name : GroupNames(text)) {
        if (StartsWithFolded(name, prefix)) {
          found.push_back({Completion::kGroup, std::move(name), "group"});
        }
      }
      std::set<std::string> tables;
      for (const CatalogItem& item : catalog.items()) {
        if (StartsWithFolded(item.name, prefix) && tables.insert(item.name).second) {
          found.push_back({Completion::kTable, item.name, item.folder});
        }
      }
      break;
    }
    case CompletionContext::kFunction: {
      std::vector<std::string_view> names = BuiltInFunctionNames();
      names.push_back("If");
      names.push_back("Loop");
      names.push_back("While");
      std::sort(names.begin(), names.end());
      names.erase(std::unique(names.begin(), names.end()), names.end());
      for (std::string_view name : names) {
        if (!StartsWithFolded(name, prefix)) continue;
        std::string form(FunctionForm(name));
        if (name == "Loop") form = "{Loop~count,text}";
        if (name == "While") form = "{While~condition,text}";
        found.push_back({Completion::kFunction, std::string(name), form});
      }
      break;
    }
    case CompletionContext::kVariable: {
      std::set<std::string> seen;
      ForEachTableLine(text, [&](std::string_view line, std::size_t) {
        if (ClassifyTableLine(line) != LineKind::kVariable) return;
        const VariableLine variable = ReadVariableLine(line);
        std::string name(variable.name);
        if (variable.well_formed && StartsWithFolded(name, prefix) && seen.insert(name).second) {
          found.push_back({Completion::kVariable, std::move(name), "variable"});
        }
      });
      break;
    }
  }
  return found;
}

}  // namespace fablewick
