// The hyperlink control: its window-free computations, and a live control in
// the About template under the real dialog manager, shell seam and registry.
#include <gtest/gtest.h>

#include <shlwapi.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "about/LinkMath.h"
#include "about/LinkStatic.h"
#include "framework/Dialog.h"
#include "res/resource.h"
#include "tests/unit/RunDialog.h"
#include "tests/unit/TestSupport.h"

namespace {

constexpr COLORREF kLink = RGB(0, 0, 238);
constexpr COLORREF kVisited = RGB(85, 26, 139);

// ---- window-free computations ----

TEST(LinkColor, HoverWinsOverFollowedWhichWinsOverPlain) {
  const COLORREF hover = RGB(1, 2, 3);
  EXPECT_EQ(kLink, ChooseLinkColor(false, false, kLink, kVisited, hover));
  EXPECT_EQ(kVisited, ChooseLinkColor(false, true, kLink, kVisited, hover));
  EXPECT_EQ(hover, ChooseLinkColor(true, false, kLink, kVisited, hover));
  EXPECT_EQ(hover, ChooseLinkColor(true, true, kLink, kVisited, hover));
}

// Left, top, right and bottom, in a list that a failed check prints.
std::vector<LONG> Edges(const RECT& r) { return {r.left, r.top, r.right, r.bottom}; }

TEST(LinkFit, LeftAlignedKeepsTopLeftAndTakesTheTextExtent) {
  const SIZE text{57, 13};
  EXPECT_EQ(Edges({10, 20, 67, 33}), Edges(FitRectToText({10, 20, 200, 40}, text, SS_LEFT)));
  // A control smaller than its text grows.
  EXPECT_EQ(Edges({10, 20, 67, 33}), Edges(FitRectToText({10, 20, 30, 25}, text, SS_LEFT)));
}

TEST(LinkFit, RightAlignedKeepsTheRightEdge) {
  EXPECT_EQ(Edges({143, 20, 200, 33}), Edges(FitRectToText({10, 20, 200, 40}, {57, 13}, SS_RIGHT)));
}

TEST(LinkFit, CentredKeepsTheCentreAndOddDifferencesEndOnePixelOff) {
  // Wider by an even 100: exact. Wider by an odd 101: one pixel wider than the text.
  EXPECT_EQ(Edges({60, 0, 100, 13}), Edges(FitRectToText({10, 0, 150, 40}, {40, 13}, SS_CENTER)));
  EXPECT_EQ(Edges({60, 0, 101, 13}), Edges(FitRectToText({10, 0, 151, 40}, {40, 13}, SS_CENTER)));
  // Narrower by an odd 5: one pixel narrower than the text.
  EXPECT_EQ(Edges({8, 0, 47, 13}), Edges(FitRectToText({10, 0, 45, 40}, {40, 13}, SS_CENTER)));
}

TEST(LinkFit, CentredImageKeepsTheVerticalCentre) {
  // Taller than the text by an odd 7, the control ends one pixel taller; shorter by an odd 5, one
  // pixel shorter; by an even 8, exactly the text height. The centre stays where it was.
  const struct { LONG bottom, height; } cases[] = {{30, 14}, {18, 12}, {31, 13}};
  for (const auto& c : cases) {
    const RECT fitted = FitRectToText({0, 10, 50, c.bottom}, {50, 13}, SS_LEFT | SS_CENTERIMAGE);
    EXPECT_EQ(c.height, fitted.bottom - fitted.top) << c.bottom;
    EXPECT_EQ(10 + c.bottom, fitted.top + fitted.bottom) << c.bottom;
  }
}

std::string Fallback(const char* command, const char* url, bool* fitted = nullptr) {
  char buffer[520] = {};
  lstrcpynA(buffer, command, sizeof(buffer));
  const bool ok = BuildFallbackCommand(buffer, sizeof(buffer), url);
  if (fitted) *fitted = ok;
  return buffer;
}

TEST(LinkFallbackCommand, CutsAtThePlaceholderAndAppendsTheUrl) {
  const char* url = "http://a.example/x";
  // The quoted placeholder and all after it go.
  EXPECT_EQ("\"C:\\b\\browse.exe\" -nohome  http://a.example/x",
            Fallback("\"C:\\b\\browse.exe\" -nohome \"%1\" -tail", url));
  // The bare one likewise.
  EXPECT_EQ("browse.exe -w  http://a.example/x", Fallback("browse.exe -w %1 -tail", url));
  // A quoted one is looked for first, even when a bare one comes earlier.
  EXPECT_EQ("b.exe %1  http://a.example/x", Fallback("b.exe %1 \"%1\"", url));
  // No placeholder: blank and URL at the end.
  EXPECT_EQ("browse.exe http://a.example/x", Fallback("browse.exe", url));
}

TEST(LinkFallbackCommand, NeverOverflowsAndNeverCutsTheUrl) {
  const std::string longCommand(500, 'c');
  const std::string url = "http://a.example/" + std::string(20, 'u');  // 37 characters
  bool fitted = true;
  EXPECT_EQ(longCommand, Fallback(longCommand.c_str(), url.c_str(), &fitted));
  EXPECT_FALSE(fitted);

  // Exactly full: command, blank, URL and the terminator take all 520 bytes.
  const std::string exact(520 - 1 - url.size() - 1, 'c');
  EXPECT_EQ(exact + " " + url, Fallback(exact.c_str(), url.c_str(), &fitted));
  EXPECT_TRUE(fitted);
  // A command that fits only once cut at its placeholder is fine.
  const std::string cut = std::string(100, 'c') + " \"%1\" " + std::string(400, 't');
  EXPECT_EQ(std::string(100, 'c') + "  " + url, Fallback(cut.c_str(), url.c_str(), &fitted));
  EXPECT_TRUE(fitted);
}

TEST(LinkErrorText, ListedCodesHaveTheirTextAndOthersTheNumberedOne) {
  const std::string head = "Unable to open hyperlink:\n\n";
  EXPECT_EQ(head + "A sharing violation occurred. ", OpenErrorMessage(SE_ERR_SHARE));
  EXPECT_EQ(head + "Unknown Error (7) occurred.", OpenErrorMessage(7));
  EXPECT_EQ(head + "Unknown Error (-5) occurred.", OpenErrorMessage(-5));
  EXPECT_EQ(head + "Unknown Error (33) occurred.", OpenErrorMessage(33));
  EXPECT_EQ(head + "The operating system is out\nof memory or resources.", OpenErrorMessage(0));
  EXPECT_EQ(head +
                "The DDE transaction could not\nbe completed because other DDE "
                "transactions\nwere being processed.",
            OpenErrorMessage(SE_ERR_DDEBUSY));

  // Every listed code has a text of its own, in both languages' tables.
  const WORD languages[] = {MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US),
                            MAKELANGID(LANG_FRENCH, SUBLANG_FRENCH)};
  for (int code : {0, 2, 3, 5, 8, 11, 26, 27, 28, 29, 30, 31, 32}) {
    const UINT id = OpenErrorStringId(code);
    EXPECT_NE(static_cast<UINT>(IDS_LINK_ERR_UNKNOWN), id) << code;
    for (WORD lang : languages) {
      // A string table block holds 16 strings; find the block in that language.
      EXPECT_TRUE(::FindResourceExA(nullptr, RT_STRING, MAKEINTRESOURCEA(id / 16 + 1), lang))
          << code << " " << lang;
    }
  }
  for (int code : {1, 4, 6, 9, 10, 12, 25, 33, 42, -1})
    EXPECT_EQ(static_cast<UINT>(IDS_LINK_ERR_UNKNOWN), OpenErrorStringId(code)) << code;
}

// ---- registry and shell ----

constexpr char kOpenCommand[] = "TestPage\\shell\\open\\command";

// Points HKEY_CLASSES_ROOT of this process at a scratch key for the life of
// the object, so tests can register ".htm" as they need.
class ScratchClasses {
 public:
  ScratchClasses()
      : m_path("software\\Kelvane\\PathstowLinkTest" + std::to_string(::GetCurrentProcessId())) {
    m_key.Create(HKEY_CURRENT_USER, m_path.c_str(), KEY_ALL_ACCESS);
    ::RegOverridePredefKey(HKEY_CLASSES_ROOT, m_key.Get());
  }
  ~ScratchClasses() {
    ::RegOverridePredefKey(HKEY_CLASSES_ROOT, nullptr);
    m_key.Close();
    ::SHDeleteKeyA(HKEY_CURRENT_USER, m_path.c_str());
  }
  void SetDefault(const char* subKey, const std::string& value) const {
    ::RegSetValueA(m_key.Get(), subKey, REG_SZ, value.c_str(), static_cast<DWORD>(value.size()));
  }
  // Registers `command` as the open command of web pages.
  void RegisterHtm(const std::string& command) const {
    SetDefault(".htm", "TestPage");
    SetDefault(kOpenCommand, command);
  }

 private:
  std::string m_path;
  CRegKey m_key;
};

std::string SystemProgram(const char* name) {
  char dir[MAX_PATH] = {};
  ::GetSystemDirectoryA(dir, sizeof(dir));
  return std::string(dir) + "\\" + name;
}

TEST(LinkRegistry, ReadKeyDefaultReadsIntoTheBufferThatNamesTheKey) {
  ScratchClasses classes;
  classes.SetDefault(kOpenCommand, "viewer.exe \"%1\"");
  std::string buffer = kOpenCommand;
  EXPECT_EQ(ERROR_SUCCESS, CLinkStatic::ReadKeyDefault(HKEY_CLASSES_ROOT, buffer.c_str(), buffer));
  EXPECT_EQ("viewer.exe \"%1\"", buffer);

  std::string untouched = "keep";
  EXPECT_EQ(ERROR_FILE_NOT_FOUND,
            CLinkStatic::ReadKeyDefault(HKEY_CLASSES_ROOT, "NoSuchClass", untouched));
  EXPECT_EQ("keep", untouched);

  // Any length: a command in a deep folder is read whole.
  const std::string deep = "\"C:\\" + std::string(600, 'd') + "\\viewer.exe\" \"%1\"";
  classes.SetDefault(kOpenCommand, deep);
  EXPECT_EQ(ERROR_SUCCESS, CLinkStatic::ReadKeyDefault(HKEY_CLASSES_ROOT, kOpenCommand, buffer));
  EXPECT_EQ(deep, buffer);
}

TEST(LinkOpen, ShellSuccessIsReturnedWithoutFallback) {
  FakeShell shell;
  CLinkStatic link;
  shell.executeResult = 42;
  EXPECT_EQ(42, link.ShellOpenUrl("http://a.example/", SW_SHOW));
  ASSERT_EQ(1u, shell.executions.size());
  EXPECT_EQ(nullptr, shell.executions[0].owner);
  EXPECT_EQ("open", shell.executions[0].verb);
  EXPECT_EQ("http://a.example/", shell.executions[0].file);
  EXPECT_EQ("", shell.executions[0].parameters);
  EXPECT_EQ("", shell.executions[0].directory);
  EXPECT_EQ(SW_SHOW, shell.executions[0].showCommand);
}

TEST(LinkOpen, FallbackReportsTheShellCodeWithoutAnAssociation) {
  FakeShell shell;
  ScratchClasses classes;
  CLinkStatic link;
  shell.executeResult = SE_ERR_NOASSOC;
  EXPECT_EQ(SE_ERR_NOASSOC, link.ShellOpenUrl("http://a.example/", SW_SHOW));
  classes.SetDefault(".htm", "TestPage");  // a class without an open command
  EXPECT_EQ(SE_ERR_NOASSOC, link.ShellOpenUrl("http://a.example/", SW_SHOW));
}

TEST(LinkOpen, FallbackRunsTheRegisteredCommandAndReportsItsResult) {
  FakeShell shell;
  ScratchClasses classes;
  CLinkStatic link;
  shell.executeResult = SE_ERR_NOASSOC;
  // A program that exists and ends at once.
  classes.RegisterHtm("\"" + SystemProgram("cmd.exe") + "\" /c rem \"%1\" -tail");
  EXPECT_GT(link.ShellOpenUrl("http://a.example/", SW_HIDE), 32);
  // A program that does not exist: WinExec's own code, not the shell's.
  classes.RegisterHtm("C:\\no\\such\\viewer.exe \"%1\"");
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, link.ShellOpenUrl("http://a.example/", SW_HIDE));
  // A long command and a long URL run whole: the command line is sized from them.
  classes.RegisterHtm(SystemProgram("cmd.exe") + " /c rem " + std::string(200, 'x'));
  const std::string longUrl = "http://a.example/" + std::string(300, 'u');
  EXPECT_GT(link.ShellOpenUrl(longUrl.c_str(), SW_HIDE), 32);
}

// ---- a live control in a real dialog ----

// The About template with one link bound to its web control.
class LinkDialog : public CDialog {
 public:
  LinkDialog() : CDialog(IDD_ABOUT) {}
  CLinkStatic link;
  bool clearCaption = false;

 protected:
  void DoDataExchange(CDataExchange* dx) override {
    if (clearCaption && !link.m_hWnd) ::SetDlgItemTextA(m_hWnd, IDC_LINK_WEB, "");
    DDX_Control(dx, IDC_LINK_WEB, link);
  }
};
using RunningLinkDialog = RunningDialog<LinkDialog>;

void MouseMove(HWND link, int x, int y) { ::SendMessageA(link, WM_MOUSEMOVE, 0, MAKELPARAM(x, y)); }

void Click(HWND control) {
  ::SendMessageA(control, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
  ::SendMessageA(control, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
}

class LinkLive : public ::testing::Test {
 protected:
  // Runs `body` in the dialog, given the link's window.
  static void Run(const std::function<void(RunningLinkDialog&, HWND link)>& body) {
    RunningLinkDialog dialog([&](RunningLinkDialog& d) { body(d, d.link.m_hWnd); });
    EXPECT_EQ(IDOK, dialog.DoModal());
  }

  TestApp app;
  FakeShell shell;
  ScratchClasses classes;  // no ".htm": a shell failure is final
};

TEST_F(LinkLive, AttachingWithoutTargetLinksToTheCaption) {
  Run([](RunningLinkDialog& d, HWND link) {
    EXPECT_TRUE(::GetWindowLongA(link, GWL_STYLE) & SS_NOTIFY);
    int tips = 0;
    EXPECT_EQ("web : http://www.example.org/pathstow/", TipTextOf(link, &tips));
    EXPECT_EQ(1, tips);

    // Underlined copy of the dialog's font.
    LOGFONTA dialogFont{}, linkFont{};
    ::GetObjectA(reinterpret_cast<HFONT>(d.SendMessage(WM_GETFONT)), sizeof(dialogFont),
                 &dialogFont);
    ::GetObjectA(reinterpret_cast<HFONT>(::SendMessageA(link, WM_GETFONT, 0, 0)), sizeof(linkFont),
                 &linkFont);
    EXPECT_TRUE(linkFont.lfUnderline);
    EXPECT_STREQ(dialogFont.lfFaceName, linkFont.lfFaceName);
    EXPECT_EQ(dialogFont.lfHeight, linkFont.lfHeight);
    EXPECT_EQ(dialogFont.lfWeight, linkFont.lfWeight);

    // The hand cursor shows over the link.
    ::SendMessageA(link, WM_SETCURSOR, reinterpret_cast<WPARAM>(link),
                   MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_EQ(::LoadCursorA(nullptr, IDC_HAND), ::GetCursor());
    EXPECT_EQ(kLink, ColourOf(d.m_hWnd, link));

    // Setting the target once the window exists retitles the tooltip.
    d.link.SetTarget("http://b.example/");
    EXPECT_EQ("http://b.example/", TipTextOf(link));
    EXPECT_EQ("web : http://www.example.org/pathstow/", d.link.GetWindowText());
  });
}

TEST_F(LinkLive, TargetSetBeforeTheWindowIsUsedAtAttachment) {
  RunningLinkDialog dialog([](RunningLinkDialog& d) {
    // The empty caption shows the target, the tooltip too.
    EXPECT_EQ("http://early.example/", d.link.GetWindowText());
    EXPECT_EQ("http://early.example/", TipTextOf(d.link.m_hWnd));
  });
  dialog.link.SetTarget("http://early.example/");
  dialog.clearCaption = true;
  EXPECT_EQ(IDOK, dialog.DoModal());
}

TEST_F(LinkLive, HoverTakesTheCaptureUntilTheFirstMoveOutside) {
  Run([](RunningLinkDialog& d, HWND link) {
    // In, still in, then out: captured, the link sees the move outside.
    for (const POINT at : {POINT{2, 2}, POINT{3, 3}, POINT{-5, 2}}) {
      MouseMove(link, at.x, at.y);
      const bool inside = at.x > 0;
      EXPECT_EQ(inside ? ::GetSysColor(COLOR_BTNHIGHLIGHT) : kLink, ColourOf(d.m_hWnd, link))
          << at.x;
      EXPECT_EQ(inside ? link : nullptr, ::GetCapture()) << at.x;
    }
  });
}

TEST_F(LinkLive, FocusLossEndsTheHover) {
  Run([](RunningLinkDialog& d, HWND link) {
    MouseMove(link, 2, 2);
    ::SendMessageA(link, WM_KILLFOCUS, 0, 0);
    EXPECT_EQ(kLink, ColourOf(d.m_hWnd, link));
    ::ReleaseCapture();
  });
}

TEST_F(LinkLive, ClickOpensTheTargetAndFailureAfterSuccessClearsFollowed) {
  MessageBoxWatcher boxes;
  Run([&](RunningLinkDialog& d, HWND link) {
    d.link.SetTarget("http://a.example/");

    shell.executeResult = 42;
    MouseMove(link, 2, 2);  // hovering when clicked
    Click(link);
    ASSERT_EQ(1u, shell.executions.size());
    EXPECT_EQ("http://a.example/", shell.executions[0].file);
    EXPECT_EQ(SW_SHOW, shell.executions[0].showCommand);
    EXPECT_EQ(kVisited, ColourOf(d.m_hWnd, link));
    EXPECT_TRUE(boxes.Boxes().empty());
    ::ReleaseCapture();

    shell.executeResult = SE_ERR_NOASSOC;
    Click(link);
    EXPECT_EQ(2u, shell.executions.size());
    EXPECT_EQ(kLink, ColourOf(d.m_hWnd, link));
    ASSERT_EQ(1u, boxes.Boxes().size());
    const SeenBox box = boxes.Boxes()[0];
    EXPECT_EQ(
        "Unable to open hyperlink:\n\nThere is no application associated\nwith the given "
        "filename extension.",
        box.text);
    EXPECT_EQ(static_cast<UINT>(MB_ICONEXCLAMATION), box.icon);
    EXPECT_EQ(app.m_strAppName, box.caption);
    EXPECT_EQ(d.m_hWnd, box.owner);
    EXPECT_FALSE(box.ownerEnabled);

    // Still usable: the next click that works follows it again.
    shell.executeResult = 42;
    Click(link);
    EXPECT_EQ(kVisited, ColourOf(d.m_hWnd, link));
  });
}

TEST_F(LinkLive, ClickFailingInTheFallbackReportsTheFallbackCode) {
  MessageBoxWatcher boxes;
  classes.RegisterHtm("C:\\no\\such\\viewer.exe \"%1\"");
  shell.executeResult = SE_ERR_NOASSOC;
  Run([&](RunningLinkDialog& d, HWND link) {
    Click(link);
    ASSERT_EQ(1u, boxes.Boxes().size());
    EXPECT_EQ("Unable to open hyperlink:\n\nThe specified file was not found.",
              boxes.Boxes()[0].text);
    EXPECT_EQ(kLink, ColourOf(d.m_hWnd, link));
  });
}

}  // namespace
