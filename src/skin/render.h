#pragma once
// The one drawing interface of the library. Controls paint through it; the cairo/pango
// renderer draws into an image surface that a display shows or a PNG file keeps.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "skin/types.h"

namespace DuiLib {

// Decoded pixels: 32-bit premultiplied ARGB, native byte order, rows without padding.
struct Bitmap {
  int width = 0;
  int height = 0;
  std::vector<uint32_t> pixels;
};

struct FontSpec {
  std::wstring family = L"微软雅黑";
  int pixelSize = 12;
  bool bold = false;
  bool underline = false;
  bool italic = false;
};

// An image as a control draws it: the part `source` of the bitmap (all of it when empty)
// into `dest`, its borders `corner` kept at their size and the middle stretched.
struct ImageDraw {
  const Bitmap* bitmap = nullptr;
  RECT source;
  RECT corner;
  BYTE fade = 255;
};

class IRenderer {
 public:
  virtual ~IRenderer() = default;
  virtual void FillRect(const RECT& rect, DWORD argb) = 0;
  virtual void DrawBorder(const RECT& rect, int size, DWORD argb) = 0;
  virtual void DrawLine(POINT from, POINT to, int size, DWORD argb) = 0;
  virtual void DrawImage(const ImageDraw& image, const RECT& dest) = 0;
  // `format` combines the DT_ values; a single line unless DT_WORDBREAK.
  virtual void DrawText(const CDuiString& text, const RECT& rect, const FontSpec& font, DWORD argb, UINT format) = 0;
  // The extent of the text as one line.
  virtual SIZE MeasureText(const CDuiString& text, const FontSpec& font) = 0;
  virtual void PushClip(const RECT& rect) = 0;
  virtual void PopClip() = 0;
};

// A drawing target of a window's size.
class Surface {
 public:
  Surface(int width, int height);
  ~Surface();
  Surface(const Surface&) = delete;
  Surface& operator=(const Surface&) = delete;

  int width() const { return width_; }
  int height() const { return height_; }
  // Rows of 32-bit ARGB pixels, `stride` bytes apart.
  const uint8_t* data() const;
  int stride() const;
  std::unique_ptr<IRenderer> CreateRenderer();
  bool WritePng(const std::string& hostPath) const;
  Bitmap ToBitmap() const;
  void* native() const { return surface_; }

 private:
  int width_;
  int height_;
  void* surface_;  // cairo_surface_t
};

// The renderer for measuring only (no surface of a window needed).
IRenderer& MeasuringRenderer();

}  // namespace DuiLib
