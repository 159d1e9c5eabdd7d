// Publishing tables as one web page: what the page bundles (the tables called, across
// categories and into hidden ones, and the data files), the lines a page cannot run, and the
// page itself as fablewick-cli writes it.
#include "engine/authoring/publish.h"

#include <algorithm>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "engine/authoring/publish_page.h"
#include "engine/model/catalog.h"
#include "tests/support/cli_process.h"
#include "tests/support/files.h"
#include "tests/support/temp_folder.h"

namespace fablewick {
namespace {

namespace fs = std::filesystem;

// Where a page refers to anything outside itself ("" when it does not); the bundled files'
// base64 texts, which can end in "src=" by chance, are left out.
std::string ExternalReference(const std::string& page) {
  std::string own;
  std::size_t from = 0;
  for (std::size_t at; (at = page.find("\"data\":\"", from)) != std::string::npos;) {
    own.append(page, from, at - from);
    from = page.find('"', at + 8);
  }
  own.append(page, from);
  std::smatch found;
  if (!std::regex_search(own, found, std::regex("(src|href)\\s*=", std::regex::icase))) return "";
  return own.substr(static_cast<std::size_t>(std::max<std::ptrdiff_t>(found.position(0) - 40, 0)),
                    80);
}

class PublishTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Table("Inns", "Front",
          "%Which%,Far\r\n"
          ":Start\r\n"
          "1,[Names.Start] and {Data~Gems,name,ruby,value} in [Sub]\r\n"
          "2,{Shell~echo hi}\r\n"
          "_ and on\r\n"
          "3,[%Which%.Start] {Count~Secret.Bag}\r\n"
          ":Sub\r\n"
          "1,{Extern~Echo.Test,x}{Debug~here}\r\n");
    Table("Inns", "Unused", ":Start\r\n1,unused\r\n");
    Table("People", "Names", ":Start\r\n1,{Data~Weather,a,b,c}[CC~Far.Start] [Nowhere.Start]\r\n");
    Table("Places", "Far", ":Start\r\n1,far\r\n");
    Table("~Hidden", "Secret", ":Bag\r\n1,a bag\r\n");
    WriteFile(home_ / "Data" / "Gems.xml", "<items><item name=\"ruby\" value=\"5\"/></items>");
    WriteFile(home_ / "Data" / "Weather.xml", "<items/>");
    WriteFile(home_ / "link.css", "a { color: red; }");
    catalog_.Fill(home_ / "Tables");
  }

  void Table(const std::string& category, const std::string& name, const std::string& text) {
    WriteFile(home_ / "Tables" / category / (name + ".tab"), text);
  }

  Publication Collect(PublishRequest request) {
    return CollectPublication(catalog_, home_ / "Tables", home_, request);
  }

  static std::vector<std::string> Paths(const Publication& publication) {
    std::vector<std::string> paths;
    for (const BundledFile& file : publication.files) paths.push_back(file.path);
    return paths;
  }

  TempFolder folder_{"publish"};
  const fs::path& home_ = folder_.path();
  TableCatalog catalog_;
};

TEST_F(PublishTest, BundlesEveryTableItCanCallTheDataFilesAndTheStyleSheet) {
  const Publication page = Collect({{"Front"}, {}, false});
  ASSERT_EQ(page.problem, "");
  ASSERT_EQ(page.offered.size(), 1u);
  EXPECT_EQ(page.offered[0].category, "Inns");
  // Found in the order the calls name them: across categories, into a hidden one through a
  // group function, and on from a called table; the table nothing calls stays out.
  EXPECT_EQ(Paths(page),
            (std::vector<std::string>{"Tables/Inns/Front.tab", "Tables/People/Names.tab",
                                      "Tables/~Hidden/Secret.tab", "Tables/Places/Far.tab",
                                      "Data/Gems.xml", "Data/Weather.xml", "link.css"}));
  EXPECT_EQ(page.files[4].bytes, "<items><item name=\"ruby\" value=\"5\"/></items>");
  // What cannot be known or is not there is said, with where it is written.
  const std::string front = (home_ / "Tables" / "Inns" / "Front.tab").string();
  const std::string names = (home_ / "Tables" / "People" / "Names.tab").string();
  ASSERT_EQ(page.notes.size(), 2u);
  EXPECT_TRUE(page.notes[0].starts_with(front + ":6: the call \"[%Which%.Start]\" names its table"))
      << page.notes[0];
  EXPECT_EQ(page.notes[1], names + ":2: the table \"Nowhere\" is not there");
  // Each line a page cannot run once, with its number, as written.
  EXPECT_EQ(FormatUnrunnable(page.unrunnable),
            front + ":4: 2,{Shell~echo hi}\n" + front + ":8: 1,{Extern~Echo.Test,x}{Debug~here}\n");
}

TEST_F(PublishTest, OffersACategoryOrTheLibraryWithoutHiddenOnesAndRefusesUnknownNames) {
  auto offered = [&](PublishRequest request) {
    std::vector<std::string> names;
    for (const PublishedTable& table : Collect(request).offered) names.push_back(table.name);
    return names;
  };
  EXPECT_EQ(offered({{}, {"Inns"}, false}), (std::vector<std::string>{"Front", "Unused"}));
  EXPECT_EQ(offered({{}, {}, true}), (std::vector<std::string>{"Front", "Unused", "Names", "Far"}));
  // Named, a hidden table is offered.
  EXPECT_EQ(offered({{"Secret", "Far"}, {}, false}), (std::vector<std::string>{"Far", "Secret"}));
  EXPECT_EQ(Collect({{"Nothing"}, {}, false}).problem, "File \"Nothing\" not found.");
  EXPECT_EQ(Collect({{}, {"Empty"}, false}).problem, "The category \"Empty\" holds no tables.");
}

TEST_F(PublishTest, ThePageHoldsEveryFileInlineAndEscapesWhatWouldEndItsScripts) {
  const Publication publication = Collect({{"Front"}, {}, false});
  const PageParts parts{
      "<title>{{TITLE}}</title><style>{{STYLE}}</style>{{NOT A PLACE}}"
      "<script>{{BUNDLE}}</script><script>{{ENGINE}}</script>"
      "<script>{{SCRIPT}}</script>",
      "var page = '</SCRIPT>';", "p {}"};
  const std::string page = BuildPublishedPage(
      publication, parts, {"Inn & Co", "var e = '</script><!-- x';", "FWCFG2.0\r\n"});
  for (const BundledFile& file : publication.files) {
    EXPECT_NE(page.find("{\"data\":\"" + Base64(file.bytes) + "\",\"path\":\"" + file.path),
              std::string::npos)
        << file.path;
  }
  EXPECT_NE(page.find(Base64("FWCFG2.0\r\n")), std::string::npos);
  EXPECT_NE(page.find("<title>Inn &amp; Co</title>"), std::string::npos);
  EXPECT_NE(page.find("{{NOT A PLACE}}"), std::string::npos);
  EXPECT_NE(page.find("var e = '<\\/script><\\!-- x';"), std::string::npos);
  EXPECT_NE(page.find("var page = '<\\/SCRIPT>';"), std::string::npos);
  // Three scripts end where the template ends them, and nothing is fetched.
  std::size_t ends = 0;
  for (std::size_t at = page.find("</script"); at != std::string::npos;
       at = page.find("</script", at + 1)) {
    ++ends;
  }
  EXPECT_EQ(ends, 3u);
  EXPECT_EQ(ExternalReference(page), "");
  EXPECT_EQ(Base64("a"), "YQ==");
  EXPECT_EQ(Base64("ab"), "YWI=");
  EXPECT_EQ(Base64("\xff\x01\x80"), "/wGA");
}

#ifdef FABLEWICK_CLI_PATH
TEST_F(PublishTest, TheCommandListsWhatCannotRunAndWritesOnePageOrNone) {
  const fs::path page = home_ / "out" / "front.html";
  fs::create_directories(page.parent_path());
  auto cli = [&](std::vector<std::string> args) {
    args.insert(args.begin(), {FABLEWICK_CLI_PATH, "--home", home_.string(), "publish"});
    return RunCli(args);
  };
  const Outcome missing = cli({"Front", "-o", page.string()});
  EXPECT_EQ(missing.status, 1);
  EXPECT_NE(missing.err.find("fablewick-cli: The web engine is not built: run make web\n"),
            std::string::npos);
  EXPECT_FALSE(fs::exists(page));

  WriteFile(home_ / "Web" / "fablewick-web.js", "var FablewickEngine = 1;");
  const Outcome written = cli({"Front", "-o", page.string(), "--title", "The Front"});
  EXPECT_EQ(written.status, 0) << written.err;
  EXPECT_EQ(written.out, page.string() + "\n");
  const std::string front = (home_ / "Tables" / "Inns" / "Front.tab").string();
  EXPECT_NE(written.err.find(front + ":4: 2,{Shell~echo hi}\n"), std::string::npos);
  const std::string html = ReadFile(page);
  EXPECT_NE(html.find("var FablewickEngine = 1;"), std::string::npos);
  EXPECT_NE(html.find("<title>The Front</title>"), std::string::npos);
  EXPECT_NE(html.find(Base64(ReadFile(home_ / "Tables" / "Places" / "Far.tab"))),
            std::string::npos);
  EXPECT_EQ(ExternalReference(html), "");
  EXPECT_EQ(std::distance(fs::directory_iterator(page.parent_path()), fs::directory_iterator()), 1);

  EXPECT_EQ(cli({"Nothing", "-o", page.string()}).status, 1);
  EXPECT_EQ(cli({"--engine", (home_ / "none.js").string(), "Front"}).status, 1);
  EXPECT_EQ(cli({}).status, 2);
}
#endif

}  // namespace
}  // namespace fablewick
