// Table files as the studio reads and writes them: an edit changes the edited bytes and nothing
// else, whatever the file's encoding and line ends.
#include "engine/authoring/table_file_text.h"

#include <gtest/gtest.h>

#include "tests/support/files.h"
#include "tests/support/temp_folder.h"

namespace fablewick {
namespace {

struct RoundTrip {
  std::string bytes;  // the file as found
  std::string text;   // what the editor shows
  FileEncoding encoding;
  bool crlf;
};

TEST(TableFileTextTest, EachEncodingAndLineEndIsWrittenBackByteForByte) {
  const RoundTrip cases[] = {
      {":Start\r\n1,caf\xC3\xA9\xC2\xA0[Gem]\r\n", ":Start\n1,caf\xC3\xA9\xC2\xA0[Gem]\n",
       FileEncoding::kUtf8, true},
      {"\xEF\xBB\xBF:Start\n1,\xE2\x82\xAC\n", ":Start\n1,\xE2\x82\xAC\n",
       FileEncoding::kUtf8WithBom, false},
      {":Start\n1,caf\xE9\xA0 \x80\n2,x", ":Start\n1,caf\xC3\xA9\xC2\xA0 \xE2\x82\xAC\n2,x",
       FileEncoding::kWindows1252, false},
      {"", "", FileEncoding::kUtf8, true},
  };
  for (const RoundTrip& c : cases) {
    const TableFileText file = ReadTableFileText(c.bytes);
    EXPECT_EQ(file.text, c.text);
    EXPECT_EQ(file.encoding, c.encoding);
    EXPECT_EQ(file.crlf, c.crlf);
    EXPECT_EQ(EncodeTableFileText(file), c.bytes);
  }
}

TEST(TableFileTextTest, SavingReplacesTheFileAndRefusesWhatWindows1252CannotHold) {
  TempFolder folder("file_text");
  const std::string path = (folder.path() / "T.tab").string();
  WriteFile(path, ":Start\r\n1,\xE9t\xE9\r\n");
  TableFileText file = LoadTableFileText(path);
  file.text += "2,\xC5\x93uf\n";  // the ligature has a byte in Windows-1252
  SaveTableFileText(path, file);
  EXPECT_EQ(ReadFile(path),
            ":Start\r\n1,\xE9t\xE9\r\n2,\x9C"
            "uf\r\n");

  file.text += "3,\xE2\x86\x92\n";  // an arrow has none: the old file stays
  EXPECT_EQ(EncodeTableFileText(file), std::nullopt);
  EXPECT_THROW(SaveTableFileText(path, file), std::runtime_error);
  EXPECT_EQ(ReadFile(path),
            ":Start\r\n1,\xE9t\xE9\r\n2,\x9C"
            "uf\r\n");
  file.encoding = FileEncoding::kUtf8;
  SaveTableFileText(path, file);
  EXPECT_EQ(ReadTableFileText(ReadFile(path)).text, file.text);
}

}  // namespace
}  // namespace fablewick
