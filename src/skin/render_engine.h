#pragma once
// Drawing helpers for controls that paint themselves.

#include "skin/render.h"

namespace DuiLib {

class CRenderEngine {
 public:
  static void DrawColor(IRenderer& renderer, const RECT& rect, DWORD argb) { renderer.FillRect(rect, argb); }
  static void DrawLine(IRenderer& renderer, const RECT& rect, int size, DWORD argb) {
    renderer.DrawLine(POINT{rect.left, rect.top}, POINT{rect.right, rect.bottom}, size, argb);
  }
};

}  // namespace DuiLib
