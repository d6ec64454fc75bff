// The bookmark list in the registry, section "Path List": "Counter", then for
// k = 1 .. Counter "Path<k>" holding the display name and "PathName<k>"
// holding the folder path. Nothing is cached: every call reads the registry.
#pragma once
#include <string>
#include <vector>

#include "res/resource.h"

class CWinApp;

constexpr char kPathListSection[] = "Path List";
constexpr char kCounterEntry[] = "Counter";
// Section and entries of the settings.
constexpr char kCommandSection[] = "Command";
constexpr char kCommandEntry[] = "Command";
constexpr char kTreeEntry[] = "Tree";

// Menu command identifiers are 16 bits: bookmark i is command 200 + i, so no
// more bookmarks than this can be listed, and readers treat a larger
// "Counter" as this many.
constexpr int kMaxBookmarks = 0xFFFF - ID_TRAY_BOOKMARK_BASE + 1;

struct Bookmark {
  std::string name;
  std::string path;
  // The stored texts themselves, in UTF-8, where the ANSI code page cannot
  // hold them (empty otherwise): a save writes them back unchanged, and the
  // folder opens with the exact path, never with the lossy copy above.
  std::string exactName{};
  std::string exactPath{};
};

// Each operation below opens the section's key once, does all its reads or
// writes through it and closes it again: nothing is held between operations,
// so another instance's save is seen by the next one.

// "Counter", 0 when missing or negative, at most kMaxBookmarks. A "Counter"
// larger than the number of entries the key can hold is damaged: then the
// highest suffix of an entry that exists is the count.
int LoadBookmarkCount(const CWinApp& app);
// Entry `index` (0-based): false when index is not below the stored count
// (the outputs are then untouched). An entry with an empty name has an empty path.
bool LoadBookmark(const CWinApp& app, int index, std::string& name, std::string& path);
// The same, with the exact texts where the code page cannot hold them.
bool LoadBookmark(const CWinApp& app, int index, Bookmark& entry);
// The whole list: LoadBookmarkCount entries, each as LoadBookmark gives it;
// the names alone when `withPaths` is false.
std::vector<Bookmark> LoadBookmarks(const CWinApp& app, bool withPaths = true);
// Rewrites the list: "Counter", then each entry's name and trimmed path (its
// exact texts, where it has them, unchanged), then
// deletes the surplus suffixes from entries.size() + 1 up to previousCount or
// the count stored now, whichever is larger (another instance may have saved
// a longer list meanwhile). Every write is attempted; answers false when any
// of them failed.
bool SaveBookmarks(const CWinApp& app, const std::vector<Bookmark>& entries, int previousCount);

// The path without leading and trailing white space (the C library's class).
std::string TrimPath(const std::string& path);
