#include "engine/documents/links.h"

#include <stdexcept>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "engine/documents/document.h"
#include "platform/safe_file.h"
#include "platform/text.h"
#include "tests/support/engine_fixture.h"
#include "tests/support/files.h"

namespace fablewick {
namespace {

using ::testing::HasSubstr;
using ::testing::MatchesRegex;
using ::testing::ThrowsMessage;

std::string Unnamed(const std::string& n, const std::string& rest, const std::string& text) {
  return "<a CLASS=clsLink href=\"reg" + n + "://" + rest + "\">" + text + "</a>";
}

std::string Named(const std::string& n, const std::string& rest, const std::string& text) {
  return "<a name=\"fwroll" + n + "\"" + Unnamed(n, rest, text).substr(2);
}

std::string Note(const std::string& n, const std::string& text) {
  return "<a name=\"fwroll" + n + "\" CLASS=clsLink style=\"color:green\" href=\"nte" + n +
         "://\">" + text + "</a>";
}

TEST(ProgramLinkTest, ClassifiesByTheFirstThreeCharactersAndGivesTheCallWithoutModifiers) {
  const ProgramLink reroll = ParseProgramLink("reg7://CC~Random%20Inn.Gem(a://b)");
  EXPECT_EQ(reroll.kind, ProgramLink::kReroll);
  EXPECT_EQ(reroll.number + "|" + reroll.rest, "7|CC~Random Inn.Gem(a://b)");
  EXPECT_EQ(ParseProgramLink("nte12://").kind, ProgramLink::kNote);
  EXPECT_EQ(ParseProgramLink("abt://Dice.Tower").rest, "Dice.Tower");
  EXPECT_EQ(ParseProgramLink("Reg1://T.G").kind, ProgramLink::kOther);
  EXPECT_EQ(ParseProgramLink("file:///tmp/Help.html").kind, ProgramLink::kOther);
  // The call of a re-roll link (its prefixes read by the syntax module) must name its table.
  EXPECT_EQ(TableOfRerollCall(RerollCall("CC~N2~Random Inn.Name.Extra")), "Random Inn");
  EXPECT_THROW(TableOfRerollCall("Gem"), std::runtime_error);
}

TEST(ReplaceRerollLinkTest, ChangesOnlyTheLinkWithThatNumberAndNothingForAnUnknownOrMalformedOne) {
  const std::string one = Named("1", "T.A", "a"), twelve = Named("12", "T.B", "b");
  const std::string replaced = Named("1", "T.A", "new");
  for (const bool twelve_first : {true, false}) {
    std::vector<std::string> results = {"reg5:// in plain text",
                                        twelve_first ? twelve + one : one + twelve};
    ASSERT_TRUE(ReplaceRerollLink(results, "1", "T.A", "new"));
    EXPECT_EQ(results[1], twelve_first ? twelve + replaced : replaced + twelve);
    const std::vector<std::string> before = results;
    for (const char* number : {"5", "", "1\"><b"}) {
      EXPECT_FALSE(ReplaceRerollLink(results, number, "T.A", "x")) << number;
    }
    EXPECT_EQ(results, before);
  }
}

// The old link runs to its own closing tag, past links nested in its text; an unnamed link keeps
// its form, and every copy of it in the result is replaced.
TEST(ReplaceRerollLinkTest, ReplacesTheWholeLinkInEitherFormAndEveryCopyOfIt) {
  const std::string inner = "a " + Named("1", "T.Colour", "red") +
                            " room, <A HREF=\"x.html\">see</A> " + Note("2", "mine");
  const std::string unnamed = Unnamed("4", "CC~T.A", "old");
  std::vector<std::string> results = {"The " + Named("0", "CC~T.Room", inner) + " ends.",
                                      "x " + unnamed + " y " + unnamed};
  ASSERT_TRUE(ReplaceRerollLink(results, "0", "CC~T.Room", "hall"));
  ASSERT_TRUE(ReplaceRerollLink(results, "4", "CC~T.A", "new"));
  const std::string replaced = Unnamed("4", "CC~T.A", "new");
  EXPECT_EQ(results, (std::vector<std::string>{"The " + Named("0", "CC~T.Room", "hall") + " ends.",
                                               "x " + replaced + " y " + replaced}));
}

TEST(NoteLinkTest, FindsTheNoteAndWritesADashForAnEmptyOne) {
  const std::string note = "one with " + Named("2", "T.A", "inner");
  std::vector<std::string> results = {"a " + Note("10", "ten"),
                                      "b " + Note("1", note) + " " + Note("1", note)};
  const std::optional<NoteLink> found = FindNoteLink(results, "1");
  ASSERT_TRUE(found.has_value());
  EXPECT_EQ(found->result, 1u);
  EXPECT_EQ(found->note, note);
  ReplaceNoteLink(results, *found, "1", "");
  EXPECT_EQ(results, (std::vector<std::string>{"a " + Note("10", "ten"),
                                               "b " + Note("1", "-") + " " + Note("1", "-")}));
  EXPECT_FALSE(FindNoteLink(results, "3").has_value());
}

// A typed note is text, not markup: it cannot end its link early or format what follows, and it
// reads back as typed. References a table wrote into its note read back as their characters.
TEST(NoteLinkTest, WritesATypedNoteAsTextAndReadsItBackAsTyped) {
  std::vector<std::string> results = {"a " + Note("3", "old") + " b"};
  const std::string typed = "x </a> y <i>z & \"HP < 10\" 'q'";
  ReplaceNoteLink(results, *FindNoteLink(results, "3"), "3", typed);
  EXPECT_EQ(results.front(),
            "a " + Note("3", "x &lt;/a&gt; y &lt;i&gt;z &amp; &quot;HP &lt; 10&quot; &#39;q&#39;") +
                " b");
  const std::optional<NoteLink> found = FindNoteLink(results, "3");
  ASSERT_TRUE(found.has_value());
  EXPECT_EQ(found->text, typed);
  EXPECT_EQ(FindNoteLink({Note("1", "&#x3C;&#60; &copy &amp;&gt;&#0;")}, "1")->text,
            "<< &copy &>&#0;");
}

// Export checks the common forms; here links nested in a removed link.
TEST(StripProgramLinksTest, RemovesNamedInnerLinksTooAndLeavesUnnamedOnesWithTheirClosingTag) {
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
    new_text_ = RegenerateLinkText(engine, link.rest);
    ASSERT_EQ(ReadBackResults("file://" + location_ + "#fwroll0"), results_);
    ASSERT_TRUE(ReplaceRerollLink(results_, link.number, link.rest, new_text_));
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

TEST_F(LinkDocumentTest, ReadBackThrowsForADocumentWithoutTheLayoutOrNamesTheMissingFile) {
  const std::string header =
      "<HTML>\r\n<HEAD>\r\n<TITLE></TITLE>\r\n<link>\r\n</HEAD>\r\n<BODY>\r\n";
  for (const std::string& content :
       {std::string("<HTML>\r\n<HEAD>\r\n"), header + "a<BR>\r\n<BR>\r\n",
        header + "no break\r\n</BODY>\r\n</HTML>\r\n",
        std::string("one\r\ntwo\r\n\r\n\r\n\r\nthree\r\n\r\n\r\n\r\n")}) {
    EXPECT_THROW(ReadBackResults(Write(content)), std::runtime_error) << content;
  }
  EXPECT_THAT([this] { ReadBackResults((tables_folder() / "Missing.html").string()); },
              ThrowsMessage<std::runtime_error>(HasSubstr("Missing.html")));
}

// The whole road of a click: a real roll, the document on disk, the read-back, the re-roll and
// the replacement. The same link twice keeps its number and modifiers; a link holding inner
// links is replaced whole, and the new inner links are numbered after the document's. A re-roll
// runs even after a stopped generation, but needs a table.
TEST_F(LinkDocumentTest, RerollingReplacesTheLinkWholeKeepingItsNumberAndModifiers) {
  RollInn();
  const std::string original = results_[0];
  const std::size_t tail = original.find(" holds ");
  ASSERT_NE(tail, std::string::npos) << original;
  for (int click = 0; click < 2; ++click) {
    Click("reg2://N2~Inn.Gem");
    EXPECT_THAT(new_text_, MatchesRegex("(ruby|opal|jade|onyx){2}"));  // two, as N2 asks
    EXPECT_EQ(results_[0],
              original.substr(0, tail) + " holds " + Named("2", "N2~Inn.Gem", new_text_) + ".");
  }
  const std::string gems = results_[0].substr(tail);
  ASSERT_NE(original.find("href=\"reg1://Inn.Door\""), std::string::npos) << original;
  engine.Halt();  // a click after a stopped generation still rolls
  Click("reg0://CC~Inn.Room");
  EXPECT_NE(new_text_.find("href=\"reg3://Inn.Door\""), std::string::npos) << new_text_;
  EXPECT_EQ(results_[0], "The " + Named("0", "CC~Inn.Room", new_text_) + gems);
  EXPECT_EQ(results_[0].find("reg1://"), std::string::npos);
  EXPECT_THROW(RegenerateLinkText(engine, "CC~Door"), std::runtime_error);  // names no table
}

}  // namespace
}  // namespace fablewick
