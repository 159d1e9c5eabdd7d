#include "engine/document.h"

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include <gtest/gtest.h>

namespace fablewick {
namespace {

namespace fs = std::filesystem;

// The acceptance cases cover the common caret codes and the layout of each document type.
TEST(CaretCodesTest, DropsAWholeCodePointAfterACaret) {
  EXPECT_EQ(ExpandCaretCodes("a^\xC3\xA9z"), "az");
  EXPECT_EQ(ExpandCaretCodes("50^%"), "50");
}

TEST(ResultsDocumentTest, UnknownTypesGiveNothingAndXmlNamesItsElementAfterTheTitle) {
  EXPECT_EQ(OutputExtension(3), "");
  EXPECT_EQ(BuildResultsDocument(3, "T", {"x"}, "/p", "", ""), "");
  EXPECT_EQ(BuildResultsDocument(kOutputXml, "Random Inn & Co", {}, "/p", "", ""),
            "<?xml version=\"1.0\"?>\r\n<Random_Inn_&_Co>\r\n"
            "<Generator>Fablewick 4.0</Generator>\r\n</Random_Inn_&_Co>\r\n");
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
