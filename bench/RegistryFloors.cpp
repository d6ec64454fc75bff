#include "bench/RegistryFloors.h"

#include <windows.h>

#include <cstdio>

namespace {

constexpr REGSAM kAccess = KEY_READ | KEY_WRITE;

bool Query(HKEY key, const char* entry) {
  BYTE data[1024];
  DWORD size = sizeof(data);
  return ::RegQueryValueExA(key, entry, nullptr, nullptr, data, &size) == ERROR_SUCCESS;
}

void EntryNames(int suffix, char (&name)[32], char (&path)[32]) {
  std::snprintf(name, sizeof(name), "Path%d", suffix);
  std::snprintf(path, sizeof(path), "PathName%d", suffix);
}

bool QueryLiterally(const std::string& application, const char* section, const char* entry) {
  HKEY software = nullptr, company = nullptr, app = nullptr, key = nullptr;
  bool ok = false;
  if (::RegOpenKeyExA(HKEY_CURRENT_USER, "software", 0, kAccess, &software) == ERROR_SUCCESS &&
      ::RegCreateKeyExA(software, "Kelvane", 0, nullptr, 0, kAccess, nullptr, &company, nullptr) ==
          ERROR_SUCCESS &&
      ::RegCreateKeyExA(company, application.c_str(), 0, nullptr, 0, kAccess, nullptr, &app,
                        nullptr) == ERROR_SUCCESS &&
      ::RegCreateKeyExA(app, section, 0, nullptr, 0, kAccess, nullptr, &key, nullptr) ==
          ERROR_SUCCESS) {
    ok = Query(key, entry);
  }
  for (HKEY opened : {key, app, company, software}) {
    if (opened) ::RegCloseKey(opened);
  }
  return ok;
}

}  // namespace

int ReadThroughOneKey(const std::string& sectionPath, int count) {
  HKEY key = nullptr;
  if (::RegOpenKeyExA(HKEY_CURRENT_USER, sectionPath.c_str(), 0, kAccess, &key) != ERROR_SUCCESS) {
    return 0;
  }
  int reads = Query(key, kCounterEntry) ? 1 : 0;
  for (int k = 1; k <= count; ++k) {
    char name[32], path[32];
    EntryNames(k, name, path);
    reads += Query(key, kCounterEntry) ? 1 : 0;
    reads += Query(key, name) ? 1 : 0;
    reads += Query(key, path) ? 1 : 0;
  }
  ::RegCloseKey(key);
  return reads;
}

int ReadLiterally(const std::string& application, const char* section, int count) {
  int reads = QueryLiterally(application, section, kCounterEntry) ? 1 : 0;
  for (int k = 1; k <= count; ++k) {
    char name[32], path[32];
    EntryNames(k, name, path);
    reads += QueryLiterally(application, section, kCounterEntry) ? 1 : 0;
    reads += QueryLiterally(application, section, name) ? 1 : 0;
    reads += QueryLiterally(application, section, path) ? 1 : 0;
  }
  return reads;
}

bool WriteThroughOneKey(const std::string& sectionPath, const std::vector<Bookmark>& entries) {
  HKEY key = nullptr;
  if (::RegCreateKeyExA(HKEY_CURRENT_USER, sectionPath.c_str(), 0, nullptr, 0, kAccess, nullptr,
                        &key, nullptr) != ERROR_SUCCESS) {
    return false;
  }
  const DWORD count = static_cast<DWORD>(entries.size());
  bool ok = ::RegSetValueExA(key, kCounterEntry, 0, REG_DWORD,
                             reinterpret_cast<const BYTE*>(&count), sizeof(count)) == ERROR_SUCCESS;
  int k = 0;
  for (const Bookmark& entry : entries) {
    char name[32], path[32];
    EntryNames(++k, name, path);
    ok &= ::RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(entry.name.c_str()),
                           static_cast<DWORD>(entry.name.size() + 1)) == ERROR_SUCCESS;
    ok &= ::RegSetValueExA(key, path, 0, REG_SZ, reinterpret_cast<const BYTE*>(entry.path.c_str()),
                           static_cast<DWORD>(entry.path.size() + 1)) == ERROR_SUCCESS;
  }
  ::RegCloseKey(key);
  return ok;
}
