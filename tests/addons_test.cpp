// Add-ons: Extern calls through real shared libraries (the example add-on Coinpurse and the test
// add-ons of tests/addons, some deliberately faulty), the add-on page and the About box.
#include <stdlib.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "addons/addon_library.h"
#include "addons/addon_page.h"
#include "tests/support/cli_process.h"
#include "tests/support/engine_fixture.h"
#include "tests/support/files.h"

namespace fablewick {
namespace {

namespace fs = std::filesystem;
using ::testing::AllOf;
using ::testing::HasSubstr;
using ::testing::StartsWith;

std::string ExternError(int number, const std::string& identifier, const std::string& parameter) {
  return "<b>###ERR: Error (" + std::to_string(number) + ") calling add-on: '" + identifier +
         "' with parameter '" + parameter + "'.###</b><br>";
}

// A program folder whose AddOns folder holds a file that is not a library, beside a folder
// holding a real add-on that identifiers must not reach; the test add-ons and the example
// add-on are found in their build folders.
class AddOnTest : public EngineFixture {
 protected:
  AddOnTest()
      : home_(tables_folder() / "home"),
        loader_({home_ / "AddOns", FABLEWICK_TEST_ADDON_DIR, FABLEWICK_EXAMPLE_ADDON_DIR}) {
    fs::create_directories(home_ / "Elsewhere");
    WriteFile(home_ / "AddOns" / "Junk.so", "This is a text file, not a library.\n");
    fs::copy_file(fs::path(FABLEWICK_TEST_ADDON_DIR) / "Echo.Test.so",
                  home_ / "Elsewhere" / "Echo.so");
    engine.set_add_on_loader(&loader_);
  }

  AddOnPage BuildPage() { return BuildAddOnPage(home_, "#000000", "#FFFFEE", &loader_); }

  fs::path home_;
  DynamicAddOnLoader loader_;
};

// ---- Extern ----

TEST_F(AddOnTest, ExternPassesEverythingAfterTheFirstCommaAndReportsAddOnsItCannotUse) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"{Extern~Echo.Test,}", "<>"},
      {"{Extern~Echo.Test,Gr\xC3\xBCnwald ~ \xE2\x80\x94}", "<Gr\xC3\xBCnwald ~ \xE2\x80\x94>"},
      {"{Extern~NullMain,x}", ""},  // a null answer is empty text
      // Every call meets a freshly loaded add-on.
      {"{Extern~Counter,}{Extern~Counter,}{Extern~Counter,}", "111"},
      {"{Extern~Nowhere,x}", ExternError(429, "Nowhere", "x")},
      {"{Extern~Junk,x}", ExternError(429, "Junk", "x")},
      {"{Extern~Unresolved,x}", ExternError(429, "Unresolved", "x")},
      {"{Extern~echo.test,x}", ExternError(429, "echo.test", "x")},
      // Identifiers cannot leave the add-on folders.
      {"{Extern~../Elsewhere/Echo,x}", ExternError(429, "../Elsewhere/Echo", "x")},
      {"{Extern~..\\Elsewhere\\Echo,x}", ExternError(429, "..\\Elsewhere\\Echo", "x")},
      {"{Extern~..,x}", ExternError(429, "..", "x")},
      {"{Extern~.,x}", ExternError(429, ".", "x")},
      {"{Extern~,x}", ExternError(429, "", "x")}};
  for (const auto& [text, expected] : cases) EXPECT_EQ(Expand(text), expected) << text;
  EXPECT_FALSE(loader_.FindLibrary(std::string("Echo.Test\0/x", 11)));
  EXPECT_TRUE(host.boxes.empty());
  engine.set_add_on_loader(nullptr);
  EXPECT_EQ(Expand("{Extern~Echo.Test,x}"), ExternError(429, "Echo.Test", "x"));
}

// ---- the example add-on ----

TEST_F(AddOnTest, CoinpurseCountsSharesAndAnswersTextItCannotReadWithANote) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"1234", "12 gold, 3 silver, 4 copper"},
      {"3g 25s 140c", "6 gold, 9 silver"},
      {"1 platinum and 2 ep + 5 Copper", "11 gold, 5 copper"},
      {"0", "no coins"},
      {"12 gold, 3 silver, 4 copper", "12 gold, 3 silver, 4 copper"},  // its answers read back
      {"2 platinum, 7 gold / 4", "6 gold, 7 silver, 5 copper each"},
      {"10 / 3", "3 copper each, 1 copper left over"},
      {"2 / 3", "no coins each, 2 copper left over"},
      {"5 gold 12 bananas", "(Coinpurse: cannot count '12 bananas')"},
      {"5 / 0", "(Coinpurse: share among how many?)"},
      {"99999999999999999999 gold", "(Coinpurse: cannot count '99999999999999999999 gold')"}};
  for (const auto& [purse, expected] : cases) {
    EXPECT_EQ(Expand("{Extern~Coinpurse," + purse + "}"), expected) << purse;
  }
}

// ---- the add-on page ----

TEST_F(AddOnTest, ThePageListsTheAddOnsInFileOrderWithTheirVersions) {
  // Windows-1252 text: the list may come from an older system.
  WriteFile(home_ / "AddOns.cfg",
            "Echo,Echo.Test\r\nCaf\xE9 counter,Counter,ignored\r\nSilent,NullMain\n");
  const AddOnPage page = BuildPage();
  ASSERT_EQ(page.status, AddOnPage::kBuilt) << page.message;
  EXPECT_EQ(page.html,
            "<HTML>\r\n<HEAD>\r\n<TITLE>Fablewick Add-On Information</TITLE>\r\n</HEAD>\r\n"
            "<BODY TEXT=\"#000000\"; LINK = \"#0000FF\"; VLINK = \"#0000FF\"; "
            "ALINK = \"#0000FF\"; BGCOLOR = \"#FFFFEE\">\r\n"
            "<h2>Installed Fablewick Add-Ons</h2>\r\n"
            "<table width=\"100%\" border=\"0\">\r\n"
            "<tr>\r\n<td width=\"50%\"><b>Add-On</b></td>\r\n"
            "<td width=\"25%\" align=\"center\"><b>Version</b></td>\r\n"
            "<td width=\"25%\"></td>\r\n</tr>\r\n"
            "<tr>\r\n<td>Echo</td>\r\n<td align=\"center\">0.1 test</td>\r\n"
            "<td><a href=\"abt://Echo.Test\">About...</a>\r\n</tr>\r\n"
            "<tr>\r\n<td>Caf\xC3\xA9 counter</td>\r\n<td align=\"center\">Not available</td>\r\n"
            "<td><a href=\"abt://Counter\">About...</a>\r\n</tr>\r\n"
            "<tr>\r\n<td>Silent</td>\r\n<td align=\"center\"></td>\r\n"
            "<td><a href=\"abt://NullMain\">About...</a>\r\n</tr>\r\n"
            "</table>\r\n</BODY>\r\n</HTML>\r\n");
}

TEST_F(AddOnTest, AListThatCannotBeReadOrNamesAnAddOnThatCannotLoadFailsTheBuild) {
  // Each list, and what its message names; an empty list stands for a folder in its place.
  for (const auto& [list, named] : std::vector<std::pair<std::string, std::string>>{
           {"Echo,Echo.Test\r\n\r\nSilent,NullMain\r\n", "Line 2"},
           {"Echo,Echo.Test\r\nBroken,Unresolved\r\n", "Unresolved"},
           {"", ""}}) {
    fs::remove_all(home_ / "AddOns.cfg");
    WriteFile(list.empty() ? home_ / "AddOns.cfg" / "inside" : home_ / "AddOns.cfg", list);
    const AddOnPage page = BuildPage();
    EXPECT_EQ(page.status, AddOnPage::kFailed) << list;
    EXPECT_THAT(page.message, AllOf(StartsWith("Error: "), HasSubstr(named))) << list;
    EXPECT_TRUE(page.html.empty()) << list;
  }
}

// ---- the About box ----

// An add-on's About text is shown in a box; one with only the older About member still runs it.
TEST_F(AddOnTest, AboutShowsTheAddOnsTextOrRunsItsOwnAboutOrSaysItHasNone) {
  ShowAddOnAbout("Coinpurse", &loader_, host);
  ASSERT_EQ(host.boxes.size(), 1u);
  EXPECT_EQ(host.boxes[0].title, "About Coinpurse");
  EXPECT_THAT(host.boxes[0].text, StartsWith("Coinpurse 1.0, an example add-on"));
  host.boxes.clear();
  ShowAddOnAbout("Echo.Test", &loader_, host);
  ShowAddOnAbout("Nowhere", &loader_, host);
  ShowAddOnAbout("Junk", &loader_, host);
  ShowAddOnAbout("../Elsewhere/Echo", &loader_, host);
  EXPECT_TRUE(host.boxes.empty());
  ShowAddOnAbout("NoMain", &loader_, host);
  ASSERT_EQ(host.boxes.size(), 1u);
  EXPECT_EQ(host.boxes[0].kind, ShownBox::kMessage);
  EXPECT_EQ(host.boxes[0].title, "Module missing function");
  EXPECT_EQ(host.boxes[0].text, "'About' information not available");
}

// ---- through fablewick-cli: the add-on folder comes from the environment ----

#ifdef FABLEWICK_CLI_PATH
TEST_F(AddOnTest, TheCommandLineFindsAddOnsOnTheAddOnPath) {
  WriteFile(home_ / "Tables" / "Loot" / "Purse.tab",
            ":Start\n1,{Extern~Coinpurse,250}|{Extern~Echo.Test,x}\n");
  setenv("FABLEWICK_ADDON_PATH",
         (std::string(FABLEWICK_TEST_ADDON_DIR) + ":" + FABLEWICK_EXAMPLE_ADDON_DIR).c_str(), 1);
  const Outcome run = RunCli({FABLEWICK_CLI_PATH, "--home", home_.string(), "roll", "Purse"});
  unsetenv("FABLEWICK_ADDON_PATH");
  EXPECT_EQ(run.out.substr(0, run.out.find('\n')), "2 gold, 5 silver|<x>\r");
}
#endif

}  // namespace
}  // namespace fablewick
