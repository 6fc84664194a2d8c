#pragma once
// The web browser control. There is no embedded browser engine on Linux, so the control
// is honest about it: it shows the address it was told to open and, when clicked, hands
// that address to the user's own browser. Navigation still runs through the event
// handler, so windows that watch it behave as with an engine.

#include <functional>

#include "skin/control.h"

namespace DuiLib {

class CWebBrowserUI;

// The host information a browser asks its host for (size, flags, double-click action).
struct DOCHOSTUIINFO {
  unsigned long cbSize = 0;
  DWORD dwFlags = 0;
  DWORD dwDoubleClick = 0;
};

inline constexpr DWORD DOCHOSTUIFLAG_DIALOG = 0x1;
inline constexpr DWORD DOCHOSTUIFLAG_DISABLE_HELP_MENU = 0x2;
inline constexpr DWORD DOCHOSTUIFLAG_NO3DBORDER = 0x4;
inline constexpr DWORD DOCHOSTUIFLAG_SCROLL_NO = 0x8;
inline constexpr DWORD DOCHOSTUIFLAG_THEME = 0x40000;
inline constexpr DWORD DOCHOSTUIFLAG_NO3DOUTERBORDER = 0x200000;

class CWebBrowserEventHandler {
 public:
  virtual ~CWebBrowserEventHandler() = default;
  virtual void BeforeNavigate2(CWebBrowserUI*, const CDuiString&) {}
  virtual void NavigateComplete2(CWebBrowserUI*, const CDuiString&) {}
  // True when the handler filled the information.
  virtual bool GetHostInfo(CWebBrowserUI*, DOCHOSTUIINFO*) { return false; }
};

class CWebBrowserUI : public CControlUI {
 public:
  using UrlOpener = std::function<void(const CDuiString& url)>;

  CWebBrowserUI() = default;
  LPCTSTR GetClass() const override { return L"WebBrowserUI"; }
  void* GetInterface(LPCTSTR name) override;

  void Navigate2(const CDuiString& url);
  const CDuiString& GetUrl() const { return url_; }
  void SetWebBrowserEventHandler(CWebBrowserEventHandler* handler) { handler_ = handler; }
  CWebBrowserEventHandler* GetWebBrowserEventHandler() const { return handler_; }
  // The control's own answer, refined by the handler when it has one.
  virtual void GetHostInfo(DOCHOSTUIINFO* info);

  // Where a click sends the address: the user's browser unless a test replaced it.
  static void SetUrlOpener(UrlOpener opener);

  void SetAttribute(LPCTSTR name, LPCTSTR value) override;
  void DoEvent(TEventUI& event) override;
  bool Activate() override;

 protected:
  void PaintText(IRenderer& renderer) override;

 private:
  CDuiString url_;
  CWebBrowserEventHandler* handler_ = nullptr;
  bool pressed_ = false;
};

}  // namespace DuiLib
