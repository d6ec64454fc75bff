// The bookmark list as the Options dialog edits it: a flat tree of names
// whose item data index a table of folder paths.
#pragma once
#include <string>
#include <vector>

#include "bookmarks/BookmarkStore.h"
#include "framework/Controls.h"

class CFolderTrayApp;

// Every item is a root item; its text is the bookmark's name and its item
// data the index of its path in the path table. The item data of all items
// are exactly 0 .. path table size - 1, each once.
class CBookmarkTree : public CTreeCtrl {
 public:
  // Fills the tree from the stored list, sorted, with the first item selected.
  void LoadBookmarks(const CFolderTrayApp& app);
  // Appends an item named `name` with an empty path; not sorted yet.
  HTREEITEM AddBookmark(LPCSTR name);
  // Removes `item` and its path, renumbering the items above it. The caller
  // moves the selection away first.
  void DeleteBookmark(HTREEITEM item);
  // Writes the items in display order over the list that was loaded.
  bool SaveBookmarks(const CFolderTrayApp& app) const;

  // Sorts the items alphabetically by name with the control's own sort.
  void SortBookmarks() const { SortChildren(TVI_ROOT); }
  // The items in display order, each with its name and stored path.
  std::vector<Bookmark> Entries() const;

  // The path stored at `index`; empty when there is none.
  std::string GetPath(LPARAM index) const;
  void SetPath(LPARAM index, const std::string& path);
  std::string GetItemPath(HTREEITEM item) const {
    return GetPath(static_cast<LPARAM>(GetItemData(item)));
  }

  int LoadedCount() const { return m_nLoadedCount; }
  const CStringArray& Paths() const { return m_arrPaths; }

 protected:
  const MessageMap* GetMessageMap() const override;

 private:
  bool OnEndLabelEdit(Message& msg);
  bool OnKeyDown(Message& msg);
  bool OnEndEditLabelNow(Message& msg);

  // The number of entries LoadBookmarks read, handed back to the save.
  int m_nLoadedCount = 0;
  CStringArray m_arrPaths;
  // Set while a label edit is being ended without keeping its text.
  bool m_bCancellingEdit = false;
};
