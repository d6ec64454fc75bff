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
  int id;
  std::string className;  // a predefined class's atom given by its name
  std::string text;
  DWORD style;
  short x, y, cx, cy;
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
        static_cast<short>(item->id), "", "", item->style, item->x, item->y, item->cx, item->cy};
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

// The template of one language, as the resource script gives it: the
// dialog's style, title, font and place, then each item's id, class, text,
// style and place (dialog units).
struct Layout {
  struct {
    LANGID language;
    const char* title;
    short cx, cy;
  } dialog;
  ItemTemplate items[7];  // styles without the WS_CHILD | WS_VISIBLE of every item
};

constexpr DWORD kText = SS_LEFT | WS_GROUP, kOk = BS_DEFPUSHBUTTON | WS_GROUP | WS_TABSTOP;
const char kButton[] = "Button", kStatic[] = "Static";

const Layout kLayouts[] = {
    {{MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), "About Pathstow", 170, 119},
     {{IDOK, kButton, "OK", kOk, 132, 2, 32, 14},
      {-1, kStatic, "#128", SS_ICON, 3, 12, 20, 20},
      {-1, kStatic, PATHSTOW_NAME_AND_VERSION, kText, 30, 4, 100, 8},
      {-1, kStatic, "by Kelvane Software", kText, 30, 17, 100, 8},
      {-1, kStatic, "Freeware - all rights reserved", kText, 30, 32, 100, 8},
      {IDC_LINK_MAIL, kStatic, "mail : pathstow@example.org", kText, 30, 51, 115, 11},
      {IDC_LINK_WEB, kStatic, "web : http://www.example.org/pathstow/", kText, 30, 64, 115, 11}}},
    {{MAKELANGID(LANG_FRENCH, SUBLANG_FRENCH), "A propos de Pathstow", 168, 118},
     {{IDOK, kButton, "OK", kOk, 132, 2, 32, 14},
      {-1, kStatic, "#128", SS_ICON, 3, 11, 20, 20},
      {-1, kStatic, PATHSTOW_NAME_AND_VERSION, kText, 30, 6, 100, 8},
      {-1, kStatic, "par Kelvane Software", kText, 30, 18, 100, 8},
      {-1, kStatic, "Gratuiciel - droits r\351serv\351s", kText, 30, 30, 100, 8},
      {IDC_LINK_MAIL, kStatic, "mail : pathstow@example.org", kText, 30, 52, 126, 8},
      {IDC_LINK_WEB, kStatic, "web : http://www.example.org/pathstow/", kText, 30, 65, 126, 8}}},
};

void ExpectLayout(const Layout& expected) {
  const DialogTemplate d = LoadTemplate(expected.dialog.language);
  EXPECT_EQ(0x00C800C0u, d.style);
  EXPECT_EQ(expected.dialog.title, d.title);
  EXPECT_EQ("MS Sans Serif", d.face);
  EXPECT_EQ(8, d.points);
  EXPECT_EQ((std::vector<short>{22, 17, expected.dialog.cx, expected.dialog.cy}),
            (std::vector<short>{d.x, d.y, d.cx, d.cy}));
  ASSERT_EQ(std::size(expected.items), d.items.size());
  for (size_t i = 0; i < d.items.size(); ++i) {
    const ItemTemplate& e = expected.items[i];
    const ItemTemplate& item = d.items[i];
    SCOPED_TRACE(e.text);
    EXPECT_EQ(e.id, item.id);
    EXPECT_STRCASEEQ(e.className.c_str(), item.className.c_str());
    EXPECT_EQ(e.text, item.text);
    EXPECT_EQ(WS_CHILD | WS_VISIBLE | e.style, item.style);
    EXPECT_EQ((std::vector<short>{e.x, e.y, e.cx, e.cy}),
              (std::vector<short>{item.x, item.y, item.cx, item.cy}));
  }
}

TEST(AboutTemplate, EnglishMatchesItsLayout) { ExpectLayout(kLayouts[0]); }
TEST(AboutTemplate, FrenchMatchesItsLayout) { ExpectLayout(kLayouts[1]); }

// ---- the live dialog ----

using RunningAbout = RunningDialog<CAboutDialog>;

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

    // Each link and its place in the template, in dialog units.
    const std::pair<HWND, RECT> links[] = {{mail, {30, 51, 145, 62}}, {web, {30, 64, 145, 75}}};
    for (const auto& [link, units] : links) {
      EXPECT_TRUE(::GetWindowLongA(link, GWL_STYLE) & SS_NOTIFY);
      EXPECT_EQ(RGB(0, 0, 238), ColourOf(d.m_hWnd, link));
      RECT expected = units;
      ::MapDialogRect(d.m_hWnd, &expected);
      RECT actual{};
      ::GetWindowRect(link, &actual);
      ::MapWindowPoints(nullptr, d.m_hWnd, reinterpret_cast<POINT*>(&actual), 2);
      char caption[256] = {};
      ::GetWindowTextA(link, caption, sizeof(caption));
      const SIZE extent =
          ExtentOf(link, reinterpret_cast<HFONT>(::SendMessageA(link, WM_GETFONT, 0, 0)), caption);
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
