// Profile settings in the registry. Every read or write opens the section's
// key, uses it and closes it again, so nothing is held between calls.
#include <vector>

#include "framework/WinApp.h"

namespace {
constexpr REGSAM kAccess = KEY_READ | KEY_WRITE;

bool IsText(DWORD type) { return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ; }
}  // namespace

CRegKey CWinApp::GetSectionKey(LPCSTR section) const {
  if (m_strRegistryKey.empty()) return CRegKey();
  // The whole path in one call when it exists: every registry call is a round trip.
  const std::string path = "software\\" + m_strRegistryKey + "\\" + m_strAppName + "\\" + section;
  CRegKey key;
  if (key.Open(HKEY_CURRENT_USER, path.c_str(), kAccess) == ERROR_SUCCESS) return key;

  // Otherwise walk the chain, creating what is missing.
  CRegKey software, company, application;
  if (software.Open(HKEY_CURRENT_USER, "software", kAccess) != ERROR_SUCCESS ||
      company.Create(software.m_hKey, m_strRegistryKey.c_str(), kAccess) != ERROR_SUCCESS ||
      application.Create(company.m_hKey, m_strAppName.c_str(), kAccess) != ERROR_SUCCESS ||
      key.Create(application.m_hKey, section, kAccess) != ERROR_SUCCESS) {
    return CRegKey();
  }
  return key;
}

int CWinApp::GetProfileInt(LPCSTR section, LPCSTR entry, int defaultValue) const {
  CRegKey key = GetSectionKey(section);
  if (!key) return defaultValue;
  DWORD type = REG_NONE;
  DWORD value = 0;
  DWORD size = sizeof(value);
  if (::RegQueryValueExA(key.m_hKey, entry, nullptr, &type, reinterpret_cast<BYTE*>(&value),
                         &size) != ERROR_SUCCESS) {
    return defaultValue;
  }
  // Four bytes of number make an integer; a short text such as "123" is no number.
  if (size != sizeof(value) || IsText(type)) return defaultValue;
  return static_cast<int>(value);
}

std::string CWinApp::GetProfileString(LPCSTR section, LPCSTR entry, LPCSTR defaultValue) const {
  const std::string fallback = defaultValue ? defaultValue : "";
  CRegKey key = GetSectionKey(section);
  if (!key) return fallback;
  DWORD type = REG_NONE;
  DWORD size = 0;
  if (::RegQueryValueExA(key.m_hKey, entry, nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
      !IsText(type)) {
    return fallback;  // missing, or a number or binary data where a text belongs
  }
  // One spare byte: stored data need not end with a zero.
  std::vector<char> data(static_cast<size_t>(size) + 1, '\0');
  if (::RegQueryValueExA(key.m_hKey, entry, nullptr, nullptr, reinterpret_cast<BYTE*>(data.data()),
                         &size) != ERROR_SUCCESS) {
    return fallback;
  }
  return std::string(data.data());  // up to the first zero
}

bool CWinApp::WriteProfileInt(LPCSTR section, LPCSTR entry, int value) const {
  CRegKey key = GetSectionKey(section);
  if (!key) return false;
  const DWORD data = static_cast<DWORD>(value);
  return ::RegSetValueExA(key.m_hKey, entry, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data),
                          sizeof(data)) == ERROR_SUCCESS;
}

bool CWinApp::WriteProfileString(LPCSTR section, LPCSTR entry, LPCSTR value) const {
  CRegKey key = GetSectionKey(section);
  if (!key) return false;
  if (!value) {
    const LONG result = ::RegDeleteValueA(key.m_hKey, entry);
    return result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND;
  }
  const DWORD size = static_cast<DWORD>(lstrlenA(value) + 1);
  return ::RegSetValueExA(key.m_hKey, entry, 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                          size) == ERROR_SUCCESS;
}
