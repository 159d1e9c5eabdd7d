#include "engine/documents/document.h"

#include <stdlib.h>

#include <filesystem>
#include <stdexcept>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "platform/safe_file.h"
#include "tests/support/temp_folder.h"

namespace fablewick {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using ::testing::ThrowsMessage;

// The acceptance cases cover the common caret codes and the layout of each document type.
TEST(CaretCodesTest, DropsAWholeCodePointAfterACaret) {
  EXPECT_EQ(ExpandCaretCodes("a^\xC3\xA9z"), "az");
  EXPECT_EQ(ExpandCaretCodes("50^%"), "50");
}

TEST(ResultsDocumentTest, UnknownTypesGiveNothingAndXmlNamesItsElementAfterTheTitle) {
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

// The temporary file is written, but cannot take the place of a folder: the failure of that last
// step is reported like any other and the temporary file goes too.
TEST(AtomicWriteTest, FailureToReplaceNamesThePathAndTheReasonAndRemovesTheTemporaryFile) {
  const TempFolder folder("document");
  const std::string path = (folder / "Temp.html").string();
  fs::create_directory(path);
  EXPECT_THAT([&] { WriteTextFileAtomically(path, "x"); },
              ThrowsMessage<std::runtime_error>(HasSubstr(path + "\": Is a directory")));
  EXPECT_EQ(std::distance(fs::directory_iterator(folder.path()), fs::directory_iterator()), 1);
}

}  // namespace
}  // namespace fablewick
