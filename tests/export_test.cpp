#include "engine/export.h"

#include <signal.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include <gtest/gtest.h>
#include <sys/resource.h>

#include "engine/document.h"
#include "engine/links.h"
#include "engine/text.h"

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
    std::ofstream(path, std::ios::binary) << BuildResultsDocument(
        output_type, "Inn", {kNamed, kUnnamed + " and " + kNote}, folder_.string(), "", "");
    return path;
  }

  std::string Read(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

  long EntryCount() const {
    return std::distance(fs::directory_iterator(folder_), fs::directory_iterator());
  }

  fs::path folder_;
};

TEST_F(ExportTest, CopiesHtmlAfterACreditLineWithOrWithoutProgramLinks) {
  const fs::path results = WriteResults(kOutputHtml);
  const fs::path target = folder_ / "Out.html";
  const std::string credit = std::string(kExportCreditLine) + "\r\n";

  ExportResultsFile(results, target, kOutputHtml, false);
  EXPECT_EQ(Read(target), credit + Read(results));

  ExportResultsFile(results, target, kOutputHtml, true);
  const std::string exported = Read(target);
  EXPECT_EQ(exported,
            credit + ReplaceAll(ReplaceAll(Read(results), kNamed, "red door"), kNote, "mine"));
  EXPECT_EQ(exported.find("<a name=\"fwroll"), std::string::npos);
  EXPECT_NE(exported.find(kUnnamed), std::string::npos);
}

TEST_F(ExportTest, TextAndXmlGetNoCreditLineButLoseTheirLinksAndLinesEndInCrLf) {
  for (const int type : {kOutputText, kOutputXml}) {
    const fs::path results = WriteResults(type);
    const fs::path target = folder_ / "Out";
    ExportResultsFile(results, target, type, false);
    EXPECT_EQ(Read(target), Read(results));
    ExportResultsFile(results, target, type, true);
    EXPECT_EQ(Read(target), StripProgramLinks(Read(results)));
    EXPECT_EQ(Read(target).find("fwroll"), std::string::npos);
  }
  std::ofstream(folder_ / "Temp.txt", std::ios::binary) << "one\ntwo\r\nthree";
  ExportResultsFile(folder_ / "Temp.txt", folder_ / "Out.txt", kOutputText, false);
  EXPECT_EQ(Read(folder_ / "Out.txt"), "one\r\ntwo\r\nthree\r\n");
}

TEST_F(ExportTest, AMissingResultsFileThrowsNamingItAndLeavesTheTargetAlone) {
  const fs::path target = folder_ / "Out.html";
  std::ofstream(target, std::ios::binary) << "earlier";
  try {
    ExportResultsFile(folder_ / "Temp.html", target, kOutputHtml, false);
    ADD_FAILURE() << "no exception";
  } catch (const std::runtime_error& e) {
    EXPECT_NE(std::string(e.what()).find("Temp.html"), std::string::npos) << e.what();
  }
  EXPECT_EQ(Read(target), "earlier");
  EXPECT_THROW(ExportResultsFile(WriteResults(kOutputHtml), folder_ / "no such folder" / "x.html",
                                 kOutputHtml, false),
               std::runtime_error);
}

// A write that fails half way, as on a full disk: the file-size limit stops it for any user.
TEST_F(ExportTest, AWriteThatFailsHalfWayKeepsTheEarlierTarget) {
  const fs::path results = folder_ / "Temp.txt";
  std::ofstream(results, std::ios::binary) << std::string(64 * 1024, 'x') << "\r\n";
  const fs::path target = folder_ / "Out.txt";
  std::ofstream(target, std::ios::binary) << "earlier";

  rlimit old_limit{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old_limit), 0);
  rlimit small = old_limit;
  small.rlim_cur = 4096;
  void (*old_handler)(int) = signal(SIGXFSZ, SIG_IGN);
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  bool threw = false;
  try {
    ExportResultsFile(results, target, kOutputText, false);
  } catch (const std::runtime_error& e) {
    threw = true;
    EXPECT_NE(std::string(e.what()).find("Out.txt"), std::string::npos) << e.what();
  }
  setrlimit(RLIMIT_FSIZE, &old_limit);
  signal(SIGXFSZ, old_handler);

  EXPECT_TRUE(threw);
  EXPECT_EQ(Read(target), "earlier");
  EXPECT_EQ(EntryCount(), 2);  // no temporary file left behind
}

}  // namespace
}  // namespace fablewick
