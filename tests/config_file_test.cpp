#include "config/config_file.h"

#include <stdlib.h>

#include <filesystem>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/files.h"
#include "tests/support/temp_folder.h"

namespace fablewick {
namespace {

namespace fs = std::filesystem;

const fs::path kProgram = "/opt/fablewick";

Settings Parse(const std::string& text) { return ParseConfigText(text, kProgram); }

Settings Defaults() {
  Settings settings;
  settings.TablesFolder = kProgram / "Tables";
  return settings;
}

// Every key of the current version, in the order the program writes them.
const char kKnownText[] =
    "FWCFG2.0\r\n\r\nOutputType=2\r\nDisplayNonTables=True\r\nUseTexturedBG=True\r\n"
    "NumRolls=2.5\r\nColorFG=#102030\r\nColorBG=white\r\nWinW=9000\r\nWinH=6000.5\r\n"
    "WinL=120\r\nWinT=-45\r\nMaximized=False\r\nRemPos=True\r\nRemLinks=False\r\n"
    "Tables=/srv/my tables\r\nData=mydata\r\nArchives=/srv/archives\r\n"
    "Editor=/usr/bin/editor --wait\r\nHList=[Random Inn]\r\nHList=Dungeons=Deep\r\n";

Settings Known() {
  Settings s;
  s.nOutputType = 2;
  s.bTabCallsAsErrors = s.bUseTexturedBGs = s.bRememberPosition = true;
  s.NumRolls = "2.5";
  s.ColorFG = "#102030";
  s.ColorBG = "white";
  s.WinW = 9000.0f;
  s.WinH = 6000.5f;
  s.WinL = 120.0f;
  s.WinT = -45.0f;
  s.TablesFolder = "/srv/my tables";
  s.Data = "mydata";
  s.Archives = "/srv/archives";
  s.szEditorPath = "/usr/bin/editor --wait";
  s.HList = {"[Random Inn]", "Dungeons=Deep"};
  return s;
}

TEST(ConfigTextTest, EveryKeyIsWrittenInOrderAndReadBack) {
  EXPECT_EQ(FormatConfigText(Known()), kKnownText);
  EXPECT_EQ(Parse(kKnownText), Known());
  EXPECT_EQ(Parse("FWCFG2.0\r\n"), Defaults());
  Settings odd = Known();
  odd.WinL = 1440.0f / 110.0f * 37.0f;  // twips of an odd screen, not a short decimal
  EXPECT_EQ(Parse(FormatConfigText(odd)), odd);
  // Absent geometry is written empty and read back absent; empty folders come back "default".
  Settings bare = Defaults();
  const std::string text = FormatConfigText(bare);
  EXPECT_NE(text.find("\r\nWinW=\r\n"), std::string::npos) << text;
  bare.Data = bare.Archives = "default";
  EXPECT_EQ(Parse(text), bare);
}

TEST(ConfigTextTest, LaterLinesOverrideEarlierOnesFavouritesAppendAndOtherLinesAreIgnored) {
  const Settings s =
      Parse("FWCFG2.0\nNumRolls=2\nHList=A\nTables=/x\nNumRolls=5\nHList=B\nTables=\nHList=A\n");
  EXPECT_EQ(s.NumRolls, "5");
  EXPECT_EQ(s.TablesFolder, kProgram / "Tables");
  EXPECT_EQ(s.HList, (std::vector<std::string>{"A", "B", "A"}));
  // Comments, indented lines, other keys and lines without "=" change nothing.
  EXPECT_EQ(Parse("FWCFG2.0\n OutputType=2\n#OutputType=2\noutputtype=2\nOutputType 2\n"
                  "Color=red\nColorFG\n\n"),
            Defaults());
}

TEST(ConfigTextTest, ValuesThatDoNotConvertKeepTheValueBeforeAndBooleansTakeNumbers) {
  const Settings s = Parse(
      "FWCFG2.0\nOutputType=1\nOutputType=abc\nOutputType=5\nDisplayNonTables=True\n"
      "DisplayNonTables=yes\nWinW=800\nWinW=wide\nWinH=1e300\nRemLinks=\n");
  EXPECT_EQ(s.nOutputType, 1);
  EXPECT_TRUE(s.bTabCallsAsErrors);
  EXPECT_EQ(s.WinW, 800.0f);
  EXPECT_FALSE(s.WinH.has_value());
  EXPECT_FALSE(s.bRemoveLinks);
  // Booleans take any case and numbers.
  EXPECT_TRUE(Parse("FWCFG2.0\nRemLinks=-1").bRemoveLinks);
  EXPECT_TRUE(Parse("FWCFG2.0\nRemLinks=0.5").bRemoveLinks);
  EXPECT_FALSE(Parse("FWCFG2.0\nRemLinks=True\nRemLinks=fALSE").bRemoveLinks);
  EXPECT_FALSE(Parse("FWCFG2.0\nRemLinks=True\nRemLinks=0").bRemoveLinks);
}

TEST(ConfigTextTest, NotRememberingThePositionCentresTheWindow) {
  Settings centred = Defaults();
  centred.WinW = 9000.0f;
  EXPECT_EQ(Parse("FWCFG2.0\nWinW=9000\nWinL=0\nWinT=0\nRemPos=False\n"), centred);
}

TEST(ConfigTextTest, EarlierVersionIsReadByPosition) {
  Settings expected = Defaults();
  expected.bTabCallsAsErrors = true;
  expected.NumRolls = "4";
  expected.ColorBG = "black";
  expected.ColorFG = "yellow";
  expected.WinW = 7200.0f;
  expected.WinH = 0.0f;  // no leading number reads 0
  expected.HList = {"[Inn]", "[Ship]:2"};
  EXPECT_EQ(Parse("True\r\n0\r\n4\r\nblack\r\nyellow\r\n7200 twips\r\nhigh\r\n[Inn]\r\n[Ship]:2"),
            expected);
  EXPECT_EQ(Parse("False\n").WinW, std::nullopt);
}

TEST(ConfigTextTest, LineBreaksInsideAValueCannotAddSettings) {
  Settings s = Defaults();
  s.HList = {"[Inn]\r\nOutputType=2", "[Ship]"};
  s.ColorFG = "red\nRemLinks=True";
  const Settings read = Parse(FormatConfigText(s));
  EXPECT_EQ(read.nOutputType, 0);
  EXPECT_FALSE(read.bRemoveLinks);
  EXPECT_EQ(read.HList, (std::vector<std::string>{"[Inn]OutputType=2", "[Ship]"}));
}

TEST(ConfigFileTest, ReadsTheFileInTheProgramFolderInItsEncoding) {
  const TempFolder folder("config");
  EXPECT_EQ(ReadConfigFile(folder.path()).TablesFolder, folder / "Tables");  // no file yet
  // Windows-1252 text, as older systems wrote it: 0xE9 is e-acute.
  WriteFile(folder / "Fablewick.cfg", "FWCFG2.0\r\nHList=[Caf\xE9]\r\n");
  EXPECT_EQ(ReadConfigFile(folder.path()).HList, std::vector<std::string>{"[Caf\xC3\xA9]"});
}

}  // namespace
}  // namespace fablewick
