// One owner for a system handle: released when the owner goes or takes
// another, moved but never copied. A borrowed handle stays a raw handle.
#pragma once
#include <windows.h>

#include <utility>

template <class Traits>
class CHandleOwner {
 public:
  using Handle = typename Traits::Handle;

  CHandleOwner() = default;
  explicit CHandleOwner(Handle handle) : m_handle(handle) {}
  ~CHandleOwner() { Reset(); }
  CHandleOwner(CHandleOwner&& other) noexcept : m_handle(other.Release()) {}
  CHandleOwner& operator=(CHandleOwner&& other) noexcept {
    if (this != &other) Reset(other.Release());
    return *this;
  }
  CHandleOwner(const CHandleOwner&) = delete;
  CHandleOwner& operator=(const CHandleOwner&) = delete;

  Handle Get() const { return m_handle; }
  explicit operator bool() const { return m_handle != nullptr; }
  // Gives the handle up without releasing it.
  Handle Release() { return std::exchange(m_handle, nullptr); }
  // Releases the handle held, if any, and holds `handle` instead.
  void Reset(Handle handle = nullptr) {
    if (m_handle) Traits::Close(m_handle);
    m_handle = handle;
  }

 private:
  Handle m_handle = nullptr;
};

struct RegKeyTraits {
  using Handle = HKEY;
  static void Close(HKEY key) { ::RegCloseKey(key); }
};
struct FontTraits {
  using Handle = HFONT;
  static void Close(HFONT font) { ::DeleteObject(font); }
};
struct MenuTraits {
  using Handle = HMENU;
  static void Close(HMENU menu) { ::DestroyMenu(menu); }
};
struct IconTraits {
  using Handle = HICON;
  static void Close(HICON icon) { ::DestroyIcon(icon); }
};
struct CursorTraits {
  using Handle = HCURSOR;
  static void Close(HCURSOR cursor) { ::DestroyCursor(cursor); }
};
