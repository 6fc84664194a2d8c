#pragma once
// The base of every control of the retained tree: name, place, look, state, events.
//
// Controls belong to the thread of their window. A setter called from another thread
// does not touch the control there: it hands the change to the window's thread, where it
// is applied in order unless the control has gone in the meantime.

#include <functional>
#include <memory>

#include "skin/render.h"
#include "skin/types.h"

namespace DuiLib {

class CPaintManagerUI;
class ThreadQueue;

enum EventType {
  UIEVENT_MOUSEMOVE,
  UIEVENT_MOUSEENTER,
  UIEVENT_MOUSELEAVE,
  UIEVENT_BUTTONDOWN,
  UIEVENT_BUTTONUP,
  UIEVENT_RBUTTONDOWN,
  UIEVENT_SCROLLWHEEL,
  UIEVENT_TIMER,
};

struct TEventUI {
  EventType Type = UIEVENT_MOUSEMOVE;
  class CControlUI* pSender = nullptr;
  POINT ptMouse;
  WPARAM wParam = 0;
  LPARAM lParam = 0;
};

class CControlUI {
 public:
  CControlUI();
  virtual ~CControlUI();
  CControlUI(const CControlUI&) = delete;
  CControlUI& operator=(const CControlUI&) = delete;

  virtual LPCTSTR GetClass() const { return L"ControlUI"; }
  // The control as the named interface ("Control", "Label", "Button", ...), or null.
  virtual void* GetInterface(LPCTSTR name);

  const CDuiString& GetName() const { return name_; }
  void SetName(const CDuiString& name) { name_ = name; }
  CPaintManagerUI* GetManager() const { return manager_; }
  CControlUI* GetParent() const { return parent_; }
  virtual void SetManager(CPaintManagerUI* manager, CControlUI* parent);
  UINT_PTR GetTag() const { return tag_; }
  void SetTag(UINT_PTR tag) { tag_ = tag; }

  virtual CDuiString GetText() const { return text_; }
  virtual void SetText(const CDuiString& text);

  // Place: the layout result, in window coordinates.
  const RECT& GetPos() const { return pos_; }
  virtual void SetPos(const RECT& rect);
  bool IsFloat() const { return float_; }
  void SetFloat(bool isFloat);
  // The floating position relative to the parent: the "pos" attribute's left and top.
  POINT GetFixedXY() const { return fixedXY_; }
  void SetFixedXY(POINT xy);
  int GetFixedWidth() const { return fixedWidth_; }
  int GetFixedHeight() const { return fixedHeight_; }
  // Negative sizes are ignored.
  void SetFixedWidth(int cx);
  void SetFixedHeight(int cy);
  const RECT& GetPadding() const { return padding_; }
  void SetPadding(const RECT& padding);

  // Visible means this control and every parent are shown.
  virtual bool IsVisible() const;
  bool IsOwnVisible() const { return visible_; }
  virtual void SetVisible(bool visible = true);
  virtual bool IsEnabled() const { return enabled_; }
  virtual void SetEnabled(bool enabled = true);
  bool IsMouseEnabled() const { return mouseEnabled_; }
  void SetMouseEnabled(bool enabled) { mouseEnabled_ = enabled; }

  DWORD GetBkColor() const { return bkColor_; }
  void SetBkColor(DWORD argb);
  const CDuiString& GetBkImage() const { return bkImage_; }
  void SetBkImage(const CDuiString& image);
  void SetBorderSize(int size);
  void SetBorderColor(DWORD argb);

  // Sets one attribute by its skin name ("pos", "width", "bkimage", ...); unknown names
  // are ignored.
  virtual void SetAttribute(LPCTSTR name, LPCTSTR value);

  virtual void DoPaint(IRenderer& renderer, const RECT& clip);
  virtual void DoEvent(TEventUI& event);
  // The deepest visible control at the point that takes the mouse.
  virtual CControlUI* FindControlAt(POINT point);
  virtual CControlUI* FindControlByName(const CDuiString& name);
  // Calls `visit` for this control and every descendant.
  virtual void ForEach(const std::function<void(CControlUI*)>& visit);

  void Invalidate();
  // Clicks through code: the control must be visible and enabled.
  virtual bool Activate();

 protected:
  virtual void PaintBkColor(IRenderer& renderer);
  virtual void PaintBkImage(IRenderer& renderer);
  virtual void PaintStatusImage(IRenderer&) {}
  virtual void PaintText(IRenderer&) {}
  virtual void PaintBorder(IRenderer& renderer);
  // Draws an image attribute into `dest` (the control's place when empty).
  bool DrawImage(IRenderer& renderer, const CDuiString& image, const RECT& dest = RECT{});

  // True when the call came from a thread other than the window's: `update` then runs on
  // the window's thread, if the control still exists there.
  bool DeferToUiThread(std::function<void()> update);

  CPaintManagerUI* manager_ = nullptr;
  CControlUI* parent_ = nullptr;
  RECT pos_;
  CDuiString text_;

 private:
  CDuiString name_;
  UINT_PTR tag_ = 0;
  bool float_ = false;
  POINT fixedXY_;
  int fixedWidth_ = 0;
  int fixedHeight_ = 0;
  RECT padding_;
  bool visible_ = true;
  bool enabled_ = true;
  bool mouseEnabled_ = true;
  DWORD bkColor_ = 0;
  CDuiString bkImage_;
  int borderSize_ = 0;
  DWORD borderColor_ = 0;
  std::shared_ptr<ThreadQueue> uiQueue_;
  std::shared_ptr<char> life_;
};

}  // namespace DuiLib
