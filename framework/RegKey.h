// An owned registry key, closed when the object goes.
#pragma once
#include <windows.h>

#include <utility>

class CRegKey {
 public:
  CRegKey() = default;
  explicit CRegKey(HKEY key) : m_hKey(key) {}
  ~CRegKey() { Close(); }
  CRegKey(CRegKey&& other) noexcept : m_hKey(std::exchange(other.m_hKey, nullptr)) {}
  CRegKey& operator=(CRegKey&& other) noexcept {
    if (this != &other) {
      Close();
      m_hKey = std::exchange(other.m_hKey, nullptr);
    }
    return *this;
  }
  CRegKey(const CRegKey&) = delete;
  CRegKey& operator=(const CRegKey&) = delete;

  HKEY m_hKey = nullptr;
  explicit operator bool() const { return m_hKey != nullptr; }

  LONG Open(HKEY parent, LPCSTR name, REGSAM access) {
    Close();
    return ::RegOpenKeyExA(parent, name, 0, access, &m_hKey);
  }
  // Opens the key, creating it (no class, non-volatile) when it is missing.
  LONG Create(HKEY parent, LPCSTR name, REGSAM access) {
    Close();
    return ::RegCreateKeyExA(parent, name, 0, nullptr, REG_OPTION_NON_VOLATILE, access, nullptr,
                             &m_hKey, nullptr);
  }
  void Close() {
    if (m_hKey) ::RegCloseKey(m_hKey);
    m_hKey = nullptr;
  }
};
