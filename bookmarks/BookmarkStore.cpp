#include "bookmarks/BookmarkStore.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "framework/WinApp.h"

namespace {

std::string NameEntry(int suffix) { return "Path" + std::to_string(suffix); }
std::string PathEntry(int suffix) { return "PathName" + std::to_string(suffix); }

int StoredCount(const CWinApp& app) {
  return app.GetProfileInt(kPathListSection, kCounterEntry, 0);
}

// The k of an entry name "Path<k>" or "PathName<k>" (k written as the
// readers write it: decimal, no leading zero); 0 for any other name.
long long EntrySuffix(const char* name) {
  const char* digits = nullptr;
  if (_strnicmp(name, "PathName", 8) == 0) {
    digits = name + 8;
  } else if (_strnicmp(name, "Path", 4) == 0) {
    digits = name + 4;
  } else {
    return 0;
  }
  if (*digits < '1' || *digits > '9') return 0;
  long long suffix = 0;
  for (const char* p = digits; *p; ++p) {
    if (*p < '0' || *p > '9') return 0;
    suffix = suffix * 10 + (*p - '0');
    if (suffix > kMaxBookmarks) return kMaxBookmarks + 1LL;  // beyond any count read
  }
  return suffix;
}

// The highest entry suffix up to `count` among the key's value names.
int HighestStoredSuffix(HKEY key, DWORD valueCount, DWORD longestName, int count) {
  std::vector<char> name(static_cast<size_t>(longestName) + 1);
  int highest = 0;
  for (DWORD i = 0; i < valueCount; ++i) {
    DWORD length = static_cast<DWORD>(name.size());
    if (::RegEnumValueA(key, i, name.data(), &length, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS) {
      continue;
    }
    const long long suffix = EntrySuffix(name.data());
    if (suffix <= count && suffix > highest) highest = static_cast<int>(suffix);
  }
  return highest;
}

}  // namespace

int LoadBookmarkCount(const CWinApp& app) {
  const int count = std::clamp(StoredCount(app), 0, kMaxBookmarks);
  if (count == 0) return 0;
  // Every entry holds at least one value. A "Counter" beyond what the key
  // holds is damaged: the list ends at the highest entry that really exists.
  CRegKey key = app.GetSectionKey(kPathListSection, KEY_READ);
  DWORD values = 0, longestName = 0;
  if (!key ||
      ::RegQueryInfoKeyA(key.m_hKey, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values,
                         &longestName, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
    return count;
  }
  const int entriesHeld = values > 0 ? static_cast<int>(values - 1) : 0;  // all but "Counter"
  if (count <= entriesHeld) return count;
  return HighestStoredSuffix(key.m_hKey, values, longestName, count);
}

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
