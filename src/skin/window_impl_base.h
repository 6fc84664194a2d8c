#pragma once
// The base of skinned windows: the window builds its controls from its skin file when
// created, routes mouse input and notifications through its paint manager, and paints
// itself when its thread falls idle.

#include <memory>

#include "skin/dialog_builder.h"
#include "skin/paint_manager.h"
#include "skin/window.h"

namespace DuiLib {

class WindowImplBase : public CWindowWnd, public INotifyUI, public IMessageFilterUI, public IDialogBuilderCallback {
 public:
  WindowImplBase() = default;
  ~WindowImplBase() override;

  CPaintManagerUI& GetPaintManager() { return m_PaintManager; }

  // Renders the window as it stands now.
  std::unique_ptr<Surface> RenderNow();

  LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;
  void OnIdle() override;
  void OnFinalMessage(HWND hwnd) override;

  virtual void InitWindow() {}
  void Notify(TNotifyUI& msg) override;
  virtual void OnClick(TNotifyUI& msg);
  CControlUI* CreateControl(LPCTSTR) override { return nullptr; }
  LRESULT MessageHandler(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled) override;

 protected:
  virtual CDuiString GetSkinFolder() = 0;
  virtual CDuiString GetSkinFile() = 0;
  virtual LRESULT ResponseDefaultKeyEvent(WPARAM key);

  virtual LRESULT OnCreate(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled);
  virtual LRESULT OnClose(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled);
  virtual LRESULT OnDestroy(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled);
  virtual LRESULT OnSize(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled);
  virtual LRESULT OnKeyDown(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled);
  virtual LRESULT HandleCustomMessage(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled);
  virtual DWORD GetStyle() const { return 0; }
  void PaintOwnerBeneath(Surface& surface, const RECT& rc);

  CPaintManagerUI m_PaintManager;

 private:
  std::unique_ptr<Surface> shown_;
};

}  // namespace DuiLib
