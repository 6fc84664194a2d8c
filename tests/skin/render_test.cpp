// Images and drawing: image attributes, PNG and GIF decoding, nine-slice drawing, GIF
// animation on the window's clock.

#include <gif_lib.h>
#include <gtest/gtest.h>

#include <cstring>

#include "skin/image.h"
#include "skin/skin.h"
#include "support/ink.h"
#include "support/skin_machine.h"
#include "support/test_window.h"

namespace {

using namespace DuiLib;

TEST(ImageAttribute, PlainNamesAndQuotedFields) {
  struct Case {
    const wchar_t* text;
    const wchar_t* file;
    RECT source, corner;
    BYTE fade;
  };
  const Case cases[] = {
      {L"skin\\u\\m\\icon-exc.png", L"skin\\u\\m\\icon-exc.png", {}, {}, 255},
      {L"file='skin\\r\\do\\Progress-top.png' corner='3,1,3,1'", L"skin\\r\\do\\Progress-top.png", {}, {3, 1, 3, 1},
       255},
      {L"file='a.png' source='0,0,10,20' corner='2,2,2,2' fade='128'", L"a.png", {0, 0, 10, 20}, {2, 2, 2, 2}, 128},
      {L"", L"", {}, {}, 255},
      {L"file='a.png' source='0,0,2147483648,20' fade='99999999999'", L"a.png", {0, 0, 32767, 20}, {}, 255},
      {L"file='a.png' fade='-3'", L"a.png", {}, {}, 0},
  };
  for (const Case& c : cases) {
    ImageAttribute attribute = ParseImageAttribute(c.text);
    EXPECT_EQ(attribute.file, c.file);
    EXPECT_EQ(attribute.source, c.source);
    EXPECT_EQ(attribute.corner, c.corner);
    EXPECT_EQ(attribute.fade, c.fade);
  }
}

// A GIF of 4 x 4 pixels: a red frame for 100 ms, then a blue one for 200 ms.
std::string TwoFrameGif() {
  std::string bytes;
  int error = 0;
  GifFileType* gif = EGifOpen(&bytes, [](GifFileType* g, const GifByteType* data, int n) {
    static_cast<std::string*>(g->UserData)->append(reinterpret_cast<const char*>(data), n);
    return n;
  }, &error);
  GifColorType colors[2] = {{255, 0, 0}, {0, 0, 255}};
  ColorMapObject* map = GifMakeMapObject(2, colors);
  EGifPutScreenDesc(gif, 4, 4, 1, 0, map);
  for (int frame = 0; frame < 2; ++frame) {
    GraphicsControlBlock gcb{};
    gcb.DelayTime = frame == 0 ? 10 : 20;
    gcb.TransparentColor = NO_TRANSPARENT_COLOR;
    GifByteType ext[4];
    size_t len = EGifGCBToExtension(&gcb, ext);
    EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, static_cast<int>(len), ext);
    EGifPutImageDesc(gif, 0, 0, 4, 4, false, nullptr);
    GifPixelType row[4];
    std::memset(row, frame, sizeof row);
    for (int y = 0; y < 4; ++y) EGifPutLine(gif, row, 4);
  }
  GifFreeMapObject(map);
  EGifCloseFile(gif, &error);
  return bytes;
}

TEST(Images, GifFramesAndTheirDelays) {
  auto frames = DecodeGif(TwoFrameGif());
  ASSERT_TRUE(frames);
  ASSERT_EQ(frames->size(), 2u);
  EXPECT_EQ((*frames)[0].delayMs, 100);
  EXPECT_EQ((*frames)[1].delayMs, 200);
  EXPECT_EQ((*frames)[0].bitmap.pixels[5], 0xFFFF0000u);
  EXPECT_EQ((*frames)[1].bitmap.pixels[5], 0xFF0000FFu);
  EXPECT_FALSE(DecodeGif("GIF89a broken"));
  EXPECT_FALSE(DecodeImage("not an image"));
}

TEST(Images, NineSliceKeepsCornersAndStretchesTheMiddle) {
  // 3 x 3 source: one colour per cell, drawn into 30 x 30 with corners of 1.
  Bitmap bmp{3, 3, {}};
  for (uint32_t i = 0; i < 9; ++i) bmp.pixels.push_back(0xFF000000u | (i * 20 + 10));
  Surface surface(30, 30);
  surface.CreateRenderer()->DrawImage(ImageDraw{&bmp, {}, {1, 1, 1, 1}, 255}, RECT{0, 0, 30, 30});
  auto pixel = [&](int x, int y) {
    return reinterpret_cast<const uint32_t*>(surface.data() + y * surface.stride())[x];
  };
  EXPECT_EQ(pixel(0, 0), bmp.pixels[0]);
  EXPECT_EQ(pixel(29, 0), bmp.pixels[2]);
  EXPECT_EQ(pixel(0, 29), bmp.pixels[6]);
  EXPECT_EQ(pixel(29, 29), bmp.pixels[8]);
  EXPECT_EQ(pixel(15, 15), bmp.pixels[4]);
  EXPECT_EQ(pixel(15, 0), bmp.pixels[1]);
  EXPECT_EQ(pixel(0, 15), bmp.pixels[3]);
}

TEST(Images, AnimatedImagePlaysItsFramesOnTheClock) {
  ManualClock clock;
  testing_support::TempMachine machine;
  machine.WriteFile(L"D:\\Tarnvik\\skin\\test\\spin.gif", TwoFrameGif());
  std::atomic<CGifAnimUI*> gif{nullptr};
  testing_support::UiThread ui([&] {
    testing_support::TestWindow w(machine, L"gif.xml",
                                  testing_support::WindowXml(
                                      "<VerticalLayout><GifAnim name=\"gif\" bkimage=\"skin\\test\\spin.gif\" /></VerticalLayout>"));
    w.Create(nullptr, L"gif", WS_VISIBLE, 0);
    gif = static_cast<CGifAnimUI*>(w.GetPaintManager().FindControl(L"gif"));
    w.ShowModal();
  });
  const automation::FoundWindow found = automation::WaitForWindowOfClass(L"TestWindow");
  ASSERT_TRUE(found) << found.failure;
  HWND h = found.hwnd;
  auto frameNow = [&] {
    size_t frame = 0;
    RunOnWindowThread(h, [&] { frame = gif.load()->GetFrameIndex(); }, true);
    return frame;
  };
  EXPECT_EQ(frameNow(), 0u);
  clock.Advance(100);
  EXPECT_EQ(frameNow(), 1u);
  clock.Advance(100);
  EXPECT_EQ(frameNow(), 1u);  // the second frame stays 200 ms
  clock.Advance(100);
  EXPECT_EQ(frameNow(), 0u);
  PostMessage(h, WM_CLOSE, 0);
  ui.Join();
}

TEST(WebBrowser, ShowsWhereItWasSentAndOpensItInTheUsersBrowserOnClick) {
  struct Events : CWebBrowserEventHandler {
    void BeforeNavigate2(CWebBrowserUI*, const CDuiString& url) override { seen.push_back(L"before " + url); }
    void NavigateComplete2(CWebBrowserUI*, const CDuiString& url) override { seen.push_back(L"done " + url); }
    std::vector<std::wstring> seen;
  } events;
  std::vector<std::wstring> opened;
  CWebBrowserUI::SetUrlOpener([&](const CDuiString& url) { opened.push_back(url); });
  CWebBrowserUI browser;
  browser.SetWebBrowserEventHandler(&events);
  browser.Navigate2(L"about:blank");
  browser.Navigate2(L"http://127.0.0.1:8080/index.php?m=content&c=index&a=lists&catid=7");
  EXPECT_EQ(browser.GetUrl(), L"http://127.0.0.1:8080/index.php?m=content&c=index&a=lists&catid=7");
  EXPECT_EQ(events.seen.size(), 4u);
  EXPECT_EQ(events.seen[2], L"before http://127.0.0.1:8080/index.php?m=content&c=index&a=lists&catid=7");
  EXPECT_TRUE(browser.Activate());
  EXPECT_EQ(opened, std::vector<std::wstring>{browser.GetUrl()});
  DOCHOSTUIINFO info;
  browser.GetHostInfo(&info);
  EXPECT_EQ(info.cbSize, sizeof(DOCHOSTUIINFO));
  CWebBrowserUI::SetUrlOpener(nullptr);
}

// A worker's update that arrives after its control is gone is dropped, not applied to
// freed memory.
TEST(WorkerUpdates, AnUpdateForARemovedControlIsDropped) {
  testing_support::TempMachine machine;
  std::atomic<CContainerUI*> box{nullptr};
  testing_support::UiThread ui([&] {
    testing_support::TestWindow w(machine, L"gone.xml",
                                  testing_support::WindowXml("<VerticalLayout name=\"box\"><Label name=\"lab\" /></VerticalLayout>"));
    w.Create(nullptr, L"gone", WS_VISIBLE, 0);
    box = static_cast<CContainerUI*>(w.GetPaintManager().FindControl(L"box"));
    w.ShowModal();
  });
  const automation::FoundWindow found = automation::WaitForWindowOfClass(L"TestWindow");
  ASSERT_TRUE(found) << found.failure;
  HWND h = found.hwnd;
  RunOnWindowThread(h, [&] {
    CControlUI* label = box.load()->GetItemAt(0);
    std::thread worker([label] { label->SetText(L"太晚了"); });  // queued for this thread
    worker.join();
    box.load()->Remove(label, true);
    delete label;
  });
  automation::WaitIdle(h);
  EXPECT_EQ(automation::Inspect(h, L"lab"), std::nullopt);
  PostMessage(h, WM_CLOSE, 0);
  ui.Join();
}

// Text that does not fit its control ends with an ellipsis: a label at its width, a
// wrapping text at the last line its height holds. "endellipsis" "false" cuts it off.
TEST(TextFit, TextThatDoesNotFitEndsWithAnEllipsis) {
  const std::string longText = "Windows 10 专业版 64位 纯净版 带驱动 2024年5月更新 长长长长长长长长长长长长长长长长长长";
  const std::string shortText = "Windows 10";
  struct Case {
    const char* what;
    std::string control;
    bool ellipsis;
  };
  const Case cases[] = {
      {"long label", "<Label name=\"t\" width=\"150\" height=\"20\" text=\"" + longText + "\" />", true},
      {"short label", "<Label name=\"t\" width=\"150\" height=\"20\" text=\"" + shortText + "\" />", false},
      {"label cut off", "<Label name=\"t\" width=\"150\" height=\"20\" endellipsis=\"false\" text=\"" + longText + "\" />",
       false},
      {"long text", "<Text name=\"t\" width=\"150\" height=\"40\" text=\"" + longText + "\" />", true},
      {"short text", "<Text name=\"t\" width=\"150\" height=\"40\" text=\"" + shortText + "\" />", false},
  };
  testing_support::TempMachine machine;
  for (const Case& c : cases) {
    testing_support::TestWindow w(machine, L"fit.xml",
                                  testing_support::WindowXml("<VerticalLayout bkcolor=\"#FFFFFFFF\" inset=\"10,10,10,10\">" +
                                                             c.control + "<Control /></VerticalLayout>"));
    w.Create(nullptr, L"fit", 0, 0);
    Bitmap shown = w.RenderNow()->ToBitmap();
    RECT place = w.GetPaintManager().FindControl(L"t")->GetPos();
    EXPECT_EQ(testing_support::EndsWithEllipsis(shown, place), c.ellipsis) << c.what;
    EXPECT_TRUE(testing_support::HasInk(shown, place)) << c.what;
    // Nothing is painted beside the control or below it.
    EXPECT_FALSE(testing_support::HasInk(shown, RECT{place.right, 0, shown.width, shown.height})) << c.what;
    EXPECT_FALSE(testing_support::HasInk(shown, RECT{0, place.bottom, shown.width, shown.height})) << c.what;
  }
}

TEST(Layout, ATabShowsThePageItsSkinSelects) {
  CDialogBuilder builder;
  std::unique_ptr<CControlUI> root(builder.CreateFromText(
      "<Window><TabLayout selectedid=\"1\"><Control name=\"p0\" /><Control name=\"p1\" /></TabLayout></Window>", nullptr,
      nullptr));
  auto* tab = static_cast<CTabLayoutUI*>(root->GetInterface(L"TabLayout"));
  EXPECT_EQ(tab->GetCurSel(), 1);
  EXPECT_FALSE(root->FindControlByName(L"p0")->IsVisible());
}

}  // namespace
