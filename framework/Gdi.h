// Owned GDI objects.
#pragma once
#include <windows.h>

#include "framework/Handle.h"

class CFont : public CHandleOwner<FontTraits> {
 public:
  BOOL CreateFontIndirect(const LOGFONTA* logFont) {
    Reset(::CreateFontIndirectA(logFont));
    return Get() != nullptr;
  }
};
