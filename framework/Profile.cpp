// Profile settings in the registry. Every read or write opens the section's
// key, uses it and closes it again, so nothing is held between calls.
#include <vector>

#include "framework/WinApp.h"

namespace {
constexpr REGSAM kAccess = KEY_READ | KEY_WRITE;

// The buffer that the first query of a text offers.
constexpr DWORD kShortText = 256;

bool IsText(DWORD type) { return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ; }
}  // namespace

CRegKey CWinApp::GetSectionKey(LPCSTR section, REGSAM access) const {
  if (m_strRegistryKey.empty()) return CRegKey();
  // The whole path in one call when it exists: every registry call is a round trip.
  const std::string path = "software\\" + m_strRegistryKey + "\\" + m_strAppName + "\\" + section;
  CRegKey key;
  const LONG opened = key.Open(HKEY_CURRENT_USER, path.c_str(), access);
  if (opened == ERROR_SUCCESS) return key;
  if (opened != ERROR_FILE_NOT_FOUND) return CRegKey();  // there, but not for us

  // Otherwise walk the chain, creating what is missing.
  CRegKey software, company, application;
  if (software.Open(HKEY_CURRENT_USER, "software", kAccess) != ERROR_SUCCESS ||
      company.Create(software.m_hKey, m_strRegistryKey.c_str(), kAccess) != ERROR_SUCCESS ||
      application.Create(company.m_hKey, m_strAppName.c_str(), kAccess) != ERROR_SUCCESS ||
      key.Create(application.m_hKey, section, access) != ERROR_SUCCESS) {
    return CRegKey();
  }
  return key;
}

int CWinApp::GetProfileInt(LPCSTR section, LPCSTR entry, int defaultValue) const {
  CRegKey key = GetSectionKey(section, KEY_READ);
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
  CRegKey key = GetSectionKey(section, KEY_READ);
  if (!key) return fallback;
  // Most texts fit a small buffer: one query then gives type, size and data.
  // A longer one is read again at its size. One spare byte each: stored data
  // need not end with a zero.
  std::vector<char> data(kShortText + 1, '\0');
  DWORD type = REG_NONE;
  DWORD size = kShortText;
  LONG result = ::RegQueryValueExA(key.m_hKey, entry, nullptr, &type,
                                   reinterpret_cast<BYTE*>(data.data()), &size);
  if (result == ERROR_MORE_DATA) {
    data.assign(static_cast<size_t>(size) + 1, '\0');
    result = ::RegQueryValueExA(key.m_hKey, entry, nullptr, &type,
                                reinterpret_cast<BYTE*>(data.data()), &size);
  }
  // Missing, or a number or binary data where a text belongs.
  if (result != ERROR_SUCCESS || !IsText(type)) return fallback;
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
