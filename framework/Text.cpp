#include "framework/Text.h"

namespace {

bool IsContinuation(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

// The length of the UTF-8 sequence that `lead` starts, by its bits and the
// shortest forms the standard allows; 1 for a byte that starts none.
size_t SequenceLength(unsigned char lead) {
  if (lead >= 0xC2 && lead <= 0xDF) return 2;
  if (lead >= 0xE0 && lead <= 0xEF) return 3;
  if (lead >= 0xF0 && lead <= 0xF4) return 4;
  return 1;
}

UINT Resolved(UINT codePage) { return codePage == CP_ACP ? ::GetACP() : codePage; }

// `text` (zero-terminated) in `codePage`. `exact`, when given, tells whether
// every character arrived: no best fit, no default character, and for UTF-8,
// which holds all else, no unpaired surrogate.
std::string Convert(const wchar_t* text, UINT codePage, bool* exact) {
  if (exact) *exact = true;
  if (!text || !*text) return std::string();
  const UINT page = Resolved(codePage);
  const bool utf8 = page == CP_UTF8;
  DWORD flags = utf8 ? 0 : WC_NO_BEST_FIT_CHARS;
  if (exact && utf8) {
    flags = WC_ERR_INVALID_CHARS;
    if (::WideCharToMultiByte(page, flags, text, -1, nullptr, 0, nullptr, nullptr) == 0) {
      *exact = false;
      flags = 0;
    }
  }
  BOOL usedDefault = FALSE;
  BOOL* lossy = exact && !utf8 ? &usedDefault : nullptr;
  const int size = ::WideCharToMultiByte(page, flags, text, -1, nullptr, 0, nullptr, nullptr);
  std::vector<char> narrow(static_cast<size_t>(size > 0 ? size : 1), '\0');
  ::WideCharToMultiByte(page, flags, text, -1, narrow.data(), size, nullptr, lossy);
  if (usedDefault) *exact = false;
  return std::string(narrow.data());
}

}  // namespace

const char* NextChar(const char* p, UINT codePage) {
  if (!*p) return p;
  const UINT page = Resolved(codePage);
  // The system's CharNext knows double-byte code pages only: from a UTF-8
  // lead byte it steps one byte, into the middle of the character.
  if (page != CP_UTF8) return ::CharNextExA(static_cast<WORD>(page), p, 0);
  const size_t length = SequenceLength(static_cast<unsigned char>(*p));
  for (size_t i = 1; i < length; ++i) {
    if (!IsContinuation(p[i])) return p + 1;  // the zero is no continuation byte
  }
  return p + length;
}

WideText Widen(const std::string& text, UINT codePage) {
  const int length = ::MultiByteToWideChar(codePage, 0, text.c_str(), -1, nullptr, 0);
  WideText wide(static_cast<size_t>(length > 0 ? length : 1), L'\0');
  ::MultiByteToWideChar(codePage, 0, text.c_str(), -1, wide.data(), length);
  return wide;
}

std::string Narrow(const wchar_t* text, UINT codePage) { return Convert(text, codePage, nullptr); }

std::string Utf8FromAnsi(const std::string& ansi) {
  return ::GetACP() == CP_UTF8 ? ansi : Narrow(Widen(ansi).data(), CP_UTF8);
}

bool AnsiFromWide(const wchar_t* text, std::string& ansi) {
  bool exact = true;
  ansi = Convert(text, CP_ACP, &exact);
  return exact;
}

bool AnsiFromUtf8(const std::string& utf8, std::string& ansi) {
  return AnsiFromWide(Widen(utf8, CP_UTF8).data(), ansi);
}

std::string WindowsDirectory() {
  return FillText([](char* out, DWORD size) { return ::GetWindowsDirectoryA(out, size); });
}

std::string WindowsDirectoryUtf8() {
  WideText directory(MAX_PATH, L'\0');
  for (;;) {
    const UINT length =
        ::GetWindowsDirectoryW(directory.data(), static_cast<UINT>(directory.size()));
    if (length < directory.size()) return Narrow(directory.data(), CP_UTF8);
    directory.assign(static_cast<size_t>(length) + 1, L'\0');
  }
}

WideText WindowTextWide(HWND window) {
  WideText text(static_cast<size_t>(::GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(
      static_cast<size_t>(::GetWindowTextW(window, text.data(), static_cast<int>(text.size()))) +
      1);
  return text;
}

std::string WindowTextUtf8(HWND window) { return Narrow(WindowTextWide(window).data(), CP_UTF8); }
