#include "skin/image.h"

#include <cairo.h>
#include <gif_lib.h>

#include <algorithm>
#include <cstring>

#include "skin/attributes.h"

namespace DuiLib {
namespace {

// The value of key='...' inside an image attribute.
std::optional<CDuiString> QuotedValue(const CDuiString& text, const wchar_t* key) {
  CDuiString pattern = CDuiString(key) + L"='";
  size_t at = text.find(pattern);
  if (at == CDuiString::npos) return std::nullopt;
  size_t start = at + pattern.size();
  size_t end = text.find(L'\'', start);
  if (end == CDuiString::npos) return std::nullopt;
  return text.substr(start, end - start);
}

struct ByteReader {
  const std::string* bytes;
  size_t offset = 0;
};

cairo_status_t ReadPngBytes(void* closure, unsigned char* data, unsigned int length) {
  auto* reader = static_cast<ByteReader*>(closure);
  if (reader->offset + length > reader->bytes->size()) return CAIRO_STATUS_READ_ERROR;
  std::memcpy(data, reader->bytes->data() + reader->offset, length);
  reader->offset += length;
  return CAIRO_STATUS_SUCCESS;
}

int ReadGifBytes(GifFileType* gif, GifByteType* data, int length) {
  auto* reader = static_cast<ByteReader*>(gif->UserData);
  size_t left = reader->bytes->size() - reader->offset;
  size_t n = std::min(left, static_cast<size_t>(length));
  std::memcpy(data, reader->bytes->data() + reader->offset, n);
  reader->offset += n;
  return static_cast<int>(n);
}

bool IsGif(const std::string& bytes) { return bytes.compare(0, 3, "GIF") == 0; }

}  // namespace

ImageAttribute ParseImageAttribute(const CDuiString& text) {
  ImageAttribute attribute;
  if (text.find(L'\'') == CDuiString::npos) {
    attribute.file = text;
    return attribute;
  }
  attribute.file = QuotedValue(text, L"file").value_or(L"");
  if (auto v = QuotedValue(text, L"source")) attribute.source = ParseRect(*v);
  if (auto v = QuotedValue(text, L"corner")) attribute.corner = ParseRect(*v);
  if (auto v = QuotedValue(text, L"fade")) attribute.fade = static_cast<BYTE>(ParseInt(*v, 0, 255));
  return attribute;
}

std::optional<Bitmap> DecodePng(const std::string& bytes) {
  ByteReader reader{&bytes};
  cairo_surface_t* png = cairo_image_surface_create_from_png_stream(ReadPngBytes, &reader);
  if (cairo_surface_status(png) != CAIRO_STATUS_SUCCESS) {
    cairo_surface_destroy(png);
    return std::nullopt;
  }
  // Whatever format the file had, the bitmap is ARGB32.
  Bitmap bmp;
  bmp.width = cairo_image_surface_get_width(png);
  bmp.height = cairo_image_surface_get_height(png);
  bmp.pixels.resize(static_cast<size_t>(bmp.width) * bmp.height);
  cairo_surface_t* target = cairo_image_surface_create_for_data(reinterpret_cast<unsigned char*>(bmp.pixels.data()),
                                                                CAIRO_FORMAT_ARGB32, bmp.width, bmp.height,
                                                                bmp.width * 4);
  cairo_t* cr = cairo_create(target);
  cairo_set_source_surface(cr, png, 0, 0);
  cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
  cairo_paint(cr);
  cairo_destroy(cr);
  cairo_surface_destroy(target);
  cairo_surface_destroy(png);
  return bmp;
}

std::optional<std::vector<GifFrame>> DecodeGif(const std::string& bytes) {
  ByteReader reader{&bytes};
  int error = 0;
  GifFileType* gif = DGifOpen(&reader, ReadGifBytes, &error);
  if (!gif) return std::nullopt;
  if (DGifSlurp(gif) != GIF_OK || gif->ImageCount == 0 || gif->SWidth <= 0 || gif->SHeight <= 0) {
    DGifCloseFile(gif, &error);
    return std::nullopt;
  }
  const int width = gif->SWidth, height = gif->SHeight;
  std::vector<uint32_t> canvas(static_cast<size_t>(width) * height, 0);
  std::vector<GifFrame> frames;
  for (int i = 0; i < gif->ImageCount; ++i) {
    const SavedImage& image = gif->SavedImages[i];
    GraphicsControlBlock gcb{};
    gcb.TransparentColor = NO_TRANSPARENT_COLOR;
    DGifSavedExtensionToGCB(gif, i, &gcb);
    const ColorMapObject* map = image.ImageDesc.ColorMap ? image.ImageDesc.ColorMap : gif->SColorMap;
    std::vector<uint32_t> before = canvas;
    const GifImageDesc& d = image.ImageDesc;
    for (int y = 0; map && y < d.Height; ++y) {
      for (int x = 0; x < d.Width; ++x) {
        int cx = d.Left + x, cy = d.Top + y;
        if (cx < 0 || cy < 0 || cx >= width || cy >= height) continue;
        int index = image.RasterBits[y * d.Width + x];
        if (index == gcb.TransparentColor || index >= map->ColorCount) continue;
        const GifColorType& c = map->Colors[index];
        canvas[cy * width + cx] = 0xFF000000u | (c.Red << 16) | (c.Green << 8) | c.Blue;
      }
    }
    GifFrame frame;
    frame.bitmap = {width, height, canvas};
    frame.delayMs = gcb.DelayTime > 0 ? gcb.DelayTime * 10 : 100;
    frames.push_back(std::move(frame));
    if (gcb.DisposalMode == DISPOSE_BACKGROUND) {
      for (int y = std::max(0, d.Top); y < std::min(height, d.Top + d.Height); ++y) {
        for (int x = std::max(0, d.Left); x < std::min(width, d.Left + d.Width); ++x) canvas[y * width + x] = 0;
      }
    } else if (gcb.DisposalMode == DISPOSE_PREVIOUS) {
      canvas = std::move(before);
    }
  }
  DGifCloseFile(gif, &error);
  return frames;
}

std::optional<Bitmap> DecodeImage(const std::string& bytes) {
  if (IsGif(bytes)) {
    auto frames = DecodeGif(bytes);
    if (!frames) return std::nullopt;
    return std::move(frames->front().bitmap);
  }
  return DecodePng(bytes);
}

}  // namespace DuiLib
