#include "platform/text.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace fablewick {
namespace {

using Lines = std::vector<std::string>;

constexpr char kSharpS[] = "\xC3\x9F";  // ß

// The acceptance cases cover the byte order mark and a whole Windows-1252 file.
TEST(FileDecodingTest, KeepsValidUtf8AndReadsAnythingElseAsWindows1252) {
  // "café" with a Windows-1252 é, the euro sign, curly quotes and the undefined byte 0x81.
  EXPECT_EQ(DecodeFileText("caf\xE9 \x80 \x93x\x94 \x81"),
            "caf\xC3\xA9 \xE2\x82\xAC \xE2\x80\x9Cx\xE2\x80\x9D \xC2\x81");
  // A truncated UTF-8 sequence makes the whole file Windows-1252, including valid parts.
  EXPECT_EQ(DecodeFileText("\xC3\xA9\xE2\x82"), "\xC3\x83\xC2\xA9\xC3\xA2\xE2\x80\x9A");
  // Long ASCII runs are checked a word at a time: a sequence is judged wherever it falls.
  for (std::size_t at = 0; at <= 20; ++at) {
    const std::string ascii(at, 'a'), tail(20 - at, 'b');
    EXPECT_EQ(DecodeFileText(ascii + "\xE2\x82\xAC" + tail), ascii + "\xE2\x82\xAC" + tail) << at;
    EXPECT_EQ(DecodeFileText(ascii + "\xE2\x82" + tail), ascii + "\xC3\xA2\xE2\x80\x9A" + tail)
        << at;
  }
}

// Replacing is checked through the Replace function.
TEST(TextEditingTest, SplitsLinesAndFieldsAndTrimsBlanksOnly) {
  EXPECT_EQ(SplitLines("a\r\nb\nc\rd\r\n"), (Lines{"a", "b", "c\rd"}));
  EXPECT_EQ(SplitLines("a\n\nb"), (Lines{"a", "", "b"}));
  EXPECT_TRUE(SplitLines("").empty());
  EXPECT_EQ(TrimBlanks("  a b \t "), "a b \t");
  EXPECT_EQ(SplitAll("a, b,,", ','), (Lines{"a", " b", "", ""}));
  EXPECT_EQ(SplitAll("", ','), (Lines{""}));
}

TEST(CodePointTest, CountsAndCutsByCodePointsTakingEachInvalidByteAsOne) {
  const std::string text = "h\xC3\xA9llo";  // héllo
  EXPECT_EQ(ByteOffsetOfCodePoint(text, 2), 3u);
  EXPECT_EQ(ByteOffsetOfCodePoint(text, 9), text.size());
  EXPECT_EQ(SubstrCodePoints(text, 7, 2), "");
  EXPECT_EQ(LastCodePoint("\xC3\xA9t\xF0\x9F\x8E\xB2"), "\xF0\x9F\x8E\xB2");
  EXPECT_EQ(LastCodePoint(""), "");
  // A truncated three-byte sequence, a stray continuation byte, an overlong "/" and a lone lead.
  const std::string invalid = std::string("a\xE2\x82") + "b\x80\xC0\xAF\xF0";
  EXPECT_EQ(CodePointCount(invalid), 8u);
  EXPECT_EQ(SubstrCodePoints(invalid, 1, 2), "\xE2\x82");
  EXPECT_EQ(SubstrCodePoints(invalid, 3, 1), "b");
  EXPECT_EQ(LastCodePoint(invalid), "\xF0");
  EXPECT_EQ(LastCodePoint("x\x80\x80\x80\x80"), "\x80");
  EXPECT_EQ(LastCodePoint("\xC3\xA9\xA9"), "\xA9");
  EXPECT_EQ(FirstCodePoint("\xE2\x82"), "\xE2");
}

TEST(CaseMappingTest, MapsUnicodeLettersAndCopiesInvalidBytesUnchanged) {
  EXPECT_EQ(ToLower("\xC3\x89T\xC3\x89 \xCE\xA3"), "\xC3\xA9t\xC3\xA9 \xCF\x83");
  EXPECT_EQ(UpperFirst(""), "");
  EXPECT_EQ(ToUpper(std::string("stra") + kSharpS + "e").substr(0, 4), "STRA");
  EXPECT_EQ(ToUpper("a\xFF\x62\xE2\x82"), "A\xFF\x42\xE2\x82");  // \x62 is "b"
  EXPECT_EQ(UpperFirst("\x80x"), "\x80x");
}

// The catalogue tests cover ordering names that differ in more than case.
TEST(CaseMappingTest, ComparesAndOrdersNamesIgnoringCaseWithExactTextBreakingTies) {
  EXPECT_TRUE(EqualsIgnoreCase("Random Inn.TAB", "random inn.tab"));
  EXPECT_TRUE(EqualsIgnoreCase("\xC3\x89t\xC3\xA9", "\xC3\xA9T\xC3\x89"));
  EXPECT_TRUE(EqualsIgnoreCase(std::string("Stra") + kSharpS + "e", "STRASSE"));
  EXPECT_FALSE(EqualsIgnoreCase("Inn", "Inns"));
  EXPECT_FALSE(EqualsIgnoreCase("a\xFF", "a\xFE"));
  EXPECT_TRUE(LessIgnoreCase("Inn", "inn"));
  EXPECT_FALSE(LessIgnoreCase("inn", "Inn"));
  EXPECT_TRUE(LessIgnoreCase("Inn", "inns"));
}

}  // namespace
}  // namespace fablewick
