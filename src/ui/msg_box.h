#pragma once
// The program's message boxes: one or two buttons, an icon and a caption, run modally
// under a mask over their owner.

#include <functional>
#include <string>

#include "ui/xml_wnd.h"

struct MsgButton {
  std::wstring text;
  int style = 0;     // 0 green, 1 outlined, 2 gray; other values keep the skin's look
  bool closes = true;
  std::function<void()> onClick;  // run on click, before the box closes
};

namespace MsgBox {

// What both boxes share: icon, caption, message with its spacer, the clicked button.
class CMsgBoxBase : public CXMLWnd {
 public:
  int result = 0;

 protected:
  CMsgBoxBase(const wchar_t* skinFileName, std::wstring text, std::wstring caption, int icon);
  // The shared part of InitWindow; `pixelsPerLine` is the width of one message line.
  void InitCommon(int pixelsPerLine);
  void StyleButton(const wchar_t* name, const MsgButton& button);
  // A click on a box button: remember it, run its callback, close when it closes.
  void Press(int number, const MsgButton& button);

  std::wstring text;
  std::wstring caption;
  int icon;
};

class CMsgBox1 : public CMsgBoxBase {
 public:
  CMsgBox1(std::wstring text, std::wstring caption, int icon, MsgButton button);
  void InitWindow() override;
  void Notify(DuiLib::TNotifyUI& msg) override;

  MsgButton button;
};

class CMsgBox2 : public CMsgBoxBase {
 public:
  CMsgBox2(std::wstring text, std::wstring caption, int icon, MsgButton button1, MsgButton button2);
  void InitWindow() override;
  void Notify(DuiLib::TNotifyUI& msg) override;

  MsgButton button1;
  MsgButton button2;
};

}  // namespace MsgBox

// 1 when the button was clicked, 0 when the box was closed otherwise.
int ShowMsgBox1(DuiLib::HWND owner, const std::wstring& text, const std::wstring& caption, int icon,
                const std::wstring& buttonText);
// 1 for button 1, 2 for button 2, 0 when closed otherwise.
int ShowMsgBox2(DuiLib::HWND owner, const std::wstring& text, const std::wstring& caption, int ignored,
                const std::wstring& button1Text, const std::wstring& button2Text);
// The number of the last button clicked (a button that does not close still counts), 0
// when none was.
int ShowMsgBox2Ex(DuiLib::HWND owner, const std::wstring& text, const std::wstring& caption, int ignored,
                  const MsgButton& button1, const MsgButton& button2);
