#pragma once
// Text controls: a label draws one line, a text control wraps its lines. Text that does
// not fit ends with an ellipsis ("endellipsis" "false" cuts it off instead): a label at
// its width, a text control at the last line that fits its height.

#include "skin/control.h"

namespace DuiLib {

class CLabelUI : public CControlUI {
 public:
  CLabelUI();
  LPCTSTR GetClass() const override { return L"LabelUI"; }
  void* GetInterface(LPCTSTR name) override;

  // An index into the window's fonts; -1 is the default font.
  void SetFont(int index);
  int GetFont() const { return font_; }
  void SetTextColor(DWORD argb);
  DWORD GetTextColor() const { return textColor_; }
  void SetDisabledTextColor(DWORD argb);
  void SetTextStyle(UINT style);
  UINT GetTextStyle() const { return textStyle_; }
  void SetTextPadding(const RECT& padding);
  void SetAttribute(LPCTSTR name, LPCTSTR value) override;

 protected:
  void PaintText(IRenderer& renderer) override;
  // The colour the text is drawn with in the control's present state.
  virtual DWORD CurrentTextColor() const;

  int font_ = -1;
  DWORD textColor_ = 0;
  DWORD disabledTextColor_ = 0xFFA7A6AA;
  UINT textStyle_ = DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS;
  RECT textPadding_;
};

class CTextUI : public CLabelUI {
 public:
  CTextUI();
  LPCTSTR GetClass() const override { return L"TextUI"; }
  void* GetInterface(LPCTSTR name) override;
};

}  // namespace DuiLib
