#include "engine/documents/export.h"

#include <stdlib.h>

#include <filesystem>
#include <stdexcept>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "engine/documents/document.h"
#include "engine/documents/links.h"
#include "tests/support/files.h"
#include "tests/support/temp_folder.h"

// Failed writes of an export (full disk, folder not writable) are covered with the program's
// other writers in safe_writing_test.cpp.
namespace fablewick {
namespace {

namespace fs = std::filesystem;

TEST(ExportFormatTest, OffersTheFilterInQtsFormToo) {
  EXPECT_EQ(ExportFormatFor(kOutputHtml).qt_filter, "HTML Files (*.html *.htm)");
  EXPECT_EQ(ExportFormatFor(kOutputText).qt_filter, "ASCII Text Files (*.txt)");
}

class ExportTest : public testing::Test {
 protected:
  TempFolder temp_{"export"};
  const fs::path& folder_ = temp_.path();
};

// The named link's text holds a line break, so its closing tag is on a later line.
TEST_F(ExportTest, CopiesTheResultsWithOrWithoutProgramLinksAndACreditLineOnlyInHtml) {
  const std::string results =
      "<a name=\"fwroll3\" CLASS=clsLink href=\"reg3://T.Colour\">red\r\n"
      "old</a> door <a CLASS=clsLink href=\"reg4://T.Gem\">opal</a> and "
      "<a name=\"fwroll5\" CLASS=clsLink style=\"color:green\" "
      "href=\"nte5://\">mine</a>";
  for (const int type : {kOutputHtml, kOutputText, kOutputXml}) {
    const fs::path temp = folder_ / ("Temp." + OutputExtension(type));
    WriteFile(temp, BuildResultsDocument(type, "Inn", {results}, folder_.string(), "", ""));
    const std::string document = ReadFile(temp);
    const std::string credit = type == kOutputHtml ? std::string(kExportCreditLine) + "\r\n" : "";
    for (const bool remove_links : {false, true}) {
      ExportResultsFile(temp, folder_ / "Out", type, remove_links);
      EXPECT_EQ(ReadFile(folder_ / "Out"),
                credit + (remove_links ? StripProgramLinks(document) : document))
          << type << remove_links;
    }
  }
  WriteFile(folder_ / "Temp.txt", "one\ntwo\r\nthree");
  ExportResultsFile(folder_ / "Temp.txt", folder_ / "Out.txt", kOutputText, false);
  EXPECT_EQ(ReadFile(folder_ / "Out.txt"), "one\r\ntwo\r\nthree\r\n");
}

TEST_F(ExportTest, AMissingResultsFileThrowsNamingItAndLeavesTheTargetAlone) {
  WriteFile(folder_ / "Out.html", "earlier");
  EXPECT_THAT([&] { ExportResultsFile(folder_ / "Temp.html", folder_ / "Out.html", 0, false); },
              testing::ThrowsMessage<std::runtime_error>(testing::HasSubstr("Temp.html")));
  EXPECT_EQ(ReadFile(folder_ / "Out.html"), "earlier");
}

}  // namespace
}  // namespace fablewick
