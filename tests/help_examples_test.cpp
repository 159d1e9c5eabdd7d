// Every example in the manual (share/Help/FWHelp.html) is rolled through the engine and must give
// what the manual says it gives.
//
// Markup the manual uses for examples:
//   <pre class="example-table" data-name="Loot">...</pre>   a complete .tab file (HTML-escaped);
//       data-name defaults to "Example". Several tables may precede one expectation.
// followed by exactly one expectation, which ends the example:
//   <span class="example-output">...</span>
//       the one possible result;
//   <ul class="example-outputs"><li>...</li>...</ul>
//       every possible result, each of which must come up;
//   <span class="example-pattern" data-pattern="RE">...</span>
//       a result matching the regular expression RE, described in words for the reader;
//   <span class="example-range" data-min="3" data-max="18">...</span>
//       a whole number in that range.
// The expectation may carry: data-call="[Table.Group]" (rolled as at start-up instead of group
// Start of the last table), data-params="2|Bob" (values of the table's parameters, in order),
// data-answers="Mira|a lantern" (answers to input boxes), data-box="Title" (an error box with that
// title is expected; without it no error box may appear).
#include <fstream>
#include <map>
#include <memory>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "addons/addon_library.h"
#include "engine/driver.h"
#include "engine/parameters.h"
#include "tests/support/engine_fixture.h"
#include "tests/support/files.h"

namespace fablewick {
namespace {

namespace fs = std::filesystem;

const fs::path kSourceRoot = fs::path(FABLEWICK_TEST_DATA_DIR) / ".." / "..";
constexpr uint64_t kSeeds = 16;
// Enough rolls for every stated result of an example to come up, even one in twenty.
constexpr uint64_t kSeedsForEveryOutcome = 400;

std::vector<std::string> SplitAt(const std::string& text, char separator) {
  std::vector<std::string> fields;
  std::string field;
  std::istringstream in(text);
  while (std::getline(in, field, separator)) fields.push_back(field);
  return fields;
}

void AppendUtf8(std::string& out, uint32_t code) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (code >> 18));
    out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

// The text a reader sees in an element's HTML: tags dropped (the literal "<" of table text is
// written "&lt;"), entities decoded. An entity this function does not know is reported, since
// the reader would see it wrongly too.
std::string VisibleText(const std::string& html) {
  static const std::map<std::string, uint32_t> kNamed = {
      {"lt", '<'},        {"gt", '>'},      {"amp", '&'},     {"quot", '"'},     {"apos", '\''},
      {"nbsp", 0xA0},     {"middot", 0xB7}, {"bull", 0x2022}, {"mdash", 0x2014}, {"ndash", 0x2013},
      {"hellip", 0x2026}, {"deg", 0xB0},    {"times", 0xD7},  {"frac14", 0xBC},  {"frac12", 0xBD},
      {"frac34", 0xBE},   {"iquest", 0xBF}, {"para", 0xB6},   {"rarr", 0x2192},  {"larr", 0x2190},
  };
  std::string out;
  for (std::size_t i = 0; i < html.size(); ++i) {
    const char c = html[i];
    if (c == '<') {
      const std::size_t end = html.find('>', i);
      if (end == std::string::npos) break;
      i = end;
    } else if (c == '&') {
      const std::size_t end = html.find(';', i);
      const std::string name = html.substr(i + 1, end == std::string::npos ? 0 : end - i - 1);
      if (!name.empty() && name[0] == '#') {
        const bool hex = name.size() > 1 && (name[1] == 'x' || name[1] == 'X');
        AppendUtf8(out, static_cast<uint32_t>(
                            std::stoul(name.substr(hex ? 2 : 1), nullptr, hex ? 16 : 10)));
      } else if (kNamed.count(name) != 0) {
        AppendUtf8(out, kNamed.at(name));
      } else {
        ADD_FAILURE() << "unknown entity &" << name << "; in the manual";
        out += c;
        continue;
      }
      i = end;
    } else {
      out += c;
    }
  }
  return out;
}

std::string Attribute(const std::string& tag, const std::string& name) {
  const std::string key = name + "=\"";
  const std::size_t at = tag.find(key);
  if (at == std::string::npos) return "";
  const std::size_t end = tag.find('"', at + key.size());
  return VisibleText(tag.substr(at + key.size(), end - at - key.size()));
}

struct ExampleTable {
  std::string name;
  std::string text;
};

struct Example {
  int number = 0;
  std::vector<ExampleTable> tables;
  std::string kind;  // "output", "outputs", "pattern" or "range"
  std::vector<std::string> expected;
  std::string tag;  // the opening tag of the expectation, for its attributes
};

// Walks the manual for elements whose class begins with "example-", in document order.
std::vector<Example> ReadExamples(const std::string& html) {
  std::vector<Example> examples;
  Example current;
  std::vector<ExampleTable> last_tables;
  const std::string marker = "class=\"example-";
  for (std::size_t at = html.find(marker); at != std::string::npos;
       at = html.find(marker, at + 1)) {
    const std::size_t open = html.rfind('<', at);
    const std::size_t open_end = html.find('>', at);
    const std::string tag = html.substr(open, open_end + 1 - open);
    const std::string element = tag.substr(1, tag.find_first_of(" >") - 1);
    const std::size_t close = html.find("</" + element + ">", open_end);
    const std::string inner = html.substr(open_end + 1, close - open_end - 1);
    // Example text is escaped throughout: a raw "<" would be read as a tag by the reader's view.
    if (tag.find("example-outputs") == std::string::npos) {
      EXPECT_EQ(inner.find_first_of("<>"), std::string::npos)
          << "unescaped \"<\" or \">\" in an example:\n"
          << inner;
    }
    const std::string kind = tag.substr(
        tag.find(marker) + marker.size(),
        tag.find('"', tag.find(marker) + marker.size()) - tag.find(marker) - marker.size());
    if (kind == "table") {
      std::string text = VisibleText(inner);
      if (!text.empty() && text[0] == '\n') text.erase(0, 1);
      const std::string name = Attribute(tag, "data-name");
      current.tables.push_back({name.empty() ? "Example" : name, text});
      continue;
    }
    current.kind = kind;
    current.tag = tag;
    if (kind == "outputs") {
      for (std::size_t li = inner.find("<li>"); li != std::string::npos;
           li = inner.find("<li>", li + 1)) {
        const std::size_t end = inner.find("</li>", li);
        current.expected.push_back(VisibleText(inner.substr(li + 4, end - li - 4)));
      }
    } else if (kind == "range") {
      current.expected = {Attribute(tag, "data-min"), Attribute(tag, "data-max")};
    } else if (kind == "pattern") {
      current.expected = {Attribute(tag, "data-pattern")};
    } else {
      current.expected = {VisibleText(inner)};
    }
    // A further expectation right after another one rolls the same tables again.
    if (current.tables.empty()) current.tables = last_tables;
    last_tables = current.tables;
    current.number = static_cast<int>(examples.size()) + 1;
    examples.push_back(current);
    current = Example();
  }
  EXPECT_TRUE(current.tables.empty()) << "the last example table has no stated result";
  return examples;
}

// The names of the dispatch table, read from its source: the engine offers no list of them.
std::set<std::string> BuiltInFunctionNames() {
  const std::string source = ReadFile(kSourceRoot / "engine" / "dispatch.cpp");
  const std::regex entry("FunctionEntry\\{\"([A-Za-z]+)\"");
  std::set<std::string> names;
  for (std::sregex_iterator it(source.begin(), source.end(), entry), end; it != end; ++it) {
    names.insert((*it)[1]);
  }
  return names;
}

class HelpExamplesTest : public EngineFixture {
 protected:
  HelpExamplesTest() {
    engine.SetProgramFolder(kSourceRoot / "share");
#ifdef FABLEWICK_EXAMPLE_ADDON_DIR
    loader_ = std::make_unique<DynamicAddOnLoader>(
        std::vector<fs::path>{fs::path(FABLEWICK_EXAMPLE_ADDON_DIR)});
    engine.add_on_loader = loader_.get();
#endif
    examples_ = ReadExamples(ReadFile(kSourceRoot / "share" / "Help" / "FWHelp.html"));
  }

  // Rolls an example once with `seed`, as choosing its table and pressing Roll would.
  std::string RollExample(const Example& example, uint64_t seed) {
    const std::string& table = example.tables.back().name;
    engine.ClearTableCache();
    const int index = engine.GetTable(table);
    if (index < 0) return "(table did not load)";
    engine.g_aParamValues = LoadParameters(engine.TableAt(index), host);
    const std::vector<std::string> params = SplitAt(Attribute(example.tag, "data-params"), '|');
    for (std::size_t i = 0; i < params.size() && i < engine.g_aParamValues.size(); ++i) {
      engine.g_aParamValues[i] = params[i];
    }
    host.ClearRecords();
    host.input_answers.clear();
    for (const std::string& answer : SplitAt(Attribute(example.tag, "data-answers"), '|')) {
      host.input_answers.push_back(answer);
    }
    engine.Seed(seed);
    const std::string call = Attribute(example.tag, "data-call");
    if (!call.empty()) return RollStartCalls(engine, call, 1, nullptr).front();
    return RollTable(engine, table, 1).front();
  }

  // Why `result` does not meet the example's expectation, or "" when it does.
  static std::string Mismatch(const Example& example, const std::string& result) {
    if (example.kind == "output" && result == example.expected[0]) return "";
    if (example.kind == "outputs") {
      for (const std::string& possible : example.expected) {
        if (result == possible) return "";
      }
    }
    if (example.kind == "pattern" && std::regex_match(result, std::regex(example.expected[0]))) {
      return "";
    }
    if (example.kind == "range" && !result.empty() &&
        result.find_first_not_of("-0123456789") == std::string::npos) {
      const long value = std::stol(result);
      if (value >= std::stol(example.expected[0]) && value <= std::stol(example.expected[1])) {
        return "";
      }
    }
    std::string stated;
    for (const std::string& possible : example.expected) stated += "\n  [" + possible + "]";
    return "rolled [" + result + "], the manual states (" + example.kind + "):" + stated;
  }

  std::vector<Example> examples_;
  std::unique_ptr<DynamicAddOnLoader> loader_;
};

TEST_F(HelpExamplesTest, ManualHoldsManyExamples) { EXPECT_GE(examples_.size(), 60u); }

TEST_F(HelpExamplesTest, EveryExampleRollsWhatTheManualStates) {
  for (const Example& example : examples_) {
    if (example.tables.empty()) {
      ADD_FAILURE() << "example " << example.number << " has no table";
      continue;
    }
    const std::string where =
        "example " + std::to_string(example.number) + ", table:\n" + example.tables.back().text;
    if (!loader_ && example.tables.back().text.find("{Extern~") != std::string::npos) continue;
    for (const ExampleTable& table : example.tables) WriteTable(table.name, table.text);
    const std::string box = Attribute(example.tag, "data-box");
    for (uint64_t seed = 1; seed <= kSeeds; ++seed) {
      const std::string result = RollExample(example, seed);
      const std::string mismatch = Mismatch(example, result);
      EXPECT_EQ(mismatch, "") << where;
      bool box_seen = false;
      for (const ShownBox& shown : host.BoxesOfKind(ShownBox::kOkCancel)) {
        if (shown.title.rfind(box, 0) == 0 && !box.empty()) {
          box_seen = true;
        } else {
          ADD_FAILURE() << where << "showed an error box: [" << shown.title << "] " << shown.text;
        }
      }
      if (!box.empty()) {
        EXPECT_TRUE(box_seen) << where << "showed no box titled " << box;
      }
      if (!mismatch.empty()) break;  // one report per example is enough
    }
    // A list of possible results must not hold one that never comes up.
    if (example.kind == "outputs") {
      std::set<std::string> unseen(example.expected.begin(), example.expected.end());
      for (uint64_t seed = 1; seed <= kSeedsForEveryOutcome && !unseen.empty(); ++seed) {
        unseen.erase(RollExample(example, seed));
      }
      for (const std::string& never : unseen) {
        ADD_FAILURE() << where << "never rolled the stated result [" << never << "]";
      }
    }
    for (const ExampleTable& table : example.tables) {
      fs::remove(tables_folder() / "Tests" / (table.name + ".tab"));
    }
    engine.FillCatalog();
  }
}

TEST_F(HelpExamplesTest, EveryBuiltInFunctionHasAnExample) {
  const std::set<std::string> names = BuiltInFunctionNames();
  ASSERT_GE(names.size(), 50u) << "the dispatch table was not found in engine/dispatch.cpp";
  std::set<std::string> shown;
  const std::regex call("\\{([A-Za-z]+)~");
  for (const Example& example : examples_) {
    for (const ExampleTable& table : example.tables) {
      for (std::sregex_iterator it(table.text.begin(), table.text.end(), call), end; it != end;
           ++it) {
        shown.insert((*it)[1]);
      }
    }
  }
  for (const std::string& name : names) {
    EXPECT_EQ(shown.count(name), 1u) << "no example in the manual calls {" << name << "~";
  }
}

// The manual is shown by the program's own rich-text view, which runs no scripts; its links
// must all lead to anchors that exist in the page.
TEST_F(HelpExamplesTest, ManualLinksOnlyToItsOwnAnchors) {
  const std::string html = ReadFile(kSourceRoot / "share" / "Help" / "FWHelp.html");
  EXPECT_EQ(html.find("<script"), std::string::npos);
  std::set<std::string> anchors;
  const std::regex anchor("(?:name|id)=\"([^\"]+)\"");
  for (std::sregex_iterator it(html.begin(), html.end(), anchor), end; it != end; ++it) {
    anchors.insert((*it)[1]);
  }
  const std::regex link("<a href=\"([^\"]*)\"");
  for (std::sregex_iterator it(html.begin(), html.end(), link), end; it != end; ++it) {
    const std::string target = (*it)[1];
    if (target == "../link.css") continue;
    ASSERT_FALSE(target.empty());
    EXPECT_EQ(target[0], '#') << "the manual links outside itself: " << target;
    EXPECT_EQ(anchors.count(target.substr(1)), 1u) << "no anchor for the link " << target;
  }
}

}  // namespace
}  // namespace fablewick
