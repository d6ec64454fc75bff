// The program's entry point: the application object is a global built before it runs.
#include <cstdlib>

#include "framework/WinApp.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) { return AfxWinMain(instance); }

// The library's default handler for an uncaught exception prints the
// exception's demangled type on a console that a GUI program does not have,
// and links in the whole demangler. No exception is meant to get that far.
#if defined(__GLIBCXX__)
namespace __gnu_cxx {
void __verbose_terminate_handler() { std::abort(); }
}  // namespace __gnu_cxx
#endif
