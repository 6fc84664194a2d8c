#pragma once
// How the program runs a dialog or message box: created over its owner with the dialog
// title, run modally under a mask, its answer read after it closed.

#include "ui/mask_wnd.h"
#include "ui/xml_wnd.h"

template <typename Dialog>
auto RunDialog(Dialog& dialog, DuiLib::HWND owner) {
  dialog.CreateProgramWindow(owner, DialogTitle());
  ShowModalMasked(&dialog);
  return dialog.result;
}
