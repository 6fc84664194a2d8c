#include "skin/web_browser.h"

#include <spawn.h>
#include <sys/wait.h>

#include <mutex>
#include <thread>

#include "platform/codepage.h"
#include "skin/paint_manager.h"

extern char** environ;

namespace DuiLib {
namespace {

// Hands the address to the desktop's opener and reaps it on a thread of its own.
void OpenInUserBrowser(const CDuiString& url) {
  if (url.empty() || url == L"about:blank") return;
  std::thread([address = platform::WideToUtf8(url)] {
    const char* argv[] = {"xdg-open", address.c_str(), nullptr};
    pid_t pid = 0;
    if (posix_spawnp(&pid, "xdg-open", nullptr, nullptr, const_cast<char**>(argv), environ) == 0) {
      int status = 0;
      waitpid(pid, &status, 0);
    }
  }).detach();
}

std::mutex openerLock;
CWebBrowserUI::UrlOpener& Opener() {
  static CWebBrowserUI::UrlOpener opener = OpenInUserBrowser;
  return opener;
}

}  // namespace

void CWebBrowserUI::SetUrlOpener(UrlOpener opener) {
  std::lock_guard guard(openerLock);
  Opener() = opener ? std::move(opener) : UrlOpener(OpenInUserBrowser);
}

void* CWebBrowserUI::GetInterface(LPCTSTR name) {
  return CDuiString(name) == L"WebBrowser" ? this : CControlUI::GetInterface(name);
}

void CWebBrowserUI::Navigate2(const CDuiString& url) {
  if (DeferToUiThread([this, url] { Navigate2(url); })) return;
  if (handler_) handler_->BeforeNavigate2(this, url);
  url_ = url;
  Invalidate();
  if (handler_) handler_->NavigateComplete2(this, url);
}

void CWebBrowserUI::GetHostInfo(DOCHOSTUIINFO* info) {
  if (!info) return;
  if (handler_ && handler_->GetHostInfo(this, info)) return;
  info->cbSize = sizeof(DOCHOSTUIINFO);
}

void CWebBrowserUI::SetAttribute(LPCTSTR name, LPCTSTR value) {
  if (CDuiString(name) == L"homepage") {
    Navigate2(value);
  } else {
    CControlUI::SetAttribute(name, value);
  }
}

void CWebBrowserUI::DoEvent(TEventUI& event) {
  if (event.Type == UIEVENT_BUTTONDOWN) {
    pressed_ = true;
  } else if (event.Type == UIEVENT_BUTTONUP) {
    bool click = pressed_ && pos_.Contains(event.ptMouse);
    pressed_ = false;
    if (click) Activate();
  } else {
    CControlUI::DoEvent(event);
  }
}

bool CWebBrowserUI::Activate() {
  if (!CControlUI::Activate()) return false;
  UrlOpener opener;
  {
    std::lock_guard guard(openerLock);
    opener = Opener();
  }
  opener(url_);
  return true;
}

void CWebBrowserUI::PaintText(IRenderer& renderer) {
  if (!manager_ || url_.empty() || url_ == L"about:blank") return;
  FontSpec font = manager_->GetFont(-1);
  int mid = (pos_.top + pos_.bottom) / 2;
  renderer.DrawText(L"此页面将在您的浏览器中打开，点击这里访问：", RECT{pos_.left + 20, mid - 30, pos_.right - 20, mid - 6},
                    font, 0xFF64676A, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  renderer.DrawText(url_, RECT{pos_.left + 20, mid + 2, pos_.right - 20, mid + 26}, font, 0xFF28C67A,
                    DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS);
}

}  // namespace DuiLib
