// Profile settings in the registry. Every read or write opens the section's
// key, uses it and closes it again, so nothing is held between calls.
#include "framework/WinApp.h"

CRegKey CWinApp::GetSectionKey(LPCSTR section, REGSAM access) const {
  if (m_strRegistryKey.empty()) return CRegKey();
  // The whole path in one call when it exists: every registry call is a round trip.
  const std::string path = "software\\" + m_strRegistryKey + "\\" + m_strAppName + "\\" + section;
  CRegKey key;
  const LONG opened = key.Open(HKEY_CURRENT_USER, path.c_str(), access);
  if (opened == ERROR_SUCCESS) return key;
  if (opened != ERROR_FILE_NOT_FOUND) return CRegKey();  // there, but not for us

  // Otherwise walk the chain, creating what is missing.
  constexpr REGSAM kCreate = KEY_READ | KEY_WRITE;
  CRegKey software, company, application;
  if (software.Open(HKEY_CURRENT_USER, "software", kCreate) != ERROR_SUCCESS ||
      company.Create(software.Get(), m_strRegistryKey.c_str(), kCreate) != ERROR_SUCCESS ||
      application.Create(company.Get(), m_strAppName.c_str(), kCreate) != ERROR_SUCCESS ||
      key.Create(application.Get(), section, access) != ERROR_SUCCESS) {
    return CRegKey();
  }
  return key;
}

int CWinApp::GetProfileInt(LPCSTR section, LPCSTR entry, int defaultValue) const {
  return GetSectionKey(section, KEY_READ).ReadInt(entry, defaultValue);
}

std::string CWinApp::GetProfileString(LPCSTR section, LPCSTR entry, LPCSTR defaultValue) const {
  return GetSectionKey(section, KEY_READ).ReadText(entry, defaultValue ? defaultValue : "");
}

bool CWinApp::WriteProfileInt(LPCSTR section, LPCSTR entry, int value) const {
  return GetSectionKey(section).WriteInt(entry, value);
}
