#pragma once
// An option: a button with a selected state. Options that share a group name in a window
// are exclusive; a change raises "selectchanged" from the option that became selected
// (or, outside a group, from the option that changed).

#include "skin/button.h"

namespace DuiLib {

class COptionUI : public CButtonUI {
 public:
  COptionUI() = default;
  ~COptionUI() override;
  LPCTSTR GetClass() const override { return L"OptionUI"; }
  void* GetInterface(LPCTSTR name) override;
  void SetManager(CPaintManagerUI* manager, CControlUI* parent) override;

  bool IsSelected() const { return selected_; }
  void Selected(bool selected, bool triggerEvent = true);
  const CDuiString& GetGroup() const { return group_; }
  void SetGroup(const CDuiString& group);
  void SetSelectedImage(const CDuiString& image);
  void SetSelectedHotImage(const CDuiString& image);
  void SetSelectedTextColor(DWORD argb);

  void SetAttribute(LPCTSTR name, LPCTSTR value) override;
  bool Activate() override;

 protected:
  void PaintStatusImage(IRenderer& renderer) override;
  DWORD CurrentTextColor() const override;

 private:
  bool selected_ = false;
  CDuiString group_;
  CDuiString selectedImage_;
  CDuiString selectedHotImage_;
  DWORD selectedTextColor_ = 0;
};

}  // namespace DuiLib
