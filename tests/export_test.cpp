#include "engine/export.h"

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <stdexcept>

#include <gtest/gtest.h>

#include "engine/document.h"
#include "engine/links.h"
#include "engine/text.h"
#include "tests/support/files.h"

// Failed writes of an export (full disk, folder not writable) are covered with the program's
// other writers in safe_writing_test.cpp.
namespace fablewick {
namespace {

namespace fs = std::filesystem;

const std::string kNamed =
    "<a name=\"fwroll3\" CLASS=clsLink href=\"reg3://T.Colour\">red</a> door";
const std::string kUnnamed = "<a CLASS=clsLink href=\"reg4://T.Gem\">opal</a>";
const std::string kNote =
    "<a name=\"fwroll5\" CLASS=clsLink style=\"color:green\" href=\"nte5://\">mine</a>";

TEST(ExportFormatTest, OffersTheFilterInQtsFormToo) {
  EXPECT_EQ(ExportFormatFor(kOutputHtml).qt_filter, "HTML Files (*.html *.htm)");
  EXPECT_EQ(ExportFormatFor(kOutputText).qt_filter, "ASCII Text Files (*.txt)");
  EXPECT_EQ(ExportFormatFor(kOutputXml).extension, "xml");
}

class ExportTest : public testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "fw_export_XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    folder_ = pattern;
  }
  void TearDown() override { fs::remove_all(folder_); }

  // Writes the results document of the output type and returns its path.
  fs::path WriteResults(int output_type) {
    const fs::path path = folder_ / ("Temp." + OutputExtension(output_type));
    WriteFile(path, BuildResultsDocument(output_type, "Inn", {kNamed, kUnnamed + " and " + kNote},
                                         folder_.string(), "", ""));
    return path;
  }

  fs::path folder_;
};

TEST_F(ExportTest, CopiesHtmlAfterACreditLineWithOrWithoutProgramLinks) {
  const fs::path results = WriteResults(kOutputHtml);
  const fs::path target = folder_ / "Out.html";
  const std::string credit = std::string(kExportCreditLine) + "\r\n";

  ExportResultsFile(results, target, kOutputHtml, false);
  EXPECT_EQ(ReadFile(target), credit + ReadFile(results));

  ExportResultsFile(results, target, kOutputHtml, true);
  const std::string exported = ReadFile(target);
  EXPECT_EQ(exported,
            credit + ReplaceAll(ReplaceAll(ReadFile(results), kNamed, "red door"), kNote, "mine"));
  EXPECT_EQ(exported.find("<a name=\"fwroll"), std::string::npos);
  EXPECT_NE(exported.find(kUnnamed), std::string::npos);
}

TEST_F(ExportTest, TextAndXmlGetNoCreditLineButLoseTheirLinksAndLinesEndInCrLf) {
  for (const int type : {kOutputText, kOutputXml}) {
    const fs::path results = WriteResults(type);
    const fs::path target = folder_ / "Out";
    ExportResultsFile(results, target, type, false);
    EXPECT_EQ(ReadFile(target), ReadFile(results));
    ExportResultsFile(results, target, type, true);
    EXPECT_EQ(ReadFile(target), StripProgramLinks(ReadFile(results)));
    EXPECT_EQ(ReadFile(target).find("fwroll"), std::string::npos);
  }
  WriteFile(folder_ / "Temp.txt", "one\ntwo\r\nthree");
  ExportResultsFile(folder_ / "Temp.txt", folder_ / "Out.txt", kOutputText, false);
  EXPECT_EQ(ReadFile(folder_ / "Out.txt"), "one\r\ntwo\r\nthree\r\n");
}

TEST_F(ExportTest, AMissingResultsFileThrowsNamingItAndLeavesTheTargetAlone) {
  const fs::path target = folder_ / "Out.html";
  WriteFile(target, "earlier");
  try {
    ExportResultsFile(folder_ / "Temp.html", target, kOutputHtml, false);
    ADD_FAILURE() << "no exception";
  } catch (const std::runtime_error& e) {
    EXPECT_NE(std::string(e.what()).find("Temp.html"), std::string::npos) << e.what();
  }
  EXPECT_EQ(ReadFile(target), "earlier");
}

}  // namespace
}  // namespace fablewick
