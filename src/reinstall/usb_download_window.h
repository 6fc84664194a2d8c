#pragma once
// The USB maker's download window as its download worker sees it: the rows, "all
// downloads done" (message 3026) and "the WinPE component is ready" (message 3027), on
// which the window starts the make.

#include "reinstall/download_rows.h"

class IUsbDownloadWindow : public IDownloadRows {
 public:
  virtual void PeComponentReady() = 0;
};
