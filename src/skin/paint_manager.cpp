#include "skin/paint_manager.h"

#include <algorithm>
#include <mutex>

#include "platform/platform.h"
#include "skin/message_queue.h"
#include "skin/option.h"
#include "skin/resources.h"
#include "skin/window_registry.h"

namespace DuiLib {
namespace {

std::mutex pathsLock;
CDuiString resourcePath;  // empty: the instance path
CDuiString currentPath;

bool IsUnder(CControlUI* control, CControlUI* subtree) {
  for (CControlUI* c = control; c; c = c->GetParent()) {
    if (c == subtree) return true;
  }
  return false;
}

}  // namespace

void CPaintManagerUI::SetInstance(void*) {}

CDuiString CPaintManagerUI::GetInstancePath() {
  CDuiString module = platform::Current().system().ModuleFileName();
  return module.substr(0, module.rfind(L'\\') + 1);
}

void CPaintManagerUI::SetCurrentPath(const CDuiString& path) {
  std::lock_guard guard(pathsLock);
  currentPath = path;
}

CDuiString CPaintManagerUI::GetCurrentPath() {
  std::lock_guard guard(pathsLock);
  return currentPath;
}

void CPaintManagerUI::SetResourcePath(const CDuiString& path) {
  std::lock_guard guard(pathsLock);
  resourcePath = path;
  if (!resourcePath.empty() && resourcePath.back() != L'\\') resourcePath += L'\\';
}

CDuiString CPaintManagerUI::GetResourcePath() {
  {
    std::lock_guard guard(pathsLock);
    if (!resourcePath.empty()) return resourcePath;
  }
  return GetInstancePath();
}

CPaintManagerUI::CPaintManagerUI() : queue_(ThreadQueue::ForCurrentThread()) {}

CPaintManagerUI::~CPaintManagerUI() {
  RunDelayedCleanup();
  CControlUI* root = root_;
  root_ = nullptr;
  delete root;
  RunDelayedCleanup();
}

void CPaintManagerUI::Init(HWND hwnd) {
  hwnd_ = hwnd;
  queue_ = ThreadQueue::ForCurrentThread();
}

bool CPaintManagerUI::IsUiThread() const { return queue_->IsCurrentThread(); }

bool CPaintManagerUI::AttachDialog(CControlUI* root) {
  if (!root) return false;
  delete root_;
  hover_ = pushed_ = focus_ = nullptr;
  root_ = root;
  root_->SetManager(this, nullptr);
  Invalidate();
  return true;
}

CControlUI* CPaintManagerUI::FindControl(const CDuiString& name) const {
  return root_ && !name.empty() ? root_->FindControlByName(name) : nullptr;
}

CControlUI* CPaintManagerUI::FindControl(POINT point) const { return root_ ? root_->FindControlAt(point) : nullptr; }

void CPaintManagerUI::AddNotifier(INotifyUI* notifier) {
  if (std::find(notifiers_.begin(), notifiers_.end(), notifier) == notifiers_.end()) notifiers_.push_back(notifier);
}

void CPaintManagerUI::RemoveNotifier(INotifyUI* notifier) { std::erase(notifiers_, notifier); }

void CPaintManagerUI::AddPreMessageFilter(IMessageFilterUI* filter) { preFilters_.push_back(filter); }

void CPaintManagerUI::SendNotify(CControlUI* sender, LPCTSTR type, WPARAM wParam, LPARAM lParam) {
  TNotifyUI msg;
  msg.sType = type;
  msg.pSender = sender;
  msg.wParam = wParam;
  msg.lParam = lParam;
  SendNotify(msg);
}

void CPaintManagerUI::SendNotify(TNotifyUI& msg) {
  for (INotifyUI* notifier : std::vector<INotifyUI*>(notifiers_)) notifier->Notify(msg);
}

void CPaintManagerUI::AddFont(int id, const FontSpec& font, bool isDefault) {
  fonts_[id] = font;
  if (isDefault) defaultFont_ = font;
}

const FontSpec& CPaintManagerUI::GetFont(int id) const {
  auto it = fonts_.find(id);
  return it == fonts_.end() ? defaultFont_ : it->second;
}

SIZE CPaintManagerUI::MeasureText(const CDuiString& text, int fontId) const {
  return MeasuringRenderer().MeasureText(text, GetFont(fontId));
}

const Bitmap* CPaintManagerUI::GetImage(const CDuiString& file) {
  if (file.empty()) return nullptr;
  auto it = images_.find(file);
  if (it == images_.end()) {
    std::unique_ptr<Bitmap> bitmap;
    if (auto bytes = ReadResourceFile(file)) {
      if (auto decoded = DecodeImage(*bytes)) bitmap = std::make_unique<Bitmap>(std::move(*decoded));
    }
    it = images_.emplace(file, std::move(bitmap)).first;
  }
  return it->second.get();
}

const std::vector<GifFrame>* CPaintManagerUI::GetGif(const CDuiString& file) {
  if (file.empty()) return nullptr;
  auto it = gifs_.find(file);
  if (it == gifs_.end()) {
    std::unique_ptr<std::vector<GifFrame>> frames;
    if (auto bytes = ReadResourceFile(file)) {
      if (auto decoded = DecodeGif(*bytes)) frames = std::make_unique<std::vector<GifFrame>>(std::move(*decoded));
    }
    it = gifs_.emplace(file, std::move(frames)).first;
  }
  return it->second.get();
}

void CPaintManagerUI::AddOptionGroup(const CDuiString& group, COptionUI* option) {
  auto& members = optionGroups_[group];
  if (std::find(members.begin(), members.end(), option) == members.end()) members.push_back(option);
}

void CPaintManagerUI::RemoveOptionGroup(const CDuiString& group, COptionUI* option) {
  auto it = optionGroups_.find(group);
  if (it != optionGroups_.end()) std::erase(it->second, option);
}

std::vector<COptionUI*> CPaintManagerUI::GetOptionGroup(const CDuiString& group) const {
  auto it = optionGroups_.find(group);
  return it == optionGroups_.end() ? std::vector<COptionUI*>{} : it->second;
}

bool CPaintManagerUI::SetTimer(CControlUI* control, UINT id, UINT elapseMs) {
  auto it = std::find_if(timers_.begin(), timers_.end(),
                         [&](const ControlTimer& t) { return t.control == control && t.id == id; });
  if (it == timers_.end()) it = timers_.insert(timers_.end(), ControlTimer{control, id, nextTimerId_++});
  return DuiLib::SetTimer(hwnd_, it->windowTimerId, elapseMs);
}

void CPaintManagerUI::KillTimer(CControlUI* control, UINT id) {
  std::erase_if(timers_, [&](const ControlTimer& t) {
    if (t.control != control || t.id != id) return false;
    DuiLib::KillTimer(hwnd_, t.windowTimerId);
    return true;
  });
}

void CPaintManagerUI::UpdateLayout() {
  RECT rc;
  if (!root_ || !GetWindowRect(hwnd_, &rc)) return;
  root_->SetPos(RECT{0, 0, rc.Width(), rc.Height()});
}

void CPaintManagerUI::Render(Surface& surface) {
  UpdateLayout();
  auto renderer = surface.CreateRenderer();
  RECT all{0, 0, surface.width(), surface.height()};
  if (root_) root_->DoPaint(*renderer, all);
  dirty_ = false;
}

void CPaintManagerUI::SendEvent(CControlUI* control, EventType type, POINT point, WPARAM wParam) {
  if (!control) return;
  TEventUI event;
  event.Type = type;
  event.pSender = control;
  event.ptMouse = point;
  event.wParam = wParam;
  control->DoEvent(event);
}

bool CPaintManagerUI::PreMessageHandler(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  for (IMessageFilterUI* filter : std::vector<IMessageFilterUI*>(preFilters_)) {
    bool handled = false;
    LRESULT r = filter->MessageHandler(msg, wParam, lParam, handled);
    if (handled) {
      result = r;
      return true;
    }
  }
  return false;
}

bool CPaintManagerUI::MessageHandler(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  result = 0;
  bool taken = true;
  switch (msg) {
    case WM_TIMER: {
      auto it = std::find_if(timers_.begin(), timers_.end(),
                             [&](const ControlTimer& t) { return t.windowTimerId == wParam; });
      if (it == timers_.end()) return false;
      SendEvent(it->control, UIEVENT_TIMER, POINT{}, it->id);
      break;
    }
    case WM_MOUSEMOVE: {
      // Layout first: hit-testing works on the present places of the controls.
      UpdateLayout();
      POINT pt = PointFromParam(lParam);
      CControlUI* hit = FindControl(pt);
      if (hit != hover_) {
        CControlUI* old = hover_;
        hover_ = hit;
        SendEvent(old, UIEVENT_MOUSELEAVE, pt);
        SendEvent(hover_, UIEVENT_MOUSEENTER, pt);
      }
      SendEvent(pushed_ ? pushed_ : hover_, UIEVENT_MOUSEMOVE, pt);
      break;
    }
    case WM_MOUSELEAVE: {
      CControlUI* old = hover_;
      hover_ = nullptr;
      SendEvent(old, UIEVENT_MOUSELEAVE, POINT{-1, -1});
      break;
    }
    case WM_LBUTTONDOWN: {
      UpdateLayout();
      POINT pt = PointFromParam(lParam);
      pushed_ = FindControl(pt);
      SendEvent(pushed_, UIEVENT_BUTTONDOWN, pt);
      break;
    }
    case WM_LBUTTONUP: {
      POINT pt = PointFromParam(lParam);
      CControlUI* pushed = pushed_;
      pushed_ = nullptr;
      SendEvent(pushed, UIEVENT_BUTTONUP, pt);
      break;
    }
    case WM_RBUTTONDOWN: {
      UpdateLayout();
      POINT pt = PointFromParam(lParam);
      SendEvent(FindControl(pt), UIEVENT_RBUTTONDOWN, pt);
      break;
    }
    case WM_MOUSEWHEEL: {
      UpdateLayout();
      POINT pt = PointFromParam(lParam);
      SendEvent(FindControl(pt), UIEVENT_SCROLLWHEEL, pt, wParam);
      break;
    }
    default:
      taken = false;
  }
  RunDelayedCleanup();
  return taken;
}

void CPaintManagerUI::ReapObjects(CControlUI* control) {
  if (IsUnder(hover_, control)) hover_ = nullptr;
  if (IsUnder(pushed_, control)) pushed_ = nullptr;
  if (IsUnder(focus_, control)) focus_ = nullptr;
  std::erase_if(timers_, [&](const ControlTimer& t) {
    if (!IsUnder(t.control, control)) return false;
    DuiLib::KillTimer(hwnd_, t.windowTimerId);
    return true;
  });
}

void CPaintManagerUI::AddDelayedCleanup(CControlUI* control) {
  delayedCleanup_.push_back(control);
  Invalidate();
}

void CPaintManagerUI::RunDelayedCleanup() {
  while (!delayedCleanup_.empty()) {
    std::vector<CControlUI*> doomed;
    doomed.swap(delayedCleanup_);
    for (CControlUI* control : doomed) delete control;
  }
}

}  // namespace DuiLib
