#pragma once
// Reading what a rendering shows: the ink of an area is every pixel clearly away from the
// area's background (its most common colour).

#include "skin/render.h"

namespace testing_support {

// Whether two areas of the same size show the same pixels.
bool SamePixels(const DuiLib::Bitmap& image, const DuiLib::RECT& a, const DuiLib::RECT& b);

// Whether any pixel of `area` is ink.
bool HasInk(const DuiLib::Bitmap& image, const DuiLib::RECT& area);

// Whether the last line of text in `area` ends with an ellipsis: its three rightmost
// marks are small dots side by side on the same rows, with the line's text before them.
bool EndsWithEllipsis(const DuiLib::Bitmap& image, const DuiLib::RECT& area);

}  // namespace testing_support
