// An owned registry key, closed when the object goes, with the typed reads
// and writes of the profile settings.
#pragma once
#include <windows.h>

#include <string>

#include "framework/Handle.h"

class CRegKey : public CHandleOwner<RegKeyTraits> {
 public:
  LONG Open(HKEY parent, LPCSTR name, REGSAM access);
  // Opens the key, creating it (no class, non-volatile) when it is missing.
  LONG Create(HKEY parent, LPCSTR name, REGSAM access);
  void Close() { Reset(); }

  // Four bytes of number make an integer; anything else gives `defaultValue`.
  int ReadInt(LPCSTR entry, int defaultValue) const;
  // A text value (REG_SZ, REG_EXPAND_SZ unexpanded, REG_MULTI_SZ's first
  // string) up to its first zero, stored with or without one; anything else
  // gives `defaultValue`.
  std::string ReadText(LPCSTR entry, const std::string& defaultValue = std::string()) const;
  // The same text, read through the wide call: `exactUtf8` receives the
  // stored text in UTF-8 when the ANSI code page cannot hold it, and is
  // emptied otherwise. Missing or not a text: empty.
  std::string ReadText(LPCSTR entry, std::string& exactUtf8) const;
  bool WriteInt(LPCSTR entry, int value) const;
  bool WriteText(LPCSTR entry, LPCSTR value) const;
  // Stores a text given in UTF-8, whatever the ANSI code page holds.
  bool WriteExactText(LPCSTR entry, const std::string& utf8) const;
  // A value that is not there counts as deleted.
  bool DeleteValue(LPCSTR entry) const;
};
