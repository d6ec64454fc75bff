// What the application manifest does to a process that carries it. The test
// program links the program's resource script, manifest included, so it runs
// with the same controls as the program.
#include <gtest/gtest.h>

#include <windows.h>

namespace {

// The module holding the window procedure of a new window of `className`.
HMODULE ProcedureModule(const char* className) {
  HWND window = ::CreateWindowExA(0, className, "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                  nullptr, nullptr);
  if (!window) return nullptr;
  // Asked for in Unicode: the controls of common controls 6 are Unicode
  // windows, whose ANSI procedure would be a thunk of the system's.
  const auto procedure = reinterpret_cast<LPCSTR>(::GetWindowLongPtrW(window, GWLP_WNDPROC));
  HMODULE module = nullptr;
  ::GetModuleHandleExA(
      GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
      procedure, &module);
  ::DestroyWindow(window);
  return module;
}

TEST(Manifest, DialogControlsAreThoseOfCommonControlsSix) {
  // Version 5 leaves these classes to user32; version 6 brings its own.
  const HMODULE commonControls = ::GetModuleHandleA("comctl32.dll");
  ASSERT_NE(nullptr, commonControls);
  for (const char* className : {"Button", "Static", "Edit"}) {
    EXPECT_EQ(commonControls, ProcedureModule(className)) << className;
  }
}

TEST(Manifest, ProcessIsDpiAware) { EXPECT_TRUE(::IsProcessDPIAware()); }

}  // namespace
