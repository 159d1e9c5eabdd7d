#include "engine/links.h"

#include <stdexcept>

#include <gtest/gtest.h>

#include "engine/document.h"
#include "engine/text.h"
#include "tests/support/engine_fixture.h"
#include "tests/support/files.h"

namespace fablewick {
namespace {

std::string Named(const std::string& n, const std::string& rest, const std::string& text) {
  return "<a name=\"fwroll" + n + "\" CLASS=clsLink href=\"reg" + n + "://" + rest + "\">" + text +
         "</a>";
}

std::string Unnamed(const std::string& n, const std::string& rest, const std::string& text) {
  return "<a CLASS=clsLink href=\"reg" + n + "://" + rest + "\">" + text + "</a>";
}

std::string Note(const std::string& n, const std::string& text) {
  return "<a name=\"fwroll" + n + "\" CLASS=clsLink style=\"color:green\" href=\"nte" + n +
         "://\">" + text + "</a>";
}

TEST(ProgramLinkTest, ClassifiesByTheFirstThreeCharactersAndSplitsAtTheFirstSeparator) {
  const ProgramLink reroll = ParseProgramLink("reg7://CC~Random%20Inn.Gem(a://b)");
  EXPECT_EQ(reroll.kind, ProgramLink::kReroll);
  EXPECT_EQ(reroll.number + "|" + reroll.rest, "7|CC~Random Inn.Gem(a://b)");
  EXPECT_EQ(ParseProgramLink("nte12://").kind, ProgramLink::kNote);
  EXPECT_EQ(ParseProgramLink("abt://Dice.Tower").rest, "Dice.Tower");
  EXPECT_EQ(ParseProgramLink("Reg1://T.G").kind, ProgramLink::kOther);
  EXPECT_EQ(ParseProgramLink("file:///tmp/Help.html").kind, ProgramLink::kOther);
}

TEST(RerollCallTest, DropsModifierPrefixesAndNamesTheTable) {
  EXPECT_EQ(RerollCall("CC~N2~RS~Random Inn.Name+2"), "Random Inn.Name+2");
  EXPECT_EQ(RerollCall("\xC3\xA9X~Caf\xC3\xA9.Menu"), "Caf\xC3\xA9.Menu");  // code points
  EXPECT_EQ(TableOfRerollCall("Random Inn.Name.Extra"), "Random Inn");
  EXPECT_THROW(TableOfRerollCall("Gem"), std::runtime_error);
}

TEST(ReplaceRerollLinkTest, ChangesOnlyTheLinkWithThatNumberWhicheverComesFirst) {
  for (const bool twelve_first : {true, false}) {
    const std::string one = Named("1", "T.A", "a");
    const std::string twelve = Named("12", "T.B", "b");
    std::vector<std::string> results = {"no links here",
                                        twelve_first ? twelve + " " + one : one + " " + twelve};
    ASSERT_TRUE(ReplaceRerollLink(results, "1", "T.A", "new"));
    const std::string replaced = Named("1", "T.A", "new");
    EXPECT_EQ(results[1], twelve_first ? twelve + " " + replaced : replaced + " " + twelve);
    EXPECT_EQ(results[0], "no links here");
  }
}

TEST(ReplaceRerollLinkTest, ReplacesALinkHoldingInnerLinksWhole) {
  const std::string inner = "a " + Named("1", "T.Colour", "red") +
                            " room, <A HREF=\"x.html\">see</A> " + Note("2", "mine");
  std::vector<std::string> results = {"The " + Named("0", "CC~T.Room", inner) + " ends."};
  ASSERT_TRUE(ReplaceRerollLink(results, "0", "CC~T.Room", "hall"));
  EXPECT_EQ(results[0], "The " + Named("0", "CC~T.Room", "hall") + " ends.");
}

TEST(ReplaceRerollLinkTest, ReplacesUnnamedLinksKeepingTheirFormAndEveryCopyInTheResult) {
  std::vector<std::string> results = {"x " + Unnamed("4", "CC~T.A", "old") + " y " +
                                      Unnamed("4", "CC~T.A", "old")};
  ASSERT_TRUE(ReplaceRerollLink(results, "4", "CC~T.A", "new"));
  EXPECT_EQ(results[0],
            "x " + Unnamed("4", "CC~T.A", "new") + " y " + Unnamed("4", "CC~T.A", "new"));
}

TEST(ReplaceRerollLinkTest, FindsNothingForAnUnknownOrMalformedNumber) {
  const std::vector<std::string> before = {Named("3", "T.A", "a"), "reg5:// in plain text"};
  std::vector<std::string> results = before;
  EXPECT_FALSE(ReplaceRerollLink(results, "5", "T.A", "x"));
  EXPECT_FALSE(ReplaceRerollLink(results, "", "T.A", "x"));
  EXPECT_FALSE(ReplaceRerollLink(results, "3\"><b", "T.A", "x"));
  EXPECT_EQ(results, before);
}

TEST(NoteLinkTest, FindsTheNoteAndWritesADashForAnEmptyOne) {
  std::vector<std::string> results = {
      "a " + Note("10", "ten"), "b " + Note("1", "one with " + Named("2", "T.A", "inner")) + " " +
                                    Note("1", "one with " + Named("2", "T.A", "inner"))};
  const std::optional<NoteLink> found = FindNoteLink(results, "1");
  ASSERT_TRUE(found.has_value());
  EXPECT_EQ(found->result, 1u);
  EXPECT_EQ(found->note, "one with " + Named("2", "T.A", "inner"));

  ReplaceNoteLink(results, *found, "1", "");
  EXPECT_EQ(results[1], "b " + Note("1", "-") + " " + Note("1", "-"));
  EXPECT_EQ(FindNoteLink(results, "1")->note, "-");
  EXPECT_EQ(results[0], "a " + Note("10", "ten"));
  EXPECT_FALSE(FindNoteLink(results, "3").has_value());
}

TEST(StripProgramLinksTest, KeepsTheTextsOfNamedLinksAndLeavesOtherLinks) {
  EXPECT_EQ(StripProgramLinks(Named("3", "T.Colour", "red") + " door"), "red door");
  EXPECT_EQ(StripProgramLinks("plain <b>text</b>"), "plain <b>text</b>");
  EXPECT_EQ(StripProgramLinks("A " + Note("4", "mine") + ", " + Unnamed("5", "T.B", "b") + "."),
            "A mine, " + Unnamed("5", "T.B", "b") + ".");
  // Inner links: named ones go too, an unnamed one keeps its own closing tag.
  EXPECT_EQ(StripProgramLinks(Named("0", "T.Room",
                                    "a " + Named("1", "T.C", "red") + " and " +
                                        Unnamed("2", "T.D", "oak") + " door") +
                              " end"),
            "a red and " + Unnamed("2", "T.D", "oak") + " door end");
}

// Results documents on disk, in the tables folder of an engine that can roll the links again.
class LinkDocumentTest : public EngineFixture {
 protected:
  // Writes the document and returns its address as the results view reports it.
  std::string Write(const std::string& content) {
    WriteFile(location_, content);
    return "file://" + location_ + "#fwroll3";
  }

  // Rolls a table of nested links and writes its results document.
  void RollInn() {
    WriteTable("Inn",
               ":Start\n1,The [LX~CC~Room] holds [LX~N2~Gem].\n"
               ";Room\n1,hall with a [LX~Door] door\n1,cellar with a [LX~Door] hatch\n"
               ";Door\n1,oak\n1,iron\n1,pine\n"
               ";Gem\n1,ruby\n1,opal\n1,jade\n1,onyx\n");
    results_ = {ExpandCaretCodes(RollTopLevel("Inn"))};
    WriteDocument();
  }

  void WriteDocument() {
    WriteTextFileAtomically(location_, BuildResultsDocument(kOutputHtml, "Inn", results_,
                                                            tables_folder().string(), "", ""));
  }

  // What a click on the link does, up to the rewritten document.
  void Click(const std::string& href) {
    const ProgramLink link = ParseProgramLink(href);
    ASSERT_EQ(link.kind, ProgramLink::kReroll);
    const std::string text = RegenerateLinkText(engine, link.rest);
    std::vector<std::string> read = ReadBackResults("file://" + location_ + "#fwroll0");
    ASSERT_EQ(read, results_);
    ASSERT_TRUE(ReplaceRerollLink(read, link.number, link.rest, text));
    new_text_ = text;
    results_ = read;
    WriteDocument();
  }

  const std::string location_ = (tables_folder() / "Temp.html").string();
  std::vector<std::string> results_;
  std::string new_text_;
};

TEST_F(LinkDocumentTest, ReadBackGivesTheResultsOfAWrittenDocumentIncludingMultiLineOnes) {
  const std::vector<std::string> results = {Named("0", "T.A", "a"), "", "two\r\nlines<BR>", "last"};
  const std::string document = BuildResultsDocument(kOutputHtml, "T", results, "/p", "", "");
  EXPECT_EQ(ReadBackResults(Write(document)), results);
  EXPECT_EQ(ReadBackResults(Write(ReplaceAll(document, "\r\n", "\n"))), results);
  EXPECT_TRUE(
      ReadBackResults(Write(BuildResultsDocument(kOutputHtml, "T", {}, "/p", "", ""))).empty());
}

TEST_F(LinkDocumentTest, ReadBackThrowsForADocumentWithoutTheLayout) {
  const std::string header =
      "<HTML>\r\n<HEAD>\r\n<TITLE></TITLE>\r\n<link>\r\n</HEAD>\r\n<BODY>\r\n";
  EXPECT_THROW(ReadBackResults(Write("<HTML>\r\n<HEAD>\r\n")), std::runtime_error);
  EXPECT_THROW(ReadBackResults(Write(header + "a<BR>\r\n<BR>\r\n")), std::runtime_error);
  EXPECT_THROW(ReadBackResults(Write(header + "no break\r\n</BODY>\r\n</HTML>\r\n")),
               std::runtime_error);
  EXPECT_THROW(ReadBackResults(Write("one\r\ntwo\r\n\r\n\r\n\r\nthree\r\n\r\n\r\n\r\n")),
               std::runtime_error);
  try {
    ReadBackResults((tables_folder() / "Missing.html").string());
    ADD_FAILURE() << "no exception";
  } catch (const std::runtime_error& e) {
    EXPECT_NE(std::string(e.what()).find("Missing.html"), std::string::npos) << e.what();
  }
}

// The whole road of a click: a real roll, the document on disk, the read-back, the re-roll and
// the replacement. The same link twice keeps its number and modifiers; a link holding inner
// links is replaced whole, and the new inner links are numbered after the document's.
TEST_F(LinkDocumentTest, RerollingReplacesTheLinkWholeKeepingItsNumberAndModifiers) {
  RollInn();
  const std::string original = results_[0];
  const std::size_t tail = original.find(" holds ");
  ASSERT_NE(tail, std::string::npos) << original;
  for (int click = 0; click < 2; ++click) {
    Click("reg2://N2~Inn.Gem");
    ASSERT_EQ(new_text_.size(), 8u) << new_text_;  // two gems, as N2 asks
    EXPECT_EQ(CountOf("ruby opal jade onyx", new_text_.substr(0, 4)) +
                  CountOf("ruby opal jade onyx", new_text_.substr(4)),
              2);
    EXPECT_EQ(results_[0],
              original.substr(0, tail) + " holds " + Named("2", "N2~Inn.Gem", new_text_) + ".");
  }
  const std::string gems = results_[0].substr(tail);
  ASSERT_NE(original.find("href=\"reg1://Inn.Door\""), std::string::npos) << original;
  Click("reg0://CC~Inn.Room");
  EXPECT_NE(new_text_.find("href=\"reg3://Inn.Door\""), std::string::npos) << new_text_;
  EXPECT_EQ(results_[0], "The " + Named("0", "CC~Inn.Room", new_text_) + gems);
  EXPECT_EQ(results_[0].find("reg1://"), std::string::npos);
}

TEST_F(LinkDocumentTest, ARerollRunsEvenAfterAStoppedGenerationAndNeedsATable) {
  RollInn();
  engine.g_bKeepRunning = false;
  EXPECT_FALSE(RegenerateLinkText(engine, "Inn.Door").empty());
  EXPECT_THROW(RegenerateLinkText(engine, "CC~Door"), std::runtime_error);
}

}  // namespace
}  // namespace fablewick
