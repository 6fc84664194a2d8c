#include "skin/types.h"

#include <algorithm>

namespace DuiLib {

RECT Intersect(const RECT& a, const RECT& b) {
  RECT r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right), std::min(a.bottom, b.bottom)};
  return r.IsEmpty() ? RECT{} : r;
}

}  // namespace DuiLib
