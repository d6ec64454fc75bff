#include "framework/RegKey.h"

#include <vector>

#include "framework/Text.h"

namespace {

// The buffer that the first query of a text offers: most texts fit, and one
// query then gives type, size and data.
constexpr DWORD kShortText = 256;

bool IsText(DWORD type) { return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ; }

}  // namespace

LONG CRegKey::Open(HKEY parent, LPCSTR name, REGSAM access) {
  HKEY key = nullptr;
  const LONG result = ::RegOpenKeyExA(parent, name, 0, access, &key);
  Reset(result == ERROR_SUCCESS ? key : nullptr);
  return result;
}

LONG CRegKey::Create(HKEY parent, LPCSTR name, REGSAM access) {
  HKEY key = nullptr;
  const LONG result = ::RegCreateKeyExA(parent, name, 0, nullptr, REG_OPTION_NON_VOLATILE, access,
                                        nullptr, &key, nullptr);
  Reset(result == ERROR_SUCCESS ? key : nullptr);
  return result;
}

int CRegKey::ReadInt(LPCSTR entry, int defaultValue) const {
  DWORD type = REG_NONE;
  DWORD value = 0;
  DWORD size = sizeof(value);
  if (!Get() || ::RegQueryValueExA(Get(), entry, nullptr, &type, reinterpret_cast<BYTE*>(&value),
                                   &size) != ERROR_SUCCESS) {
    return defaultValue;
  }
  // A short text such as "123" is no number.
  if (size != sizeof(value) || IsText(type)) return defaultValue;
  return static_cast<int>(value);
}

std::string CRegKey::ReadText(LPCSTR entry, const std::string& defaultValue) const {
  if (!Get()) return defaultValue;
  // A longer text is read again at its size. One spare byte each: stored
  // data need not end with a zero.
  std::vector<char> data(kShortText + 1, '\0');
  DWORD type = REG_NONE;
  DWORD size = kShortText;
  LONG result =
      ::RegQueryValueExA(Get(), entry, nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size);
  if (result == ERROR_MORE_DATA) {
    data.assign(static_cast<size_t>(size) + 1, '\0');
    result = ::RegQueryValueExA(Get(), entry, nullptr, &type, reinterpret_cast<BYTE*>(data.data()),
                                &size);
  }
  // Missing, or a number or binary data where a text belongs.
  if (result != ERROR_SUCCESS || !IsText(type)) return defaultValue;
  return std::string(data.data());  // up to the first zero
}

std::string CRegKey::ReadText(LPCSTR entry, std::string& exactUtf8) const {
  exactUtf8.clear();
  if (!Get()) return std::string();
  const WideText name = Widen(entry);
  WideText data(kShortText + 1, L'\0');
  DWORD type = REG_NONE;
  DWORD size = kShortText * sizeof(WCHAR);
  LONG result = ::RegQueryValueExW(Get(), name.data(), nullptr, &type,
                                   reinterpret_cast<BYTE*>(data.data()), &size);
  if (result == ERROR_MORE_DATA) {
    data.assign((size + sizeof(WCHAR) - 1) / sizeof(WCHAR) + 1, L'\0');
    result = ::RegQueryValueExW(Get(), name.data(), nullptr, &type,
                                reinterpret_cast<BYTE*>(data.data()), &size);
  }
  if (result != ERROR_SUCCESS || !IsText(type)) return std::string();
  // Up to the first zero; one spare character ends a value stored without one.
  std::string text;
  if (!AnsiFromWide(data.data(), text)) exactUtf8 = Narrow(data.data(), CP_UTF8);
  return text;
}

bool CRegKey::WriteInt(LPCSTR entry, int value) const {
  const DWORD data = static_cast<DWORD>(value);
  return Get() && ::RegSetValueExA(Get(), entry, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data),
                                   sizeof(data)) == ERROR_SUCCESS;
}

bool CRegKey::WriteText(LPCSTR entry, LPCSTR value) const {
  const DWORD size = static_cast<DWORD>(lstrlenA(value) + 1);
  return Get() && ::RegSetValueExA(Get(), entry, 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                                   size) == ERROR_SUCCESS;
}

bool CRegKey::WriteExactText(LPCSTR entry, const std::string& utf8) const {
  const WideText value = Widen(utf8, CP_UTF8);
  return Get() &&
         ::RegSetValueExW(Get(), Widen(entry).data(), 0, REG_SZ,
                          reinterpret_cast<const BYTE*>(value.data()),
                          static_cast<DWORD>(value.size() * sizeof(WCHAR))) == ERROR_SUCCESS;
}

bool CRegKey::DeleteValue(LPCSTR entry) const {
  if (!Get()) return false;
  const LONG result = ::RegDeleteValueA(Get(), entry);
  return result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND;
}
