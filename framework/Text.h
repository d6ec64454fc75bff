// Text in the process's ANSI code page, and the conversions at the edges
// where the system speaks UTF-16. The manifest makes that code page UTF-8
// where the system honours it (Windows 10 1903 and later); before that it is
// the system's own, which cannot hold every name a user may store: such a
// text is kept in UTF-8 beside its lossy ANSI copy.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

// The character after the one at `p` in text of `codePage` (CP_ACP: the
// process's): a UTF-8 sequence is stepped over whole, a malformed byte alone;
// a double-byte character as the system knows it. Never steps past the zero.
const char* NextChar(const char* p, UINT codePage = CP_ACP);

// UTF-16 text for a wide call, zero-terminated: pass data(). A vector rather
// than std::wstring, whose library code would add a seventh to the program.
using WideText = std::vector<wchar_t>;
WideText Widen(const std::string& text, UINT codePage = CP_ACP);
// Characters that `codePage` cannot hold become its default character.
std::string Narrow(const wchar_t* text, UINT codePage = CP_ACP);

std::string Utf8FromAnsi(const std::string& ansi);
// `utf8` in the ANSI code page, in `ansi`; false when that code page cannot
// hold it exactly (`ansi` then holds the lossy copy).
bool AnsiFromUtf8(const std::string& utf8, std::string& ansi);
// Text that a wide call gave, as AnsiFromUtf8 answers for it.
bool AnsiFromWide(const wchar_t* text, std::string& ansi);

// A text that a system call writes into a buffer whose size it reports:
// `call(buffer, size)` answers the length written, or the size it needs
// (terminator included or not); 0 for a failure.
template <class Call>
std::string FillText(Call call) {
  std::vector<char> buffer(MAX_PATH);
  for (;;) {
    const DWORD length = call(buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) return std::string();
    if (length < buffer.size()) return std::string(buffer.data(), length);
    buffer.resize(static_cast<size_t>(length) + 1);
  }
}

// The Windows directory, of any length, in the ANSI code page and in UTF-8.
std::string WindowsDirectory();
std::string WindowsDirectoryUtf8();
// The text of a window as the system holds it, in UTF-16 and in UTF-8.
WideText WindowTextWide(HWND window);
std::string WindowTextUtf8(HWND window);
