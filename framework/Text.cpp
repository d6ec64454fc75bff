#include "framework/Text.h"

#include <cwchar>

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

// `text` (zero-terminated) in `codePage`, in one call into a buffer that
// holds the longest result (three bytes a UTF-16 unit at most). `exact`,
// when given, tells whether every character arrived: no best fit, no default
// character, and for UTF-8, which holds all else, no unpaired surrogate.
std::string Convert(const wchar_t* text, UINT codePage, bool* exact) {
  if (exact) *exact = true;
  if (!text || !*text) return std::string();
  const UINT page = Resolved(codePage);
  const bool utf8 = page == CP_UTF8;
  const int units = static_cast<int>(wcslen(text));
  std::string narrow(static_cast<size_t>(units) * 3, '\0');
  const auto convert = [&](DWORD flags, BOOL* usedDefault) {
    return ::WideCharToMultiByte(page, flags, text, units, narrow.data(),
                                 static_cast<int>(narrow.size()), nullptr, usedDefault);
  };
  int length = 0;
  if (utf8) {
    length = exact ? convert(WC_ERR_INVALID_CHARS, nullptr) : 0;
    if (length == 0) {
      if (exact) *exact = false;
      length = convert(0, nullptr);
    }
  } else {
    BOOL usedDefault = FALSE;
    length = convert(WC_NO_BEST_FIT_CHARS, exact ? &usedDefault : nullptr);
    if (exact && usedDefault) *exact = false;
  }
  narrow.resize(static_cast<size_t>(length > 0 ? length : 0));
  return narrow;
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
