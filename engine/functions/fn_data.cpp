// "Data": looks up a value in an XML data file of the program's Data folder. A call names the
// file, a match attribute and value, and a result attribute; the first "item" element whose match
// attribute has that value answers with its result attribute. The file named last stays parsed,
// so a table that makes many lookups in one file reads it once.
#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include <pugixml.hpp>

#include "engine/engine.h"
#include "engine/error.h"
#include "engine/functions/functions.h"
#include "engine/model/loader.h"
#include "engine/numbers.h"
#include "platform/text.h"

namespace fablewick {

// The data file named by the last "Data" call and what was read from it. Kept for the whole run:
// a file edited on disk is not read again while it stays the last one named.
struct XmlDataCache {
  std::string file;     // the file field of the last call, compared exactly
  bool loaded = false;  // whether that file was read and parsed
  std::string text;     // the file's text; the document is parsed in place and points into it
  pugi::xml_document document;
  // For each match attribute asked for so far: its values, each with the first item (in document
  // order) that has it. Built on the first lookup by that attribute, so that later lookups in a
  // large file do not search the whole document again. The values point into the document.
  std::unordered_map<std::string, std::unordered_map<std::string_view, pugi::xml_node>> indexes;
  // Compiled queries by their text, for the lookups the indexes cannot answer. Queries do not
  // depend on the document, so they outlive a change of file.
  std::unordered_map<std::string, std::unique_ptr<pugi::xpath_query>> queries;
};

namespace {

namespace fs = std::filesystem;

// Error numbers of failed lookups, shown in the error text. 9: fewer than four fields. 91: the
// file cannot be loaded, no item matches, or the item lacks the result attribute (the lookup
// meets an absent node). 5: the query built from the fields is not valid XPath (for example a
// match attribute that is not an attribute name, or a match value holding a double quote).
constexpr int kTooFewFields = kSubscriptOutOfRange;
constexpr int kNoObject = 91;
constexpr int kQueryRejected = kInvalidCall;

// At most this many compiled queries are kept; the cache starts again when it is full.
constexpr std::size_t kMaxCachedQueries = 256;

struct LookupFailed {
  int number;
};

// Whether a file field names a file directly inside the Data folder. Table text comes from
// strangers, so a name that could reach another folder ("/", "\", "." or "..", or a NUL that
// would cut the path short) is refused rather than opened.
bool IsPlainFileName(std::string_view name) {
  return name != "." && name != ".." &&
         name.find_first_of(std::string_view("/\\\0", 3)) == std::string_view::npos;
}

std::optional<std::string> ReadFileBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary | std::ios::ate);
  if (!in) return std::nullopt;
  const std::streamoff size = in.tellg();
  if (size < 0) return std::nullopt;
  std::string bytes(static_cast<std::size_t>(size), '\0');
  in.seekg(0);
  if (!in.read(bytes.data(), size)) return std::nullopt;
  return bytes;
}

// The encoding named in the XML declaration, lower-cased; "" when there is none.
std::string DeclaredEncoding(std::string_view bytes) {
  if (bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);
  if (bytes.substr(0, 5) != "<?xml") return "";
  const std::string_view declaration = bytes.substr(0, bytes.find("?>"));
  std::size_t at = declaration.find("encoding");
  if (at == std::string_view::npos) return "";
  at = declaration.find_first_of("\"'", at);
  if (at == std::string_view::npos) return "";
  const std::size_t end = declaration.find(declaration[at], at + 1);
  if (end == std::string_view::npos) return "";
  std::string name(declaration.substr(at + 1, end - at - 1));
  std::transform(name.begin(), name.end(), name.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return name;
}

// Whether the file's text can be read the way table files are: valid UTF-8 is kept, anything
// else is taken as Windows-1252. That is right for files declaring UTF-8, windows-1252 (which
// the parser does not know, and which data files from older Windows systems often declare) or
// nothing at all. Files with a UTF-16 or UTF-32 signature, or another declared encoding, are
// left to the parser's own detection.
bool ReadsAsTableText(std::string_view bytes) {
  if (bytes.size() >= 2 && (bytes[0] == '\0' || bytes[1] == '\0' ||
                            bytes.substr(0, 2) == "\xFF\xFE" || bytes.substr(0, 2) == "\xFE\xFF")) {
    return false;
  }
  const std::string encoding = DeclaredEncoding(bytes);
  return encoding.empty() || encoding == "utf-8" || encoding == "utf8" ||
         encoding == "windows-1252" || encoding == "cp1252";
}

// Reads and parses the data file `name`; on failure the cache holds no document.
void LoadDataFile(XmlDataCache& cache, const fs::path& data_folder, const std::string& name) {
  cache.loaded = false;
  cache.indexes.clear();
  cache.document.reset();
  cache.text.clear();
  if (!IsPlainFileName(name)) return;
  const fs::path path = FindFileIgnoringCase(data_folder / (name + ".xml"));
  if (path.empty()) return;
  std::optional<std::string> bytes = ReadFileBytes(path);
  if (!bytes) return;
  pugi::xml_encoding encoding = pugi::encoding_auto;
  if (ReadsAsTableText(*bytes)) {
    cache.text = DecodeFileText(*bytes);
    encoding = pugi::encoding_utf8;
  } else {
    cache.text = std::move(*bytes);
  }
  const pugi::xml_parse_result result = cache.document.load_buffer_inplace(
      cache.text.data(), cache.text.size(), pugi::parse_default, encoding);
  if (!result) {
    cache.document.reset();
    cache.text.clear();
    return;
  }
  cache.loaded = true;
}

// The lookup query: the first "item" element anywhere whose attribute `attribute` equals
// `value`. The fields go in as written, so one that breaks the syntax is rejected by the XPath
// compiler.
std::string ItemQuery(std::string_view attribute, std::string_view value) {
  std::string query = "//item[@";
  query.append(attribute).append("=\"").append(value).append("\"]");
  return query;
}

// The compiled form of a query, from the cache when it was compiled before.
const pugi::xpath_query& CompiledQuery(XmlDataCache& cache, const std::string& text) {
  if (const auto found = cache.queries.find(text); found != cache.queries.end()) {
    return *found->second;
  }
  // The compiler reads a C string: a NUL would cut the query short and change its meaning.
  if (text.find('\0') != std::string::npos) throw LookupFailed{kQueryRejected};
  std::unique_ptr<pugi::xpath_query> query;
  try {
    query = std::make_unique<pugi::xpath_query>(text.c_str());
  } catch (const pugi::xpath_exception&) {
    throw LookupFailed{kQueryRejected};
  }
  if (!*query) throw LookupFailed{kQueryRejected};
  if (cache.queries.size() >= kMaxCachedQueries) cache.queries.clear();
  return *cache.queries.emplace(text, std::move(query)).first->second;
}

// The first element the query selects, in document order.
pugi::xml_node FirstMatch(const XmlDataCache& cache, const pugi::xpath_query& query) {
  try {
    return query.evaluate_node(cache.document).node();
  } catch (const pugi::xpath_exception&) {
    // Fields that turn the query into something other than a node selection.
    throw LookupFailed{kQueryRejected};
  }
}

// The text of the attribute named exactly `name`.
std::string AttributeText(const pugi::xml_node& node, std::string_view name) {
  for (const pugi::xml_attribute& attribute : node.attributes()) {
    if (name == attribute.name()) return attribute.value();
  }
  throw LookupFailed{kNoObject};
}

// Whether the index can answer a lookup exactly as the query would: the match attribute is a
// plain name (ASCII letters, digits, "_", "-" and ".", not starting with a digit, "-" or ".")
// other than "xmlns", which XPath does not count as an attribute, and the value holds neither a
// double quote nor a NUL. Such a query is always valid and means: the first item whose
// attribute of that name has exactly that value.
bool IsIndexable(std::string_view attribute, std::string_view value) {
  const auto is_letter = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); };
  const auto is_name_char = [&](char c) {
    return is_letter(c) || (c >= '0' && c <= '9') || c == '_' || c == '-' || c == '.';
  };
  if (attribute.empty() || !(is_letter(attribute[0]) || attribute[0] == '_')) return false;
  if (!std::all_of(attribute.begin(), attribute.end(), is_name_char)) return false;
  return attribute != "xmlns" &&
         value.find_first_of(std::string_view("\"\0", 2)) == std::string_view::npos;
}

// The node after `node` in document order, or an empty node after the last.
pugi::xml_node NextInDocumentOrder(pugi::xml_node node) {
  if (pugi::xml_node child = node.first_child()) return child;
  while (node && !node.next_sibling()) node = node.parent();
  return node ? node.next_sibling() : pugi::xml_node();
}

// The values of match attribute `attribute`, each with its first item; built on first use.
const std::unordered_map<std::string_view, pugi::xml_node>& IndexOf(XmlDataCache& cache,
                                                                    const std::string& attribute) {
  const auto [index, added] = cache.indexes.try_emplace(attribute);
  if (!added) return index->second;
  std::vector<std::pair<std::string_view, pugi::xml_node>> items;
  for (pugi::xml_node node = cache.document.first_child(); node; node = NextInDocumentOrder(node)) {
    if (node.type() != pugi::node_element || std::string_view(node.name()) != "item") continue;
    // The first attribute of that name counts, as in the query.
    if (const pugi::xml_attribute match = node.attribute(attribute.c_str())) {
      items.emplace_back(match.value(), node);
    }
  }
  // Sized once: growing a map of a hundred thousand values step by step costs more than filling.
  index->second.reserve(items.size());
  for (const auto& [value, node] : items) index->second.try_emplace(value, node);
  return index->second;
}

// The first item whose attribute `attribute` has `value`, by the index or by the query.
pugi::xml_node FindItem(XmlDataCache& cache, const std::string& attribute,
                        const std::string& value) {
  if (IsIndexable(attribute, value)) {
    if (!cache.loaded) throw LookupFailed{kNoObject};
    const auto& index = IndexOf(cache, attribute);
    const auto found = index.find(value);
    return found == index.end() ? pugi::xml_node() : found->second;
  }
  const pugi::xpath_query& query = CompiledQuery(cache, ItemQuery(attribute, value));
  if (!cache.loaded) throw LookupFailed{kNoObject};
  return FirstMatch(cache, query);
}

// "file,match attribute,match value,result attribute".
std::string Lookup(const FunctionCall& call) {
  XmlDataCache& cache = call.engine.XmlData();
  ArgReader args(call);
  const bool enough_fields = args.FieldsLeft() >= 4;
  const std::string file(args.Text());
  // The name is remembered before loading, so a file that fails is not tried again while the
  // same name keeps coming.
  if (file != cache.file) {
    cache.file = file;
    LoadDataFile(cache, call.engine.ProgramFolder() / "Data", file);
  }
  if (!enough_fields) throw LookupFailed{kTooFewFields};
  const std::string attribute(args.Text());
  const std::string value(args.Text());
  const pugi::xml_node item = FindItem(cache, attribute, value);
  if (!item) throw LookupFailed{kNoObject};
  return AttributeText(item, args.Text());
}

std::string Data(const FunctionCall& call) {
  try {
    return Lookup(call);
  } catch (const LookupFailed& failure) {
    return FunctionErrorText("Error (" + FormatInteger(failure.number) +
                             ") reading XML Data: " + std::string(call.args) + "'");
  }
}

constexpr FunctionEntry kData[] = {{"Data", Data}};

}  // namespace

XmlDataCache& Engine::XmlData() {
  if (!xml_data_cache_) xml_data_cache_ = std::make_shared<XmlDataCache>();
  return *xml_data_cache_;
}

constinit const FunctionFamily kDataFunctions = kData;

}  // namespace fablewick
