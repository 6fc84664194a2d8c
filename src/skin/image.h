#pragma once
// Images of the skins: the image attribute text ("x.png" or "file='x.png' corner='l,t,r,b'
// source='l,t,r,b' fade='n'") and the decoding of PNG and GIF files.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "skin/render.h"

namespace DuiLib {

struct ImageAttribute {
  CDuiString file;
  RECT source;
  RECT corner;
  BYTE fade = 255;
};

// Empty text gives an empty file name (no image).
ImageAttribute ParseImageAttribute(const CDuiString& text);

std::optional<Bitmap> DecodePng(const std::string& bytes);

struct GifFrame {
  Bitmap bitmap;
  int delayMs = 100;
};
// Every frame composed onto the canvas as the file's disposal rules say.
std::optional<std::vector<GifFrame>> DecodeGif(const std::string& bytes);

// A still image of any supported kind (the first frame of a GIF).
std::optional<Bitmap> DecodeImage(const std::string& bytes);

}  // namespace DuiLib
