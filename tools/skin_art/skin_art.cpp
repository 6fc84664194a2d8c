// Draws the images of the skins: skin_art OUTPUT_SKIN_FOLDER writes every PNG below it
// (u/m/, r/so/, r/do/). One accent green, quiet greys, crisp shapes at their final size,
// so that no image is scaled when shown.

#include <cairo.h>
#include <pango/pangocairo.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>

namespace {

namespace fs = std::filesystem;

struct Rgb {
  double r, g, b;
};
constexpr Rgb Hex(unsigned v) { return {((v >> 16) & 0xFF) / 255.0, ((v >> 8) & 0xFF) / 255.0, (v & 0xFF) / 255.0}; }

constexpr Rgb kGreen = Hex(0x28c67a);
constexpr Rgb kGreenHot = Hex(0x3dd68b);
constexpr Rgb kGreenPushed = Hex(0x1fad68);
constexpr Rgb kGrey = Hex(0x9ca4ab);
constexpr Rgb kLine = Hex(0xebebeb);
constexpr Rgb kWhite = Hex(0xffffff);

void Source(cairo_t* cr, Rgb c, double alpha = 1.0) { cairo_set_source_rgba(cr, c.r, c.g, c.b, alpha); }

void RoundedRect(cairo_t* cr, double x, double y, double w, double h, double r) {
  cairo_new_sub_path(cr);
  cairo_arc(cr, x + w - r, y + r, r, -M_PI / 2, 0);
  cairo_arc(cr, x + w - r, y + h - r, r, 0, M_PI / 2);
  cairo_arc(cr, x + r, y + h - r, r, M_PI / 2, M_PI);
  cairo_arc(cr, x + r, y + r, r, M_PI, 3 * M_PI / 2);
  cairo_close_path(cr);
}

void Text(cairo_t* cr, const char* text, double x, double y, double w, double h, int px, bool bold, Rgb color,
          PangoAlignment align = PANGO_ALIGN_CENTER) {
  PangoLayout* layout = pango_cairo_create_layout(cr);
  pango_layout_set_text(layout, text, -1);
  PangoFontDescription* desc = pango_font_description_from_string("WenQuanYi Micro Hei");
  pango_font_description_set_absolute_size(desc, px * PANGO_SCALE);
  pango_font_description_set_weight(desc, bold ? PANGO_WEIGHT_BOLD : PANGO_WEIGHT_NORMAL);
  pango_layout_set_font_description(layout, desc);
  pango_font_description_free(desc);
  pango_layout_set_width(layout, static_cast<int>(w * PANGO_SCALE));
  pango_layout_set_alignment(layout, align);
  PangoRectangle logical;
  pango_layout_get_pixel_extents(layout, nullptr, &logical);
  Source(cr, color);
  cairo_move_to(cr, x, y + (h - logical.height) / 2.0);
  pango_cairo_show_layout(cr, layout);
  g_object_unref(layout);
}

void Write(const fs::path& folder, const char* name, int w, int h, const std::function<void(cairo_t*)>& draw) {
  fs::create_directories(folder);
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h);
  cairo_t* cr = cairo_create(surface);
  draw(cr);
  cairo_destroy(cr);
  std::string path = (folder / name).string();
  if (cairo_surface_write_to_png(surface, path.c_str()) != CAIRO_STATUS_SUCCESS) {
    std::fprintf(stderr, "skin_art: cannot write %s\n", path.c_str());
  }
  cairo_surface_destroy(surface);
}

// Message box icons: a filled disc with a white sign.
void Icon(const fs::path& dir, const char* name, Rgb color, const std::function<void(cairo_t*)>& sign) {
  Write(dir, name, 40, 40, [&](cairo_t* cr) {
    Source(cr, color);
    cairo_arc(cr, 20, 20, 19, 0, 2 * M_PI);
    cairo_fill(cr);
    Source(cr, kWhite);
    cairo_set_line_width(cr, 3.2);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    sign(cr);
  });
}

void Tick(cairo_t* cr, double x, double y, double s) {
  cairo_move_to(cr, x, y + s * 0.5);
  cairo_line_to(cr, x + s * 0.38, y + s * 0.85);
  cairo_line_to(cr, x + s, y + s * 0.12);
  cairo_stroke(cr);
}

// Buttons of the message boxes at their shown size (96 x 32).
void FilledButton(const fs::path& dir, const char* name, Rgb fill) {
  Write(dir, name, 96, 32, [&](cairo_t* cr) {
    RoundedRect(cr, 0, 0, 96, 32, 4);
    Source(cr, fill);
    cairo_fill(cr);
  });
}

void OutlinedButton(const fs::path& dir, const char* name, Rgb fill, Rgb border, bool filled) {
  Write(dir, name, 96, 32, [&](cairo_t* cr) {
    RoundedRect(cr, 0.5, 0.5, 95, 31, 4);
    if (filled) {
      Source(cr, fill);
      cairo_fill_preserve(cr);
    }
    Source(cr, border);
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);
  });
}

void CloseButton(const fs::path& dir, const char* name, Rgb background, double alpha, Rgb cross) {
  Write(dir, name, 40, 40, [&](cairo_t* cr) {
    Source(cr, background, alpha);
    cairo_paint(cr);
    Source(cr, cross);
    cairo_set_line_width(cr, 1.6);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_move_to(cr, 15, 15);
    cairo_line_to(cr, 25, 25);
    cairo_move_to(cr, 25, 15);
    cairo_line_to(cr, 15, 25);
    cairo_stroke(cr);
  });
}

void Folder(const fs::path& dir, const char* name, Rgb color) {
  Write(dir, name, 26, 26, [&](cairo_t* cr) {
    Source(cr, color);
    cairo_set_line_width(cr, 1.5);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    cairo_move_to(cr, 5, 8);
    cairo_line_to(cr, 10.5, 8);
    cairo_line_to(cr, 12.5, 10);
    cairo_line_to(cr, 21, 10);
    cairo_line_to(cr, 21, 19);
    cairo_line_to(cr, 5, 19);
    cairo_close_path(cr);
    cairo_stroke(cr);
    cairo_move_to(cr, 5, 13);
    cairo_line_to(cr, 21, 13);
    cairo_stroke(cr);
  });
}

void RoundControl(const fs::path& dir, const char* name, Rgb color, const std::function<void(cairo_t*)>& sign) {
  Write(dir, name, 23, 23, [&](cairo_t* cr) {
    Source(cr, color);
    cairo_set_line_width(cr, 1.4);
    cairo_arc(cr, 11.5, 11.5, 10.5, 0, 2 * M_PI);
    cairo_stroke(cr);
    sign(cr);
  });
}

void Pause(cairo_t* cr) {
  cairo_rectangle(cr, 8, 7, 2.4, 9);
  cairo_rectangle(cr, 12.6, 7, 2.4, 9);
  cairo_fill(cr);
}

void Play(cairo_t* cr) {
  cairo_move_to(cr, 9, 6.5);
  cairo_line_to(cr, 16.5, 11.5);
  cairo_line_to(cr, 9, 16.5);
  cairo_close_path(cr);
  cairo_fill(cr);
}

// Radio marks of the re-selection rows (13 x 13).
void Radio(const fs::path& dir, const char* name, Rgb ring, bool dot) {
  Write(dir, name, 13, 13, [&](cairo_t* cr) {
    Source(cr, ring);
    cairo_set_line_width(cr, 1.2);
    cairo_arc(cr, 6.5, 6.5, 5.6, 0, 2 * M_PI);
    cairo_stroke(cr);
    if (dot) {
      cairo_arc(cr, 6.5, 6.5, 3, 0, 2 * M_PI);
      cairo_fill(cr);
    }
  });
}

// A status badge, its text flush right so that badges of different widths end together.
void Badge(const fs::path& dir, const char* name, int width, const char* text, Rgb color) {
  Write(dir, name, width, 20, [&](cairo_t* cr) {
    RoundedRect(cr, 0.5, 0.5, width - 1, 19, 9.5);
    Source(cr, color, 0.10);
    cairo_fill_preserve(cr);
    Source(cr, color);
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);
    Text(cr, text, 0, 0, width, 20, 12, false, color);
  });
}

void Line(const fs::path& dir, const char* name, int width, Rgb color) {
  Write(dir, name, width, 1, [&](cairo_t* cr) {
    Source(cr, color);
    cairo_paint(cr);
  });
}

// Progress bars; the radius fits the 3-pixel corners the bar's image attribute keeps.
void Bar(const fs::path& dir, const char* name, int width, int height, Rgb color) {
  Write(dir, name, width, height, [&](cairo_t* cr) {
    RoundedRect(cr, 0, 0, width, height, 3);
    Source(cr, color);
    cairo_fill(cr);
  });
}

// The make dialog's step marks and the line and points between the steps.
void StepMark(const fs::path& dir, const char* name, Rgb color, bool tick) {
  Write(dir, name, 20, 20, [&](cairo_t* cr) {
    Source(cr, color);
    cairo_arc(cr, 10, 10, 9.5, 0, 2 * M_PI);
    cairo_fill(cr);
    Source(cr, kWhite);
    cairo_set_line_width(cr, 1.8);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    if (tick) {
      Tick(cr, 5.5, 6, 9);
    } else {
      cairo_move_to(cr, 6.5, 6.5);
      cairo_line_to(cr, 13.5, 13.5);
      cairo_move_to(cr, 13.5, 6.5);
      cairo_line_to(cr, 6.5, 13.5);
      cairo_stroke(cr);
    }
  });
}

void Point(const fs::path& dir, const char* name, Rgb color) {
  Write(dir, name, 12, 12, [&](cairo_t* cr) {
    Source(cr, color);
    cairo_arc(cr, 6, 6, 5.5, 0, 2 * M_PI);
    cairo_fill(cr);
  });
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: skin_art OUTPUT_SKIN_FOLDER\n");
    return 2;
  }
  const fs::path skin = argv[1];
  const fs::path box = skin / "u" / "m";
  const fs::path so = skin / "r" / "so";
  const fs::path dl = skin / "r" / "do";

  Icon(box, "icon-exc.png", Hex(0xf5a623), [](cairo_t* cr) {
    cairo_move_to(cr, 20, 10);
    cairo_line_to(cr, 20, 23);
    cairo_stroke(cr);
    cairo_arc(cr, 20, 29.5, 2.1, 0, 2 * M_PI);
    cairo_fill(cr);
  });
  Icon(box, "icon-que.png", Hex(0x3b8ff3), [](cairo_t* cr) {
    cairo_arc(cr, 20, 15.5, 5.5, M_PI, 2.35 * M_PI);
    cairo_line_to(cr, 20, 24);
    cairo_stroke(cr);
    cairo_arc(cr, 20, 29.5, 2.1, 0, 2 * M_PI);
    cairo_fill(cr);
  });
  Icon(box, "icon-tic.png", kGreen, [](cairo_t* cr) { Tick(cr, 11, 12, 18); });
  Icon(box, "icon-cro.png", Hex(0xf0534a), [](cairo_t* cr) {
    cairo_move_to(cr, 13.5, 13.5);
    cairo_line_to(cr, 26.5, 26.5);
    cairo_move_to(cr, 26.5, 13.5);
    cairo_line_to(cr, 13.5, 26.5);
    cairo_stroke(cr);
  });
  FilledButton(box, "btn-fgreen-normal.png", kGreen);
  FilledButton(box, "btn-fgreen-hot.png", kGreenHot);
  FilledButton(box, "btn-fgreen-pushed.png", kGreenPushed);
  OutlinedButton(box, "btn-e-normal.png", kWhite, Hex(0xc9ced3), true);
  OutlinedButton(box, "btn-e-hot.png", kGreenHot, kGreenHot, true);
  OutlinedButton(box, "btn-e-pushed.png", kGreenPushed, kGreenPushed, true);
  FilledButton(box, "btn-fgray-normal.png", Hex(0xa3aab1));
  FilledButton(box, "btn-fgray-hot.png", Hex(0xb5bbc1));
  FilledButton(box, "btn-fgray-pushed.png", Hex(0x8d949b));
  FilledButton(box, "btn-disabled.png", Hex(0xd5d9dd));
  CloseButton(box, "btn-close-normal.png", kWhite, 0.0, Hex(0x8a9299));
  CloseButton(box, "btn-close-hot.png", Hex(0xf0534a), 1.0, kWhite);
  // The download windows' rows: an image file's icon, a thin progress bar, the separator.
  Write(box, "icon-gho.png", 27, 30, [](cairo_t* cr) {
    RoundedRect(cr, 0.5, 0.5, 26, 29, 3);
    Source(cr, kGreen);
    cairo_fill(cr);
    Text(cr, "GHO", 0, 9, 27, 12, 8, true, kWhite);
  });
  Bar(box, "Progress6-bg.png", 366, 6, Hex(0xedf0f2));
  Bar(box, "Progress6-top.png", 6, 6, kGreen);
  Line(box, "line405_1.png", 405, kLine);

  Write(so, "Selected.png", 18, 18, [](cairo_t* cr) {
    Source(cr, kGreen);
    cairo_arc(cr, 9, 9, 8.5, 0, 2 * M_PI);
    cairo_fill(cr);
    Source(cr, kWhite);
    cairo_set_line_width(cr, 1.8);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    Tick(cr, 5, 5.5, 8);
  });
  Write(so, "Unselected.png", 18, 18, [](cairo_t* cr) {
    Source(cr, Hex(0xc9ced3));
    cairo_set_line_width(cr, 1.2);
    cairo_arc(cr, 9, 9, 8, 0, 2 * M_PI);
    cairo_stroke(cr);
  });
  Line(so, "Line616_1.png", 616, kLine);
  Badge(so, "Status-recommend.png", 171, "根据您的电脑配置推荐", kGreen);
  Badge(so, "Status-completed.png", 131, "已下载，可直接安装", Hex(0x3b8ff3));

  Radio(dl, "optSelected.png", kGreen, true);
  Radio(dl, "optUnselected.png", kGreen, false);
  Radio(dl, "optUnselected-gray.png", Hex(0xc9ced3), false);
  Folder(dl, "BtnFolder-normal.png", kGrey);
  Folder(dl, "BtnFolder-hot.png", kGreen);
  RoundControl(dl, "btnPause-normal.png", kGrey, Pause);
  RoundControl(dl, "btnPause-hot.png", kGreen, Pause);
  RoundControl(dl, "btnDown-normal.png", kGrey, Play);
  RoundControl(dl, "btnDown-hot.png", kGreen, Play);
  Bar(dl, "Progress-bg.png", 600, 10, Hex(0xedf0f2));
  Bar(dl, "Progress-top.png", 10, 10, kGreen);
  const fs::path u = skin / "u";
  Radio(u, "Selected.png", kGreen, true);
  Radio(u, "UnSelected.png", Hex(0xc9ced3), false);
  Write(u, "UDiskSel-bg.png", 480, 24, [](cairo_t* cr) {
    Source(cr, Hex(0xe9f8f0));
    cairo_paint(cr);
  });
  Write(u, "NoneUsb-bg.png", 480, 120, [](cairo_t* cr) {
    Text(cr, "未检测到U盘，请插入U盘", 0, 0, 480, 120, 14, false, kGrey);
  });
  StepMark(box, "tick.png", kGreen, true);
  StepMark(box, "cross.png", Hex(0xf0534a), false);
  Write(box, "loading.png", 20, 20, [](cairo_t* cr) {
    Source(cr, kGreen);
    cairo_set_line_width(cr, 2);
    cairo_arc(cr, 10, 10, 8, 0, 1.5 * M_PI);
    cairo_stroke(cr);
  });
  Point(box, "Point-green.png", kGreen);
  Point(box, "Point-gray.png", Hex(0xd5d9dd));
  Line(box, "Line-green.png", 110, kGreen);
  Line(box, "Line-gray.png", 110, Hex(0xd5d9dd));
  return 0;
}
