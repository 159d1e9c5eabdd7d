// "Data": lookups in the XML data files of the program's Data folder, and the one-file cache that
// keeps the file named last parsed.
#include <stdlib.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/engine_fixture.h"
#include "tests/support/files.h"

namespace fablewick {
namespace {

namespace fs = std::filesystem;

constexpr char kWeapons[] =
    "<?xml version=\"1.0\"?>\n"
    "<weapons>\n"
    "  <item name=\"sword\" cost=\"15\" weight=\"3\"/>\n"
    "  <rack><item name=\"axe\" cost=\"8\"/></rack>\n"
    "  <item name=\"sword\" cost=\"99\"/>\n"
    "  <item name=\"dagger\" cost=\" 2 \" note=\"a &quot;fine&quot; blade, &amp; sharp\"/>\n"
    "  <thing name=\"club\" cost=\"1\"/>\n"
    "</weapons>\n";

class DataTest : public EngineFixture {
 protected:
  DataTest() {
    std::string pattern = (fs::temp_directory_path() / "fw_program_XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) ADD_FAILURE() << "cannot create a program folder";
    program_folder_ = pattern;
    engine.SetProgramFolder(program_folder_);
    WriteData("weapons.xml", kWeapons);
  }
  ~DataTest() override {
    std::error_code ignored;
    fs::remove_all(program_folder_, ignored);
  }

  void WriteData(const std::string& relative, const std::string& bytes) {
    WriteFile(program_folder_ / "Data" / relative, bytes);
  }

  static std::string Error(int number, const std::string& args) {
    return "<b>###ERR: Error (" + std::to_string(number) + ") reading XML Data: " + args +
           "'.###</b><br>";
  }

  // Expands {Data~args}; an error text is expected to quote args.
  std::string Lookup(const std::string& args) { return Expand("{Data~" + args + "}"); }

  void ExpectAll(const std::vector<std::pair<std::string, std::string>>& cases) {
    for (const auto& [args, expected] : cases) EXPECT_EQ(Lookup(args), expected) << args;
    EXPECT_TRUE(host.boxes.empty());
  }

  fs::path program_folder_;
};

TEST_F(DataTest, TheFirstMatchingItemAnswersWithItsAttributeTextUnchangedOrError91Or9) {
  ExpectAll({{"weapons,name,axe,cost", "8"},
             {"weapons,cost,99,name", "sword"},
             {"weapons,name,dagger,cost", " 2 "},
             {"weapons,name,dagger,note", "a \"fine\" blade, & sharp"},
             {"weapons,name,sword,cost,extra", "15"},
             {"weapons,name,sword ,cost", Error(91, "weapons,name,sword ,cost")},
             {"weapons,name,sword,", Error(91, "weapons,name,sword,")},
             {"weapons,name,club,cost", Error(91, "weapons,name,club,cost")},
             {"", Error(9, "")}});
}

// Plain lookups are answered from an index of the document; a match attribute written with a
// leading blank (which XPath allows after "@") takes the query instead. Both must agree.
TEST_F(DataTest, IndexedAndQueriedLookupsFindTheSameItems) {
  WriteData("tricky.xml",
            "<item name=\"root\" xmlns=\"urn:x\" n=\"1\"><?item name=\"pi\"?>"
            "<list><thing name=\"t\"/><item n=\"2\"/><item name=\"a\" n=\"3\"/>"
            "<item name=\"a\" n=\"4\"><item name=\"b\" n=\"5\"/></item></list>"
            "<item name=\"\" n=\"6\" my-key.x=\"k\"/></item>");
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"name,root", "1"},  {"name,a", "3"},     {"name,b", "5"}, {"name,", "6"},
      {"my-key.x,k", "6"}, {"name,pi", ""},     {"name,t", ""},  {"name,A", ""},
      {"n,2", "2"},        {"xmlns,urn:x", ""}, {"nope,a", ""}};
  for (const auto& [match, expected] : cases) {
    for (const std::string& args : {"tricky," + match + ",n", "tricky, " + match + ",n"}) {
      EXPECT_EQ(Lookup(args), expected.empty() ? Error(91, args) : expected) << args;
    }
  }
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
  EXPECT_EQ(Lookup("weapons,name,sword,cost"), "15");
  // File names compare exactly: another spelling of the same file reads it again.
  EXPECT_EQ(Lookup("Weapons,name,sword,cost"), "20");

  EXPECT_EQ(Lookup("armour,name,mail,cost"), Error(91, "armour,name,mail,cost"));
  WriteData("armour.xml", "<a><item name=\"mail\" cost=\"40\"/></a>");
  EXPECT_EQ(Lookup("armour,name,mail,cost"), Error(91, "armour,name,mail,cost"));
  // Even a call with too few fields names its file.
  EXPECT_EQ(Lookup("weapons"), Error(9, "weapons"));
  EXPECT_EQ(Lookup("armour,name,mail,cost"), "40");

  WriteData("broken.xml", "<a><item name=\"x\" cost=\"1\"></a>");
  EXPECT_EQ(Lookup("broken,name,mail,cost"), Error(91, "broken,name,mail,cost"));
}

TEST_F(DataTest, FileNamesAreFoundInTheDataFolderOnlyInAnyLetterCase) {
  WriteData("Armour.XML", "<a><item name=\"mail\" cost=\"40\"/></a>");
  EXPECT_EQ(Lookup("armour,name,mail,cost"), "40");
  const std::string leak = "<s><item name=\"k\" v=\"leak\"/></s>";
  WriteFile(program_folder_ / "secret.xml", leak);
  for (const char* name : {"sub/inner.xml", "..xml", "plain"}) WriteData(name, leak);
  const std::string plain_with_nul("plain\0,name,k,v", 15);
  ExpectAll({{"../secret,name,k,v", Error(91, "../secret,name,k,v")},
             {"..\\secret,name,k,v", Error(91, "..\\secret,name,k,v")},
             {"sub/inner,name,k,v", Error(91, "sub/inner,name,k,v")},
             {".,name,k,v", Error(91, ".,name,k,v")},
             {plain_with_nul, Error(91, plain_with_nul)}});
}

TEST_F(DataTest, TextIsReadAsUtf8OrAsTheWindowsEncodingOlderFilesDeclare) {
  WriteData("old.xml",
            "<?xml version=\"1.0\" encoding=\"windows-1252\"?>\n"
            "<a><item name=\"caf\xE9\" say=\"\x93hi\x94\"/></a>");
  WriteData("new.xml",
            "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
            "<a><item name=\"caf\xC3\xA9\" say=\"\xE2\x80\x9Chi\xE2\x80\x9D\"/></a>");
  WriteData("latin.xml",
            "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n<a><item name=\"caf\xE9\" "
            "say=\"ok\"/></a>");
  ExpectAll({{"old,name,caf\xC3\xA9,say", "\xE2\x80\x9Chi\xE2\x80\x9D"},
             {"new,name,caf\xC3\xA9,say", "\xE2\x80\x9Chi\xE2\x80\x9D"},
             {"latin,name,caf\xC3\xA9,say", "ok"}});
}

}  // namespace
}  // namespace fablewick
