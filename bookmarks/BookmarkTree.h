// The bookmark list as the Options dialog edits it: a flat tree of names
// whose item data index a table of folder paths.
#pragma once
#include <string>
#include <vector>

#include "bookmarks/BookmarkStore.h"
#include "framework/Controls.h"

class CWinApp;

// Every item is a root item; its text is the bookmark's name and its item
// data the index of its path in the path table. The item data of all items
// are exactly 0 .. path table size - 1, each once.
class CBookmarkTree : public CTreeCtrl {
 public:
  // Fills the tree from the stored list, sorted, with the first item selected.
  void LoadBookmarks(const CWinApp& app);
  // Appends an item named `name` with an empty path; not sorted yet.
  HTREEITEM AddBookmark(LPCSTR name);
  // Removes `item` and its path, renumbering the items above it. The caller
  // moves the selection away first.
  void DeleteBookmark(HTREEITEM item);
  // Writes the items in display order over the list that was loaded.
  bool SaveBookmarks(const CWinApp& app) const;

  // Sorts the items alphabetically by name with the control's own sort.
  void SortBookmarks() const { SortChildren(TVI_ROOT); }
  // The items in display order, each with its name and stored path.
  std::vector<Bookmark> Entries() const;

  // The path stored at `index`; empty when there is none.
  std::string GetPath(LPARAM index) const;
  // Replaces the path at `index` (and its exact text, if it had one).
  void SetPath(LPARAM index, const std::string& path);
  // The stored path at `index`, in UTF-8, where the ANSI code page cannot
  // hold it; empty otherwise.
  std::string GetExactPath(LPARAM index) const;
  // Takes `typed`, the path field's text, for `index`: the exact stored path
  // stays while the field shows its copy untouched; false, with nothing
  // changed, when the field lost characters the ANSI code page cannot hold
  // (the caller reports that).
  bool StoreTypedPath(LPARAM index, const std::string& typed);
  // Tells the user, once the current notification is over, that a text was
  // refused because this system's code page cannot hold it.
  void ReportUnstorableText();
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
  bool OnReportUnstorable(Message& msg);

  // The number of entries LoadBookmarks read, handed back to the save.
  int m_nLoadedCount = 0;
  CStringArray m_arrPaths;
  // Beside m_arrPaths, index for index: the stored name and path where the
  // ANSI code page cannot hold them (empty where it can), written back as
  // they are unless the user replaces them.
  struct ExactTexts {
    std::string name, path;  // UTF-8
  };
  std::vector<ExactTexts> m_exactTexts;
  // Set while a label edit is being ended without keeping its text.
  bool m_bCancellingEdit = false;
  // Set from a refusal until its box shows.
  bool m_bReportPending = false;
};
