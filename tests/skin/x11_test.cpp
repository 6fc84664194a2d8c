// A real X window under Xvfb, clicked with xdotool: the display path end to end.

#include <gtest/gtest.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <string>
#include <vector>

#include "skin/skin.h"
#include "support/run_program.h"
#include "support/skin_machine.h"
#include "support/test_window.h"
#include "ui/msg_box.h"

// Last: Xlib's macros would clash with the headers above.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

extern char** environ;

namespace {

using namespace DuiLib;
using testing_support::UiThread;

bool OnPath(const std::string& program) {
  const char* path = std::getenv("PATH");
  std::string dirs = path ? path : "/usr/bin:/bin";
  size_t start = 0;
  while (start <= dirs.size()) {
    size_t end = dirs.find(':', start);
    std::string dir = dirs.substr(start, end == std::string::npos ? std::string::npos : end - start);
    if (access((dir + "/" + program).c_str(), X_OK) == 0) return true;
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return false;
}

// An X server of its own for the test; the server picks a free display number itself and
// writes it to a pipe, so tests running side by side never race for one.
class Xvfb {
 public:
  explicit Xvfb(const std::string& screen = "1920x1080x24") {
    int fds[2];
    if (pipe(fds) != 0) return;
    fcntl(fds[0], F_SETFD, FD_CLOEXEC);
    std::string fd = std::to_string(fds[1]);
    const char* argv[] = {"Xvfb", "-displayfd", fd.c_str(), "-screen", "0", screen.c_str(), "-nolisten", "tcp", nullptr};
    bool spawned = posix_spawnp(&pid_, "Xvfb", nullptr, nullptr, const_cast<char**>(argv), environ) == 0;
    close(fds[1]);
    if (!spawned) {
      pid_ = 0;
      close(fds[0]);
      return;
    }
    // The number arrives once the server takes connections; it may also fail to start at all.
    std::string number;
    pollfd reader{fds[0], POLLIN, 0};
    char c = 0;
    while (poll(&reader, 1, 10000) == 1 && read(fds[0], &c, 1) == 1 && c != '\n') number += c;
    close(fds[0]);
    if (c == '\n' && !number.empty()) display_ = ":" + number;
  }
  ~Xvfb() {
    if (pid_ > 0) {
      kill(pid_, SIGTERM);
      waitpid(pid_, nullptr, 0);
    }
  }
  const std::string& display() const { return display_; }

 private:
  pid_t pid_ = 0;
  std::string display_;
};

// The colour the screen shows at a point, read back from the X server.
uint32_t ScreenPixel(const std::string& display, int x, int y) {
  Display* dpy = XOpenDisplay(display.c_str());
  if (!dpy) return 0;
  XImage* image = XGetImage(dpy, DefaultRootWindow(dpy), x, y, 1, 1, AllPlanes, ZPixmap);
  uint32_t pixel = image ? static_cast<uint32_t>(XGetPixel(image, 0, 0)) : 0;
  if (image) XDestroyImage(image);
  XCloseDisplay(dpy);
  return pixel & 0xFFFFFF;
}

// A top-level window on the server as the window manager sees it: its UTF-8 name and
// where it lies on the screen.
struct ScreenWindow {
  std::string name;
  RECT rect;
};

std::vector<ScreenWindow> MappedWindows(const std::string& display) {
  std::vector<ScreenWindow> found;
  Display* dpy = XOpenDisplay(display.c_str());
  if (!dpy) return found;
  Atom netWmName = XInternAtom(dpy, "_NET_WM_NAME", False);
  Atom utf8 = XInternAtom(dpy, "UTF8_STRING", False);
  Window root, parent;
  Window* children = nullptr;
  unsigned int count = 0;
  XQueryTree(dpy, DefaultRootWindow(dpy), &root, &parent, &children, &count);
  for (unsigned int i = 0; i < count; ++i) {
    XWindowAttributes attrs;
    if (!XGetWindowAttributes(dpy, children[i], &attrs) || attrs.map_state != IsViewable) continue;
    Atom type = 0;
    int format = 0;
    unsigned long items = 0, after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(dpy, children[i], netWmName, 0, 1024, False, utf8, &type, &format, &items, &after, &data) !=
            Success ||
        type != utf8 || !data) {
      continue;
    }
    found.push_back({std::string(reinterpret_cast<char*>(data), items),
                     RECT{attrs.x, attrs.y, attrs.x + attrs.width, attrs.y + attrs.height}});
    XFree(data);
  }
  if (children) XFree(children);
  XCloseDisplay(dpy);
  return found;
}

// On a screen smaller than the one the skins were drawn for, a centred window is whole on
// it, a window larger than the screen keeps its title band on it; tools read the windows'
// Chinese titles as UTF-8.
TEST(X11, WindowsLieOnASmallScreenAndTellTheirNamesInUtf8) {
  if (!OnPath("Xvfb")) GTEST_SKIP() << "Xvfb is not installed";
  Xvfb server("1024x768x24");
  ASSERT_FALSE(server.display().empty()) << "Xvfb did not start";
  setenv("DISPLAY", server.display().c_str(), 1);
  SetDisplayMode(DisplayMode::X11);
  testing_support::SkinMachine machine;

  UiThread boxThread([] { ShowMsgBox2(nullptr, L"程序正在运行，确定要退出？", L"提示", 0, L"确定", L"取消"); });
  const automation::FoundWindow boxFound = automation::WaitForWindowOfClass(L"XMLWnd");
  ASSERT_TRUE(boxFound) << boxFound.failure;
  HWND box = boxFound.hwnd;
  automation::WaitIdle(box);
  UiThread bigThread([&machine] {
    testing_support::TestWindow big(machine, L"big.xml", testing_support::WindowXml("<Control />", "1200,900"));
    big.Create(nullptr, L"大窗口 big", 0, 0);
    big.CenterWindow();
    big.ShowModal();
  });
  const automation::FoundWindow bigFound = automation::WaitForWindowOfClass(L"TestWindow");
  ASSERT_TRUE(bigFound) << bigFound.failure;
  HWND big = bigFound.hwnd;
  automation::WaitIdle(big);

  // "left,top,right,bottom" of the window of that name, "none" without one. The X server
  // maps a window a little after the program shows it, so the query is repeated for a while.
  auto placeOf = [&](const std::string& name) {
    for (int tries = 0; tries < 100; ++tries) {
      for (const ScreenWindow& w : MappedWindows(server.display())) {
        if (w.name == name) {
          const RECT& r = w.rect;
          return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
                 std::to_string(r.bottom);
        }
      }
      usleep(50 * 1000);
    }
    return std::string("none");
  };
  EXPECT_EQ(placeOf("Tarnvik弹窗"), "274,278,749,490");  // 475 x 212 in the middle of 1024 x 768
  EXPECT_EQ(placeOf("大窗口 big"), "0,0,1200,900");

  PostMessage(big, WM_CLOSE, 0);
  bigThread.Join();
  PostMessage(box, WM_CLOSE, 0);
  boxThread.Join();
  SetDisplayMode(DisplayMode::Headless);
}

TEST(X11, AMessageBoxIsShownAndClickedInARealWindow) {
  if (!OnPath("Xvfb") || !OnPath("xdotool")) GTEST_SKIP() << "Xvfb or xdotool is not installed";
  Xvfb server;
  ASSERT_FALSE(server.display().empty()) << "Xvfb did not start";
  setenv("DISPLAY", server.display().c_str(), 1);
  SetDisplayMode(DisplayMode::X11);

  testing_support::SkinMachine machine;
  std::atomic<int> result{-1};
  testing_support::UiThread ui([&] { result = ShowMsgBox1(nullptr, L"请检查网络是否正确连接！", L"提示", 0, L"确定"); });
  const automation::FoundWindow boxFound = automation::WaitForWindowOfClass(L"XMLWnd");
  ASSERT_TRUE(boxFound) << boxFound.failure;
  HWND box = boxFound.hwnd;
  automation::WaitIdle(box);  // shown and painted
  RECT window;
  ASSERT_TRUE(GetWindowRect(box, &window));
  auto button = automation::Inspect(box, L"btn1");
  ASSERT_TRUE(button);
  int x = window.left + (button->pos.left + button->pos.right) / 2;
  int y = window.top + (button->pos.top + button->pos.bottom) / 2;

  uint32_t shown = ScreenPixel(server.display(), x, y + 10);
  EXPECT_EQ(shown, 0x28c67au) << std::hex << shown << ": the green button is on the screen";

  const testing_support::Outcome click = testing_support::RunProgram(
      {.args = {"xdotool", "mousemove", "--sync", std::to_string(x), std::to_string(y), "click", "1"}});
  ASSERT_EQ(click.exitCode, 0) << click.err;
  ui.Join();
  EXPECT_EQ(result, 1);
  SetDisplayMode(DisplayMode::Headless);
}

}  // namespace
