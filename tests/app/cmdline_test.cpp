#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "packet_public/CCmdLineParser.h"
#include "app/cmdline/SilentRun.h"
#include "app/cmdline/SwitchSet.h"

namespace {

std::u16string Ascii(const std::string& s) { return std::u16string(s.begin(), s.end()); }

// ---- SwitchSet ------------------------------------------------------------

TEST(SwitchSet, ReadsBareAndValuedSwitchesWithEitherLeader) {
  SwitchSet set(u"prog.exe /a -b:2 /c:xyz -d:");
  EXPECT_EQ(set.Count(), 4u);
  EXPECT_TRUE(set.Has(u"a"));
  EXPECT_EQ(set.Get(u"a"), u"");
  EXPECT_EQ(set.Get(u"b"), u"2");
  EXPECT_EQ(set.Get(u"c"), u"xyz");
  EXPECT_TRUE(set.Has(u"d"));
  EXPECT_EQ(set.Get(u"d"), u"");
  EXPECT_FALSE(set.Has(u"e"));
  EXPECT_EQ(set.Get(u"e"), u"");
  EXPECT_EQ(set.Text(), u"prog.exe /a -b:2 /c:xyz -d:");
}

TEST(SwitchSet, LaterSwitchReplacesTheValue) {
  SwitchSet set(u"/a /b:2 /a:5");
  EXPECT_EQ(set.Count(), 2u);
  EXPECT_EQ(set.Get(u"a"), u"5");
  EXPECT_EQ(set.Get(u"b"), u"2");
  EXPECT_EQ(SwitchSet(u"/a:5 /A").Get(u"a"), u"");
}

TEST(SwitchSet, NamesIgnoreAsciiCaseOnly) {
  SwitchSet set(u"/SiLeNt:yes /\u00e9t\u00e9:1");
  EXPECT_EQ(set.Get(u"silent"), u"yes");
  EXPECT_EQ(set.Get(u"SILENT"), u"yes");
  EXPECT_TRUE(set.Has(u"\u00e9t\u00e9"));
  EXPECT_FALSE(set.Has(u"\u00c9T\u00c9"));
  EXPECT_FALSE(set.Has(u"silen"));
  EXPECT_FALSE(set.Has(u"silentx"));
  EXPECT_EQ(SwitchSet::HashName(u"AbZ"), SwitchSet::HashName(u"aBz"));
  EXPECT_EQ(SwitchSet::HashName(u"ab"), uint32_t{'A' * 33 + 'B'});
}

TEST(SwitchSet, QuotedValuesKeepBlanksAndLeaders) {
  SwitchSet set(u"/x:\"\" /p:\"C:\\My Files\\a-b /c\" /d:\"-e\"");
  EXPECT_TRUE(set.Has(u"x"));
  EXPECT_EQ(set.Get(u"x"), u"");
  EXPECT_EQ(set.Get(u"p"), u"C:\\My Files\\a-b /c");
  EXPECT_EQ(set.Get(u"d"), u"-e");
  EXPECT_FALSE(set.Has(u"c"));
  EXPECT_FALSE(set.Has(u"b"));
  EXPECT_FALSE(set.Has(u"e"));
  EXPECT_EQ(set.Count(), 3u);
  // An unclosed quote runs to the end.
  EXPECT_EQ(SwitchSet(u"/p:\"open to the end").Get(u"p"), u"open to the end");
  EXPECT_EQ(SwitchSet(u"/p:\"").Get(u"p"), u"");
  // A quote inside an unquoted value is part of it.
  EXPECT_EQ(SwitchSet(u"/p:a\"b /q").Get(u"p"), u"a\"b");
}

TEST(SwitchSet, QuotedProgramPathStartsNoSwitch) {
  SwitchSet set(u"\"C:\\Program Files\\My-App/x\\uninst.exe\" /at");
  EXPECT_EQ(set.Count(), 1u);
  EXPECT_TRUE(set.Has(u"at"));
  // Quoted text between switches is skipped the same way.
  SwitchSet later(u"/a \"not -b here\" /c");
  EXPECT_TRUE(later.Has(u"a"));
  EXPECT_FALSE(later.Has(u"b"));
  EXPECT_TRUE(later.Has(u"c"));
}

TEST(SwitchSet, EndsOfTextAreSafe) {
  for (const char16_t* text : {u"", u"-", u"/", u"prog -", u"prog /", u"\"", u"\"/a", u"/a:\""}) {
    // Exactly sized copies, so that a read past the terminator shows up
    // under the address sanitizer.
    std::u16string owned(text);
    SwitchSet set(std::u16string_view(owned.data(), owned.size()));
    EXPECT_FALSE(set.Has(u"")) << "text: " << testing::PrintToString(owned);
  }
  EXPECT_EQ(SwitchSet(u"prog /").Count(), 0u);
  EXPECT_EQ(SwitchSet(u"\"/a").Count(), 0u);
  SwitchSet colon(u"/name:");
  EXPECT_TRUE(colon.Has(u"name"));
  EXPECT_EQ(colon.Get(u"name"), u"");
}

TEST(SwitchSet, TabsAndEmbeddedZerosEndSwitches) {
  SwitchSet tabs(u"/a:1\t/b");
  EXPECT_EQ(tabs.Get(u"a"), u"1");
  EXPECT_TRUE(tabs.Has(u"b"));
  SwitchSet zero(std::u16string_view(u"/a:1\0/b", 7));
  EXPECT_EQ(zero.Get(u"a"), u"1");
  EXPECT_FALSE(zero.Has(u"b"));
}

TEST(SwitchSet, GrowsWithManySwitchesAndFindsEveryOne) {
  std::u16string text = u"\"C:\\prog.exe\"";
  const int kSwitches = 2000;
  for (int i = 0; i < kSwitches; ++i) text += Ascii(" /name" + std::to_string(i) + ":v" + std::to_string(i));
  SwitchSet set(text);
  ASSERT_EQ(set.Count(), static_cast<size_t>(kSwitches));
  EXPECT_GT(set.BucketCount(), 17u);
  double load = static_cast<double>(set.Count()) / static_cast<double>(set.BucketCount());
  EXPECT_GE(load, 0.25);
  EXPECT_LE(load, 2.25);
  for (int i = 0; i < kSwitches; ++i) {
    std::u16string name = Ascii((i % 2 ? "NAME" : "Name") + std::to_string(i));
    ASSERT_EQ(set.Get(name), Ascii("v" + std::to_string(i))) << i;
  }
  EXPECT_FALSE(set.Has(u"name2000"));
}

// ---- silent run -------------------------------------------------------------

TEST(SilentRun, AtSwitchWithoutZeroAsksForSilence) {
  EXPECT_TRUE(IsSilentCommandLine(u"\"C:\\Program Files\\My-App\\uninst.exe\" /at"));
  EXPECT_TRUE(IsSilentCommandLine(u"uninst.exe /at:1"));
  EXPECT_TRUE(IsSilentCommandLine(u"uninst.exe /AT:2"));
  EXPECT_TRUE(IsSilentCommandLine(u"uninst.exe -At:-1"));
  EXPECT_TRUE(IsSilentCommandLine(u"uninst.exe /at:\"\""));
  EXPECT_TRUE(IsSilentCommandLine(u"uninst.exe /at:0 /at:3"));
  EXPECT_TRUE(IsSilentCommandLine(u"uninst.exe /at:12abc"));
}

TEST(SilentRun, ZeroTextOrNoSwitchIsNotSilent) {
  EXPECT_FALSE(IsSilentCommandLine(u""));
  EXPECT_FALSE(IsSilentCommandLine(u"\"C:\\Program Files\\My-App\\uninst.exe\""));
  EXPECT_FALSE(IsSilentCommandLine(u"uninst.exe /at:0"));
  EXPECT_FALSE(IsSilentCommandLine(u"uninst.exe /at:abc"));
  EXPECT_FALSE(IsSilentCommandLine(u"uninst.exe /at:00"));
  EXPECT_FALSE(IsSilentCommandLine(u"uninst.exe /at:1 /at:0"));
  EXPECT_FALSE(IsSilentCommandLine(u"uninst.exe /attach /a /t"));
  EXPECT_FALSE(IsSilentCommandLine(u"\"C:\\x/at\\uninst.exe\""));
}

// IsSilentRun reads the process's own command line, which is taken once per
// process: each case runs in a fresh child.
void ExpectSilentRun(const char* command_line, bool silent) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  ASSERT_EQ(setenv("SIMHOST_CMDLINE", command_line, 1), 0);
  EXPECT_EXIT(std::_Exit(IsSilentRun() ? 10 : 20), testing::ExitedWithCode(silent ? 10 : 20), "")
      << command_line;
  unsetenv("SIMHOST_CMDLINE");
}

TEST(SilentRun, ReadsTheProcessCommandLine) {
  ExpectSilentRun("\"C:\\Program Files\\My-App\\uninst.exe\" /at", true);
  ExpectSilentRun("\"C:\\Program Files\\My-App\\uninst.exe\" /AT:2", true);
  ExpectSilentRun("\"C:\\Program Files\\My-App\\uninst.exe\" /at:0", false);
  ExpectSilentRun("\"C:\\Program Files\\My-App\\uninst.exe\"", false);
}

// ---- CCmdLineParser -----------------------------------------------------------

TEST(CCmdLineParser, FirstValueOfANameStays) {
  CCmdLineParser parser(u"prog.exe /ico:0 /ico:1 -ICO:2");
  EXPECT_TRUE(parser.Parsed());
  EXPECT_EQ(parser.GetVal(u"ICO"), u"0");
  EXPECT_EQ(parser.GetVal(u"ico"), u"0");
  EXPECT_EQ(parser.Values().size(), 1u);
  EXPECT_EQ(parser.CmdLine(), u"prog.exe /ico:0 /ico:1 -ICO:2");
}

TEST(CCmdLineParser, QuotedValueThenBareSwitch) {
  CCmdLineParser parser(u"/x:\"a b\" /y");
  EXPECT_EQ(parser.GetVal(u"X"), u"a b");
  ASSERT_TRUE(parser.GetVal(u"Y").has_value());
  EXPECT_EQ(*parser.GetVal(u"Y"), u"");
  EXPECT_FALSE(parser.GetVal(u"Z").has_value());
  EXPECT_FALSE(parser.GetVal(u"A").has_value());  // nothing from inside the quotes
  EXPECT_EQ(parser.Values().size(), 2u);
}

TEST(CCmdLineParser, ValueEndsAtABlankOrTheEnd) {
  CCmdLineParser parser(u"/a:1 /b:two\t/c:three-four /d:\"unclosed -e");
  EXPECT_EQ(parser.GetVal(u"A"), u"1");
  EXPECT_EQ(parser.GetVal(u"B"), u"two");
  EXPECT_EQ(parser.GetVal(u"C"), u"three-four");
  EXPECT_EQ(parser.GetVal(u"D"), u"unclosed -e");
  EXPECT_FALSE(parser.GetVal(u"E").has_value());
  EXPECT_FALSE(parser.GetVal(u"FOUR").has_value());
  // A blank right after the colon gives an empty value.
  CCmdLineParser empty(u"/a: /b:2");
  EXPECT_EQ(empty.GetVal(u"A"), u"");
  EXPECT_EQ(empty.GetVal(u"B"), u"2");
}

TEST(CCmdLineParser, TrailingLeadersAndColons) {
  EXPECT_FALSE(CCmdLineParser(u"").Parsed());
  EXPECT_FALSE(CCmdLineParser(u"prog.exe").Parsed());
  EXPECT_FALSE(CCmdLineParser(u"prog.exe /").Parsed());
  EXPECT_FALSE(CCmdLineParser(u"prog.exe -").Parsed());
  EXPECT_FALSE(CCmdLineParser(u"prog.exe /:").Parsed());
  EXPECT_FALSE(CCmdLineParser(u"/ - /:").Parsed());

  CCmdLineParser colon(u"prog.exe /name:");
  EXPECT_TRUE(colon.Parsed());
  EXPECT_EQ(colon.GetVal(u"NAME"), u"");

  CCmdLineParser dash(u"/a /");
  EXPECT_TRUE(dash.Parsed());
  EXPECT_EQ(dash.Values().size(), 1u);
  EXPECT_EQ(dash.GetVal(u"A"), u"");

  CCmdLineParser rest(u"/a -last");
  EXPECT_EQ(rest.GetVal(u"LAST"), u"");

  CCmdLineParser quote(u"/q:\"");
  EXPECT_EQ(quote.GetVal(u"Q"), u"");
}

TEST(CCmdLineParser, EmptyNamesAreSkippedButParsingGoesOn) {
  CCmdLineParser parser(u"/:v /b:2");
  EXPECT_TRUE(parser.Parsed());
  EXPECT_EQ(parser.Values().size(), 1u);
  EXPECT_EQ(parser.GetVal(u"B"), u"2");
  EXPECT_FALSE(parser.GetVal(u"").has_value());
}

TEST(CCmdLineParser, CaseSensitiveParserKeepsNamesAsWritten) {
  CCmdLineParser parser(u"/Ab:1 /ab:2", true);
  EXPECT_EQ(parser.GetVal(u"Ab"), u"1");
  EXPECT_EQ(parser.GetVal(u"ab"), u"2");
  EXPECT_FALSE(parser.GetVal(u"AB").has_value());
  CCmdLineParser folded(u"/Ab:1 /ab:2");
  EXPECT_EQ(folded.Values().size(), 1u);
  EXPECT_EQ(folded.Values().begin()->first, u"AB");
}

}  // namespace
