#include "skin/gif_anim.h"

#include "skin/image.h"
#include "skin/paint_manager.h"

namespace DuiLib {
namespace {
constexpr UINT kFrameTimer = 1;
}

CGifAnimUI::~CGifAnimUI() {
  if (manager_) manager_->KillTimer(this, kFrameTimer);
}

void* CGifAnimUI::GetInterface(LPCTSTR name) {
  return CDuiString(name) == L"GifAnim" ? this : CControlUI::GetInterface(name);
}

void CGifAnimUI::SetManager(CPaintManagerUI* manager, CControlUI* parent) {
  if (manager_) manager_->KillTimer(this, kFrameTimer);
  CControlUI::SetManager(manager, parent);
  Restart();
}

void CGifAnimUI::SetGif(const CDuiString& file) {
  if (DeferToUiThread([this, file] { SetGif(file); })) return;
  SetBkImage(file);
  Restart();
}

void CGifAnimUI::SetAttribute(LPCTSTR name, LPCTSTR value) {
  CControlUI::SetAttribute(name, value);
  if (CDuiString(name) == L"bkimage") Restart();
}

void CGifAnimUI::Restart() {
  frame_ = 0;
  Invalidate();
  if (!manager_) return;
  manager_->KillTimer(this, kFrameTimer);
  const auto* frames = manager_->GetGif(ParseImageAttribute(GetBkImage()).file);
  if (frames && frames->size() > 1) manager_->SetTimer(this, kFrameTimer, (*frames)[0].delayMs);
}

void CGifAnimUI::DoEvent(TEventUI& event) {
  if (event.Type != UIEVENT_TIMER || event.wParam != kFrameTimer) {
    CControlUI::DoEvent(event);
    return;
  }
  const auto* frames = manager_ ? manager_->GetGif(ParseImageAttribute(GetBkImage()).file) : nullptr;
  if (!frames || frames->empty()) return;
  frame_ = (frame_ + 1) % frames->size();
  manager_->SetTimer(this, kFrameTimer, (*frames)[frame_].delayMs);
  Invalidate();
}

void CGifAnimUI::PaintBkImage(IRenderer& renderer) {
  if (!manager_) return;
  ImageAttribute attribute = ParseImageAttribute(GetBkImage());
  const auto* frames = manager_->GetGif(attribute.file);
  if (!frames || frames->empty()) {
    CControlUI::PaintBkImage(renderer);
    return;
  }
  const Bitmap& bitmap = (*frames)[frame_ % frames->size()].bitmap;
  renderer.DrawImage(ImageDraw{&bitmap, attribute.source, attribute.corner, attribute.fade}, pos_);
}

}  // namespace DuiLib
