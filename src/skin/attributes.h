#pragma once
// Reading attribute values of the skins: numbers, rectangles, sizes, colours, switches.

#include "skin/types.h"

namespace DuiLib {

// Leading blanks skipped, digits up to the first other character; 0 without digits.
int ParseInt(const CDuiString& text);
// "l,t,r,b"; missing parts are 0.
RECT ParseRect(const CDuiString& text);
// "cx,cy".
SIZE ParseSize(const CDuiString& text);
// "#AARRGGBB", "#RRGGBB" (opaque) or a number ("0xff283036", decimal).
DWORD ParseColor(const CDuiString& text);
bool ParseBool(const CDuiString& text);

}  // namespace DuiLib
