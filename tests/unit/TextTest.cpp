// Stepping through text character by character, UTF-8 above all, and the
// conversions where the system speaks UTF-16.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/Text.h"

namespace {

std::vector<size_t> Steps(const std::string& text, UINT codePage) {
  std::vector<size_t> steps;
  for (const char* p = text.c_str(); *p;) {
    const char* next = NextChar(p, codePage);
    steps.push_back(static_cast<size_t>(next - p));
    p = next;
  }
  return steps;
}

// A character of each length, whole and cut after each of its bytes, before
// "z": a whole one is one step; a cut one is a step a byte, so that a cut
// never takes the bytes of the next character with it.
TEST(Utf8Stepping, WholeCharactersInOneStepCutOnesByteByByte) {
  for (const std::string character : {"e", "\xC3\xA9", "\xE6\x97\xA5", "\xF0\x9F\x93\x81"}) {
    for (size_t kept = 1; kept <= character.size(); ++kept) {
      SCOPED_TRACE(std::to_string(character.size()) + " bytes, " + std::to_string(kept) + " kept");
      const std::vector<size_t> expected = kept == character.size()
                                               ? std::vector<size_t>{kept, 1}
                                               : std::vector<size_t>(kept + 1, 1);
      EXPECT_EQ(expected, Steps(character.substr(0, kept) + "z", CP_UTF8));
    }
  }
}

TEST(Utf8Stepping, BytesThatStartNoCharacterAreStepsOfTheirOwn) {
  // Continuation bytes, the leads of overlong forms and of values beyond U+10FFFF.
  for (const char* text :
       {"\x80z", "\xBF\x80", "\xC0\x80", "\xC1\xBF", "\xF5\x80\x80\x80", "\xFF"}) {
    EXPECT_EQ(text + 1, NextChar(text, CP_UTF8)) << static_cast<int>(text[0] & 0xFF);
  }
  const char empty[] = "";
  EXPECT_EQ(empty, NextChar(empty, CP_UTF8));
}

TEST(Utf8Stepping, DoubleByteCodePagesStepAsTheSystemDoes) {
  // In code page 932 the trail byte of this character is the byte of a backslash.
  const char text[] = "\x95\\a";
  EXPECT_EQ(std::vector<size_t>({2, 1}), Steps(text, 932));
  EXPECT_EQ(std::vector<size_t>({1, 1, 1}), Steps(text, 1252));
}

TEST(TextConversion, UnicodeRoundTripsThroughUtf8AndTheCodePageSaysWhatItHolds) {
  const std::wstring any = L"\u041f\u0440\u043e\u0435\u043a\u0442 \u65e5\u672c \U0001F4C1";
  const std::string utf8 =
      "\xD0\x9F\xD1\x80\xD0\xBE\xD0\xB5\xD0\xBA\xD1\x82 \xE6\x97\xA5\xE6\x9C\xAC \xF0\x9F\x93\x81";
  EXPECT_EQ(utf8, Narrow(any.c_str(), CP_UTF8));
  EXPECT_EQ(any, std::wstring(Widen(utf8, CP_UTF8).data()));
  std::string ansi;
  EXPECT_TRUE(AnsiFromWide(L"C:\\Plain", ansi));
  EXPECT_EQ("C:\\Plain", ansi);
  // No ANSI code page but UTF-8 holds an emoji; UTF-8 holds no unpaired surrogate.
  EXPECT_EQ(::GetACP() == CP_UTF8, AnsiFromWide(any.c_str(), ansi));
  EXPECT_EQ(::GetACP() == CP_UTF8, AnsiFromUtf8(utf8, ansi));
  const wchar_t unpaired[] = {0xD83D, 0};
  EXPECT_FALSE(AnsiFromWide(unpaired, ansi));
}

}  // namespace
