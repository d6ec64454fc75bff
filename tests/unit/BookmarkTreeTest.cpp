// CBookmarkTree on its own, in a plain dialog built from the Options
// template: loading, the path-table bookkeeping, label edits and F2.
#include <gtest/gtest.h>

#include <set>

#include "bookmarks/BookmarkStore.h"
#include "bookmarks/BookmarkTree.h"
#include "framework/Dialog.h"
#include "tests/unit/RunDialog.h"
#include "tests/unit/TestSupport.h"

namespace {

// A dialog that binds only the tree, so that the tree handles its
// notifications through reflection from a parent that knows nothing of it.
class TreeHost : public CDialog {
 public:
  TreeHost() : CDialog(IDD_OPTIONS) {}
  CBookmarkTree tree;

 protected:
  void DoDataExchange(CDataExchange* dx) override { DDX_Control(dx, IDC_BOOKMARK_TREE, tree); }
};

using Host = RunningDialog<TreeHost>;

class BookmarkTreeTest : public ::testing::Test {
 protected:
  void Run(const std::function<void(CBookmarkTree&, Host&)>& body) {
    Host host([&](Host& h) {
      h.tree.LoadBookmarks(app);
      body(h.tree, h);
    });
    host.DoModal();
  }

  TestApp app;
};

std::multiset<DWORD_PTR> ItemData(const CBookmarkTree& tree) {
  std::multiset<DWORD_PTR> data;
  for (HTREEITEM item = tree.GetRootItem(); item; item = tree.GetNextSiblingItem(item))
    data.insert(tree.GetItemData(item));
  return data;
}

std::multiset<DWORD_PTR> Range(size_t count) {
  std::multiset<DWORD_PTR> range;
  for (size_t i = 0; i < count; ++i) range.insert(i);
  return range;
}

// Edits the label of `item` to `text`, then ends the edit with `key` from
// inside its edit box, as the keyboard does.
void EditLabel(CBookmarkTree& tree, HTREEITEM item, const char* text, WPARAM key) {
  tree.EditLabel(item);
  HWND edit = tree.GetEditControl();
  ASSERT_NE(nullptr, edit);
  ::SetWindowTextA(edit, text);
  ::SendMessageA(edit, WM_KEYDOWN, key, 0);
  PumpMessages();
}

TEST_F(BookmarkTreeTest, LoadKeepsStoredIndexesBehindTheSortedItems) {
  app.StoreList(
      {{"Charlie", "C:\\c"}, {"alpha", "C:\\a"}, {"", "C:\\ignored"}, {"Bravo", "C:\\b"}});
  Run([](CBookmarkTree& tree, Host&) {
    EXPECT_EQ((std::vector<std::string>{"", "alpha", "Bravo", "Charlie"}), Names(tree));
    EXPECT_EQ(Range(4), ItemData(tree));
    EXPECT_EQ(3u, tree.GetItemData(Find(tree, "Bravo")));
    EXPECT_EQ("C:\\b", tree.GetItemPath(Find(tree, "Bravo")));
    // A bookmark without a name has no path.
    EXPECT_EQ("", tree.GetItemPath(Find(tree, "")));
    EXPECT_EQ(4, tree.LoadedCount());
    EXPECT_EQ("", tree.GetItemText(tree.GetSelectedItem()));
  });
}

TEST_F(BookmarkTreeTest, AddAndDeleteKeepItemDataDense) {
  app.StoreList({{"A", "C:\\a"}, {"B", "C:\\b"}, {"C", "C:\\c"}, {"D", "C:\\d"}});
  Run([](CBookmarkTree& tree, Host&) {
    HTREEITEM added = tree.AddBookmark("E");
    EXPECT_EQ(4u, tree.GetItemData(added));
    tree.SetPath(4, "C:\\e");
    EXPECT_EQ(Range(5), ItemData(tree));

    for (const char* name : {"B", "A", "E"}) {  // middle, start, end of the table
      HTREEITEM item = Find(tree, name);
      tree.SelectItem(tree.GetNextVisibleItem(item) ? tree.GetNextVisibleItem(item)
                                                    : tree.GetPrevVisibleItem(item));
      tree.DeleteBookmark(item);
      EXPECT_EQ(Range(tree.GetCount()), ItemData(tree)) << "after deleting " << name;
      EXPECT_EQ(tree.GetCount(), tree.Paths().size());
    }
    EXPECT_EQ((std::vector<std::string>{"C", "D"}), Names(tree));
    EXPECT_EQ("C:\\c", tree.GetItemPath(Find(tree, "C")));
    EXPECT_EQ("C:\\d", tree.GetItemPath(Find(tree, "D")));
  });
}

TEST_F(BookmarkTreeTest, AcceptedLabelIsSortedInAndFocusGoesToAnEmptyPath) {
  app.StoreList({{"Bravo", "C:\\b"}, {"Delta", "C:\\d"}});
  Run([](CBookmarkTree& tree, Host& host) {
    HTREEITEM added = tree.AddBookmark("New");
    tree.SelectItem(added);
    EditLabel(tree, added, "Charlie", VK_RETURN);
    EXPECT_EQ((std::vector<std::string>{"Bravo", "Charlie", "Delta"}), Names(tree));
    EXPECT_EQ(host.GetDlgItem(IDC_PATH), ::GetFocus());

    // A bookmark with a path keeps the focus where it is.
    ::SetFocus(tree.m_hWnd);
    EditLabel(tree, Find(tree, "Delta"), "Alpha", VK_RETURN);
    EXPECT_EQ((std::vector<std::string>{"Alpha", "Bravo", "Charlie"}), Names(tree));
    EXPECT_EQ("C:\\d", tree.GetItemPath(Find(tree, "Alpha")));
    EXPECT_EQ(tree.m_hWnd, ::GetFocus());
  });
}

TEST_F(BookmarkTreeTest, AcceptedEmptyLabelAndCancelledEdit) {
  app.StoreList({{"Bravo", "C:\\b"}, {"Alpha", "C:\\a"}});
  Run([](CBookmarkTree& tree, Host&) {
    EditLabel(tree, Find(tree, "Bravo"), "Zulu", VK_ESCAPE);
    EXPECT_EQ((std::vector<std::string>{"Alpha", "Bravo"}), Names(tree));

    tree.EditLabel(Find(tree, "Bravo"));
    ::SetWindowTextA(tree.GetEditControl(), "");
    tree.EndEditLabelNow(FALSE);
    EXPECT_EQ((std::vector<std::string>{"", "Alpha"}), Names(tree));
  });
}

TEST_F(BookmarkTreeTest, F2EditsTheSelectedLabel) {
  app.StoreList({{"Bravo", "C:\\b"}, {"Alpha", "C:\\a"}});
  Run([](CBookmarkTree& tree, Host&) {
    ::SetFocus(tree.m_hWnd);
    tree.SelectItem(Find(tree, "Bravo"));
    tree.SendMessage(WM_KEYDOWN, VK_F2, 0);
    HWND edit = tree.GetEditControl();
    ASSERT_NE(nullptr, edit);
    char text[32] = {};
    ::GetWindowTextA(edit, text, sizeof(text));
    EXPECT_STREQ("Bravo", text);
    tree.EndEditLabelNow(TRUE);
  });
}

}  // namespace
