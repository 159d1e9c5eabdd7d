#include "engine/document.h"

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include <gtest/gtest.h>

#include "engine/text.h"

namespace fablewick {
namespace {

namespace fs = std::filesystem;

TEST(CaretCodesTest, TurnsMAndTIntoControlsAndDropsEveryOtherCode) {
  EXPECT_EQ(ExpandCaretCodes("A^MB^TC"), "A\r\nB\tC");
  EXPECT_EQ(ExpandCaretCodes("50^%"), "50");
  EXPECT_EQ(ExpandCaretCodes("x^"), "x");
  EXPECT_EQ(ExpandCaretCodes("^^M"), "M");
  EXPECT_EQ(ExpandCaretCodes("a^mb^tc"), "abc");
  EXPECT_EQ(ExpandCaretCodes("a^\xC3\xA9z"), "az");  // a whole code point, not one byte
  EXPECT_EQ(ExpandCaretCodes(""), "");
}

TEST(ResultsDocumentTest, ExtensionsNameTheThreeTypesOnly) {
  EXPECT_EQ(OutputExtension(0) + OutputExtension(1) + OutputExtension(2), "htmltxtxml");
  EXPECT_EQ(OutputExtension(3), "");
  EXPECT_EQ(BuildResultsDocument(3, "T", {"x"}, "/p", "", ""), "");
}

TEST(ResultsDocumentTest, HtmlHasSixHeaderLinesAndTwoLinesPerResult) {
  const std::string document = BuildResultsDocument(
      kOutputHtml, "Random Inn", {"The <b>Gem</b>", "A^M"}, "/opt/fw", "#000000", "#FFFFFF");
  ASSERT_TRUE(document.ends_with("\r\n"));
  EXPECT_EQ(SplitLines(ReplaceAll(document, "\r\n", "\n")),
            (std::vector<std::string>{
                "<HTML>", "<HEAD>", "<TITLE>Random Inn</TITLE>",
                "<link href=\"/opt/fw/link.css\" type=\"text/css\" rel=\"stylesheet\">", "</HEAD>",
                "<BODY TEXT=\"#000000\"; LINK = \"#0000FF\"; VLINK = \"#0000FF\"; "
                "ALINK = \"#0000FF\"; BGCOLOR = \"#FFFFFF\">",
                "The <b>Gem</b><BR>", "<BR>", "A^M<BR>", "<BR>", "</BODY>", "</HTML>"}));
  EXPECT_EQ(ReplaceAll(document, "\r\n", "").find_first_of("\r\n"), std::string::npos);

  const std::string empty = BuildResultsDocument(kOutputHtml, "", {}, "/p", "", "");
  EXPECT_TRUE(empty.starts_with("<HTML>\r\n<HEAD>\r\n<TITLE></TITLE>\r\n")) << empty;
  EXPECT_TRUE(empty.ends_with("BGCOLOR = \"\">\r\n</BODY>\r\n</HTML>\r\n")) << empty;
}

TEST(ResultsDocumentTest, TextFollowsEachResultWithThreeEmptyLines) {
  EXPECT_EQ(BuildResultsDocument(kOutputText, "T", {"one", "two\r\nlines"}, "/p", "a", "b"),
            "one\r\n\r\n\r\n\r\ntwo\r\nlines\r\n\r\n\r\n\r\n");
  EXPECT_EQ(BuildResultsDocument(kOutputText, "T", {}, "/p", "", ""), "");
}

TEST(ResultsDocumentTest, XmlNamesItsElementAfterTheTitleWithUnderscores) {
  EXPECT_EQ(BuildResultsDocument(kOutputXml, "Random Inn & Co", {"<a>1</a>"}, "/p", "", ""),
            "<?xml version=\"1.0\"?>\r\n<Random_Inn_&_Co>\r\n"
            "<Generator>Fablewick 4.0</Generator>\r\n<a>1</a>\r\n\r\n\r\n\r\n"
            "</Random_Inn_&_Co>\r\n");
  EXPECT_EQ(BuildResultsDocument(kOutputXml, "Inn", {}, "/p", "", ""),
            "<?xml version=\"1.0\"?>\r\n<Inn>\r\n<Generator>Fablewick 4.0</Generator>\r\n"
            "</Inn>\r\n");
}

TEST(DocumentPathTest, TurnsAFileAddressBackIntoTheLocalPath) {
  EXPECT_EQ(NormaliseDocumentPath("file:///home/x/Temp.html#fwroll3"), "/home/x/Temp.html");
  EXPECT_EQ(NormaliseDocumentPath("file:///home/My%20Tables/Temp.html#a#b"),
            "/home/My Tables/Temp.html");
  EXPECT_EQ(NormaliseDocumentPath("/home/x/Temp.txt"), "/home/x/Temp.txt");
}

class AtomicWriteTest : public testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "fw_document_XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    folder_ = pattern;
  }
  void TearDown() override { fs::remove_all(folder_); }
  long EntryCount() const {
    return std::distance(fs::directory_iterator(folder_), fs::directory_iterator());
  }

  fs::path folder_;
};

TEST_F(AtomicWriteTest, ReplacesTheFileAndLeavesNothingElseBehind) {
  const std::string path = (folder_ / "Temp.html").string();
  WriteTextFileAtomically(path, "first, and longer\r\n");
  WriteTextFileAtomically(path, "second\r\n");
  std::ifstream in(path, std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "second\r\n");
  EXPECT_EQ(EntryCount(), 1);
}

TEST_F(AtomicWriteTest, FailureNamesThePathAndTheReasonAndRemovesTheTemporaryFile) {
  const std::string path = (folder_ / "Temp.html").string();
  fs::create_directory(path);  // a folder cannot be replaced by a file
  try {
    WriteTextFileAtomically(path, "x");
    ADD_FAILURE() << "no exception";
  } catch (const std::runtime_error& e) {
    EXPECT_NE(std::string(e.what()).find(path + "\": Is a directory"), std::string::npos)
        << e.what();
  }
  EXPECT_EQ(EntryCount(), 1);
}

}  // namespace
}  // namespace fablewick
