// The renderer of the Linux build: cairo for shapes and images, pango for text, with the
// fonts of the library's own font configuration.

#include <cairo.h>
#include <fontconfig/fontconfig.h>
#include <pango/pangocairo.h>
#include <pango/pangofc-fontmap.h>

#include <algorithm>
#include <cstring>

#include "platform/codepage.h"
#include "skin/render.h"

namespace DuiLib {
namespace {

constexpr const char* kFontsConf =
#include "skin/fonts_conf.inc"
    ;

FcConfig* LibraryFontConfig() {
  static FcConfig* config = [] {
    FcConfig* c = FcConfigCreate();
    FcConfigParseAndLoadFromMemory(c, reinterpret_cast<const FcChar8*>(kFontsConf), FcTrue);
    FcConfigBuildFonts(c);
    // Current for the whole process, so that nothing loads the system's configuration
    // beside it.
    FcConfigSetCurrent(c);
    return c;
  }();
  return config;
}

// Pango objects may not be shared between threads, so each thread with windows has its own.
PangoContext* ThreadPangoContext() {
  struct Holder {
    PangoFontMap* map = nullptr;
    PangoContext* context = nullptr;
    ~Holder() {
      if (context) g_object_unref(context);
      if (map) g_object_unref(map);
    }
  };
  thread_local Holder holder;
  if (!holder.context) {
    holder.map = pango_cairo_font_map_new_for_font_type(CAIRO_FONT_TYPE_FT);
    pango_fc_font_map_set_config(PANGO_FC_FONT_MAP(holder.map), LibraryFontConfig());
    holder.context = pango_font_map_create_context(holder.map);
    pango_context_set_language(holder.context, pango_language_from_string("zh-cn"));
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
    cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_SLIGHT);
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_ON);
    pango_cairo_context_set_font_options(holder.context, options);
    cairo_font_options_destroy(options);
  }
  return holder.context;
}

void SetSource(cairo_t* cr, DWORD argb, bool opaqueWithoutAlpha) {
  double a = ((argb >> 24) & 0xFF) / 255.0;
  if (opaqueWithoutAlpha && (argb >> 24) == 0) a = 1.0;
  cairo_set_source_rgba(cr, ((argb >> 16) & 0xFF) / 255.0, ((argb >> 8) & 0xFF) / 255.0, (argb & 0xFF) / 255.0, a);
}

PangoLayout* MakeLayout(const CDuiString& text, const FontSpec& font) {
  PangoLayout* layout = pango_layout_new(ThreadPangoContext());
  std::string utf8 = platform::WideToUtf8(text);
  pango_layout_set_text(layout, utf8.data(), static_cast<int>(utf8.size()));
  PangoFontDescription* desc = pango_font_description_new();
  std::string family = platform::WideToUtf8(font.family);
  pango_font_description_set_family(desc, family.c_str());
  pango_font_description_set_absolute_size(desc, font.pixelSize * PANGO_SCALE);
  pango_font_description_set_weight(desc, font.bold ? PANGO_WEIGHT_BOLD : PANGO_WEIGHT_NORMAL);
  pango_font_description_set_style(desc, font.italic ? PANGO_STYLE_ITALIC : PANGO_STYLE_NORMAL);
  pango_layout_set_font_description(layout, desc);
  pango_font_description_free(desc);
  if (font.underline) {
    PangoAttrList* attrs = pango_attr_list_new();
    pango_attr_list_insert(attrs, pango_attr_underline_new(PANGO_UNDERLINE_SINGLE));
    pango_layout_set_attributes(layout, attrs);
    pango_attr_list_unref(attrs);
  }
  return layout;
}

void ShrinkCorners(int& first, int& second, int length) {
  int both = first + second;
  if (both <= length || both <= 0) return;
  first = first * length / both;
  second = length - first;
}

class CairoRenderer : public IRenderer {
 public:
  explicit CairoRenderer(cairo_surface_t* surface) : cr_(cairo_create(surface)) {}
  ~CairoRenderer() override { cairo_destroy(cr_); }

  void FillRect(const RECT& rect, DWORD argb) override {
    if ((argb >> 24) == 0 || rect.IsEmpty()) return;
    SetSource(cr_, argb, false);
    cairo_rectangle(cr_, rect.left, rect.top, rect.Width(), rect.Height());
    cairo_fill(cr_);
  }

  void DrawBorder(const RECT& rect, int size, DWORD argb) override {
    if ((argb >> 24) == 0 || size <= 0 || rect.IsEmpty()) return;
    SetSource(cr_, argb, false);
    cairo_set_line_width(cr_, size);
    double inset = size / 2.0;
    cairo_rectangle(cr_, rect.left + inset, rect.top + inset, rect.Width() - size, rect.Height() - size);
    cairo_stroke(cr_);
  }

  void DrawLine(POINT from, POINT to, int size, DWORD argb) override {
    SetSource(cr_, argb, true);
    cairo_set_line_width(cr_, size);
    double half = (size % 2) ? 0.5 : 0.0;
    cairo_move_to(cr_, from.x + half, from.y + half);
    cairo_line_to(cr_, to.x + half, to.y + half);
    cairo_stroke(cr_);
  }

  void DrawImage(const ImageDraw& image, const RECT& dest) override {
    const Bitmap* bmp = image.bitmap;
    if (!bmp || bmp->width == 0 || dest.IsEmpty()) return;
    cairo_surface_t* whole = cairo_image_surface_create_for_data(
        reinterpret_cast<unsigned char*>(const_cast<uint32_t*>(bmp->pixels.data())), CAIRO_FORMAT_ARGB32, bmp->width,
        bmp->height, bmp->width * 4);
    RECT src = image.source.IsEmpty() ? RECT{0, 0, bmp->width, bmp->height} : image.source;
    src = Intersect(src, RECT{0, 0, bmp->width, bmp->height});
    // Corners wider than the place they go to shrink with it (a nearly empty progress bar).
    RECT c = image.corner;
    ShrinkCorners(c.left, c.right, dest.Width());
    ShrinkCorners(c.top, c.bottom, dest.Height());
    // Nine cells: the corners keep their size, edges stretch one way, the middle both.
    int sx[4] = {src.left, src.left + c.left, src.right - c.right, src.right};
    int sy[4] = {src.top, src.top + c.top, src.bottom - c.bottom, src.bottom};
    int dx[4] = {dest.left, dest.left + c.left, dest.right - c.right, dest.right};
    int dy[4] = {dest.top, dest.top + c.top, dest.bottom - c.bottom, dest.bottom};
    for (int row = 0; row < 3; ++row) {
      for (int col = 0; col < 3; ++col) {
        RECT s{sx[col], sy[row], sx[col + 1], sy[row + 1]};
        RECT d{dx[col], dy[row], dx[col + 1], dy[row + 1]};
        if (s.IsEmpty() || d.IsEmpty()) continue;
        DrawCell(whole, s, d, image.fade);
      }
    }
    cairo_surface_destroy(whole);
  }

  void DrawText(const CDuiString& text, const RECT& rect, const FontSpec& font, DWORD argb, UINT format) override {
    if (text.empty() || rect.IsEmpty()) return;
    PangoLayout* layout = MakeLayout(text, font);
    bool wrap = (format & DT_WORDBREAK) != 0;
    if (wrap) {
      pango_layout_set_width(layout, rect.Width() * PANGO_SCALE);
      pango_layout_set_wrap(layout, PANGO_WRAP_WORD_CHAR);
      pango_layout_set_alignment(layout, (format & DT_CENTER)  ? PANGO_ALIGN_CENTER
                                         : (format & DT_RIGHT) ? PANGO_ALIGN_RIGHT
                                                               : PANGO_ALIGN_LEFT);
    } else {
      pango_layout_set_single_paragraph_mode(layout, TRUE);
    }
    if (format & DT_END_ELLIPSIS) {
      // Wrapped text keeps the lines that fit the height, the last one ending in "…".
      pango_layout_set_width(layout, rect.Width() * PANGO_SCALE);
      if (wrap) pango_layout_set_height(layout, rect.Height() * PANGO_SCALE);
      pango_layout_set_ellipsize(layout, PANGO_ELLIPSIZE_END);
    }
    PangoRectangle ink, logical;
    pango_layout_get_pixel_extents(layout, &ink, &logical);
    double x = rect.left;
    if (!wrap && (format & DT_CENTER)) x += (rect.Width() - logical.width) / 2.0;
    if (!wrap && (format & DT_RIGHT)) x += rect.Width() - logical.width;
    double y = rect.top;
    if (format & DT_VCENTER) y += (rect.Height() - logical.height) / 2.0;
    if (format & DT_BOTTOM) y += rect.Height() - logical.height;
    cairo_save(cr_);
    cairo_rectangle(cr_, rect.left, rect.top, rect.Width(), rect.Height());
    cairo_clip(cr_);
    SetSource(cr_, argb, true);
    cairo_move_to(cr_, static_cast<int>(x), static_cast<int>(y));
    pango_cairo_show_layout(cr_, layout);
    cairo_restore(cr_);
    g_object_unref(layout);
  }

  SIZE MeasureText(const CDuiString& text, const FontSpec& font) override {
    PangoLayout* layout = MakeLayout(text, font);
    pango_layout_set_single_paragraph_mode(layout, TRUE);
    PangoRectangle logical;
    pango_layout_get_pixel_extents(layout, nullptr, &logical);
    g_object_unref(layout);
    return {logical.width, logical.height};
  }

  void PushClip(const RECT& rect) override {
    cairo_save(cr_);
    cairo_rectangle(cr_, rect.left, rect.top, rect.Width(), rect.Height());
    cairo_clip(cr_);
  }

  void PopClip() override { cairo_restore(cr_); }

 private:
  void DrawCell(cairo_surface_t* whole, const RECT& s, const RECT& d, BYTE fade) {
    cairo_surface_t* cell = cairo_surface_create_for_rectangle(whole, s.left, s.top, s.Width(), s.Height());
    cairo_save(cr_);
    cairo_rectangle(cr_, d.left, d.top, d.Width(), d.Height());
    cairo_clip(cr_);
    cairo_translate(cr_, d.left, d.top);
    cairo_scale(cr_, static_cast<double>(d.Width()) / s.Width(), static_cast<double>(d.Height()) / s.Height());
    cairo_set_source_surface(cr_, cell, 0, 0);
    cairo_pattern_set_extend(cairo_get_source(cr_), CAIRO_EXTEND_PAD);
    if (d.Width() == s.Width() && d.Height() == s.Height()) {
      cairo_pattern_set_filter(cairo_get_source(cr_), CAIRO_FILTER_NEAREST);
    }
    if (fade == 255) {
      cairo_paint(cr_);
    } else {
      cairo_paint_with_alpha(cr_, fade / 255.0);
    }
    cairo_restore(cr_);
    cairo_surface_destroy(cell);
  }

  cairo_t* cr_;
};

cairo_surface_t* AsCairo(void* surface) { return static_cast<cairo_surface_t*>(surface); }

}  // namespace

Surface::Surface(int width, int height)
    : width_(width), height_(height),
      surface_(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, std::max(width, 1), std::max(height, 1))) {}

Surface::~Surface() { cairo_surface_destroy(AsCairo(surface_)); }

const uint8_t* Surface::data() const {
  cairo_surface_flush(AsCairo(surface_));
  return cairo_image_surface_get_data(AsCairo(surface_));
}

int Surface::stride() const { return cairo_image_surface_get_stride(AsCairo(surface_)); }

std::unique_ptr<IRenderer> Surface::CreateRenderer() { return std::make_unique<CairoRenderer>(AsCairo(surface_)); }

bool Surface::WritePng(const std::string& hostPath) const {
  cairo_surface_flush(AsCairo(surface_));
  return cairo_surface_write_to_png(AsCairo(surface_), hostPath.c_str()) == CAIRO_STATUS_SUCCESS;
}

Bitmap Surface::ToBitmap() const {
  Bitmap bmp{width_, height_, std::vector<uint32_t>(static_cast<size_t>(width_) * height_)};
  const uint8_t* rows = data();
  for (int y = 0; y < height_; ++y) {
    std::memcpy(bmp.pixels.data() + static_cast<size_t>(y) * width_, rows + static_cast<size_t>(y) * stride(),
                static_cast<size_t>(width_) * 4);
  }
  return bmp;
}

IRenderer& MeasuringRenderer() {
  thread_local Surface surface(1, 1);
  thread_local std::unique_ptr<IRenderer> renderer = surface.CreateRenderer();
  return *renderer;
}

}  // namespace DuiLib
