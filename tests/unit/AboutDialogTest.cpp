// The About box: its template in both languages, and the live dialog with
// its two links.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "about/AboutDialog.h"
#include "res/resource.h"
#include "res/version.h"
#include "tests/unit/RunDialog.h"
#include "tests/unit/TestSupport.h"

namespace {

// ---- the template, read back from the resource ----

struct ItemTemplate {
  DWORD style;
  short x, y, cx, cy;
  int id;
  std::string className;  // a predefined class's atom given by its name
  std::string text;
};

struct DialogTemplate {
  DWORD style;
  short x, y, cx, cy;
  std::string title, face;
  WORD points;
  std::vector<ItemTemplate> items;
};

// A name or ordinal field: 0 none, 0xFFFF then an ordinal, else a wide string.
std::string ReadNameOrOrdinal(const WORD*& p) {
  if (*p == 0xFFFF) {
    p += 2;
    return "#" + std::to_string(p[-1]);
  }
  std::string text;
  while (*p) text += static_cast<char>(*p < 0x100 ? *p : '?'), ++p;
  ++p;
  return text;
}

DialogTemplate LoadTemplate(LANGID language) {
  DialogTemplate dialog{};
  HRSRC resource = ::FindResourceExA(nullptr, RT_DIALOG, MAKEINTRESOURCEA(IDD_ABOUT), language);
  EXPECT_TRUE(resource);
  if (!resource) return dialog;
  const auto* header =
      static_cast<const DLGTEMPLATE*>(::LockResource(::LoadResource(nullptr, resource)));
  dialog.style = header->style;
  dialog.x = header->x, dialog.y = header->y, dialog.cx = header->cx, dialog.cy = header->cy;
  const WORD* p = reinterpret_cast<const WORD*>(header + 1);
  ReadNameOrOrdinal(p);  // menu
  ReadNameOrOrdinal(p);  // class
  dialog.title = ReadNameOrOrdinal(p);
  if (dialog.style & DS_SETFONT) {
    dialog.points = *p++;
    dialog.face = ReadNameOrOrdinal(p);
  }
  for (int i = 0; i < header->cdit; ++i) {
    p = reinterpret_cast<const WORD*>((reinterpret_cast<UINT_PTR>(p) + 3) & ~UINT_PTR{3});
    const auto* item = reinterpret_cast<const DLGITEMTEMPLATE*>(p);
    ItemTemplate out{
        item->style, item->x, item->y, item->cx, item->cy, static_cast<short>(item->id), "", ""};
    p = reinterpret_cast<const WORD*>(item + 1);
    out.className = ReadNameOrOrdinal(p);
    if (out.className == "#128") out.className = "Button";
    if (out.className == "#130") out.className = "Static";
    out.text = ReadNameOrOrdinal(p);
    p += 1 + (*p + 1) / 2;  // creation data
    dialog.items.push_back(out);
  }
  return dialog;
}

constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;
const char kButton[] = "Button", kStatic[] = "Static";

void ExpectItem(const ItemTemplate& item, int id, const char* className, const std::string& text,
                DWORD style, short x, short y, short cx, short cy) {
  SCOPED_TRACE(text);
  EXPECT_EQ(id, item.id);
  EXPECT_STRCASEEQ(className, item.className.c_str());
  EXPECT_EQ(text, item.text);
  EXPECT_EQ(kChild | style, item.style);
  EXPECT_EQ(x, item.x);
  EXPECT_EQ(y, item.y);
  EXPECT_EQ(cx, item.cx);
  EXPECT_EQ(cy, item.cy);
}

TEST(AboutTemplate, EnglishMatchesItsLayout) {
  const DialogTemplate d = LoadTemplate(MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US));
  EXPECT_EQ(0x00C800C0u, d.style);
  EXPECT_EQ("About Pathstow", d.title);
  EXPECT_EQ("MS Sans Serif", d.face);
  EXPECT_EQ(8, d.points);
  EXPECT_EQ(22, d.x);
  EXPECT_EQ(17, d.y);
  EXPECT_EQ(170, d.cx);
  EXPECT_EQ(119, d.cy);
  ASSERT_EQ(7u, d.items.size());
  const DWORD text = SS_LEFT | WS_GROUP;
  ExpectItem(d.items[0], IDOK, kButton, "OK", BS_DEFPUSHBUTTON | WS_GROUP | WS_TABSTOP, 132, 2, 32,
             14);
  ExpectItem(d.items[1], -1, kStatic, "#128", SS_ICON, 3, 12, 20, 20);
  ExpectItem(d.items[2], -1, kStatic, PATHSTOW_NAME_AND_VERSION, text, 30, 4, 100, 8);
  ExpectItem(d.items[3], -1, kStatic, "by Kelvane Software", text, 30, 17, 100, 8);
  ExpectItem(d.items[4], -1, kStatic, "Freeware - all rights reserved", text, 30, 32, 100, 8);
  ExpectItem(d.items[5], IDC_LINK_MAIL, kStatic, "mail : pathstow@example.org", text, 30, 51, 115,
             11);
  ExpectItem(d.items[6], IDC_LINK_WEB, kStatic, "web : http://www.example.org/pathstow/", text, 30,
             64, 115, 11);
}

TEST(AboutTemplate, FrenchMatchesItsLayout) {
  const DialogTemplate d = LoadTemplate(MAKELANGID(LANG_FRENCH, SUBLANG_FRENCH));
  EXPECT_EQ(0x00C800C0u, d.style);
  EXPECT_EQ("A propos de Pathstow", d.title);
  EXPECT_EQ("MS Sans Serif", d.face);
  EXPECT_EQ(8, d.points);
  EXPECT_EQ(22, d.x);
  EXPECT_EQ(17, d.y);
  EXPECT_EQ(168, d.cx);
  EXPECT_EQ(118, d.cy);
  ASSERT_EQ(7u, d.items.size());
  const DWORD text = SS_LEFT | WS_GROUP;
  ExpectItem(d.items[0], IDOK, kButton, "OK", BS_DEFPUSHBUTTON | WS_GROUP | WS_TABSTOP, 132, 2, 32,
             14);
  ExpectItem(d.items[1], -1, kStatic, "#128", SS_ICON, 3, 11, 20, 20);
  ExpectItem(d.items[2], -1, kStatic, PATHSTOW_NAME_AND_VERSION, text, 30, 6, 100, 8);
  ExpectItem(d.items[3], -1, kStatic, "par Kelvane Software", text, 30, 18, 100, 8);
  ExpectItem(d.items[4], -1, kStatic, "Gratuiciel - droits r\351serv\351s", text, 30, 30, 100, 8);
  ExpectItem(d.items[5], IDC_LINK_MAIL, kStatic, "mail : pathstow@example.org", text, 30, 52, 126,
             8);
  ExpectItem(d.items[6], IDC_LINK_WEB, kStatic, "web : http://www.example.org/pathstow/", text, 30,
             65, 126, 8);
}

// ---- the live dialog ----

using RunningAbout = RunningDialog<CAboutDialog>;

struct TipSearch {
  HWND tool;
  std::string text;
};

BOOL CALLBACK FindTip(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<TipSearch*>(param);
  char className[64] = {}, text[1024] = {};
  ::GetClassNameA(window, className, sizeof(className));
  if (lstrcmpiA(className, TOOLTIPS_CLASSA) != 0) return TRUE;
  TOOLINFOA info{};
  info.cbSize = TTTOOLINFOA_V2_SIZE;
  info.hwnd = search->tool;
  info.uId = 1;
  if (::SendMessageA(window, TTM_GETTOOLINFOA, 0, reinterpret_cast<LPARAM>(&info))) {
    info.lpszText = text;
    ::SendMessageA(window, TTM_GETTEXTA, sizeof(text), reinterpret_cast<LPARAM>(&info));
    search->text = text;
  }
  return TRUE;
}

// The text of the tooltip tool 1 of `tool`, from whichever tooltip holds it.
std::string TipTextOf(HWND tool) {
  TipSearch search{tool, ""};
  ::EnumThreadWindows(::GetCurrentThreadId(), FindTip, reinterpret_cast<LPARAM>(&search));
  return search.text;
}

COLORREF ColourOf(HWND dialog, HWND control) {
  HDC dc = ::CreateCompatibleDC(nullptr);
  ::SendMessageA(dialog, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                 reinterpret_cast<LPARAM>(control));
  const COLORREF colour = ::GetTextColor(dc);
  ::DeleteDC(dc);
  return colour;
}

SIZE ExtentOf(HWND window, HFONT font, const std::string& text) {
  HDC dc = ::GetDC(window);
  HGDIOBJ previous = ::SelectObject(dc, font);
  SIZE extent{};
  ::GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &extent);
  ::SelectObject(dc, previous);
  ::ReleaseDC(window, dc);
  return extent;
}

class AboutLive : public ::testing::Test {
 protected:
  TestApp app;
  FakeShell shell;
};

TEST_F(AboutLive, LinksGetTheirTargetsAndFitTheirCaptions) {
  RunningAbout dialog([](RunningAbout& d) {
    HWND mail = d.GetDlgItem(IDC_LINK_MAIL);
    HWND web = d.GetDlgItem(IDC_LINK_WEB);
    EXPECT_EQ("mailto:pathstow@example.org?Subject=Pathstow", TipTextOf(mail));
    EXPECT_EQ("http://www.example.org/pathstow/", TipTextOf(web));
    EXPECT_EQ(d.GetDlgItem(IDOK), ::GetFocus());

    struct {
      HWND link;
      RECT units;
    } links[] = {{mail, {30, 51, 145, 62}}, {web, {30, 64, 145, 75}}};
    for (auto& l : links) {
      EXPECT_TRUE(::GetWindowLongA(l.link, GWL_STYLE) & SS_NOTIFY);
      EXPECT_EQ(RGB(0, 0, 238), ColourOf(d.m_hWnd, l.link));
      RECT expected = l.units;
      ::MapDialogRect(d.m_hWnd, &expected);
      RECT actual{};
      ::GetWindowRect(l.link, &actual);
      ::MapWindowPoints(nullptr, d.m_hWnd, reinterpret_cast<POINT*>(&actual), 2);
      char caption[256] = {};
      ::GetWindowTextA(l.link, caption, sizeof(caption));
      const SIZE extent = ExtentOf(
          l.link, reinterpret_cast<HFONT>(::SendMessageA(l.link, WM_GETFONT, 0, 0)), caption);
      EXPECT_EQ(expected.left, actual.left) << caption;
      EXPECT_EQ(expected.top, actual.top) << caption;
      EXPECT_EQ(extent.cx, actual.right - actual.left) << caption;
      EXPECT_EQ(extent.cy, actual.bottom - actual.top) << caption;
    }
  });
  EXPECT_EQ(IDOK, dialog.DoModal());
}

TEST_F(AboutLive, CreditTextsFitTheirFieldsInBothLanguages) {
  RunningAbout dialog([](RunningAbout& d) {
    RECT field{0, 0, 100, 8};
    ::MapDialogRect(d.m_hWnd, &field);
    HFONT font = reinterpret_cast<HFONT>(d.SendMessage(WM_GETFONT));
    for (const char* text :
         {PATHSTOW_NAME_AND_VERSION, "by Kelvane Software", "par Kelvane Software",
          "Freeware - all rights reserved", "Gratuiciel - droits r\351serv\351s"}) {
      const SIZE extent = ExtentOf(d.m_hWnd, font, text);
      EXPECT_LE(extent.cx, field.right) << text;
      EXPECT_LE(extent.cy, field.bottom) << text;
    }
  });
  EXPECT_EQ(IDOK, dialog.DoModal());
}

TEST_F(AboutLive, ShownAgainBothLinksStartUnfollowed) {
  shell.executeResult = 42;
  for (int run = 0; run < 2; ++run) {
    RunningAbout dialog([&](RunningAbout& d) {
      for (int id : {IDC_LINK_MAIL, IDC_LINK_WEB}) {
        HWND link = d.GetDlgItem(id);
        EXPECT_EQ(RGB(0, 0, 238), ColourOf(d.m_hWnd, link)) << "run " << run;
        ::SendMessageA(link, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(1, 1));
        ::SendMessageA(link, WM_LBUTTONUP, 0, MAKELPARAM(1, 1));
        EXPECT_EQ(RGB(85, 26, 139), ColourOf(d.m_hWnd, link));
      }
    });
    EXPECT_EQ(IDOK, dialog.DoModal());
  }
  ASSERT_EQ(4u, shell.executions.size());
  EXPECT_EQ("mailto:pathstow@example.org?Subject=Pathstow", shell.executions[0].file);
  EXPECT_EQ("http://www.example.org/pathstow/", shell.executions[1].file);
}

}  // namespace
