#include "support/ink.h"

#include <cstdlib>
#include <map>
#include <vector>

namespace testing_support {
namespace {

// A channel this far from the background's is ink, not anti-aliasing haze.
constexpr int kInkDistance = 80;
// The largest side of one dot of an ellipsis in the skins' font sizes.
constexpr int kMaxDotSide = 4;

class Ink {
 public:
  Ink(const DuiLib::Bitmap& image, const DuiLib::RECT& area) : image_(image) {
    std::map<uint32_t, int> counts;
    for (int y = area.top; y < area.bottom; ++y) {
      for (int x = area.left; x < area.right; ++x) ++counts[Pixel(x, y)];
    }
    int most = 0;
    for (const auto& [colour, count] : counts) {
      if (count > most) {
        most = count;
        background_ = colour;
      }
    }
  }

  bool At(int x, int y) const {
    uint32_t p = Pixel(x, y);
    for (int shift = 0; shift < 24; shift += 8) {
      if (std::abs(static_cast<int>((p >> shift) & 0xFF) - static_cast<int>((background_ >> shift) & 0xFF)) >
          kInkDistance) {
        return true;
      }
    }
    return false;
  }

  bool InRow(int y, int left, int right) const {
    for (int x = left; x < right; ++x) {
      if (At(x, y)) return true;
    }
    return false;
  }

  bool InColumn(int x, int top, int bottom) const {
    for (int y = top; y < bottom; ++y) {
      if (At(x, y)) return true;
    }
    return false;
  }

 private:
  uint32_t Pixel(int x, int y) const { return image_.pixels[static_cast<size_t>(y) * image_.width + x]; }

  const DuiLib::Bitmap& image_;
  uint32_t background_ = 0;
};

// Runs of consecutive indexes in [from, to) for which `has` holds.
template <typename Has>
std::vector<std::pair<int, int>> Runs(int from, int to, Has has) {
  std::vector<std::pair<int, int>> runs;
  for (int i = from; i < to; ++i) {
    if (!has(i)) continue;
    if (!runs.empty() && runs.back().second == i) {
      runs.back().second = i + 1;
    } else {
      runs.push_back({i, i + 1});
    }
  }
  return runs;
}

}  // namespace

bool SamePixels(const DuiLib::Bitmap& image, const DuiLib::RECT& a, const DuiLib::RECT& b) {
  if (a.Width() != b.Width() || a.Height() != b.Height()) return false;
  auto pixel = [&](int x, int y) { return image.pixels[static_cast<size_t>(y) * image.width + x]; };
  for (int dy = 0; dy < a.Height(); ++dy) {
    for (int dx = 0; dx < a.Width(); ++dx) {
      if (pixel(a.left + dx, a.top + dy) != pixel(b.left + dx, b.top + dy)) return false;
    }
  }
  return true;
}

bool HasInk(const DuiLib::Bitmap& image, const DuiLib::RECT& area) {
  Ink ink(image, area);
  for (int y = area.top; y < area.bottom; ++y) {
    if (ink.InRow(y, area.left, area.right)) return true;
  }
  return false;
}

bool EndsWithEllipsis(const DuiLib::Bitmap& image, const DuiLib::RECT& area) {
  Ink ink(image, area);
  auto lines = Runs(area.top, area.bottom, [&](int y) { return ink.InRow(y, area.left, area.right); });
  if (lines.empty()) return false;
  auto [top, bottom] = lines.back();
  auto marks = Runs(area.left, area.right, [&](int x) { return ink.InColumn(x, top, bottom); });
  if (marks.size() < 4) return false;  // three dots and text before them
  int dotsTop = -1;
  for (size_t i = marks.size() - 3; i < marks.size(); ++i) {
    auto [left, right] = marks[i];
    auto rows = Runs(top, bottom, [&](int y) { return ink.InRow(y, left, right); });
    if (rows.size() != 1 || right - left > kMaxDotSide || rows[0].second - rows[0].first > kMaxDotSide) return false;
    if (dotsTop >= 0 && std::abs(rows[0].first - dotsTop) > 1) return false;
    dotsTop = rows[0].first;
  }
  return true;
}

}  // namespace testing_support
