// Building control trees from skin XML and laying them out.

#include <gtest/gtest.h>

#include "skin/attributes.h"
#include "skin/skin.h"
#include "support/temp_machine.h"

namespace {

using namespace DuiLib;

class Callback : public IDialogBuilderCallback {
 public:
  CControlUI* CreateControl(LPCTSTR className) override {
    asked.push_back(className);
    return std::wstring(className) == L"OsList" ? new CListUI : nullptr;
  }
  std::vector<std::wstring> asked;
};

std::unique_ptr<CControlUI> Build(const std::string& xml, IDialogBuilderCallback* callback = nullptr,
                                  CPaintManagerUI* manager = nullptr) {
  CDialogBuilder builder;
  return std::unique_ptr<CControlUI>(builder.CreateFromText(xml, callback, manager));
}

TEST(SkinXml, AttributesOfAWindowAndItsControls) {
  CPaintManagerUI manager;
  auto root = Build(R"(<Window size="420,220" caption="0,0,0,40">
      <Font id="2" name="宋体" size="16" bold="true" />
      <VerticalLayout name="root" bkcolor="#FF112233" inset="1,2,3,4">
        <Label name="lab" text="你好" font="2" textcolor="#FF64676A" align="right" valign="bottom"
               endellipsis="true" pos="10,20,110,40" float="true" visible="false" enabled="false" />
        <Button name="btn" normalimage="file='a.png' corner='1,2,3,4'" hotimage="b.png" hottextcolor="0xffffff"
                bordersize="1" bordercolor="#ffe5e5e5" width="96" height="32" padding="5,6,7,8" />
        <Option name="opt" group="g" selected="true" selectedimage="s.png" />
      </VerticalLayout></Window>)",
                    nullptr, &manager);
  ASSERT_TRUE(root);
  EXPECT_EQ(manager.GetInitSize().cx, 420);
  EXPECT_EQ(manager.GetCaptionRect(), (RECT{0, 0, 0, 40}));
  EXPECT_EQ(manager.GetFont(2).family, L"宋体");
  EXPECT_EQ(manager.GetFont(2).pixelSize, 16);
  EXPECT_TRUE(manager.GetFont(2).bold);
  EXPECT_EQ(root->GetBkColor(), 0xFF112233u);

  auto* lab = static_cast<CLabelUI*>(root->FindControlByName(L"lab"));
  ASSERT_TRUE(lab);
  EXPECT_EQ(lab->GetText(), L"你好");
  EXPECT_EQ(lab->GetFont(), 2);
  EXPECT_EQ(lab->GetTextColor(), 0xFF64676Au);
  EXPECT_EQ(lab->GetTextStyle() & (DT_RIGHT | DT_BOTTOM | DT_END_ELLIPSIS), DT_RIGHT | DT_BOTTOM | DT_END_ELLIPSIS);
  EXPECT_TRUE(lab->IsFloat());
  EXPECT_EQ(lab->GetFixedXY().x, 10);
  EXPECT_EQ(lab->GetFixedWidth(), 100);
  EXPECT_EQ(lab->GetFixedHeight(), 20);
  EXPECT_FALSE(lab->IsOwnVisible());
  EXPECT_FALSE(lab->IsEnabled());

  auto* btn = static_cast<CButtonUI*>(root->FindControlByName(L"btn")->GetInterface(L"Button"));
  ASSERT_TRUE(btn);
  EXPECT_EQ(btn->GetNormalImage(), L"file='a.png' corner='1,2,3,4'");
  EXPECT_EQ(btn->GetHotTextColor(), 0xffffffu);
  EXPECT_EQ(btn->GetPadding(), (RECT{5, 6, 7, 8}));

  auto* opt = static_cast<COptionUI*>(root->FindControlByName(L"opt")->GetInterface(L"Option"));
  ASSERT_TRUE(opt);
  EXPECT_TRUE(opt->IsSelected());
  EXPECT_EQ(opt->GetGroup(), L"g");
}

TEST(SkinXml, UnknownClassesGoToTheCallbackAndAreLeftOutWhenItHasNone) {
  Callback callback;
  auto root = Build(R"(<Window><HorizontalLayout>
      <OsList name="list" /><Gadget name="gadget"><Button name="inner" /></Gadget><Label name="after" />
      </HorizontalLayout></Window>)",
                    &callback);
  ASSERT_TRUE(root);
  EXPECT_EQ(callback.asked, (std::vector<std::wstring>{L"OsList", L"Gadget"}));
  EXPECT_TRUE(root->FindControlByName(L"list")->GetInterface(L"List"));
  EXPECT_EQ(root->FindControlByName(L"gadget"), nullptr);
  EXPECT_EQ(root->FindControlByName(L"inner"), nullptr);
  EXPECT_NE(root->FindControlByName(L"after"), nullptr);
}

TEST(SkinXml, BrokenSkinsAreRefusedWithAReason) {
  struct Case {
    const char* xml;
    const char* reason;
  };
  for (Case c : {Case{"<Window><Label", "not XML"}, Case{"<Page><Label /></Page>", "no Window"},
                 Case{"<Window><Font id=\"0\" /></Window>", "no control"}}) {
    CDialogBuilder builder;
    EXPECT_EQ(builder.CreateFromText(c.xml, nullptr, nullptr), nullptr) << c.xml;
    EXPECT_NE(builder.GetLastError().find(c.reason), std::string::npos) << builder.GetLastError();
  }
}

TEST(SkinXml, SkinFilesAreReadFromTheProgramFolderOfTheMachine) {
  testing_support::TempMachine machine;
  machine.WriteFile(L"D:\\Tarnvik\\skin\\x\\a.xml", "<Window><Label name=\"l\" text=\"来自机器\" /></Window>");
  CDialogBuilder builder;
  std::unique_ptr<CControlUI> root(builder.Create(L"skin\\x\\a.xml", nullptr, nullptr));
  ASSERT_TRUE(root);
  EXPECT_EQ(root->GetText(), L"来自机器");
  EXPECT_EQ(CPaintManagerUI::GetInstancePath(), L"D:\\Tarnvik\\");
  EXPECT_EQ(builder.Create(L"skin\\x\\missing.xml", nullptr, nullptr), nullptr);
  EXPECT_NE(builder.GetLastError().find("D:\\Tarnvik\\skin\\x\\missing.xml"), std::string::npos);
}

TEST(SkinNumbers, EveryNumberIsClampedToWhatAScreenHolds) {
  const int limit = kSkinNumberLimit;
  struct IntCase {
    const wchar_t* text;
    int expected;
  };
  for (IntCase c : {IntCase{L"2147483648", limit}, IntCase{L"-2147483649", -limit},
                    IntCase{L"99999999999999999999999", limit}, IntCase{L" 42px", 42}, IntCase{L"abc", 0},
                    IntCase{L"-7", -7}}) {
    EXPECT_EQ(ParseInt(c.text), c.expected) << std::wstring(c.text).size();
  }
  EXPECT_EQ(ParseInt(L"300", 0, 255), 255);
  EXPECT_EQ(ParseRect(L"2147483648,-5,99999999999999999999,20"), (RECT{limit, -5, limit, 20}));
  EXPECT_EQ(ParseSize(L"4294967296,-4294967296").cx, limit);
  EXPECT_EQ(ParseSize(L"4294967296,-4294967296").cy, -limit);
  struct ColorCase {
    const wchar_t* text;
    DWORD expected;
  };
  for (ColorCase c : {ColorCase{L"#FF112233", 0xFF112233u}, ColorCase{L"#112233", 0xFF112233u},
                      ColorCase{L"#1FF112233", 0xFFFFFFFFu}, ColorCase{L"4294967296", 0xFFFFFFFFu},
                      ColorCase{L"0xff283036", 0xff283036u}, ColorCase{L"-1", 0u}}) {
    EXPECT_EQ(ParseColor(c.text), c.expected) << std::wstring(c.text).size();
  }
}

// Numbers beyond an int reach the controls clamped, and laying them out stays within an
// int (the sanitizer build checks the sums).
TEST(SkinXml, OverflowingNumbersInASkinAreClamped) {
  CPaintManagerUI manager;
  auto root = Build(R"(<Window size="2147483648,100">
      <Font id="4294967297" size="2147483648" />
      <Container><Control name="far" float="true" pos="2147483648,10,0,0" width="4294967296" height="2147483648" />
        <Control name="back" float="true" pos="-2147483649,-2147483649,0,0" /></Container></Window>)",
                    nullptr, &manager);
  ASSERT_TRUE(root);
  EXPECT_EQ(manager.GetInitSize().cx, kSkinNumberLimit);
  EXPECT_EQ(manager.GetFont(kSkinNumberLimit).pixelSize, 500);
  CControlUI* far = root->FindControlByName(L"far");
  EXPECT_EQ(far->GetFixedXY().x, kSkinNumberLimit);
  EXPECT_EQ(far->GetFixedWidth(), kSkinNumberLimit);
  root->SetPos(RECT{100, 100, 400, 300});
  EXPECT_EQ(far->GetPos(), (RECT{100 + kSkinNumberLimit, 110, 100 + 2 * kSkinNumberLimit, 110 + kSkinNumberLimit}));
  EXPECT_EQ(root->FindControlByName(L"back")->GetPos().left, 100 - kSkinNumberLimit);
}

std::string NestedContainers(int depth, const std::string& innermost = "") {
  std::string xml = "<Window>";
  for (int i = 0; i < depth; ++i) xml += "<Container>";
  xml += innermost;
  for (int i = 0; i < depth; ++i) xml += "</Container>";
  return xml + "</Window>";
}

TEST(SkinXml, ControlsNestedTooDeepFailTheLoadWithAReason) {
  for (int depth : {257, 50000}) {
    CDialogBuilder builder;
    EXPECT_EQ(builder.CreateFromText(NestedContainers(depth), nullptr, nullptr), nullptr) << depth;
    EXPECT_NE(builder.GetLastError().find("deeper than 256 levels"), std::string::npos) << builder.GetLastError();
  }
  CDialogBuilder builder;
  std::unique_ptr<CControlUI> deepest(builder.CreateFromText(NestedContainers(256), nullptr, nullptr));
  EXPECT_TRUE(deepest) << builder.GetLastError();
}

// A control that counts how often it is told its manager.
class ManagerProbe : public CControlUI {
 public:
  void SetManager(CPaintManagerUI* manager, CControlUI* parent) override {
    ++calls;
    CControlUI::SetManager(manager, parent);
  }
  int calls = 0;
};

// Adding a subtree to a container of the same window does not walk the subtree again: a
// skin is built bottom-up, so walking it at every level costs depth x size.
TEST(SkinXml, EachControlIsToldItsManagerOncePerMove) {
  struct ProbeCallback : IDialogBuilderCallback {
    CControlUI* CreateControl(LPCTSTR className) override {
      if (std::wstring(className) != L"Probe") return nullptr;
      probe = new ManagerProbe;
      return probe;
    }
    ManagerProbe* probe = nullptr;
  } callback;
  CDialogBuilder builder;
  CControlUI* root = builder.CreateFromText(NestedContainers(200, "<Probe />"), &callback, nullptr);
  ASSERT_TRUE(root) << builder.GetLastError();
  ASSERT_TRUE(callback.probe);
  EXPECT_EQ(callback.probe->calls, 1);  // added to its own container
  CPaintManagerUI manager;
  manager.AttachDialog(root);
  EXPECT_EQ(callback.probe->calls, 2);
  EXPECT_EQ(callback.probe->GetManager(), &manager);
  int depth = 0;
  for (CControlUI* up = callback.probe->GetParent(); up; up = up->GetParent()) {
    EXPECT_EQ(up->GetManager(), &manager);
    ++depth;
  }
  EXPECT_EQ(depth, 200);
}

struct LayoutCase {
  const char* name;
  const char* xml;
  std::vector<std::pair<const wchar_t*, RECT>> expected;
};

TEST(Layout, ChildrenAreArrangedByTheirLayout) {
  const LayoutCase cases[] = {
      {"vertical: fixed heights, the rest shared, inset and child padding",
       R"(<VerticalLayout inset="10,10,10,10" childpadding="4">
            <Control name="a" height="30" /><Control name="b" /><Control name="c" width="50" height="20" /></VerticalLayout>)",
       {{L"a", {10, 10, 290, 40}}, {L"b", {10, 44, 290, 166}}, {L"c", {10, 170, 60, 190}}}},
      {"horizontal: widths, padding, two flexible children share evenly",
       R"(<HorizontalLayout><Control name="a" width="100" padding="5,5,5,5" /><Control name="b" /><Control name="c" /></HorizontalLayout>)",
       {{L"a", {5, 5, 105, 195}}, {L"b", {110, 0, 205, 200}}, {L"c", {205, 0, 300, 200}}}},
      {"floating children sit at pos relative to the parent",
       R"(<VerticalLayout inset="20,20,0,0"><Container name="box" height="100"><Control name="f" float="true" pos="21,25,0,0" width="18" height="18" />
            <Control name="g" float="true" pos="20,50,620,60" /></Container></VerticalLayout>)",
       {{L"box", {20, 20, 300, 120}}, {L"f", {41, 45, 59, 63}}, {L"g", {40, 70, 640, 80}}}},
      {"hidden children take no room",
       R"(<VerticalLayout><Control name="a" height="50" visible="false" /><Control name="b" height="50" /></VerticalLayout>)",
       {{L"b", {0, 0, 300, 50}}}},
  };
  for (const LayoutCase& c : cases) {
    auto root = Build(std::string("<Window>") + c.xml + "</Window>");
    ASSERT_TRUE(root) << c.name;
    root->SetPos(RECT{0, 0, 300, 200});
    for (const auto& [name, rect] : c.expected) {
      CControlUI* control = root->FindControlByName(name);
      ASSERT_TRUE(control) << c.name;
      EXPECT_EQ(control->GetPos(), rect) << c.name << ": " << std::string(name, name + std::wcslen(name));
    }
  }
}

TEST(Layout, ATabShowsOnlyItsSelectedPage) {
  auto root = Build(R"(<Window><TabLayout name="tab"><Control name="p0" /><Control name="p1" /><Control name="p2" /></TabLayout></Window>)");
  auto* tab = static_cast<CTabLayoutUI*>(root->GetInterface(L"TabLayout"));
  ASSERT_TRUE(tab);
  EXPECT_EQ(tab->GetCurSel(), 0);
  EXPECT_TRUE(tab->SelectItem(2));
  EXPECT_FALSE(tab->SelectItem(3));
  EXPECT_EQ(tab->GetCurSel(), 2);
  EXPECT_FALSE(root->FindControlByName(L"p0")->IsVisible());
  EXPECT_TRUE(root->FindControlByName(L"p2")->IsVisible());
}

}  // namespace
