#pragma once
// The mask laid over a window while one of its dialogs runs modally.

#include "skin/window_impl_base.h"

class CMaskWnd : public DuiLib::WindowImplBase {
 public:
  // Exactly over the owner, also where the owner reaches past the screen's edge (centring
  // would move the mask onto the screen and off the owner).
  void InitWindow() override;

 protected:
  DuiLib::LPCTSTR GetWindowClassName() const override { return L"MaskWnd"; }
  DuiLib::CDuiString GetSkinFile() override { return L"skin\\Mask.xml"; }
  DuiLib::CDuiString GetSkinFolder() override { return L""; }
};

// Runs a created window modally under a mask over its owner (no mask without an owner)
// and returns its modal result.
int ShowModalMasked(DuiLib::CWindowWnd* window);
