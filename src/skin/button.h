#pragma once
// A button: state images (normal, hot, pushed, disabled, a fore image on top) and state
// text colours; a click is a press and release over the button, and raises "click".

#include "skin/label.h"

namespace DuiLib {

class CButtonUI : public CLabelUI {
 public:
  CButtonUI();
  LPCTSTR GetClass() const override { return L"ButtonUI"; }
  void* GetInterface(LPCTSTR name) override;

  void SetNormalImage(const CDuiString& image);
  void SetHotImage(const CDuiString& image);
  void SetPushedImage(const CDuiString& image);
  void SetDisabledImage(const CDuiString& image);
  void SetForeImage(const CDuiString& image);
  const CDuiString& GetNormalImage() const { return normalImage_; }
  const CDuiString& GetHotImage() const { return hotImage_; }
  const CDuiString& GetPushedImage() const { return pushedImage_; }
  const CDuiString& GetDisabledImage() const { return disabledImage_; }
  void SetHotTextColor(DWORD argb);
  void SetPushedTextColor(DWORD argb);
  DWORD GetHotTextColor() const { return hotTextColor_; }
  DWORD GetPushedTextColor() const { return pushedTextColor_; }

  void SetAttribute(LPCTSTR name, LPCTSTR value) override;
  void DoEvent(TEventUI& event) override;
  bool Activate() override;

 protected:
  void PaintStatusImage(IRenderer& renderer) override;
  DWORD CurrentTextColor() const override;
  void SetImage(CDuiString& slot, const CDuiString& image);

  CDuiString normalImage_, hotImage_, pushedImage_, disabledImage_, foreImage_;
  DWORD hotTextColor_ = 0;
  DWORD pushedTextColor_ = 0;
  bool hot_ = false;
  bool pushed_ = false;
  bool captured_ = false;
};

}  // namespace DuiLib
