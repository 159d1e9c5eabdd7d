// Every example in the manual (share/Help/FWHelp.html) is rolled through the engine and must give
// what the manual says it gives. An example is one or more tables,
//   <pre class="example-table" data-name="Loot">...</pre>  (a whole .tab file, HTML-escaped;
//                                                          the name defaults to "Example"),
// and the expectation that ends it: <span class="example-output"> (the one possible result),
// <ul class="example-outputs"><li>... (every possible result, each of which must come up),
// <span class="example-pattern" data-pattern="RE"> (a result matching RE, described in words for
// the reader) or <span class="example-range" data-min="3" data-max="18"> (a whole number in that
// range). It may carry data-call="[Table.Group]" (rolled as at start-up instead of group Start of
// the last table), data-params="2|Bob" (the table's parameter values, in order),
// data-answers="Mira|a lantern" (answers to input boxes) and data-box="Title" (an error box with
// that title is expected; without it no error box may appear).
#include <algorithm>
#include <charconv>
#include <map>
#include <memory>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <utf8proc.h>

#include "addons/addon_library.h"
#include "engine/documents/driver.h"
#include "engine/functions/dispatch.h"
#include "platform/text.h"
#include "tests/support/engine_fixture.h"
#include "tests/support/files.h"

namespace fablewick {
namespace {

namespace fs = std::filesystem;

const fs::path kSourceRoot = fs::path(FABLEWICK_TEST_DATA_DIR) / ".." / "..";
constexpr uint64_t kSeeds = 16;
// Enough rolls for every stated result of an example to come up, even one in twenty.
constexpr uint64_t kSeedsForEveryOutcome = 400;

// The fields of an attribute such as data-answers="Mira|a lantern"; none for an empty one.
std::vector<std::string> Fields(const std::string& text) {
  return text.empty() ? std::vector<std::string>{} : SplitAll(text, '|');
}

// The text a reader sees in an element's HTML: tags dropped (the literal "<" of table text is
// written "&lt;"), entities decoded. An entity this function does not know is reported, since
// the reader would see it wrongly too.
std::string VisibleText(const std::string& html) {
  static const std::map<std::string, int32_t> kNamed = {
      {"lt", '<'},    {"gt", '>'},       {"amp", '&'},      {"quot", '"'},     {"apos", '\''},
      {"nbsp", 0xA0}, {"mdash", 0x2014}, {"ndash", 0x2013}, {"hellip", 0x2026}};
  std::string out;
  for (std::size_t i = 0; i < html.size(); ++i) {
    if (html[i] == '<') {
      i = html.find('>', i);
      if (i == std::string::npos) break;
    } else if (html[i] == '&') {
      const std::size_t end = html.find(';', i);
      const std::string name = html.substr(i + 1, end == std::string::npos ? 0 : end - i - 1);
      int32_t code = -1;
      if (name.size() > 1 && name[0] == '#') {
        const bool hex = name[1] == 'x' || name[1] == 'X';
        code = static_cast<int32_t>(std::stol(name.substr(hex ? 2 : 1), nullptr, hex ? 16 : 10));
      } else if (kNamed.count(name) != 0) {
        code = kNamed.at(name);
      }
      if (code < 0) {
        ADD_FAILURE() << "unknown entity &" << name << "; in the manual";
        out += '&';
        continue;
      }
      utf8proc_uint8_t bytes[4];
      out.append(reinterpret_cast<const char*>(bytes), utf8proc_encode_char(code, bytes));
      i = end;
    } else {
      out += html[i];
    }
  }
  return out;
}

// The first group of every match of `pattern` in `text`.
std::set<std::string> Captures(const std::string& text, const std::string& pattern) {
  std::set<std::string> found;
  const std::regex re(pattern);
  for (std::sregex_iterator it(text.begin(), text.end(), re), end; it != end; ++it) {
    found.insert((*it)[1]);
  }
  return found;
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
    const std::string kind = Attribute(tag, "class").substr(8);
    // Example text is escaped throughout: a raw "<" would be read as a tag by the reader's view.
    if (kind != "outputs") {
      EXPECT_EQ(inner.find_first_of("<>"), std::string::npos)
          << "unescaped \"<\" or \">\" in an example:\n"
          << inner;
    }
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
        current.expected.push_back(
            VisibleText(inner.substr(li + 4, inner.find("</li>", li) - li - 4)));
      }
    } else if (kind == "range") {
      current.expected = {Attribute(tag, "data-min"), Attribute(tag, "data-max")};
    } else {
      current.expected = {kind == "pattern" ? Attribute(tag, "data-pattern") : VisibleText(inner)};
    }
    // A further expectation right after another one rolls the same tables again.
    if (current.tables.empty()) current.tables = last_tables;
    last_tables = current.tables;
    examples.push_back(current);
    current = Example();
  }
  EXPECT_TRUE(current.tables.empty()) << "the last example table has no stated result";
  return examples;
}

class HelpExamplesTest : public EngineFixture {
 protected:
  HelpExamplesTest() {
    engine.SetProgramFolder(kSourceRoot / "share");
#ifdef FABLEWICK_EXAMPLE_ADDON_DIR
    loader_ = std::make_unique<DynamicAddOnLoader>(
        std::vector<fs::path>{fs::path(FABLEWICK_EXAMPLE_ADDON_DIR)});
    engine.set_add_on_loader(loader_.get());
#endif
    examples_ = ReadExamples(ReadFile(kSourceRoot / "share" / "Help" / "FWHelp.html"));
  }

  // Rolls an example once with `seed`, as choosing its table and pressing Roll would.
  std::string RollExample(const Example& example, uint64_t seed) {
    const std::string& table = example.tables.back().name;
    if (engine.SelectTable(table).index < 0) return "(table did not load)";
    std::vector<std::string> values = engine.parameter_values();
    const std::vector<std::string> params = Fields(Attribute(example.tag, "data-params"));
    for (std::size_t i = 0; i < params.size() && i < values.size(); ++i) values[i] = params[i];
    engine.SetParameterValues(std::move(values));
    host.ClearRecords();
    const std::vector<std::string> answers = Fields(Attribute(example.tag, "data-answers"));
    host.input_answers.assign(answers.begin(), answers.end());
    engine.Seed(seed);
    const std::string call = Attribute(example.tag, "data-call");
    if (!call.empty()) return RollStartCalls(engine, call, 1, nullptr).front();
    return RollTable(engine, table, 1).front();
  }

  static bool Matches(const Example& example, const std::string& result) {
    if (example.kind == "pattern") return std::regex_match(result, std::regex(example.expected[0]));
    if (example.kind == "range") {
      long value = 0;
      const char* end = result.data() + result.size();
      const auto [stop, error] = std::from_chars(result.data(), end, value);
      return error == std::errc() && stop == end && value >= std::stol(example.expected[0]) &&
             value <= std::stol(example.expected[1]);
    }
    return std::count(example.expected.begin(), example.expected.end(), result) > 0;
  }

  std::vector<Example> examples_;
  std::unique_ptr<DynamicAddOnLoader> loader_;
};

TEST_F(HelpExamplesTest, EveryExampleRollsWhatTheManualStates) {
  ASSERT_GE(examples_.size(), 60u) << "the manual's examples were not found";
  for (std::size_t number = 1; number <= examples_.size(); ++number) {
    const Example& example = examples_[number - 1];
    ASSERT_FALSE(example.tables.empty()) << "example " << number << " has no table";
    const std::string where =
        "example " + std::to_string(number) + ", table:\n" + example.tables.back().text;
    if (!loader_ && example.tables.back().text.find("{Extern~") != std::string::npos) continue;
    for (const ExampleTable& table : example.tables) WriteTable(table.name, table.text);
    const std::string box = Attribute(example.tag, "data-box");
    // Every stated result of a list must come up too, so a list is rolled until all have.
    std::set<std::string> unseen(example.expected.begin(), example.expected.end());
    const uint64_t seeds = example.kind == "outputs" ? kSeedsForEveryOutcome : kSeeds;
    for (uint64_t seed = 1; seed <= seeds && (seed <= kSeeds || !unseen.empty()); ++seed) {
      const std::string result = RollExample(example, seed);
      unseen.erase(result);
      const bool matches = Matches(example, result);
      EXPECT_TRUE(matches) << where << "rolled [" << result << "], the manual states ("
                           << example.kind << "): " << testing::PrintToString(example.expected);
      bool box_seen = false;
      for (const ShownBox& shown : host.BoxesOfKind(ShownBox::kOkCancel)) {
        const bool stated = !box.empty() && shown.title.starts_with(box);
        box_seen = box_seen || stated;
        EXPECT_TRUE(stated) << where << "showed an error box: [" << shown.title << "] "
                            << shown.text;
      }
      EXPECT_TRUE(box.empty() || box_seen) << where << "showed no box titled " << box;
      if (!matches) break;  // one report per example is enough
    }
    for (const std::string& never : example.kind == "outputs" ? unseen : std::set<std::string>{}) {
      ADD_FAILURE() << where << "never rolled the stated result [" << never << "]";
    }
    for (const ExampleTable& table : example.tables) {
      fs::remove(tables_folder() / "Tests" / (table.name + ".tab"));
    }
    engine.FillCatalog();
  }
}

TEST_F(HelpExamplesTest, EveryBuiltInFunctionHasAnExample) {
  const std::vector<std::string_view> registered = BuiltInFunctionNames();
  const std::set<std::string> names(registered.begin(), registered.end());
  ASSERT_GE(names.size(), 50u) << "the engine lists too few functions";
  EXPECT_EQ(names.size(), registered.size()) << "a function name is registered twice";
  std::set<std::string> shown;
  for (const Example& example : examples_) {
    for (const ExampleTable& table : example.tables) {
      shown.merge(Captures(table.text, "\\{([A-Za-z]+)~"));
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
  const std::set<std::string> anchors = Captures(html, "(?:name|id)=\"([^\"]+)\"");
  for (const std::string& target : Captures(html, "<a href=\"([^\"]*)\"")) {
    if (target == "../link.css") continue;
    ASSERT_FALSE(target.empty());
    EXPECT_EQ(target[0], '#') << "the manual links outside itself: " << target;
    EXPECT_EQ(anchors.count(target.substr(1)), 1u) << "no anchor for the link " << target;
  }
}

}  // namespace
}  // namespace fablewick
