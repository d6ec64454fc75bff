// The bookmark list in the real registry.
#include <gtest/gtest.h>

#include "bookmarks/BookmarkStore.h"
#include "framework/Text.h"
#include "tests/unit/TestSupport.h"

namespace {

using Entry = std::pair<std::string, std::string>;  // a name and a path
const Entry kNotLoaded{"<not loaded>", ""};

class BookmarkStoreTest : public ::testing::Test {
 protected:
  std::string Read(const std::string& name) const {
    return app.GetProfileString(kPathListSection, name.c_str(), "<missing>");
  }
  bool Has(const std::string& name) const { return app.HasValue(kPathListSection, name.c_str()); }
  // Entry `index` as LoadBookmark gives it, into texts that start filled so
  // that an entry read as empty shows; kNotLoaded when the load fails.
  Entry Load(int index) const {
    Entry entry{"<unset>", "<unset>"};
    return LoadBookmark(app, index, entry.first, entry.second) ? entry : kNotLoaded;
  }

  TestApp app;
};

TEST_F(BookmarkStoreTest, EmptyRegistryGivesAnEmptyListAndCreatesTheSection) {
  EXPECT_EQ(0, LoadBookmarkCount(app));
  EXPECT_TRUE(app.HasKey(kPathListSection));
  std::string name = "kept", path = "kept";
  EXPECT_FALSE(LoadBookmark(app, 0, name, path));
  EXPECT_EQ("kept", name);  // outputs untouched on failure
  EXPECT_EQ("kept", path);
}

TEST_F(BookmarkStoreTest, EntriesReadBySuffixWithHolesAndNamelessEntries) {
  app.StoreList({{"Docs", "C:\\Docs"}}, 3);
  ASSERT_EQ(Entry("Docs", "C:\\Docs"), Load(0));
  for (int index : {1, 2}) EXPECT_EQ(Entry("", ""), Load(index)) << index;
  EXPECT_EQ(kNotLoaded, Load(3));
  EXPECT_EQ(kNotLoaded, Load(-1));

  // A path without a name is not read.
  app.SetString(kPathListSection, "PathName2", "C:\\Orphan");
  EXPECT_EQ(Entry("", ""), Load(1));
}

// The whole list read through one key gives, entry by entry, what the reads
// of single entries give, also for values of the wrong type or shape.
TEST_F(BookmarkStoreTest, WholeListReadsAsSingleEntriesDo) {
  app.StoreList({{"Docs", "C:\\Docs"}, {"", "C:\\Orphan"}, {"x", "y"}, {"z", "w"}}, 6);
  const DWORD number = 7;
  const char multi[] = "first\0second\0";
  const char unterminated[] = {'a', 'b', 'c'};
  app.SetRaw(kPathListSection, "Path3", REG_DWORD, &number, sizeof(number));
  app.SetRaw(kPathListSection, "PathName4", REG_BINARY, unterminated, sizeof(unterminated));
  app.SetRaw(kPathListSection, "Path4", REG_MULTI_SZ, multi, sizeof(multi));
  app.SetRaw(kPathListSection, "Path5", REG_SZ, unterminated, sizeof(unterminated));
  app.SetRaw(kPathListSection, "PathName5", REG_EXPAND_SZ, "%TEMP%", 7);
  const std::vector<Bookmark> list = LoadBookmarks(app);
  ASSERT_EQ(6u, list.size());
  for (int i = 0; i < 6; ++i) {
    const Bookmark& whole = list[static_cast<size_t>(i)];
    ASSERT_EQ(Load(i), Entry(whole.name, whole.path)) << i;
  }
  EXPECT_EQ("first", list[3].name);
  EXPECT_EQ("abc", list[4].name);
  EXPECT_EQ("%TEMP%", list[4].path);
  EXPECT_EQ("", LoadBookmarks(app, false)[0].path);  // names alone
}

TEST_F(BookmarkStoreTest, CountIsReadAfreshOnEveryCall) {
  app.StoreList({{"A", "a"}, {"B", "b"}}, 2);
  EXPECT_EQ(Entry("B", "b"), Load(1));
  app.SetDword(kPathListSection, "Counter", 1);  // another instance shortened the list
  EXPECT_EQ(kNotLoaded, Load(1));
  EXPECT_EQ(1, LoadBookmarkCount(app));
}

TEST_F(BookmarkStoreTest, CounterOutOfRangeIsClampedForEveryReader) {
  app.SetDword(kPathListSection, "Counter", static_cast<DWORD>(-1));
  EXPECT_EQ(0, LoadBookmarkCount(app));
  EXPECT_EQ(kNotLoaded, Load(0));

  // 200 + i must stay a 16-bit command, whatever entries exist above.
  app.SetString(kPathListSection, "Path65336", "last");
  app.SetString(kPathListSection, "PathName65337", "beyond");
  for (DWORD counter : {65336u, 65337u, 0x7FFFFFFFu}) {
    app.SetDword(kPathListSection, "Counter", counter);
    EXPECT_EQ(kMaxBookmarks, LoadBookmarkCount(app)) << counter;
  }
}

// A "Counter" beyond what the key can hold ends at the highest entry that
// exists: holes below it stay, nothing above it is invented.
TEST_F(BookmarkStoreTest, DamagedCounterEndsAtTheHighestStoredEntry) {
  const std::pair<std::vector<const char*>, int> cases[] = {
      {{"Path1", "PathName1"}, 1},
      {{"Path1", "PathName1", "PathName7"}, 7},
      {{"Path1", "Path01", "Path3x", "Other9", "pathname4"}, 4},
      {{}, 0},
  };
  for (const auto& [names, expected] : cases) {
    TestApp fresh;
    for (const char* name : names) fresh.SetString(kPathListSection, name, "x");
    fresh.SetDword(kPathListSection, "Counter", 0x7FFFFFFF);
    EXPECT_EQ(expected, LoadBookmarkCount(fresh)) << names.size();
  }
  // A sound list keeps its count, holes and all.
  app.StoreList({{"a", "A"}, {"b", "B"}, {"c", "C"}});
  app.SetDword(kPathListSection, "Counter", 3);
  app.SetRaw(kPathListSection, "Path2", REG_NONE, nullptr, 0);
  EXPECT_EQ(3, LoadBookmarkCount(app));
}

TEST_F(BookmarkStoreTest, SavingFewerEntriesDeletesTheSurplusSuffixes) {
  app.StoreList({{"1", "p1"}, {"2", "p2"}, {"3", "p3"}, {"4", "p4"}, {"5", "p5"}}, 5);
  app.SetString(kPathListSection, "Path9", "beyond");
  EXPECT_TRUE(SaveBookmarks(app, {{"Alpha", "C:\\A"}, {"Beta", "C:\\B"}}, 5));
  EXPECT_EQ(2, LoadBookmarkCount(app));
  EXPECT_EQ("Alpha", Read("Path1"));
  EXPECT_EQ("C:\\B", Read("PathName2"));
  for (int k = 3; k <= 5; ++k) {
    EXPECT_FALSE(Has("Path" + std::to_string(k)));
    EXPECT_FALSE(Has("PathName" + std::to_string(k)));
  }
  EXPECT_EQ("beyond", Read("Path9"));  // above both counts: untouched
}

TEST_F(BookmarkStoreTest, SavingMoreEntriesWritesThemAllAndDeletesNothing) {
  app.StoreList({{"1", "p1"}, {"2", "p2"}}, 2);
  app.SetString(kPathListSection, "Path7", "beyond");
  EXPECT_TRUE(SaveBookmarks(app, {{"a", "1"}, {"b", "2"}, {"c", "3"}, {"d", "4"}}, 2));
  EXPECT_EQ(4, LoadBookmarkCount(app));
  EXPECT_EQ("d", Read("Path4"));
  EXPECT_EQ("4", Read("PathName4"));
  EXPECT_EQ("beyond", Read("Path7"));
}

TEST_F(BookmarkStoreTest, PathsAreTrimmedNamesAreNot) {
  EXPECT_TRUE(SaveBookmarks(app, {{"  Spaced name ", " \t C:\\My Docs \r\n\v\f"}}, 0));
  EXPECT_EQ("  Spaced name ", Read("Path1"));
  EXPECT_EQ("C:\\My Docs", Read("PathName1"));
  EXPECT_EQ("", TrimPath(" \t\r\n "));
  EXPECT_EQ("\xA0x\xA0", TrimPath("\xA0x\xA0"));  // only the C library's white space
}

TEST_F(BookmarkStoreTest, EmptyNameDeletesTheOldNameButKeepsThePath) {
  app.StoreList({{"Old name", "C:\\Old"}}, 1);
  EXPECT_TRUE(SaveBookmarks(app, {{"", " C:\\New "}}, 1));
  EXPECT_FALSE(Has("Path1"));
  EXPECT_EQ("C:\\New", Read("PathName1"));
  // The old name cannot come back paired with the new path.
  EXPECT_EQ(Entry("", ""), Load(0));
}

TEST_F(BookmarkStoreTest, EmptyPathIsStoredAsAnEmptyText) {
  EXPECT_TRUE(SaveBookmarks(app, {{"Nowhere", "   "}}, 0));
  EXPECT_TRUE(Has("PathName1"));
  EXPECT_EQ("", Read("PathName1"));
}

TEST_F(BookmarkStoreTest, TwoProgramNamesKeepTwoLists) {
  TestApp other;
  SaveBookmarks(app, {{"Mine", "C:\\Mine"}}, 0);
  SaveBookmarks(other, {{"Theirs", "C:\\Theirs"}, {"More", "C:\\More"}}, 0);
  EXPECT_EQ(1, LoadBookmarkCount(app));
  EXPECT_EQ(2, LoadBookmarkCount(other));
  EXPECT_EQ(Entry("Mine", "C:\\Mine"), Load(0));
}

TEST_F(BookmarkStoreTest, SpecialCharactersSurviveARoundTrip) {
  const std::string name = "R&D \"Caf\xE9\"\t, =";
  const std::string path = "C:\\R&D, 2023\\\xE9t\xE9";
  SaveBookmarks(app, {{name, path}}, 0);
  EXPECT_EQ(Entry(name, path), Load(0));
}

// Names and folders in any script, as another program stores them: what the
// ANSI code page cannot hold is kept exactly, so a load and a save leave every
// text as it was, whatever that code page is.
const std::pair<std::wstring, std::wstring> kScripts[] = {
    {L"\u041f\u0440\u043e\u0435\u043a\u0442\u044b \u65e5\u672c",
     L"C:\\\u041f\u0440\u043e\u0435\u043a\u0442\u044b \u65e5\u672c"},
    {L"\u00c9l\u00e9ments", L"C:\\Donn\u00e9es"},
    {L"\u03a9\u03bc\u03ad\u03b3\u03b1", L"D:\\\u0395\u03bb\u03bb\u03b7\u03bd\u03b9\u03ba\u03ac"},
    {L"\U0001F4C1 Sync", L"C:\\Sync \U0001F4C1"},  // a pair of surrogates each
    {L"Plain", L"C:\\Plain"},
};

TEST_F(BookmarkStoreTest, TextsOfAnyScriptSurviveALoadAndASave) {
  std::vector<Bookmark> stored;
  for (const auto& [name, path] : kScripts) stored.push_back({"", "", Utf8(name), Utf8(path)});
  app.StoreList(stored);
  const std::vector<Bookmark> loaded = LoadBookmarks(app);
  ASSERT_EQ(std::size(kScripts), loaded.size());
  ASSERT_TRUE(SaveBookmarks(app, loaded, static_cast<int>(loaded.size())));
  for (size_t i = 0; i < loaded.size(); ++i) {
    const std::string k = std::to_string(i + 1);
    EXPECT_EQ(kScripts[i].first, app.ReadWide(kPathListSection, ("Path" + k).c_str())) << k;
    EXPECT_EQ(kScripts[i].second, app.ReadWide(kPathListSection, ("PathName" + k).c_str())) << k;
    // What the code page holds comes as text, the rest exactly.
    std::string ansi;
    EXPECT_EQ(AnsiFromWide(kScripts[i].first.c_str(), ansi), loaded[i].exactName.empty()) << k;
    EXPECT_EQ(ansi, loaded[i].name) << k;
  }
}

}  // namespace
