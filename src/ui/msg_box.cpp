#include "ui/msg_box.h"

#include "skin/button.h"
#include "ui/run_dialog.h"
#include "ui/spacer_rule.h"

namespace MsgBox {
namespace {

constexpr const wchar_t* kIconImages[] = {L"skin\\u\\m\\icon-exc.png", L"skin\\u\\m\\icon-que.png",
                                          L"skin\\u\\m\\icon-tic.png", L"skin\\u\\m\\icon-cro.png"};

struct ButtonLook {
  const wchar_t* normal;
  const wchar_t* hot;
  const wchar_t* pushed;
  DuiLib::DWORD textColor;
  DuiLib::DWORD hotTextColor;  // 0: unchanged
};

constexpr ButtonLook kButtonLooks[] = {
    {L"skin\\u\\m\\btn-fgreen-normal.png", L"skin\\u\\m\\btn-fgreen-hot.png", L"skin\\u\\m\\btn-fgreen-pushed.png",
     0xffffff, 0},
    {L"skin\\u\\m\\btn-e-normal.png", L"skin\\u\\m\\btn-e-hot.png", L"skin\\u\\m\\btn-e-pushed.png", 0x283036,
     0xffffff},
    {L"skin\\u\\m\\btn-fgray-normal.png", L"skin\\u\\m\\btn-fgray-hot.png", L"skin\\u\\m\\btn-fgray-pushed.png",
     0xffffff, 0},
};

}  // namespace

CMsgBoxBase::CMsgBoxBase(const wchar_t* skinFileName, std::wstring text, std::wstring caption, int icon)
    : CXMLWnd(std::wstring(L"skin\\u\\m\\") + skinFileName), text(std::move(text)), caption(std::move(caption)),
      icon(icon) {}

void CMsgBoxBase::InitCommon(int pixelsPerLine) {
  ApplyWindowConvention();
  if (auto* image = m_PaintManager.FindControl(L"imgIcon"); image && icon >= 0 && icon < 4) {
    image->SetBkImage(kIconImages[icon]);
  }
  if (auto* title = m_PaintManager.FindControl(L"labTitle")) title->SetText(caption);
  PlaceMessage(m_PaintManager, L"reText", L"ctrlSetHeight", text, pixelsPerLine);
}

void CMsgBoxBase::StyleButton(const wchar_t* name, const MsgButton& button) {
  auto* control = Find<DuiLib::CButtonUI>(name);
  if (!control) return;
  if (button.style >= 0 && button.style < 3) {
    const ButtonLook& look = kButtonLooks[button.style];
    control->SetNormalImage(look.normal);
    control->SetHotImage(look.hot);
    control->SetPushedImage(look.pushed);
    control->SetTextColor(look.textColor);
    if (look.hotTextColor != 0) {
      control->SetHotTextColor(look.hotTextColor);
      control->SetPushedTextColor(look.hotTextColor);
    }
  }
  control->SetText(button.text);
}

void CMsgBoxBase::Press(int number, const MsgButton& button) {
  result = number;
  if (button.onClick) button.onClick();
  if (button.closes) Close(number);
}

CMsgBox1::CMsgBox1(std::wstring text, std::wstring caption, int icon, MsgButton button)
    : CMsgBoxBase(L"MsgBox1.xml", std::move(text), std::move(caption), icon), button(std::move(button)) {}

void CMsgBox1::InitWindow() {
  InitCommon(230);
  StyleButton(L"btn1", button);
}

void CMsgBox1::Notify(DuiLib::TNotifyUI& msg) {
  if (msg.sType == DuiLib::DUI_MSGTYPE_CLICK && msg.pSender->GetName() == L"btn1") Press(1, button);
  CMsgBoxBase::Notify(msg);
}

CMsgBox2::CMsgBox2(std::wstring text, std::wstring caption, int icon, MsgButton button1, MsgButton button2)
    : CMsgBoxBase(L"MsgBox2.xml", std::move(text), std::move(caption), icon), button1(std::move(button1)),
      button2(std::move(button2)) {}

void CMsgBox2::InitWindow() {
  InitCommon(345);
  StyleButton(L"btn1", button1);
  StyleButton(L"btn2", button2);
}

void CMsgBox2::Notify(DuiLib::TNotifyUI& msg) {
  if (msg.sType == DuiLib::DUI_MSGTYPE_CLICK) {
    if (msg.pSender->GetName() == L"btn1") Press(1, button1);
    if (msg.pSender->GetName() == L"btn2") Press(2, button2);
  }
  CMsgBoxBase::Notify(msg);
}

}  // namespace MsgBox

int ShowMsgBox1(DuiLib::HWND owner, const std::wstring& text, const std::wstring& caption, int icon,
                const std::wstring& buttonText) {
  MsgBox::CMsgBox1 box(text, caption, icon, MsgButton{buttonText, 0, true, {}});
  return RunDialog(box, owner);
}

int ShowMsgBox2(DuiLib::HWND owner, const std::wstring& text, const std::wstring& caption, int,
                const std::wstring& button1Text, const std::wstring& button2Text) {
  MsgBox::CMsgBox2 box(text, caption, 1, MsgButton{button1Text, 0, true, {}}, MsgButton{button2Text, 1, true, {}});
  return RunDialog(box, owner);
}

int ShowMsgBox2Ex(DuiLib::HWND owner, const std::wstring& text, const std::wstring& caption, int,
                  const MsgButton& button1, const MsgButton& button2) {
  MsgBox::CMsgBox2 box(text, caption, 0, button1, button2);
  return RunDialog(box, owner);
}
