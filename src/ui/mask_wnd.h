#pragma once
// The mask laid over a window while one of its dialogs runs modally.

#include "skin/window_impl_base.h"

class CMaskWnd : public DuiLib::WindowImplBase {
 public:
  void InitWindow() override { CenterWindow(); }

 protected:
  DuiLib::LPCTSTR GetWindowClassName() const override { return L"MaskWnd"; }
  DuiLib::CDuiString GetSkinFile() override { return L"skin\\Mask.xml"; }
  DuiLib::CDuiString GetSkinFolder() override { return L""; }
};

// Runs a created window modally under a mask over its owner (no mask without an owner)
// and returns its modal result.
int ShowModalMasked(DuiLib::CWindowWnd* window);
