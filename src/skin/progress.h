#pragma once
// A horizontal progress bar: the background, then the fore image over the done part.

#include "skin/label.h"

namespace DuiLib {

class CProgressUI : public CLabelUI {
 public:
  CProgressUI();
  LPCTSTR GetClass() const override { return L"ProgressUI"; }
  void* GetInterface(LPCTSTR name) override;

  int GetMinValue() const { return min_; }
  int GetMaxValue() const { return max_; }
  int GetValue() const { return value_; }
  void SetMinValue(int value);
  void SetMaxValue(int value);
  void SetValue(int value);
  void SetForeImage(const CDuiString& image);
  void SetAttribute(LPCTSTR name, LPCTSTR value) override;

 protected:
  void PaintStatusImage(IRenderer& renderer) override;

 private:
  int min_ = 0;
  int max_ = 100;
  int value_ = 0;
  CDuiString foreImage_;
};

}  // namespace DuiLib
