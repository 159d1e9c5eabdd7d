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

// The acceptance case DataLookups covers the first match in document order, entities, letter
// case, missing attributes and files.
TEST_F(DataTest, TheItemAnswersWithItsAttributeTextUnchangedOrError91Or9) {
  ExpectAll({{"weapons,name,dagger,cost", " 2 "},
             {"weapons,name,sword,cost,extra", "15"},
             {"weapons,name,sword ,cost", ""},
             {"", Error(9, "")}});
}

// Plain lookups are answered from an index of the document; a match attribute written with a
// leading blank (which XPath allows after "@") takes the query instead. Both must agree.
TEST_F(DataTest, IndexedAndQueriedLookupsFindTheSameItems) {
  WriteData("tricky.xml",
            "<item name=\"root\" xmlns=\"urn:x\" n=\"1\"><?item name=\"pi\"?>"
            "<list><thing name=\"t\" n=\"0\"/><item n=\"2\"/><item name=\"a\" n=\"3\"/>"
            "<item name=\"a\" n=\"4\"><item name=\"b\" n=\"5\"/></item></list>"
            "<item name=\"\" n=\"6\" my-key.x=\"k\"/></item>");
  const Cases matches = {{"name,root", "1"},  {"name,a", "3"},     {"name,b", "5"}, {"name,", "6"},
                         {"my-key.x,k", "6"}, {"name,pi", ""},     {"name,t", ""},  {"name,A", ""},
                         {"n,2", "2"},        {"xmlns,urn:x", ""}, {"nope,a", ""}};
  Cases cases;
  for (const auto& [match, expected] : matches) {
    cases.emplace_back("tricky," + match + ",n", expected);
    cases.emplace_back("tricky, " + match + ",n", expected);
  }
  ExpectAll(cases);
}

TEST_F(DataTest, AQueryTheXPathCompilerRejectsGivesError5) {
  // Rejected even when the file cannot be loaded: the query is compiled first.
  for (const char* args : {"weapons,na me,sword,cost", "weapons,,sword,cost",
                           "weapons,name,a\"b,cost", "armour,name,a\"b,cost"}) {
    EXPECT_EQ(Lookup(args), Error(5, args));
  }
  // Fields that make the query something other than a selection of elements. Text expansion
  // would take the brackets for a group call, so the content goes to the dispatcher directly.
  const std::string boolean = "weapons,name=\"sword\"] or //item[@name,axe,cost";
  EXPECT_EQ(engine.ProcessFunction("Data~" + boolean, "T", kLine), Error(5, boolean));
}

// Only the file named last is kept: it is not read again while it stays the one named, even
// after it changed or when it failed to load, and another file's document never answers for it.
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

TEST_F(DataTest, TextIsReadAsUtf8OrAsTheWindowsEncodingOlderFilesDeclare) {
  const std::string declaration = "<?xml version=\"1.0\" encoding=";
  WriteData("old.xml",
            declaration + "\"windows-1252\"?><a><item n=\"caf\xE9\" s=\"\x93hi\x94\"/></a>");
  WriteData("new.xml", "<a><item n=\"caf\xC3\xA9\" s=\"\xE2\x80\x9Chi\xE2\x80\x9D\"/></a>");
  WriteData("latin.xml", declaration + "\"ISO-8859-1\"?><a><item n=\"caf\xE9\" s=\"ok\"/></a>");
  ExpectAll({{"old,n,caf\xC3\xA9,s", "\xE2\x80\x9Chi\xE2\x80\x9D"},
             {"new,n,caf\xC3\xA9,s", "\xE2\x80\x9Chi\xE2\x80\x9D"},
             {"latin,n,caf\xC3\xA9,s", "ok"}});
}

}  // namespace
}  // namespace fablewick
