// Windows on an X server through Xlib. Each thread with windows has its own connection,
// watched by that thread's message loop, so events come back on the window's own thread.

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>

#include <cstdlib>
#include <cstring>
#include <map>

#include "platform/codepage.h"
#include "skin/message_queue.h"
#include "skin/native_window.h"
#include "skin/paint_manager.h"
#include "skin/render.h"
#include "skin/window_impl_base.h"
#include "skin/window_registry.h"

namespace DuiLib {
namespace {

class Connection {
 public:
  static Connection* ForCurrentThread() {
    thread_local Connection connection;
    return connection.display_ ? &connection : nullptr;
  }

  Display* display() const { return display_; }
  Atom deleteAtom() const { return deleteAtom_; }
  void Add(Window window, HWND hwnd) { windows_[window] = hwnd; }
  void Remove(Window window) { windows_.erase(window); }

 private:
  Connection() : display_(XOpenDisplay(nullptr)) {
    if (!display_) return;
    deleteAtom_ = XInternAtom(display_, "WM_DELETE_WINDOW", False);
    queue_ = ThreadQueue::ForCurrentThread();
    queue_->WatchFd(ConnectionNumber(display_), [this] { Pump(); });
  }
  ~Connection() {
    if (!display_) return;
    queue_->UnwatchFd(ConnectionNumber(display_));
    XCloseDisplay(display_);
  }

  void Pump();
  bool StartCaptionDrag(HWND hwnd, const XButtonEvent& press);

  Display* display_;
  Atom deleteAtom_ = 0;
  std::shared_ptr<ThreadQueue> queue_;
  std::map<Window, HWND> windows_;
};

class X11Window : public NativeWindow {
 public:
  X11Window(Connection& connection, HWND hwnd, const std::wstring& title, const RECT& rect)
      : connection_(connection), display_(connection.display()) {
    int screen = DefaultScreen(display_);
    XSetWindowAttributes attrs{};
    attrs.background_pixel = WhitePixel(display_, screen);
    attrs.event_mask = ExposureMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask | LeaveWindowMask |
                       KeyPressMask | StructureNotifyMask;
    window_ = XCreateWindow(display_, RootWindow(display_, screen), rect.left, rect.top, std::max(1, rect.Width()),
                            std::max(1, rect.Height()), 0, CopyFromParent, InputOutput, CopyFromParent,
                            CWBackPixel | CWEventMask, &attrs);
    SetTitle(title);
    Atom wmDelete = connection.deleteAtom();
    XSetWMProtocols(display_, window_, &wmDelete, 1);
    // The skin draws the whole window, title bar included: no frame from the window manager.
    long motifHints[5] = {2 /* decorations */, 0, 0 /* none */, 0, 0};
    Atom motif = XInternAtom(display_, "_MOTIF_WM_HINTS", False);
    XChangeProperty(display_, window_, motif, motif, 32, PropModeReplace,
                    reinterpret_cast<unsigned char*>(motifHints), 5);
    FixSize(rect);
    gc_ = XCreateGC(display_, window_, 0, nullptr);
    connection.Add(window_, hwnd);
  }

  ~X11Window() override {
    connection_.Remove(window_);
    if (image_) XDestroyImage(image_);
    XFreeGC(display_, gc_);
    XDestroyWindow(display_, window_);
    XFlush(display_);
  }

  void Show(bool show) override {
    if (show) {
      XMapRaised(display_, window_);
    } else {
      XUnmapWindow(display_, window_);
    }
    XSync(display_, False);
  }

  void Move(const RECT& rect) override {
    FixSize(rect);
    XMoveResizeWindow(display_, window_, rect.left, rect.top, std::max(1, rect.Width()), std::max(1, rect.Height()));
    XFlush(display_);
  }

  void Present(const Surface& surface) override {
    if (image_) XDestroyImage(image_);
    size_t bytes = static_cast<size_t>(surface.stride()) * surface.height();
    char* copy = static_cast<char*>(std::malloc(bytes));
    std::memcpy(copy, surface.data(), bytes);
    image_ = XCreateImage(display_, DefaultVisual(display_, DefaultScreen(display_)), 24, ZPixmap, 0, copy,
                          surface.width(), surface.height(), 32, surface.stride());
    Redraw();
  }

  void Redraw() {
    if (!image_) return;
    XPutImage(display_, window_, gc_, image_, 0, 0, 0, 0, image_->width, image_->height);
    XFlush(display_);
  }

 private:
  // WM_NAME in the locale's encoding for old tools, and _NET_WM_NAME as UTF-8, which
  // window managers and today's tools read first.
  void SetTitle(const std::wstring& title) {
    std::string name = platform::WideToUtf8(title);
    Xutf8SetWMProperties(display_, window_, name.c_str(), name.c_str(), nullptr, 0, nullptr, nullptr, nullptr);
    Atom utf8 = XInternAtom(display_, "UTF8_STRING", False);
    for (const char* property : {"_NET_WM_NAME", "_NET_WM_ICON_NAME"}) {
      XChangeProperty(display_, window_, XInternAtom(display_, property, False), utf8, 8, PropModeReplace,
                      reinterpret_cast<const unsigned char*>(name.data()), static_cast<int>(name.size()));
    }
  }

  // Skinned windows have the size of their skin: the user cannot resize them.
  void FixSize(const RECT& rect) {
    XSizeHints hints{};
    hints.flags = PMinSize | PMaxSize | PPosition;
    hints.x = rect.left;
    hints.y = rect.top;
    hints.min_width = hints.max_width = std::max(1, rect.Width());
    hints.min_height = hints.max_height = std::max(1, rect.Height());
    XSetWMNormalHints(display_, window_, &hints);
  }

  Connection& connection_;
  Display* display_;
  Window window_;
  GC gc_;
  XImage* image_ = nullptr;
};

// A press on the caption band, off any button, moves the window: the window manager
// takes the drag over. True when it did.
bool Connection::StartCaptionDrag(HWND hwnd, const XButtonEvent& press) {
  WindowRecord* rec = LiveRecord(hwnd);
  auto* window = rec ? dynamic_cast<WindowImplBase*>(rec->wnd) : nullptr;
  if (!window) return false;
  CPaintManagerUI& pm = window->GetPaintManager();
  RECT caption = pm.GetCaptionRect();
  RECT rc;
  GetWindowRect(hwnd, &rc);
  POINT pt{press.x, press.y};
  if (caption.bottom <= 0 || pt.y >= caption.bottom || pt.x < caption.left || pt.x >= rc.Width() - caption.right) {
    return false;
  }
  pm.UpdateLayout();
  CControlUI* hit = pm.FindControl(pt);
  if (hit && hit->GetInterface(L"Button")) return false;
  XUngrabPointer(display_, CurrentTime);
  XEvent move{};
  move.xclient.type = ClientMessage;
  move.xclient.window = press.window;
  move.xclient.message_type = XInternAtom(display_, "_NET_WM_MOVERESIZE", False);
  move.xclient.format = 32;
  move.xclient.data.l[0] = press.x_root;
  move.xclient.data.l[1] = press.y_root;
  move.xclient.data.l[2] = 8;  // move
  move.xclient.data.l[3] = Button1;
  move.xclient.data.l[4] = 1;  // from an application
  XSendEvent(display_, DefaultRootWindow(display_), False, SubstructureRedirectMask | SubstructureNotifyMask, &move);
  XFlush(display_);
  return true;
}

void Connection::Pump() {
  while (XPending(display_)) {
    XEvent event;
    XNextEvent(display_, &event);
    auto it = windows_.find(event.xany.window);
    if (it == windows_.end()) continue;
    HWND hwnd = it->second;
    switch (event.type) {
      case Expose:
        if (WindowRecord* rec = LiveRecord(hwnd); rec && rec->native) static_cast<X11Window*>(rec->native.get())->Redraw();
        break;
      case MotionNotify:
        DispatchWindowMessage(hwnd, WM_MOUSEMOVE, 0, MakePointParam(event.xmotion.x, event.xmotion.y));
        break;
      case LeaveNotify:
        DispatchWindowMessage(hwnd, WM_MOUSELEAVE, 0, 0);
        break;
      case ButtonPress: {
        if (event.xbutton.button == Button1 && StartCaptionDrag(hwnd, event.xbutton)) break;
        LPARAM at = MakePointParam(event.xbutton.x, event.xbutton.y);
        if (event.xbutton.button == Button1) DispatchWindowMessage(hwnd, WM_LBUTTONDOWN, 0, at);
        if (event.xbutton.button == Button3) DispatchWindowMessage(hwnd, WM_RBUTTONDOWN, 0, at);
        if (event.xbutton.button == Button4) DispatchWindowMessage(hwnd, WM_MOUSEWHEEL, 120, at);
        if (event.xbutton.button == Button5) DispatchWindowMessage(hwnd, WM_MOUSEWHEEL, static_cast<WPARAM>(-120), at);
        break;
      }
      case ButtonRelease:
        if (event.xbutton.button == Button1) {
          DispatchWindowMessage(hwnd, WM_LBUTTONUP, 0, MakePointParam(event.xbutton.x, event.xbutton.y));
        }
        break;
      case KeyPress: {
        KeySym key = XLookupKeysym(&event.xkey, 0);
        if (key == XK_Escape) DispatchWindowMessage(hwnd, WM_KEYDOWN, VK_ESCAPE, 0);
        if (key == XK_Return) DispatchWindowMessage(hwnd, WM_KEYDOWN, VK_RETURN, 0);
        break;
      }
      case ConfigureNotify:
        // The window manager tells a move with a synthetic event in root coordinates;
        // the window's place is then where the user put it.
        if (!event.xconfigure.send_event) break;
        NoteWindowMoved(hwnd, event.xconfigure.x, event.xconfigure.y);
        break;
      case ClientMessage:
        if (static_cast<Atom>(event.xclient.data.l[0]) == deleteAtom_) PostMessage(hwnd, WM_CLOSE, 0, 0);
        break;
      default:
        break;
    }
  }
}

}  // namespace

std::optional<SIZE> X11ScreenSize() {
  Connection* connection = Connection::ForCurrentThread();
  if (!connection) return std::nullopt;
  Display* display = connection->display();
  int screen = DefaultScreen(display);
  return SIZE{DisplayWidth(display, screen), DisplayHeight(display, screen)};
}

std::unique_ptr<NativeWindow> CreateX11Window(HWND hwnd, const std::wstring& title, const RECT& rect) {
  Connection* connection = Connection::ForCurrentThread();
  if (!connection) return nullptr;
  return std::make_unique<X11Window>(*connection, hwnd, title, rect);
}

}  // namespace DuiLib
