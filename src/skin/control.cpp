#include "skin/control.h"

#include "skin/attributes.h"
#include "skin/image.h"
#include "skin/message_queue.h"
#include "skin/paint_manager.h"

namespace DuiLib {

CControlUI::CControlUI() : life_(std::make_shared<char>()) {}

CControlUI::~CControlUI() {
  if (manager_) manager_->ReapObjects(this);
}

void* CControlUI::GetInterface(LPCTSTR name) {
  return CDuiString(name) == L"Control" ? this : nullptr;
}

void CControlUI::SetManager(CPaintManagerUI* manager, CControlUI* parent) {
  manager_ = manager;
  parent_ = parent;
  uiQueue_ = manager ? manager->UiQueue() : nullptr;
}

bool CControlUI::DeferToUiThread(std::function<void()> update) {
  if (!uiQueue_ || uiQueue_->IsCurrentThread()) return false;
  std::weak_ptr<char> life = life_;
  uiQueue_->PostTask([life, update = std::move(update)] {
    if (!life.expired()) update();
  });
  return true;
}

void CControlUI::SetText(const CDuiString& text) {
  if (DeferToUiThread([this, text] { SetText(text); })) return;
  if (text_ == text) return;
  text_ = text;
  Invalidate();
}

void CControlUI::SetPos(const RECT& rect) { pos_ = rect; }

void CControlUI::SetFloat(bool isFloat) {
  if (DeferToUiThread([this, isFloat] { SetFloat(isFloat); })) return;
  float_ = isFloat;
  Invalidate();
}

void CControlUI::SetFixedXY(POINT xy) {
  if (DeferToUiThread([this, xy] { SetFixedXY(xy); })) return;
  fixedXY_ = xy;
  Invalidate();
}

void CControlUI::SetFixedWidth(int cx) {
  if (DeferToUiThread([this, cx] { SetFixedWidth(cx); })) return;
  if (cx < 0) return;
  fixedWidth_ = cx;
  Invalidate();
}

void CControlUI::SetFixedHeight(int cy) {
  if (DeferToUiThread([this, cy] { SetFixedHeight(cy); })) return;
  if (cy < 0) return;
  fixedHeight_ = cy;
  Invalidate();
}

void CControlUI::SetPadding(const RECT& padding) {
  padding_ = padding;
  Invalidate();
}

bool CControlUI::IsVisible() const { return visible_ && (!parent_ || parent_->IsVisible()); }

void CControlUI::SetVisible(bool visible) {
  if (DeferToUiThread([this, visible] { SetVisible(visible); })) return;
  if (visible_ == visible) return;
  visible_ = visible;
  Invalidate();
}

void CControlUI::SetEnabled(bool enabled) {
  if (DeferToUiThread([this, enabled] { SetEnabled(enabled); })) return;
  if (enabled_ == enabled) return;
  enabled_ = enabled;
  Invalidate();
}

void CControlUI::SetBkColor(DWORD argb) {
  if (DeferToUiThread([this, argb] { SetBkColor(argb); })) return;
  bkColor_ = argb;
  Invalidate();
}

void CControlUI::SetBkImage(const CDuiString& image) {
  if (DeferToUiThread([this, image] { SetBkImage(image); })) return;
  bkImage_ = image;
  Invalidate();
}

void CControlUI::SetBorderSize(int size) {
  borderSize_ = size;
  Invalidate();
}

void CControlUI::SetBorderColor(DWORD argb) {
  borderColor_ = argb;
  Invalidate();
}

void CControlUI::SetAttribute(LPCTSTR name, LPCTSTR value) {
  CDuiString n(name), v(value);
  if (DeferToUiThread([this, n, v] { SetAttribute(n.c_str(), v.c_str()); })) return;
  if (n == L"name") {
    SetName(v);
  } else if (n == L"text") {
    SetText(v);
  } else if (n == L"pos") {
    // The place relative to the parent; a positive extent also fixes the size.
    RECT r = ParseRect(v);
    SetFixedXY({r.left, r.top});
    if (r.right > r.left) SetFixedWidth(r.right - r.left);
    if (r.bottom > r.top) SetFixedHeight(r.bottom - r.top);
  } else if (n == L"float") {
    SetFloat(ParseBool(v));
  } else if (n == L"width") {
    SetFixedWidth(ParseInt(v));
  } else if (n == L"height") {
    SetFixedHeight(ParseInt(v));
  } else if (n == L"padding") {
    SetPadding(ParseRect(v));
  } else if (n == L"visible") {
    SetVisible(ParseBool(v));
  } else if (n == L"enabled") {
    SetEnabled(ParseBool(v));
  } else if (n == L"mouse") {
    SetMouseEnabled(ParseBool(v));
  } else if (n == L"bkcolor") {
    SetBkColor(ParseColor(v));
  } else if (n == L"bkimage") {
    SetBkImage(v);
  } else if (n == L"bordersize") {
    SetBorderSize(ParseInt(v));
  } else if (n == L"bordercolor") {
    SetBorderColor(ParseColor(v));
  }
}

void CControlUI::DoPaint(IRenderer& renderer, const RECT& clip) {
  if (Intersect(clip, pos_).IsEmpty()) return;
  PaintBkColor(renderer);
  PaintBkImage(renderer);
  PaintStatusImage(renderer);
  PaintText(renderer);
  PaintBorder(renderer);
}

void CControlUI::PaintBkColor(IRenderer& renderer) { renderer.FillRect(pos_, bkColor_); }

void CControlUI::PaintBkImage(IRenderer& renderer) { DrawImage(renderer, bkImage_); }

void CControlUI::PaintBorder(IRenderer& renderer) { renderer.DrawBorder(pos_, borderSize_, borderColor_); }

bool CControlUI::DrawImage(IRenderer& renderer, const CDuiString& image, const RECT& dest) {
  if (image.empty() || !manager_) return false;
  ImageAttribute attribute = ParseImageAttribute(image);
  const Bitmap* bitmap = manager_->GetImage(attribute.file);
  if (!bitmap) return false;
  renderer.DrawImage(ImageDraw{bitmap, attribute.source, attribute.corner, attribute.fade}, dest.IsEmpty() ? pos_ : dest);
  return true;
}

void CControlUI::DoEvent(TEventUI& event) {
  // Mouse events a control does not take go to its parent, so that a row sees clicks on
  // its labels.
  if (event.Type == UIEVENT_MOUSEENTER || event.Type == UIEVENT_MOUSELEAVE || event.Type == UIEVENT_TIMER) return;
  if (parent_) parent_->DoEvent(event);
}

CControlUI* CControlUI::FindControlAt(POINT point) {
  if (!visible_ || !mouseEnabled_ || !pos_.Contains(point)) return nullptr;
  return this;
}

CControlUI* CControlUI::FindControlByName(const CDuiString& name) { return name_ == name ? this : nullptr; }

void CControlUI::ForEach(const std::function<void(CControlUI*)>& visit) { visit(this); }

void CControlUI::Invalidate() {
  if (manager_) manager_->Invalidate();
}

bool CControlUI::Activate() {
  if (!IsVisible() || !IsEnabled()) return false;
  return true;
}

}  // namespace DuiLib
