#include "bookmarks/BookmarkStore.h"

#include <algorithm>
#include <cctype>

#include "framework/WinApp.h"

namespace {

std::string NameEntry(int suffix) { return "Path" + std::to_string(suffix); }
std::string PathEntry(int suffix) { return "PathName" + std::to_string(suffix); }

int StoredCount(const CWinApp& app) {
  return app.GetProfileInt(kPathListSection, kCounterEntry, 0);
}

}  // namespace

int LoadBookmarkCount(const CWinApp& app) { return std::clamp(StoredCount(app), 0, kMaxBookmarks); }

bool LoadBookmark(const CWinApp& app, int index, std::string& name, std::string& path) {
  if (index < 0 || index >= StoredCount(app)) return false;
  const int suffix = index + 1;
  name = app.GetProfileString(kPathListSection, NameEntry(suffix).c_str());
  path = name.empty() ? std::string()
                      : app.GetProfileString(kPathListSection, PathEntry(suffix).c_str());
  return true;
}

bool SaveBookmarks(const CWinApp& app, const std::vector<Bookmark>& entries, int previousCount) {
  const int count = static_cast<int>(std::min<size_t>(entries.size(), kMaxBookmarks));
  bool ok = app.WriteProfileInt(kPathListSection, kCounterEntry, count);
  for (int i = 0; i < count; ++i) {
    const Bookmark& entry = entries[static_cast<size_t>(i)];
    const int suffix = i + 1;
    // An empty name deletes the old one, so it cannot come back with a new path.
    ok &= app.WriteProfileString(kPathListSection, NameEntry(suffix).c_str(),
                                 entry.name.empty() ? nullptr : entry.name.c_str());
    ok &= app.WriteProfileString(kPathListSection, PathEntry(suffix).c_str(),
                                 TrimPath(entry.path).c_str());
  }
  const int last = std::min(previousCount, kMaxBookmarks);
  for (int suffix = count + 1; suffix <= last; ++suffix) {
    ok &= app.WriteProfileString(kPathListSection, NameEntry(suffix).c_str(), nullptr);
    ok &= app.WriteProfileString(kPathListSection, PathEntry(suffix).c_str(), nullptr);
  }
  return ok;
}

std::string TrimPath(const std::string& path) {
  auto isSpace = [](char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; };
  const auto first = std::find_if_not(path.begin(), path.end(), isSpace);
  const auto last = std::find_if_not(path.rbegin(), path.rend(), isSpace).base();
  return first < last ? std::string(first, last) : std::string();
}
