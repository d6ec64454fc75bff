// What the application manifest does to a process that carries it. The test
// program links the program's resource script, manifest included, so it runs
// with the same controls as the program.
#include <gtest/gtest.h>

#include <windows.h>

#include <vector>

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

INT_PTR CALLBACK NoProcedure(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

// A hidden dialog made from one template, with the dialog manager's defaults only.
HWND CreateHiddenDialog(HRSRC resource) {
  const auto* bytes = static_cast<const BYTE*>(::LockResource(::LoadResource(nullptr, resource)));
  std::vector<BYTE> copy(bytes, bytes + ::SizeofResource(nullptr, resource));
  // The style is the first field of a DLGTEMPLATE, the fourth of a DLGTEMPLATEEX.
  const bool extended = reinterpret_cast<const WORD*>(copy.data())[1] == 0xFFFF;
  *reinterpret_cast<DWORD*>(copy.data() + (extended ? 12 : 0)) &= ~static_cast<DWORD>(WS_VISIBLE);
  return ::CreateDialogIndirectParamA(nullptr, reinterpret_cast<const DLGTEMPLATE*>(copy.data()),
                                      nullptr, NoProcedure, 0);
}

std::vector<RECT> GroupBoxesOf(HWND dialog) {
  std::vector<RECT> boxes;
  for (HWND child = ::GetWindow(dialog, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
    char className[16] = {};
    ::GetClassNameA(child, className, sizeof(className));
    const LONG style = ::GetWindowLongA(child, GWL_STYLE);
    if (lstrcmpiA(className, "Button") == 0 && (style & BS_TYPEMASK) == BS_GROUPBOX) {
      RECT box{};
      ::GetWindowRect(child, &box);
      boxes.push_back(box);
    }
  }
  return boxes;
}

bool Contains(const RECT& outer, const RECT& inner) {
  return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
         inner.bottom <= outer.bottom;
}

struct Template {
  HRSRC resource;
  WORD language;
};

// Collects every language's template of every dialog into a vector<Template>.
BOOL CALLBACK AddTemplate(HMODULE module, LPCSTR type, LPCSTR name, WORD language,
                          LONG_PTR templates) {
  reinterpret_cast<std::vector<Template>*>(templates)->push_back(
      {::FindResourceExA(module, type, name, language), language});
  return TRUE;
}

BOOL CALLBACK AddDialog(HMODULE module, LPCSTR type, LPSTR name, LONG_PTR templates) {
  ::EnumResourceLanguagesA(module, type, name, AddTemplate, templates);
  return TRUE;
}

// A themed group box paints the dialog's background over the strip its
// frame runs in: a box whose frame lies in another's strip loses that edge.
TEST(Manifest, GroupBoxesOfEveryDialogAreApartOrNested) {
  std::vector<Template> templates;
  ::EnumResourceNamesA(nullptr, RT_DIALOG, AddDialog, reinterpret_cast<LONG_PTR>(&templates));
  ASSERT_FALSE(templates.empty());
  for (const Template& t : templates) {
    HWND dialog = CreateHiddenDialog(t.resource);
    ASSERT_NE(nullptr, dialog);
    char title[64] = {};
    ::GetWindowTextA(dialog, title, sizeof(title));
    const std::vector<RECT> boxes = GroupBoxesOf(dialog);
    for (size_t i = 0; i < boxes.size(); ++i) {
      for (size_t j = i + 1; j < boxes.size(); ++j) {
        RECT overlap{};
        if (!::IntersectRect(&overlap, &boxes[i], &boxes[j])) continue;
        EXPECT_TRUE(Contains(boxes[i], boxes[j]) || Contains(boxes[j], boxes[i]))
            << title << " (language " << t.language << "): group boxes " << i << " and " << j
            << " overlap";
      }
    }
    ::DestroyWindow(dialog);
  }
}

}  // namespace
