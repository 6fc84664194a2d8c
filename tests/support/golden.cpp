#include "support/golden.h"

#include <cairo.h>

#include <cstdlib>
#include <filesystem>

namespace testing_support {
namespace {

// A pixel differs when a channel is off by more than this; the images differ when more
// than kMaxDifferentShare of the pixels do.
constexpr int kChannelTolerance = 40;
constexpr double kMaxDifferentShare = 0.005;

struct Image {
  cairo_surface_t* surface;
  explicit Image(const std::string& path) : surface(cairo_image_surface_create_from_png(path.c_str())) {}
  ~Image() { cairo_surface_destroy(surface); }
  bool ok() const { return cairo_surface_status(surface) == CAIRO_STATUS_SUCCESS; }
  int width() const { return cairo_image_surface_get_width(surface); }
  int height() const { return cairo_image_surface_get_height(surface); }
  const uint32_t* row(int y) const {
    return reinterpret_cast<const uint32_t*>(cairo_image_surface_get_data(surface) +
                                             y * cairo_image_surface_get_stride(surface));
  }
};

bool Differs(uint32_t a, uint32_t b) {
  for (int shift = 0; shift < 32; shift += 8) {
    if (std::abs(static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF)) > kChannelTolerance) {
      return true;
    }
  }
  return false;
}

}  // namespace

std::string CompareWithGolden(const std::string& renderedPng, const std::string& goldenName) {
  std::filesystem::path golden = std::filesystem::path(TARNVIK_SOURCE_DIR) / "tests/fixtures/golden" / goldenName;
  const char* update = std::getenv("TARNVIK_UPDATE_GOLDEN");
  if (update && std::string(update) == "1") {
    std::filesystem::copy_file(renderedPng, golden, std::filesystem::copy_options::overwrite_existing);
    return "";
  }
  Image expected(golden.string()), actual(renderedPng);
  if (!expected.ok()) return "no golden image " + golden.string() + " (make it with TARNVIK_UPDATE_GOLDEN=1)";
  if (!actual.ok()) return "cannot read the rendered image " + renderedPng;
  if (expected.width() != actual.width() || expected.height() != actual.height()) {
    return "size " + std::to_string(actual.width()) + "x" + std::to_string(actual.height()) + " instead of " +
           std::to_string(expected.width()) + "x" + std::to_string(expected.height());
  }
  long different = 0;
  for (int y = 0; y < expected.height(); ++y) {
    for (int x = 0; x < expected.width(); ++x) different += Differs(expected.row(y)[x], actual.row(y)[x]);
  }
  long allowed = static_cast<long>(kMaxDifferentShare * expected.width() * expected.height());
  if (different > allowed) {
    return std::to_string(different) + " pixels differ from " + golden.string() + " (at most " +
           std::to_string(allowed) + " may); rendered image: " + renderedPng;
  }
  return "";
}

}  // namespace testing_support
