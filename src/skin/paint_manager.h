#pragma once
// The paint manager of a window: the control tree, its fonts and images, notifications,
// mouse input through hit-testing, control timers, and painting.

#include <map>
#include <memory>
#include <vector>

#include "skin/control.h"
#include "skin/image.h"
#include "skin/render.h"

namespace DuiLib {

class COptionUI;
class ThreadQueue;

struct TNotifyUI {
  CDuiString sType;
  CControlUI* pSender = nullptr;
  WPARAM wParam = 0;
  LPARAM lParam = 0;
  POINT ptMouse;
};

class INotifyUI {
 public:
  virtual ~INotifyUI() = default;
  virtual void Notify(TNotifyUI& msg) = 0;
};

class IMessageFilterUI {
 public:
  virtual ~IMessageFilterUI() = default;
  virtual LRESULT MessageHandler(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled) = 0;
};

// Mouse messages carry the point as in Windows: x in the low word, y in the high word.
inline LPARAM MakePointParam(int x, int y) {
  return static_cast<LPARAM>((static_cast<uint32_t>(y & 0xFFFF) << 16) | static_cast<uint32_t>(x & 0xFFFF));
}
inline POINT PointFromParam(LPARAM lParam) {
  return POINT{static_cast<int16_t>(lParam & 0xFFFF), static_cast<int16_t>((lParam >> 16) & 0xFFFF)};
}

class CPaintManagerUI {
 public:
  CPaintManagerUI();
  ~CPaintManagerUI();
  CPaintManagerUI(const CPaintManagerUI&) = delete;
  CPaintManagerUI& operator=(const CPaintManagerUI&) = delete;

  // The resource path is where skin files and images are looked up: the program folder
  // (a Windows path ending in a backslash) unless set otherwise.
  static void SetInstance(void* instance);
  static CDuiString GetInstancePath();
  static void SetCurrentPath(const CDuiString& path);
  static CDuiString GetCurrentPath();
  static void SetResourcePath(const CDuiString& path);
  static CDuiString GetResourcePath();

  void Init(HWND hwnd);
  HWND GetPaintWindow() const { return hwnd_; }
  bool IsUiThread() const;
  std::shared_ptr<ThreadQueue> UiQueue() const { return queue_; }

  bool AttachDialog(CControlUI* root);
  CControlUI* GetRoot() const { return root_; }
  CControlUI* FindControl(const CDuiString& name) const;
  CControlUI* FindControl(POINT point) const;

  void AddNotifier(INotifyUI* notifier);
  void RemoveNotifier(INotifyUI* notifier);
  void AddPreMessageFilter(IMessageFilterUI* filter);
  void SendNotify(CControlUI* sender, LPCTSTR type, WPARAM wParam = 0, LPARAM lParam = 0);
  void SendNotify(TNotifyUI& msg);

  // Fonts of the skin by index; -1 or an unknown index gives the default font.
  void AddFont(int id, const FontSpec& font, bool isDefault);
  const FontSpec& GetFont(int id) const;
  // The extent of one line of text in a font (the default font for -1).
  SIZE MeasureText(const CDuiString& text, int fontId = -1) const;

  // Images by file name relative to the resource path, loaded once; null when missing.
  const Bitmap* GetImage(const CDuiString& file);
  const std::vector<GifFrame>* GetGif(const CDuiString& file);

  void AddOptionGroup(const CDuiString& group, COptionUI* option);
  void RemoveOptionGroup(const CDuiString& group, COptionUI* option);
  std::vector<COptionUI*> GetOptionGroup(const CDuiString& group) const;

  bool SetTimer(CControlUI* control, UINT id, UINT elapseMs);
  void KillTimer(CControlUI* control, UINT id);
  void SetFocus(CControlUI* control) { focus_ = control; }
  CControlUI* GetFocus() const { return focus_; }

  // The size the skin gives the window, and the caption band a user drags it by.
  SIZE GetInitSize() const { return initSize_; }
  void SetInitSize(SIZE size) { initSize_ = size; }
  RECT GetCaptionRect() const { return caption_; }
  void SetCaptionRect(const RECT& rect) { caption_ = rect; }

  void Invalidate() { dirty_ = true; }
  bool IsDirty() const { return dirty_; }
  // Lays the tree out for the window's present size.
  void UpdateLayout();
  // Lays out and paints the whole window into `surface`.
  void Render(Surface& surface);

  // Mouse input and control timers; true when the message was taken.
  bool MessageHandler(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result);
  bool PreMessageHandler(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result);

  // A control leaving the tree: forget every reference to it and its children.
  void ReapObjects(CControlUI* control);
  // Deletes a removed control once the event that removed it is over.
  void AddDelayedCleanup(CControlUI* control);
  void RunDelayedCleanup();

 private:
  struct ControlTimer {
    CControlUI* control;
    UINT id;
    UINT_PTR windowTimerId;
  };
  void SendEvent(CControlUI* control, EventType type, POINT point, WPARAM wParam = 0);

  HWND hwnd_ = nullptr;
  std::shared_ptr<ThreadQueue> queue_;
  CControlUI* root_ = nullptr;
  CControlUI* hover_ = nullptr;
  CControlUI* pushed_ = nullptr;
  CControlUI* focus_ = nullptr;
  std::vector<INotifyUI*> notifiers_;
  std::vector<IMessageFilterUI*> preFilters_;
  std::map<int, FontSpec> fonts_;
  FontSpec defaultFont_;
  std::map<CDuiString, std::unique_ptr<Bitmap>> images_;
  std::map<CDuiString, std::unique_ptr<std::vector<GifFrame>>> gifs_;
  std::map<CDuiString, std::vector<COptionUI*>> optionGroups_;
  std::vector<ControlTimer> timers_;
  UINT_PTR nextTimerId_ = 0x70000000;
  std::vector<CControlUI*> delayedCleanup_;
  SIZE initSize_;
  RECT caption_;
  bool dirty_ = true;
};

}  // namespace DuiLib
