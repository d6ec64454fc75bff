// Owned GDI objects.
#pragma once
#include <windows.h>

#include <utility>

class CFont {
 public:
  CFont() = default;
  ~CFont() { DeleteObject(); }
  CFont(CFont&& other) noexcept : m_hObject(std::exchange(other.m_hObject, nullptr)) {}
  CFont& operator=(CFont&& other) noexcept {
    if (this != &other) {
      DeleteObject();
      m_hObject = std::exchange(other.m_hObject, nullptr);
    }
    return *this;
  }
  CFont(const CFont&) = delete;
  CFont& operator=(const CFont&) = delete;

  HFONT m_hObject = nullptr;
  operator HFONT() const { return m_hObject; }

  BOOL CreateFontIndirect(const LOGFONTA* logFont) {
    DeleteObject();
    m_hObject = ::CreateFontIndirectA(logFont);
    return m_hObject != nullptr;
  }
  void DeleteObject() {
    if (m_hObject) ::DeleteObject(m_hObject);
    m_hObject = nullptr;
  }
};
