// The Options dialog against its real template, a real tree control and the
// real registry of a private application area.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <algorithm>
#include <set>

#include "app/FolderOpener.h"
#include "bookmarks/BookmarkStore.h"
#include "bookmarks/OptionsDialog.h"
#include "framework/Text.h"
#include "framework/WinApp.h"
#include "tests/unit/RunDialog.h"
#include "tests/unit/TestSupport.h"

namespace {

using ::testing::UnorderedElementsAreArray;
using Options = RunningDialog<COptionsDialog>;

// An allocator that counts what it is asked to free.
class CountingMalloc : public IMalloc {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** out) override {
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
  ULONG STDMETHODCALLTYPE Release() override { return --refs; }
  void* STDMETHODCALLTYPE Alloc(SIZE_T) override { return nullptr; }
  void* STDMETHODCALLTYPE Realloc(void*, SIZE_T) override { return nullptr; }
  void STDMETHODCALLTYPE Free(void* block) override { freed.push_back(block); }
  SIZE_T STDMETHODCALLTYPE GetSize(void*) override { return 0; }
  int STDMETHODCALLTYPE DidAlloc(void*) override { return -1; }
  void STDMETHODCALLTYPE HeapMinimize() override {}

  ULONG refs = 0;
  std::vector<void*> freed;
};

// The recording shell, with a folder browser that answers as told.
class BrowsingShell : public FakeShell {
 public:
  HRESULT GetMalloc(IMalloc** out) override {
    if (!mallocAvailable) return E_FAIL;
    malloc.AddRef();
    *out = &malloc;
    return S_OK;
  }
  PIDLIST_ABSOLUTE BrowseForFolder(BROWSEINFOW* info) override {
    browseCalls.push_back(*info);
    browseTitles.push_back(Narrow(info->lpszTitle));
    return chosen;
  }
  std::string GetPathFromIDList(PCIDLIST_ABSOLUTE) override { return hasPath ? folder : ""; }

  CountingMalloc malloc;
  bool mallocAvailable = true;
  ITEMIDLIST folderItem{};
  PIDLIST_ABSOLUTE chosen = &folderItem;  // nullptr: cancelled
  bool hasPath = true;
  std::string folder;  // UTF-8
  std::vector<BROWSEINFOW> browseCalls;
  std::vector<std::string> browseTitles;
};

using Texts = std::vector<std::pair<std::wstring, std::wstring>>;

class OptionsDialogTest : public ::testing::Test {
 protected:
  // Every stored entry as (name, folder) in order, read as another program reads them.
  Texts StoredTexts() const {
    Texts texts;
    for (int k = 1; k <= app.GetProfileInt(kPathListSection, kCounterEntry, 0); ++k) {
      const std::string n = std::to_string(k);
      texts.push_back({app.ReadWide(kPathListSection, ("Path" + n).c_str()),
                       app.ReadWide(kPathListSection, ("PathName" + n).c_str())});
    }
    return texts;
  }

  // Runs the dialog with `body` inside its modal loop; answers the dialog's window.
  HWND Run(const std::function<void(Options&, CBookmarkTree&)>& body) {
    HWND window = nullptr;
    const auto run = [&](Options& d) {
      window = d.m_hWnd;
      body(d, d.m_treeBookmarks);
    };
    Options(run, app).DoModal();
    return window;
  }
  HWND Run(const std::function<void(Options&)>& body) {
    return Run([&](Options& d, CBookmarkTree&) { body(d); });
  }

  TestApp app;
  BrowsingShell shell;
  MessageBoxWatcher watcher;
};

// --- what the body sees of the dialog ---
std::string FieldText(Options& d) { return d.m_editPath.GetWindowText(); }
void SetField(Options& d, const char* text) { d.m_editPath.SetWindowText(text); }

// Item data are exactly 0 .. paths - 1, each once.
void ExpectConsistent(const CBookmarkTree& tree) {
  std::multiset<DWORD_PTR> data, expected;
  for (HTREEITEM item = tree.GetRootItem(); item; item = tree.GetNextSiblingItem(item)) {
    data.insert(tree.GetItemData(item));
  }
  for (size_t i = 0; i < tree.Paths().size(); ++i) expected.insert(i);
  EXPECT_EQ(expected, data);
  EXPECT_EQ(tree.Paths().size(), static_cast<size_t>(tree.GetCount()));
}

void Click(Options& d, int id) {
  ::SendMessageA(d.GetDlgItem(id), BM_CLICK, 0, 0);
  PumpMessages();
}

// What Windows' dialog manager sends for Enter and Esc, whatever has the focus.
void Command(Options& d, int id) {
  d.SendMessage(WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(d.GetDlgItem(id)));
  PumpMessages();
}

// Double clicks the middle of `item`'s label; `pump` runs what that posted.
void DoubleClick(Options& d, HTREEITEM item, bool pump = true) {
  RECT rect{};
  std::memcpy(&rect, &item, sizeof(item));  // the item goes in, its rectangle comes out
  d.m_treeBookmarks.SendMessage(TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(&rect));
  const LPARAM at = MAKELPARAM((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
  d.m_treeBookmarks.SendMessage(WM_LBUTTONDBLCLK, MK_LBUTTON, at);
  if (pump) PumpMessages();
}

const std::vector<Bookmark> kFive = {{"Echo", "C:\\e"},
                                     {"alpha", "C:\\a"},
                                     {"Delta", "C:\\d"},
                                     {"Bravo", "C:\\b"},
                                     {"Charlie", "C:\\c"}};

// --- opening ---
TEST_F(OptionsDialogTest, OpensEmptyListWithNothingSelected) {
  app.m_nTree = 1;
  Run([](Options& d, CBookmarkTree& tree) {
    EXPECT_EQ(0u, tree.GetCount());
    EXPECT_EQ(nullptr, tree.GetSelectedItem());
    EXPECT_EQ("", FieldText(d));
    EXPECT_EQ(BST_CHECKED, ::IsDlgButtonChecked(d.m_hWnd, IDC_SHOW_TREE));
    EXPECT_EQ(1, d.m_nTree);
    EXPECT_EQ(tree.m_hWnd, ::GetFocus());
  });
}

TEST_F(OptionsDialogTest, NegativeCounterOpensEmptyList) {
  app.SetDword(kPathListSection, kCounterEntry, static_cast<DWORD>(-3));
  Run([](Options&, CBookmarkTree& tree) {
    EXPECT_EQ(0u, tree.GetCount());
    EXPECT_EQ(0u, tree.Paths().size());
    EXPECT_EQ(0, tree.LoadedCount());
  });
}

TEST_F(OptionsDialogTest, OpensSortedWithFirstSelectedAndItsPathShown) {
  app.StoreList(kFive);
  app.m_nTree = 2;  // any value but 1: without the tree
  Run([](Options& d, CBookmarkTree& tree) {
    EXPECT_EQ((std::vector<std::string>{"alpha", "Bravo", "Charlie", "Delta", "Echo"}),
              Names(tree));
    EXPECT_EQ("alpha", SelectedName(tree));
    EXPECT_EQ("C:\\a", FieldText(d));
    EXPECT_EQ(5, tree.LoadedCount());
    ExpectConsistent(tree);
    EXPECT_EQ(BST_UNCHECKED, ::IsDlgButtonChecked(d.m_hWnd, IDC_SHOW_TREE));
    EXPECT_EQ(0, d.m_nTree);
  });
}

TEST_F(OptionsDialogTest, TemplateGivesTabOrderCaptionAndTaskbarButton) {
  Run([](Options& d, CBookmarkTree& tree) {
    const int expected[] = {IDC_BOOKMARK_TREE, IDC_PATH,         IDC_BROWSE, IDC_ADD,
                            IDC_DELETE,        IDC_ABOUT_BUTTON, IDOK,       IDCANCEL,
                            IDC_SHOW_TREE,     IDC_BOOKMARK_TREE};
    HWND control = d.GetDlgItem(IDC_BOOKMARK_TREE);
    for (int id : expected) {
      EXPECT_EQ(id, ::GetDlgCtrlID(control));
      control = ::GetNextDlgTabItem(d.m_hWnd, control, FALSE);
    }
    EXPECT_EQ("Pathstow", d.GetWindowText());
    EXPECT_TRUE(::GetWindowLongA(d.m_hWnd, GWL_EXSTYLE) & WS_EX_APPWINDOW);
    EXPECT_TRUE(d.GetStyle() & WS_MINIMIZEBOX);
    const DWORD treeStyle = TVS_EDITLABELS | TVS_DISABLEDRAGDROP | TVS_SHOWSELALWAYS;
    EXPECT_EQ(treeStyle, tree.GetStyle() & (treeStyle | TVS_HASLINES | TVS_HASBUTTONS));
    EXPECT_NE(nullptr, reinterpret_cast<HICON>(d.SendMessage(WM_GETICON, ICON_BIG)));
    EXPECT_NE(nullptr, reinterpret_cast<HICON>(d.SendMessage(WM_GETICON, ICON_SMALL)));
  });
}

// --- selection, Add, Delete ---
TEST_F(OptionsDialogTest, SelectionChangeStoresTheFieldForTheItemLeft) {
  app.StoreList({{"One", "C:\\1"}, {"Two", "C:\\2"}});
  Run([](Options& d, CBookmarkTree& tree) {
    SetField(d, "C:\\typed");
    tree.SelectItem(Find(tree, "Two"));
    EXPECT_EQ("C:\\2", FieldText(d));
    EXPECT_EQ("C:\\typed", tree.GetItemPath(Find(tree, "One")));
    EXPECT_EQ("C:\\2", tree.GetItemPath(Find(tree, "Two")));
  });
}

TEST_F(OptionsDialogTest, AddAppendsNewItemSelectedAndInEdit) {
  app.StoreList({{"Zulu", "C:\\z"}});
  Run([](Options& d, CBookmarkTree& tree) {
    SetField(d, "C:\\zz");
    Click(d, IDC_ADD);
    EXPECT_EQ(LoadResString(IDS_NEW_BOOKMARK), SelectedName(tree));
    EXPECT_NE(nullptr, tree.GetEditControl());
    EXPECT_EQ("", FieldText(d));
    EXPECT_EQ("C:\\zz", tree.GetItemPath(Find(tree, "Zulu")));
    // Not sorted until the edit ends.
    EXPECT_EQ((std::vector<std::string>{"Zulu", LoadResString(IDS_NEW_BOOKMARK)}), Names(tree));
    ExpectConsistent(tree);
    tree.EndEditLabelNow(TRUE);
  });
}

TEST_F(OptionsDialogTest, DeleteSelectsNextElsePreviousAndRenumbers) {
  app.StoreList(kFive);
  Run([](Options& d, CBookmarkTree& tree) {
    // In the middle and at the start the next one is selected, at the end the one above.
    const struct {
      const char *deleted, *selected, *field;
    } steps[] = {
        {"Charlie", "Delta", "C:\\d"}, {"alpha", "Bravo", "C:\\b"}, {"Echo", "Delta", "C:\\d"}};
    for (const auto& step : steps) {
      SCOPED_TRACE(step.deleted);
      tree.SelectItem(Find(tree, step.deleted));
      Click(d, IDC_DELETE);
      EXPECT_EQ(step.selected, SelectedName(tree));
      EXPECT_EQ(step.field, FieldText(d));
      ExpectConsistent(tree);
    }
    EXPECT_EQ((std::vector<std::string>{"Bravo", "Delta"}), Names(tree));
    EXPECT_EQ("C:\\b", tree.GetItemPath(Find(tree, "Bravo")));
    EXPECT_EQ("C:\\d", tree.GetItemPath(Find(tree, "Delta")));
  });
}

TEST_F(OptionsDialogTest, DeletingTheOnlyBookmarkKeepsItsPathInTheField) {
  app.StoreList({{"Only", "C:\\only"}});
  Run([](Options& d, CBookmarkTree& tree) {
    Click(d, IDC_DELETE);
    EXPECT_EQ(0u, tree.GetCount());
    EXPECT_EQ(0u, tree.Paths().size());
    EXPECT_EQ("C:\\only", FieldText(d));
    // Nothing selected any more: Delete and double click do nothing.
    Click(d, IDC_DELETE);
    NMHDR click{tree.m_hWnd, IDC_BOOKMARK_TREE, static_cast<UINT>(NM_DBLCLK)};
    d.SendMessage(WM_NOTIFY, IDC_BOOKMARK_TREE, reinterpret_cast<LPARAM>(&click));
    EXPECT_TRUE(d.ContinueModal());
  });
  EXPECT_TRUE(shell.executions.empty());
}

// --- label edits and the keys that end them ---
TEST_F(OptionsDialogTest, OkDuringLabelEditCommitsTheLabelAndStaysOpen) {
  app.StoreList({{"Bravo", "C:\\b"}});
  Run([](Options& d, CBookmarkTree& tree) {
    Click(d, IDC_ADD);
    ::SetWindowTextA(tree.GetEditControl(), "Alpha");
    Command(d, IDOK);
    EXPECT_TRUE(d.ContinueModal());
    EXPECT_EQ(nullptr, tree.GetEditControl());
    EXPECT_EQ((std::vector<std::string>{"Alpha", "Bravo"}), Names(tree));
    // The new bookmark has no path yet: the path field is next.
    EXPECT_EQ(d.m_editPath.m_hWnd, ::GetFocus());
  });
  EXPECT_EQ((Texts{{L"Bravo", L"C:\\b"}}), StoredTexts());  // nothing written
}

TEST_F(OptionsDialogTest, CancelDuringLabelEditDiscardsTheTextAndStaysOpen) {
  app.StoreList({{"Alpha", "C:\\a"}, {"Papa", "C:\\p"}});
  Run([](Options& d, CBookmarkTree& tree) {
    Click(d, IDC_ADD);
    ::SetWindowTextA(tree.GetEditControl(), "Zulu");
    Command(d, IDCANCEL);
    EXPECT_TRUE(d.ContinueModal());
    EXPECT_EQ(nullptr, tree.GetEditControl());
    // The item keeps the name it was added with, sorted in.
    EXPECT_EQ((std::vector<std::string>{"Alpha", LoadResString(IDS_NEW_BOOKMARK), "Papa"}),
              Names(tree));
  });
}

TEST_F(OptionsDialogTest, EnterAndEscInsideTheEditBoxNeverCloseTheDialog) {
  app.StoreList({{"Bravo", "C:\\b"}});
  Run([](Options& d, CBookmarkTree& tree) {
    for (WPARAM key : {WPARAM{VK_RETURN}, WPARAM{VK_ESCAPE}}) {
      Click(d, IDC_ADD);
      HWND edit = tree.GetEditControl();
      ASSERT_NE(nullptr, edit);
      // Through the modal loop's own filter, as typed keys arrive.
      MSG msg{edit, WM_KEYDOWN, key, 0, 0, {}};
      if (!CWnd::WalkPreTranslateTree(&msg)) ::DispatchMessageA(&msg);
      PumpMessages();
      EXPECT_TRUE(d.ContinueModal());
      EXPECT_EQ(nullptr, tree.GetEditControl());
    }
  });
}

// --- OK and Cancel ---
TEST_F(OptionsDialogTest, OkWritesAlphabeticalListDeletesSurplusAndTree) {
  app.StoreList(kFive);
  app.m_nTree = 1;
  Run([](Options& d, CBookmarkTree& tree) {
    for (const char* name : {"alpha", "Charlie", "Echo"}) {
      tree.SelectItem(Find(tree, name));
      Click(d, IDC_DELETE);
    }
    // The path typed for the selected item is saved without a selection change.
    tree.SelectItem(Find(tree, "Delta"));
    SetField(d, "  C:\\new delta  ");
    Click(d, IDC_SHOW_TREE);
    EXPECT_EQ(0, d.m_nTree);
    Click(d, IDOK);
    EXPECT_FALSE(d.ContinueModal());
  });
  EXPECT_EQ((Texts{{L"Bravo", L"C:\\b"}, {L"Delta", L"C:\\new delta"}}), StoredTexts());
  for (int k = 3; k <= 5; ++k) {
    EXPECT_FALSE(app.HasValue(kPathListSection, ("Path" + std::to_string(k)).c_str()));
    EXPECT_FALSE(app.HasValue(kPathListSection, ("PathName" + std::to_string(k)).c_str()));
  }
  EXPECT_EQ(0, app.m_nTree);
  EXPECT_EQ(0, app.GetProfileInt(kCommandSection, kTreeEntry, -1));
}

TEST_F(OptionsDialogTest, EditedPathSurvivesSelectingAnotherBookmarkBeforeOk) {
  app.StoreList({{"One", "C:\\1"}, {"Two", "C:\\2"}});
  Run([](Options& d, CBookmarkTree& tree) {
    SetField(d, "C:\\one edited");
    tree.SelectItem(Find(tree, "Two"));
    Click(d, IDOK);
  });
  EXPECT_EQ((Texts{{L"One", L"C:\\one edited"}, {L"Two", L"C:\\2"}}), StoredTexts());
}

TEST_F(OptionsDialogTest, CancelWritesNothing) {
  app.StoreList({{"Bravo", "C:\\b"}, {"alpha", "C:\\a"}});
  app.m_nTree = 1;
  Run([](Options& d) {
    Click(d, IDC_ADD);
    Click(d, IDC_SHOW_TREE);  // takes the focus: the edit ends
    Click(d, IDC_DELETE);
    Click(d, IDCANCEL);
    EXPECT_FALSE(d.ContinueModal());
  });
  EXPECT_EQ((Texts{{L"Bravo", L"C:\\b"}, {L"alpha", L"C:\\a"}}), StoredTexts());
  EXPECT_EQ(1, app.m_nTree);
  EXPECT_EQ(-1, app.GetProfileInt(kCommandSection, kTreeEntry, -1));
}

TEST_F(OptionsDialogTest, FailedSaveIsReportedAndKeepsTheDialogOpen) {
  app.StoreList({{"Bravo", "C:\\b"}});
  app.m_nTree = 1;
  const HWND dialog = Run([&](Options& d, CBookmarkTree& tree) {
    // A volatile application key refuses the lasting section keys below it.
    ::RegDeleteTreeA(HKEY_CURRENT_USER, app.RegistryPath().c_str());
    ::RegDeleteKeyA(HKEY_CURRENT_USER, app.RegistryPath().c_str());
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS,
              ::RegCreateKeyExA(HKEY_CURRENT_USER, app.RegistryPath().c_str(), 0, nullptr,
                                REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr, &key, nullptr));
    ::RegCloseKey(key);
    SetField(d, "C:\\kept");
    Click(d, IDC_SHOW_TREE);
    Click(d, IDOK);
    EXPECT_EQ(1, app.m_nTree);  // the running program keeps what was saved
    EXPECT_TRUE(d.ContinueModal());
    EXPECT_EQ("C:\\kept", FieldText(d));
    EXPECT_EQ((std::vector<std::string>{"Bravo"}), Names(tree));
  });
  const auto boxes = watcher.Boxes();
  ASSERT_EQ(1u, boxes.size());
  EXPECT_EQ(LoadResString(IDS_ERROR), boxes[0].caption);
  EXPECT_EQ(LoadResString(IDS_SAVE_FAILED), boxes[0].text);
  EXPECT_EQ(static_cast<UINT>(MB_ICONHAND), boxes[0].icon);
  EXPECT_EQ(dialog, boxes[0].owner);
}

// --- double click and Browse ---
TEST_F(OptionsDialogTest, DoubleClickOpensTheStoredPathWithTheCheckBoxState) {
  app.StoreList({{"Data", "C:\\Data"}});
  app.m_nTree = 1;
  Run([](Options& d, CBookmarkTree& tree) {
    SetField(d, "C:\\typed but not stored");
    DoubleClick(d, Find(tree, "Data"));
    Click(d, IDC_SHOW_TREE);
    DoubleClick(d, Find(tree, "Data"));
    EXPECT_TRUE(d.ContinueModal());
    Click(d, IDCANCEL);
  });
  ASSERT_EQ(2u, shell.executions.size());
  EXPECT_EQ(ExplorerPath(), shell.executions[0].file);
  EXPECT_EQ("/e,/n,C:\\Data", shell.executions[0].parameters);
  EXPECT_EQ("C:\\Data", shell.executions[1].parameters);
  EXPECT_EQ(1, app.m_nTree);
}

// The open runs once the tree is done with its notification, and its error
// box holds the dialog disabled: nothing can delete the item under the tree.
TEST_F(OptionsDialogTest, FailedDoubleClickOpenIsReportedOverTheDisabledDialog) {
  app.StoreList({{"Data", "C:\\Data"}});
  shell.executeResult = ERROR_FILE_NOT_FOUND;
  const HWND dialog = Run([&](Options& d, CBookmarkTree& tree) {
    DoubleClick(d, Find(tree, "Data"), false);
    EXPECT_TRUE(shell.executions.empty());  // not from inside the notification
    PumpUntil([&] { return !watcher.Boxes().empty(); });
    EXPECT_TRUE(::IsWindowEnabled(d.m_hWnd));  // again, once the box has gone
  });
  ASSERT_EQ(1u, shell.executions.size());
  EXPECT_EQ(dialog, shell.executions[0].owner);
  const auto boxes = watcher.Boxes();
  ASSERT_EQ(1u, boxes.size());
  EXPECT_EQ("Command not found", boxes[0].text);
  EXPECT_EQ(dialog, boxes[0].owner);
  EXPECT_FALSE(boxes[0].ownerEnabled);
}

TEST_F(OptionsDialogTest, BrowsePutsTheChosenFolderIntoTheFieldOnly) {
  app.StoreList({{"Data", "C:\\Data"}});
  shell.folder = "C:\\Chosen";
  Run([this](Options& d, CBookmarkTree& tree) {
    Click(d, IDC_BROWSE);
    EXPECT_EQ("C:\\Chosen", FieldText(d));
    EXPECT_EQ("C:\\Data", tree.GetItemPath(Find(tree, "Data")));
    ASSERT_EQ(1u, shell.browseCalls.size());
    const BROWSEINFOW& info = shell.browseCalls[0];
    EXPECT_EQ(d.m_hWnd, info.hwndOwner);
    EXPECT_EQ(nullptr, info.pidlRoot);
    EXPECT_NE(nullptr, info.pszDisplayName);
    EXPECT_EQ(9u, info.ulFlags);
    EXPECT_EQ(nullptr, info.lpfn);
    EXPECT_EQ(LoadResString(IDS_BROWSE_TITLE), shell.browseTitles[0]);
    EXPECT_EQ(std::vector<void*>{&shell.folderItem}, shell.malloc.freed);
    EXPECT_EQ(0u, shell.malloc.refs);

    // Cancelled, or no file-system path: the field stays.
    shell.hasPath = false;
    Click(d, IDC_BROWSE);
    shell.chosen = nullptr;
    Click(d, IDC_BROWSE);
    EXPECT_EQ("C:\\Chosen", FieldText(d));
    EXPECT_EQ(0u, shell.malloc.refs);

    // No allocator: no browser either.
    shell.mallocAvailable = false;
    Click(d, IDC_BROWSE);
    EXPECT_EQ(3u, shell.browseCalls.size());
    Click(d, IDOK);
  });
  EXPECT_EQ((Texts{{L"Data", L"C:\\Chosen"}}), StoredTexts());
}

// --- names and folders that the code page may not hold ---
const std::vector<Bookmark> kScripts = {
    {"", "", u8"\u0414\u043e\u043a\u0443\u043c\u0435\u043d\u0442\u044b",
     u8"C:\\\u0414\u0430\u043d\u043d\u044b\u0435"},
    {"", "", u8"\u65e5\u672c\u8a9e \U0001F4C1", u8"C:\\\u65e5\u672c\u8a9e"},
    {"Plain", "C:\\Plain"}};
// No ANSI code page but UTF-8 holds an emoji.
const std::string kUnstorable = u8"C:\\\U0001F4C1";

// The entry's text as stored (UTF-16), exact or in the ANSI code page.
std::wstring StoredText(const std::string& ansi, const std::string& exact) {
  return exact.empty() ? Wide(ansi, CP_ACP) : Wide(exact);
}

TEST_F(OptionsDialogTest, OkNeverChangesATextTheUserDidNotEdit) {
  app.StoreList(kScripts);
  const Texts before = StoredTexts();
  Run([](Options& d) { Click(d, IDOK); });  // saved in the tree's order
  EXPECT_THAT(StoredTexts(), UnorderedElementsAreArray(before));
  // Another bookmark's folder edited: only that one changes.
  Run([](Options& d, CBookmarkTree& tree) {
    tree.SelectItem(Find(tree, "Plain"));
    SetField(d, "C:\\Edited");
    Click(d, IDOK);
  });
  Texts expected = before;
  expected.back().second = L"C:\\Edited";  // Plain, stored last
  EXPECT_THAT(StoredTexts(), UnorderedElementsAreArray(expected));
}

TEST_F(OptionsDialogTest, StoredTextsAreShownAsStoredAndOpenedExactly) {
  app.StoreList(kScripts);
  app.m_nTree = 1;
  Run([](Options& d, CBookmarkTree& tree) {
    for (HTREEITEM item = tree.GetRootItem(); item; item = tree.GetNextSiblingItem(item)) {
      tree.SelectItem(item);
      WCHAR shown[256] = {};
      TVITEMW info{TVIF_TEXT, item, 0, 0, shown, 256, 0, 0, 0, 0};
      tree.SendMessage(TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&info));
      const auto entry = std::find_if(kScripts.begin(), kScripts.end(), [&](const Bookmark& b) {
        return StoredText(b.name, b.exactName) == shown;
      });
      ASSERT_NE(kScripts.end(), entry) << Utf8(shown);
      // The field holds what the code page holds: a lossy copy of an exact path.
      EXPECT_EQ(Narrow(StoredText(entry->path, entry->exactPath).c_str()), FieldText(d));
      DoubleClick(d, item);
    }
  });
  ASSERT_EQ(kScripts.size(), shell.executions.size());
  std::multiset<std::string> opened, stored;
  for (const auto& run : shell.executions) opened.insert(run.parameters);
  for (const Bookmark& b : kScripts)
    stored.insert("/e,/n," + Utf8(StoredText(b.path, b.exactPath)));
  EXPECT_EQ(stored, opened);
}

// Where the code page cannot hold a typed, renamed or browsed text, it is
// refused with a box over the dialog and nothing is written.
TEST_F(OptionsDialogTest, TextsTheCodePageCannotHoldAreRefusedAndNothingIsWritten) {
  ASSERT_NE(UINT{CP_UTF8}, ::GetACP()) << "the unit tests run in the system's own code page";
  app.StoreList({{"Plain", "C:\\Plain"}});
  shell.folder = kUnstorable;
  const HWND dialog = Run([&](Options& d, CBookmarkTree& tree) {
    const auto refused = [&](size_t count) {
      return PumpUntil([&] { return watcher.Boxes().size() >= count; });
    };
    Click(d, IDC_BROWSE);  // a folder whose path the code page cannot hold
    EXPECT_TRUE(refused(1));
    EXPECT_EQ("C:\\Plain", FieldText(d));

    HWND edit = tree.EditLabel(tree.GetRootItem());
    ::SetWindowTextW(edit, Wide(kUnstorable).c_str());
    tree.EndEditLabelNow(FALSE);
    EXPECT_TRUE(refused(2));
    EXPECT_EQ("Plain", SelectedName(tree));

    ::SetWindowTextW(d.m_editPath.m_hWnd, Wide(kUnstorable).c_str());
    Click(d, IDOK);
    EXPECT_TRUE(refused(3));
    EXPECT_TRUE(d.ContinueModal());  // the dialog stays
    EXPECT_EQ("C:\\Plain", tree.GetItemPath(tree.GetRootItem()));
  });
  EXPECT_EQ((Texts{{L"Plain", L"C:\\Plain"}}), StoredTexts());
  EXPECT_EQ(std::vector<std::string>(3, LoadResString(IDS_TEXT_NOT_STORABLE)), watcher.Texts());
  for (const SeenBox& box : watcher.Boxes()) EXPECT_EQ(dialog, box.owner);
}

// The folder browser's answer arrives whole, however long it is.
TEST_F(OptionsDialogTest, BrowsedFolderLongerThanMaxPathArrivesWhole) {
  shell.folder = "C:\\" + std::string(400, 'd');
  Run([&](Options& d) {
    Click(d, IDC_BROWSE);
    EXPECT_EQ(shell.folder, FieldText(d));
  });
}

}  // namespace
