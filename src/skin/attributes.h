#pragma once
// Reading attribute values of the skins: numbers, rectangles, sizes, colours, switches.
//
// Every number of a skin goes through one reader that clamps it to a range: a skin cannot
// make a coordinate overflow an int, nor a sum of a few of them.

#include "skin/types.h"

namespace DuiLib {

// The largest coordinate or length a skin can give: the largest a screen or an image has.
inline constexpr int kSkinNumberLimit = 32767;

// Leading blanks skipped, digits up to the first other character; 0 without digits. Out
// of [lo, hi] the nearest end.
int ParseInt(const CDuiString& text, int lo = -kSkinNumberLimit, int hi = kSkinNumberLimit);
// "l,t,r,b"; missing parts are 0; each part as ParseInt.
RECT ParseRect(const CDuiString& text);
// "cx,cy", as ParseRect.
SIZE ParseSize(const CDuiString& text);
// "#AARRGGBB", "#RRGGBB" (opaque) or a number ("0xff283036", decimal); beyond 32 bits
// 0xFFFFFFFF, negative 0.
DWORD ParseColor(const CDuiString& text);
bool ParseBool(const CDuiString& text);

}  // namespace DuiLib
