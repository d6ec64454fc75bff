#include "bookmarks/BookmarkStore.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "framework/RegKey.h"
#include "framework/WinApp.h"

namespace {

std::string NameEntry(int suffix) { return "Path" + std::to_string(suffix); }
std::string PathEntry(int suffix) { return "PathName" + std::to_string(suffix); }

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

// The count that readers use, read through an open section key.
int CountIn(const CRegKey& key) {
  const int count = std::clamp(key.ReadInt(kCounterEntry, 0), 0, kMaxBookmarks);
  if (count == 0) return 0;
  // Every entry holds at least one value. A "Counter" beyond what the key
  // holds is damaged: the list ends at the highest entry that really exists.
  DWORD values = 0, longestName = 0;
  if (::RegQueryInfoKeyA(key.Get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values,
                         &longestName, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
    return count;
  }
  const int entriesHeld = values > 0 ? static_cast<int>(values - 1) : 0;  // all but "Counter"
  if (count <= entriesHeld) return count;
  return HighestStoredSuffix(key.Get(), values, longestName, count);
}

// Entry `suffix`: its name, and its path when the name is not empty.
Bookmark EntryIn(const CRegKey& key, int suffix, bool withPath = true) {
  Bookmark entry;
  entry.name = key.ReadText(NameEntry(suffix).c_str(), entry.exactName);
  if (withPath && !entry.name.empty())
    entry.path = key.ReadText(PathEntry(suffix).c_str(), entry.exactPath);
  return entry;
}

CRegKey ReadListKey(const CWinApp& app) { return app.GetSectionKey(kPathListSection, KEY_READ); }

}  // namespace

int LoadBookmarkCount(const CWinApp& app) {
  const CRegKey key = ReadListKey(app);
  return key ? CountIn(key) : 0;
}

bool LoadBookmark(const CWinApp& app, int index, Bookmark& entry) {
  const CRegKey key = ReadListKey(app);
  if (index < 0 || index >= key.ReadInt(kCounterEntry, 0)) return false;
  entry = EntryIn(key, index + 1);
  return true;
}

bool LoadBookmark(const CWinApp& app, int index, std::string& name, std::string& path) {
  Bookmark entry;
  if (!LoadBookmark(app, index, entry)) return false;
  name = std::move(entry.name);
  path = std::move(entry.path);
  return true;
}

std::vector<Bookmark> LoadBookmarks(const CWinApp& app, bool withPaths) {
  const CRegKey key = ReadListKey(app);
  std::vector<Bookmark> entries;
  if (!key) return entries;
  const int count = CountIn(key);
  entries.reserve(static_cast<size_t>(count));
  for (int suffix = 1; suffix <= count; ++suffix)
    entries.push_back(EntryIn(key, suffix, withPaths));
  return entries;
}

bool SaveBookmarks(const CWinApp& app, const std::vector<Bookmark>& entries, int previousCount) {
  const CRegKey key = app.GetSectionKey(kPathListSection);
  if (!key) return false;
  const int stored = CountIn(key);
  const int count = static_cast<int>(std::min<size_t>(entries.size(), kMaxBookmarks));
  bool ok = key.WriteInt(kCounterEntry, count);
  for (int i = 0; i < count; ++i) {
    const Bookmark& entry = entries[static_cast<size_t>(i)];
    const int suffix = i + 1;
    const std::string name = NameEntry(suffix), path = PathEntry(suffix);
    // An empty name deletes the old one, so it cannot come back with a new path.
    if (!entry.exactName.empty()) {
      ok &= key.WriteExactText(name.c_str(), entry.exactName);
    } else {
      ok &= entry.name.empty() ? key.DeleteValue(name.c_str())
                               : key.WriteText(name.c_str(), entry.name.c_str());
    }
    ok &= entry.exactPath.empty() ? key.WriteText(path.c_str(), TrimPath(entry.path).c_str())
                                  : key.WriteExactText(path.c_str(), entry.exactPath);
  }
  const int last = std::min(std::max(previousCount, stored), kMaxBookmarks);
  for (int suffix = count + 1; suffix <= last; ++suffix) {
    ok &= key.DeleteValue(NameEntry(suffix).c_str());
    ok &= key.DeleteValue(PathEntry(suffix).c_str());
  }
  return ok;
}

std::string TrimPath(const std::string& path) {
  auto isSpace = [](char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; };
  const auto first = std::find_if_not(path.begin(), path.end(), isSpace);
  const auto last = std::find_if_not(path.rbegin(), path.rend(), isSpace).base();
  return first < last ? std::string(first, last) : std::string();
}
