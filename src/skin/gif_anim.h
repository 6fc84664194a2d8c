#pragma once
// An animated image: a GIF background plays its frames on a timer; any other background
// image is shown still.

#include "skin/control.h"

namespace DuiLib {

class CGifAnimUI : public CControlUI {
 public:
  CGifAnimUI() = default;
  ~CGifAnimUI() override;
  LPCTSTR GetClass() const override { return L"GifAnimUI"; }
  void* GetInterface(LPCTSTR name) override;
  void SetManager(CPaintManagerUI* manager, CControlUI* parent) override;

  // Plays `file` from its first frame.
  void SetGif(const CDuiString& file);
  size_t GetFrameIndex() const { return frame_; }
  void SetAttribute(LPCTSTR name, LPCTSTR value) override;
  void DoEvent(TEventUI& event) override;

 protected:
  void PaintBkImage(IRenderer& renderer) override;

 private:
  void Restart();

  size_t frame_ = 0;
};

}  // namespace DuiLib
