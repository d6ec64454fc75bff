// What opening a folder starts, and how failures are reported.
#include <gtest/gtest.h>
#include <windows.h>
#include <shellapi.h>

#include <cstring>

#include "app/FolderOpener.h"
#include "bookmarks/BookmarkStore.h"
#include "framework/WinApp.h"
#include "res/resource.h"
#include "tests/unit/TestSupport.h"

namespace {

struct LaunchCase {
  const char* program;
  int tree;
  const char *path, *file, *parameters, *directory;
};

TEST(FolderLaunchTest, WhatIsStartedForEachSetting) {
  const LaunchCase cases[] = {
      {"", 1, "C:\\Data", "explorer", "/e,/n,C:\\Data", "/e,/n,C:\\Data"},
      {"", 0, "C:\\Data", "explorer", "C:\\Data", "C:\\Data"},
      {"", 2, "C:\\Data", "explorer", "C:\\Data", "C:\\Data"},
      {"", -1, "C:\\Data", "explorer", "C:\\Data", "C:\\Data"},
      {"", 1, "/root,C:\\Data", "explorer", "/root,C:\\Data", "/root,C:\\Data"},
      {"", 1, "", "explorer", "/e,/n,", "/e,/n,"},
      {"", 0, "", "explorer", "", ""},
      {"", 1, "C:\\My Documents", "explorer", "/e,/n,C:\\My Documents", "/e,/n,C:\\My Documents"},
      // Explorer splits its parameters at commas and equals signs.
      {"", 1, "C:\\Photos, 2023", "explorer", "/e,/n,\"C:\\Photos, 2023\"",
       "/e,/n,\"C:\\Photos, 2023\""},
      {"", 0, "C:\\a=b", "explorer", "\"C:\\a=b\"", "\"C:\\a=b\""},
      {"", 1, "\"C:\\x,y\"", "explorer", "/e,/n,\"C:\\x,y\"", "/e,/n,\"C:\\x,y\""},
      // Another program gets the path as its one argument, quoted when needed.
      {"C:\\Tools\\open.exe", 1, "C:\\Data", "C:\\Tools\\open.exe", "C:\\Data", "C:\\Data"},
      {"C:\\o.exe", 0, "/x", "C:\\o.exe", "/x", "/x"},
      {"C:\\o.exe", 1, "C:\\My Docs\\", "C:\\o.exe", "\"C:\\My Docs\\\\\"", "C:\\My Docs\\"},
      {"C:\\o.exe", 1, "\"C:\\My Docs\"", "C:\\o.exe", "\"C:\\My Docs\"", "\"C:\\My Docs\""},
  };
  const std::string explorer = ExplorerPath();
  for (const LaunchCase& c : cases) {
    SCOPED_TRACE(std::string(c.program) + " | " + std::to_string(c.tree) + " | " + c.path);
    const FolderLaunch launch = BuildFolderLaunch(c.program, c.tree, c.path);
    EXPECT_EQ(*c.program ? c.file : explorer, launch.file);
    EXPECT_EQ(c.parameters, launch.parameters);
    EXPECT_EQ(c.directory, launch.directory);
  }
}

// A current directory holds MAX_PATH - 2 characters: a longer folder is still
// the argument, but the program starts in the caller's folder.
TEST(FolderLaunchTest, FolderTooLongForAWorkingDirectoryIsOnlyTheArgument) {
  for (const size_t length : {size_t{MAX_PATH - 2}, size_t{MAX_PATH - 1}, size_t{400}}) {
    const std::string path = "C:\\" + std::string(length - 3, 'x');
    const bool fits = length <= MAX_PATH - 2;
    EXPECT_EQ(fits ? path : "", BuildFolderLaunch("C:\\o.exe", 1, path).directory) << length;
    EXPECT_EQ(fits ? path : "", BuildFolderLaunch("", 0, path).directory) << length;
    EXPECT_EQ(path, BuildFolderLaunch("C:\\o.exe", 1, path).parameters) << length;
  }
}

// The argument splitter of the system reads the built command line back as
// exactly the stored path, and the command processor sees its specials quoted.
TEST(FolderLaunchTest, CommandProgramGetsThePathAsOneIntactArgument) {
  const char* paths[] = {"C:\\My Docs\\", "\\\\server\\My Share\\",
                         "C:\\R&D",       "C:\\a,b",
                         "C:\\a=b",       "C:\\x^y",
                         "C:\\",          "C:\\50% (off)",
                         "C:\\a;b!c",     "C:\\tab\there\\",
                         "C:\\plain"};
  for (const char* path : paths) {
    SCOPED_TRACE(path);
    const FolderLaunch launch = BuildFolderLaunch("C:\\o.exe", 1, path);
    const std::string line = "\"" + launch.file + "\" " + launch.parameters;
    int count = 0;
    LPWSTR* argv = ::CommandLineToArgvW(Wide(line, CP_ACP).c_str(), &count);
    ASSERT_TRUE(argv);
    ASSERT_EQ(2, count);
    char back[MAX_PATH] = {};
    ::WideCharToMultiByte(CP_ACP, 0, argv[1], -1, back, sizeof(back), nullptr, nullptr);
    ::LocalFree(argv);
    EXPECT_EQ(path, std::string(back));
    const bool special = std::strpbrk(path, " \t&|<>^()%!,;=") != nullptr;
    EXPECT_EQ(special, launch.parameters.front() == '"');
    EXPECT_EQ(path, launch.directory);
  }
}

// A bare Command name is found as the system finds programs, never in the
// current folder (the one a folder launch would hand over).
TEST(FolderLaunchTest, CommandIsResolvedWithoutTheCurrentFolder) {
  char temp[MAX_PATH] = {}, previous[MAX_PATH] = {};
  ::GetTempPathA(sizeof(temp), temp);
  const std::string folder = std::string(temp) + "pathstow-resolve";
  ::CreateDirectoryA(folder.c_str(), nullptr);
  const std::string planted = folder + "\\onlyhere.exe";
  ::CloseHandle(
      ::CreateFileA(planted.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  ::GetCurrentDirectoryA(sizeof(previous), previous);
  ::SetCurrentDirectoryA(folder.c_str());

  const char registered[] =
      "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\pathstow-opener.exe";
  const char value[] = "\"%WINDIR%\\Tools\\opener.exe\"";
  ::RegSetKeyValueA(HKEY_CURRENT_USER, registered, nullptr, REG_EXPAND_SZ, value, sizeof(value));

  const std::string windows = ExplorerPath().substr(0, ExplorerPath().rfind('\\'));
  EXPECT_EQ(windows + "\\Tools\\opener.exe", ResolveProgram("pathstow-opener"));
  EXPECT_EQ("", ResolveProgram("onlyhere"));
  EXPECT_EQ("", ResolveProgram("onlyhere.exe"));
  EXPECT_EQ(folder + "\\sub\\tool.exe", ResolveProgram("sub\\tool.exe"));
  EXPECT_EQ("D:\\Tools\\open.exe", ResolveProgram("\"D:\\Tools\\open.exe\""));
  const std::string notepad = ResolveProgram("notepad");
  EXPECT_NE(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesA(notepad.c_str())) << notepad;
  EXPECT_EQ(0, lstrcmpiA(windows.c_str(), notepad.substr(0, windows.size()).c_str())) << notepad;

  ::RegDeleteKeyA(HKEY_CURRENT_USER, registered);
  ::SetCurrentDirectoryA(previous);
  ::DeleteFileA(planted.c_str());
  ::RemoveDirectoryA(folder.c_str());
}

TEST(FolderLaunchTest, ErrorTextsForShellResults) {
  EXPECT_EQ(static_cast<UINT>(IDS_OUT_OF_MEMORY), LaunchErrorStringId(0));
  EXPECT_EQ(static_cast<UINT>(IDS_COMMAND_NOT_FOUND), LaunchErrorStringId(2));
  EXPECT_EQ(static_cast<UINT>(IDS_PATH_NOT_FOUND), LaunchErrorStringId(3));
  EXPECT_EQ(static_cast<UINT>(IDS_ACCESS_DENIED), LaunchErrorStringId(5));  // 5 gives 114
  EXPECT_EQ(static_cast<UINT>(IDS_BAD_FORMAT), LaunchErrorStringId(11));    // 11 gives 113
  const std::pair<INT_PTR, UINT> others[] = {
      {SE_ERR_OOM, IDS_LAUNCH_OUT_OF_MEMORY},
      {SE_ERR_SHARE, IDS_LAUNCH_SHARE},
      {SE_ERR_ASSOCINCOMPLETE, IDS_LAUNCH_ASSOC_INCOMPLETE},
      {SE_ERR_DDETIMEOUT, IDS_LAUNCH_DDE_TIMEOUT},
      {SE_ERR_DDEFAIL, IDS_LAUNCH_DDE_FAIL},
      {SE_ERR_DDEBUSY, IDS_LAUNCH_DDE_BUSY},
      {SE_ERR_NOASSOC, IDS_LAUNCH_NO_ASSOC},
      {SE_ERR_DLLNOTFOUND, IDS_LAUNCH_DLL_NOT_FOUND},
      {1, IDS_LAUNCH_FAILED},
      {4, IDS_LAUNCH_FAILED},
      {-7, IDS_LAUNCH_FAILED},
  };
  for (const auto& [result, id] : others) {
    EXPECT_EQ(id, LaunchErrorStringId(result)) << result;
    EXPECT_FALSE(LoadResString(id).empty()) << id;  // every failure says something
  }
}

class OpenBookmarkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    app.m_wndHidden.CreateEx(0, "STATIC", "Dummy", 0, 0, 0, 0, 0, nullptr, nullptr);
    SaveBookmarks(app, {{"Data", "C:\\Data"}, {"Empty", ""}}, 0);
    app.m_nTree = 1;
  }
  FakeShell shell;
  MessageBoxWatcher watcher;
  TestApp app;
};

TEST_F(OpenBookmarkTest, StoredBookmarkStartsExplorerOwnedByTheHiddenWindow) {
  app.OpenMenuBookmark(0);
  ASSERT_EQ(1u, shell.executions.size());
  const FakeShell::Execution& run = shell.executions[0];
  EXPECT_EQ(app.m_wndHidden.m_hWnd, run.owner);
  EXPECT_EQ("open", run.verb);
  EXPECT_EQ(ExplorerPath(), run.file);
  EXPECT_EQ("/e,/n,C:\\Data", run.parameters);
  EXPECT_EQ("/e,/n,C:\\Data", run.directory);
  EXPECT_EQ(SW_SHOWNORMAL, run.showCommand);
  EXPECT_TRUE(watcher.Boxes().empty());
}

TEST_F(OpenBookmarkTest, GivenPathWinsOverTheStoredOne) {
  app.OpenFolder("D:\\Typed", "", 0, nullptr);
  ASSERT_EQ(1u, shell.executions.size());
  EXPECT_EQ("D:\\Typed", shell.executions[0].parameters);
}

TEST_F(OpenBookmarkTest, CommandProgramIsUsedWhenSet) {
  app.m_strCommand = "C:\\Tools\\open.exe";
  app.OpenMenuBookmark(0);
  ASSERT_EQ(1u, shell.executions.size());
  EXPECT_EQ("C:\\Tools\\open.exe", shell.executions[0].file);
  EXPECT_EQ("C:\\Data", shell.executions[0].parameters);
}

TEST_F(OpenBookmarkTest, CommandThatCannotBeFoundIsReportedWithoutLaunch) {
  app.m_strCommand = "pathstow-no-such-program";
  app.OpenMenuBookmark(0);
  EXPECT_TRUE(shell.executions.empty());
  const auto boxes = watcher.Boxes();
  ASSERT_EQ(1u, boxes.size());
  EXPECT_EQ("Command not found", boxes[0].text);
}

TEST_F(OpenBookmarkTest, PositionBeyondTheListIsReportedWithoutLaunch) {
  app.SetDword(kPathListSection, "Counter", 1);  // shortened after the menu was built
  app.OpenMenuBookmark(1);
  EXPECT_TRUE(shell.executions.empty());
  const auto boxes = watcher.Boxes();
  ASSERT_EQ(1u, boxes.size());
  EXPECT_EQ("Cannot find this name in the registry", boxes[0].text);
  EXPECT_EQ("Error", boxes[0].caption);
  EXPECT_EQ(static_cast<UINT>(MB_ICONHAND), boxes[0].icon);
}

TEST_F(OpenBookmarkTest, LaunchFailuresShowTheirText) {
  const std::pair<INT_PTR, const char*> failures[] = {
      {0, "Out of memory or resources"},
      {2, "Command not found"},
      {3, "Path of command not found"},
      {5, "Access denied"},
      {11, "Wrong .exe format"},
      {31, "No program is registered for this type of file"},
      {26, "A sharing violation occurred"},
      {4, "The folder could not be opened (error 4)"},
  };
  for (const auto& [result, text] : failures) {
    shell.executeResult = result;
    app.OpenMenuBookmark(0);
  }
  shell.executeResult = 33;
  app.OpenMenuBookmark(0);  // above 32: success, no box
  const auto boxes = watcher.Boxes();
  ASSERT_EQ(std::size(failures), boxes.size());
  for (size_t i = 0; i < boxes.size(); ++i) {
    EXPECT_EQ(failures[i].second, boxes[i].text);
    EXPECT_EQ("Error", boxes[i].caption);
    EXPECT_EQ(app.m_wndHidden.m_hWnd, boxes[i].owner);
  }
}

}  // namespace
