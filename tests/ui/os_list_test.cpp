// The image list and its two row kinds.

#include <gtest/gtest.h>

#include "skin/skin.h"
#include "support/ink.h"
#include "support/skin_machine.h"
#include "ui/os_list.h"
#include "ui/os_list_item1.h"
#include "ui/os_list_item2.h"
#include "ui/preview_wnd.h"

namespace {

using namespace DuiLib;

// A preview window on its own thread holding an image list filled by `fill`.
class ListWindow {
 public:
  explicit ListWindow(std::function<void(COsListUI&)> fill)
      : ui_([this, fill] {
          CPreviewWnd window;
          window.CreateProgramWindow(nullptr, L"list");
          auto* list = new COsListUI;
          list->SetName(L"oslist");
          window.Body()->Add(list);
          fill(*list);
          struct Notes : INotifyUI {
            explicit Notes(ListWindow& owner) : owner(owner) {}
            void Notify(TNotifyUI& msg) override {
              owner.notes.push_back(msg.sType + L":" + msg.pSender->GetName() + L":" +
                                    std::to_wstring(static_cast<long>(msg.wParam)));
            }
            ListWindow& owner;
          } notes(*this);
          window.GetPaintManager().AddNotifier(&notes);
          window.ShowModal();
        }) {
    const automation::FoundWindow found = automation::WaitForWindowOfClass(L"XMLWnd");
    EXPECT_TRUE(found) << found.failure;
    hwnd = found.hwnd;
  }

  std::vector<std::wstring> Close() {
    PostMessage(hwnd, WM_CLOSE, 0);
    ui_.Join();
    return notes;
  }

  std::vector<std::wstring> notes;
  HWND hwnd = nullptr;

 private:
  testing_support::UiThread ui_;
};

TEST(OsListUI, IsAListWithoutHeaderUnderItsOwnNames) {
  COsListUI list;
  EXPECT_STREQ(list.GetClass(), L"OsListUI");
  EXPECT_EQ(list.GetInterface(L"OsList"), &list);
  EXPECT_NE(list.GetInterface(L"List"), nullptr);
  EXPECT_FALSE(list.IsHeaderShown());
}

TEST(OsListUI, RowSelectionRules) {
  CPaintManagerUI manager;
  auto* list = new COsListUI;
  for (int i = 0; i < 3; ++i) list->Add(new COsListItem1(L"Windows", L"2024-01-01", 0, L"", 0));
  manager.AttachDialog(list);
  struct Recorder : INotifyUI {
    void Notify(TNotifyUI& msg) override { seen.push_back({static_cast<int>(msg.wParam), static_cast<int>(msg.lParam)}); }
    std::vector<std::pair<int, int>> seen;
  } recorder;
  manager.AddNotifier(&recorder);

  EXPECT_TRUE(list->SelectItem(1));
  EXPECT_TRUE(list->SelectItem(1));   // the selected row: true, no notification
  EXPECT_FALSE(list->SelectItem(3));  // beyond the list: none selected
  EXPECT_EQ(list->GetCurSel(), -1);
  EXPECT_FALSE(static_cast<COsListItem1*>(list->GetItemAt(1))->IsSelected());
  list->GetItemAt(2)->SetEnabled(false);
  EXPECT_FALSE(list->SelectItem(2));  // the row refuses
  EXPECT_EQ(list->GetCurSel(), -1);
  EXPECT_TRUE(list->SelectItem(0));
  list->RemoveAt(0);
  EXPECT_EQ(list->GetCurSel(), -1);
  // A new selection is scrolled into view.
  list->GetItemAt(1)->SetEnabled(true);
  list->SetPos(RECT{0, 0, 640, 70});
  EXPECT_TRUE(list->SelectItem(1));
  EXPECT_EQ(list->GetScrollPos(), 70);
  EXPECT_EQ(recorder.seen, (std::vector<std::pair<int, int>>{{1, -1}, {0, -1}, {1, -1}}));
}

TEST(OsListItem1, StatusBadgeFollowsTheEntryState) {
  struct Case {
    int state;
    bool visible;
    const wchar_t* image;
    int x, width;
  };
  const Case cases[] = {{0, false, nullptr, 0, 0},
                        {1, true, L"skin\\r\\so\\Status-recommend.png", 449, 171},
                        {2, false, nullptr, 0, 0},
                        {3, true, L"skin\\r\\so\\Status-completed.png", 489, 131}};
  for (const Case& c : cases) {
    COsListItem1 row(L"Windows 10", L"2024-05-20", 0, L"", c.state);
    EXPECT_EQ(row.Badge()->IsOwnVisible(), c.visible) << c.state;
    if (!c.visible) continue;
    EXPECT_EQ(row.Badge()->GetBkImage(), c.image);
    EXPECT_EQ(row.Badge()->GetFixedXY().x, c.x);
    EXPECT_EQ(row.Badge()->GetFixedXY().y, 24);
    EXPECT_EQ(row.Badge()->GetFixedWidth(), c.width);
    EXPECT_EQ(row.Badge()->GetFixedHeight(), 20);
  }
  // Re-applying the display after the entry was downloaded swaps the badge.
  COsListItem1 row(L"Windows 10", L"2024-05-20", 0, L"", 1);
  row.ShowStatus(3);
  EXPECT_EQ(row.Badge()->GetBkImage(), L"skin\\r\\so\\Status-completed.png");
  EXPECT_EQ(row.Badge()->GetFixedXY().x, 489);
  row.ShowStatus(0);
  EXPECT_FALSE(row.Badge()->IsOwnVisible());
}

TEST(OsListItem1, ShowsItsEntryAndFollowsTheSelection) {
  CPaintManagerUI pm;
  auto* list = new COsListUI;
  pm.AttachDialog(list);
  COsListItem1* rows[2];
  for (COsListItem1*& row : rows) {
    row = new COsListItem1(L"Windows 7 旗舰版 64位", L"2023-11-02", 3865470566LL, L"", 0);
    list->Add(row);
  }
  EXPECT_EQ(rows[0]->GetFixedHeight(), 70);
  EXPECT_EQ(rows[0]->Label(0)->GetText(), L"Windows 7 旗舰版 64位");
  EXPECT_EQ(rows[0]->Label(1)->GetText(), L"更新时间：2023-11-02");
  EXPECT_EQ(rows[0]->Label(2)->GetText(), L"大小：3.60GB");
  EXPECT_FALSE(rows[0]->Mark()->IsMouseEnabled());

  ASSERT_TRUE(list->SelectItem(1));
  EXPECT_TRUE(rows[1]->Mark()->IsSelected());
  EXPECT_FALSE(rows[0]->Mark()->IsSelected());
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(rows[1]->Label(i)->GetTextColor(), 0x283036u);
    EXPECT_EQ(rows[0]->Label(i)->GetTextColor(), 0x64676au);
  }
  ASSERT_TRUE(list->SelectItem(0));
  EXPECT_FALSE(rows[1]->Mark()->IsSelected());
  EXPECT_EQ(rows[1]->Label(0)->GetTextColor(), 0x64676au);
}

TEST(OsListItem1, APressOnTheRowLeftOrRightSelectsIt) {
  testing_support::SkinMachine machine;
  ListWindow window([](COsListUI& list) {
    for (int i = 0; i < 3; ++i) {
      auto* row = new COsListItem1(L"Windows " + std::to_wstring(10 + i), L"2024-01-01", 1 << 30, L"", 0);
      row->SetName(L"row" + std::to_wstring(i));
      list.Add(row);
    }
  });
  HWND h = window.hwnd;
  EXPECT_TRUE(automation::ClickRow(h, L"oslist", 1));
  auto row2 = automation::Inspect(h, L"row2");
  ASSERT_TRUE(row2);
  RunOnWindowThread(h, [&] {
    DispatchWindowMessage(h, WM_RBUTTONDOWN, 0, MakePointParam(row2->pos.left + 300, row2->pos.top + 16));
  });
  EXPECT_TRUE(automation::IsSelected(h, L"row2"));
  EXPECT_FALSE(automation::IsSelected(h, L"row1"));
  EXPECT_EQ(window.Close(), (std::vector<std::wstring>{L"itemselect:oslist:1", L"itemselect:oslist:2"}));
}

TEST(OsListItem2, StatusAndProgressDisplays) {
  struct Case {
    int state;
    const wchar_t* progress;
    const wchar_t* buttonText;
    const wchar_t* buttonImage;
    bool enabled;
  };
  const Case cases[] = {
      {0, L"- -", L"- -", L"", false},
      {1, L"- -", L"- -", L"", false},
      {2, L"已下00%", L"", L"skin\\r\\do\\BtnFolder-normal.png", true},
      {3, L"下载完成", L"", L"skin\\r\\do\\BtnFolder-normal.png", true},
  };
  for (const Case& c : cases) {
    COsListItem2 row(L"Windows 11", int64_t(5) << 30, c.state);
    EXPECT_EQ(row.ProgressLabel()->GetText(), c.progress) << c.state;
    EXPECT_EQ(row.FolderButton()->GetText(), c.buttonText) << c.state;
    EXPECT_EQ(row.FolderButton()->GetNormalImage(), c.buttonImage) << c.state;
    EXPECT_EQ(row.FolderButton()->IsEnabled(), c.enabled) << c.state;
    EXPECT_EQ(row.FolderButton()->GetName(), L"btnFolder");
  }
  COsListItem2 downloading(L"Windows 11", 0, 2);
  downloading.ShowProgress(7);
  EXPECT_EQ(downloading.ProgressLabel()->GetText(), L"已下 7%");
  downloading.ShowProgress(42);
  EXPECT_EQ(downloading.ProgressLabel()->GetText(), L"已下42%");
  COsListItem2 done(L"Windows 11", 0, 3);
  done.ShowProgress(42);
  EXPECT_EQ(done.ProgressLabel()->GetText(), L"下载完成");
}

TEST(OsListItem2, SelectionComesThroughTheOptionNotTheRow) {
  testing_support::SkinMachine machine;
  ListWindow window([](COsListUI& list) {
    for (int i = 0; i < 2; ++i) {
      auto* row = new COsListItem2(L"Windows " + std::to_wstring(10 + i), 1 << 30, 2);
      row->SetName(L"row" + std::to_wstring(i));
      row->Option()->SetName(L"opt" + std::to_wstring(i));
      list.Add(row);
    }
  });
  HWND h = window.hwnd;
  automation::ClickRow(h, L"oslist", 0);  // the row's middle: nothing happens
  EXPECT_FALSE(automation::IsSelected(h, L"row0"));
  EXPECT_TRUE(automation::Click(h, L"opt1"));
  EXPECT_TRUE(automation::IsSelected(h, L"opt1"));
  EXPECT_TRUE(automation::Click(h, L"opt0"));
  EXPECT_FALSE(automation::IsSelected(h, L"opt1"));  // one group for all rows
  EXPECT_EQ(window.Close(), (std::vector<std::wstring>{L"click:opt1:0", L"selectchanged:opt1:0", L"click:opt0:0",
                                                       L"selectchanged:opt0:0"}));
}

// A long image name is cut with an ellipsis before the size column: the column shows
// the same pixels as in a row with a short name.
TEST(OsListItem2, ALongNameEndsWithAnEllipsisBeforeTheSizeColumn) {
  testing_support::SkinMachine machine;
  CPreviewWnd window;
  window.CreateProgramWindow(nullptr, L"reselect");
  auto* list = new COsListUI;
  window.Body()->Add(list);
  const int64_t size = int64_t(5) << 30;
  list->Add(new COsListItem2(L"Windows 10 专业版 64位 纯净版 带全部驱动 2024年5月更新 长名字镜像", size, 2));
  list->Add(new COsListItem2(L"Windows 11", size, 2));
  Bitmap shown = window.RenderNow()->ToBitmap();
  RECT longRow = list->GetItemAt(0)->GetPos(), shortRow = list->GetItemAt(1)->GetPos();
  // The name starts at 43 of the row, the size column at 278 (60 wide), both from 17.
  auto name = [](const RECT& row) { return RECT{row.left + 43, row.top + 17, row.left + 278, row.top + 33}; };
  auto sizeColumn = [](const RECT& row) { return RECT{row.left + 274, row.top, row.left + 340, row.top + 48}; };
  EXPECT_TRUE(testing_support::HasInk(shown, sizeColumn(longRow)));
  EXPECT_TRUE(testing_support::SamePixels(shown, sizeColumn(longRow), sizeColumn(shortRow)));
  EXPECT_TRUE(testing_support::EndsWithEllipsis(shown, name(longRow)));
  EXPECT_FALSE(testing_support::EndsWithEllipsis(shown, name(shortRow)));
}

}  // namespace
