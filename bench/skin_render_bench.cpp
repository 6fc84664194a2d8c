// How long a full headless render of an 800 x 600 window takes: layout and painting of
// a main-window-like page (caption, navigation, image list, task panel) into a surface.

#include <benchmark/benchmark.h>

#include <cstdlib>

#include "app/global_param.h"
#include "skin/skin.h"
#include "support/skin_machine.h"
#include "ui/db_task.h"
#include "ui/os_list.h"
#include "ui/os_list_item1.h"
#include "ui/xml_wnd.h"

namespace {

const char kPage[] = R"(<?xml version="1.0" encoding="utf-8"?>
<Window size="800,600">
  <Font id="0" name="微软雅黑" size="12" default="true" />
  <Font id="1" name="微软雅黑" size="13" />
  <Font id="2" name="微软雅黑" size="14" />
  <Font id="3" name="微软雅黑" size="12" underline="true" />
  <VerticalLayout bkcolor="#FFFFFFFF" bordersize="1" bordercolor="#FFD5DADF">
    <HorizontalLayout height="48" bkcolor="#FF28C67A">
      <Label text="Tarnvik 一键重装系统" font="2" textcolor="#FFFFFFFF" padding="16,0,0,0" />
      <Option name="optReInstall" width="96" group="nav" selected="true" text="系统重装" textcolor="#FFFFFFFF" />
      <Option name="optUDiskTool" width="96" group="nav" text="U盘启动" textcolor="#FFFFFFFF" />
      <Option name="optTutorial" width="96" group="nav" text="装机教程" textcolor="#FFFFFFFF" />
      <Button name="closebtn" width="40" normalimage="skin\u\m\btn-close-normal.png" />
    </HorizontalLayout>
    <VerticalLayout name="page" inset="80,16,80,16" childpadding="8" />
  </VerticalLayout>
</Window>)";

class Page : public CXMLWnd {
 public:
  Page() : CXMLWnd(L"skin\\bench\\page.xml") {}
};

void BM_RenderFullWindow(benchmark::State& state) {
  testing_support::SkinMachine machine;
  machine.WriteFile(L"D:\\Tarnvik\\skin\\bench\\page.xml", kPage);
  {
    Page page;
    page.CreateProgramWindow(nullptr, L"bench");
    auto* body = dynamic_cast<DuiLib::CVerticalLayoutUI*>(page.GetPaintManager().FindControl(L"page"));
    auto* list = new COsListUI;
    list->SetFixedHeight(280);
    body->Add(list);
    const wchar_t* names[] = {L"Windows 10 专业版 64位", L"Windows 11 专业版 64位", L"Windows 7 旗舰版 64位",
                              L"Windows 7 旗舰版 32位"};
    for (int i = 0; i < 4; ++i) list->Add(new COsListItem1(names[i], L"2024-05-20", 4832716800LL, L"", i));
    list->SelectItem(0);
    auto* task = new CDbTaskUI;
    body->Add(task);
    task->NameLabel()->SetText(names[0]);
    task->SetSpeedText(2 << 20);
    task->AddBackupSection(L"E:\\beifenshuju");
    DuiLib::Surface surface(800, 600);
    page.GetPaintManager().Render(surface);  // images decoded once, as in a running window
    if (const char* out = std::getenv("SKIN_BENCH_PNG")) surface.WritePng(out);  // to look at the frame
    for (auto _ : state) {
      page.GetPaintManager().Invalidate();
      page.GetPaintManager().Render(surface);
      benchmark::DoNotOptimize(surface.data());
    }
  }
  CGlobalParam::Release();
}
BENCHMARK(BM_RenderFullWindow)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
