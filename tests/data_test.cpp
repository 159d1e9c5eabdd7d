// "Data": lookups in the XML data files of the program's Data folder, and the one-file cache that
// keeps the file named last parsed.
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/engine_fixture.h"
#include "tests/support/files.h"

namespace fablewick {
namespace {

using Cases = std::vector<std::pair<std::string, std::string>>;

constexpr char kWeapons[] =
    "<weapons><item name=\"sword\" cost=\"15\"/><item name=\"dagger\" cost=\" 2 \"/></weapons>";

class DataTest : public EngineFixture {
 protected:
  DataTest() {
    engine.SetProgramFolder(home_);
    WriteData("weapons.xml", kWeapons);
  }

  void WriteData(const std::string& relative, const std::string& bytes) {
    WriteFile(home_ / "Data" / relative, bytes);
  }

  static std::string Error(int number, const std::string& args) {
    return "<b>###ERR: Error (" + std::to_string(number) + ") reading XML Data: " + args +
           "'.###</b><br>";
  }

  // Expands {Data~args}; an error text is expected to quote args.
  std::string Lookup(const std::string& args) { return Expand("{Data~" + args + "}"); }

  // Each lookup gives its expected text, or error 91 where that is empty; no box is shown.
  void ExpectAll(const Cases& cases) {
    for (const auto& [args, expected] : cases) {
      EXPECT_EQ(Lookup(args), expected.empty() ? Error(91, args) : expected) << args;
    }
    EXPECT_TRUE(host.boxes.empty());
  }

  const std::filesystem::path home_ = tables_folder() / "home";
};

// Only the file named last is kept: it is not read again while it stays the one named, even
// after it changed or when it failed to load, and another file's document never answers for it.
// The acceptance cases (tests/golden/Tables/Functions/Records.tab) cover attribute texts, the
// index and the query agreeing, rejected queries and encodings. Fields that make the query
// something other than a selection of elements: text expansion would take the brackets for a
// group call, so the content goes to the dispatcher directly.
TEST_F(DataTest, AQueryThatSelectsNoElementsGivesError5) {
  const std::string boolean = "weapons,name=\"sword\"] or //item[@name,axe,cost";
  EXPECT_EQ(engine.ProcessFunction("Data~" + boolean, "T", kLine), Error(5, boolean));
}

TEST_F(DataTest, TheFileNamedLastIsKeptUntilAnotherFileIsNamed) {
  EXPECT_EQ(Lookup("weapons,name,sword,cost"), "15");
  WriteData("weapons.xml", "<w><item name=\"sword\" cost=\"20\"/></w>");
  WriteData("broken.xml", "<a><item name=\"x\" cost=\"1\"></a>");
  // File names compare exactly: another spelling of the same file reads it again.
  ExpectAll({{"weapons,name,sword,cost", "15"},
             {"Weapons,name,sword,cost", "20"},
             {"armour,name,mail,cost", ""}});
  WriteData("armour.xml", "<a><item name=\"mail\" cost=\"40\"/></a>");
  // Even a call with too few fields names its file.
  ExpectAll({{"armour,name,mail,cost", ""},
             {"weapons", Error(9, "weapons")},
             {"armour,name,mail,cost", "40"},
             {"broken,name,x,cost", ""}});
}

TEST_F(DataTest, FileNamesAreFoundInTheDataFolderOnlyInAnyLetterCase) {
  WriteData("Armour.XML", "<a><item name=\"mail\" cost=\"40\"/></a>");
  const std::string leak = "<s><item name=\"k\" v=\"leak\"/></s>";
  WriteFile(home_ / "secret.xml", leak);
  for (const char* name : {"sub/inner.xml", "..xml", "plain"}) WriteData(name, leak);
  Cases cases = {{"armour,name,mail,cost", "40"}};
  for (const std::string& name : std::vector<std::string>{"../secret", "..\\secret", "sub/inner",
                                                          ".", std::string("plain\0", 6)}) {
    cases.emplace_back(name + ",name,k,v", "");
  }
  ExpectAll(cases);
}

}  // namespace
}  // namespace fablewick
