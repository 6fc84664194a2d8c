#pragma once
// The plain types, message numbers and style bits of the skinned-window library. They
// keep the numbers the program's windows exchange (messages such as 3024 travel as they
// are), so window code reads the same on every platform.

#include <cstdint>
#include <string>

namespace DuiLib {

using CDuiString = std::wstring;
using LPCTSTR = const wchar_t*;
using UINT = unsigned int;
using DWORD = uint32_t;
using BYTE = uint8_t;
using WPARAM = uintptr_t;
using LPARAM = intptr_t;
using LRESULT = intptr_t;
using UINT_PTR = uintptr_t;

struct WindowRecord;
using HWND = WindowRecord*;
using HMENU = void*;

struct POINT {
  int x = 0, y = 0;
};
struct SIZE {
  int cx = 0, cy = 0;
};
struct RECT {
  int left = 0, top = 0, right = 0, bottom = 0;
  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
  bool Contains(POINT p) const { return p.x >= left && p.x < right && p.y >= top && p.y < bottom; }
  bool IsEmpty() const { return right <= left || bottom <= top; }
  bool operator==(const RECT&) const = default;
};
RECT Intersect(const RECT& a, const RECT& b);

// Window messages.
inline constexpr UINT WM_CREATE = 0x0001;
inline constexpr UINT WM_DESTROY = 0x0002;
inline constexpr UINT WM_SIZE = 0x0005;
inline constexpr UINT WM_CLOSE = 0x0010;
inline constexpr UINT WM_KEYDOWN = 0x0100;
inline constexpr UINT WM_TIMER = 0x0113;
inline constexpr UINT WM_MOUSEMOVE = 0x0200;
inline constexpr UINT WM_LBUTTONDOWN = 0x0201;
inline constexpr UINT WM_LBUTTONUP = 0x0202;
inline constexpr UINT WM_RBUTTONDOWN = 0x0204;
inline constexpr UINT WM_MOUSEWHEEL = 0x020A;
inline constexpr UINT WM_MOUSELEAVE = 0x02A3;
inline constexpr UINT WM_USER = 0x0400;

inline constexpr UINT VK_ESCAPE = 0x1B;
inline constexpr UINT VK_RETURN = 0x0D;

// Window styles.
inline constexpr DWORD WS_OVERLAPPED = 0x00000000;
inline constexpr DWORD WS_MAXIMIZEBOX = 0x00010000;
inline constexpr DWORD WS_MINIMIZEBOX = 0x00020000;
inline constexpr DWORD WS_THICKFRAME = 0x00040000;
inline constexpr DWORD WS_SYSMENU = 0x00080000;
inline constexpr DWORD WS_CAPTION = 0x00C00000;
inline constexpr DWORD WS_DISABLED = 0x08000000;
inline constexpr DWORD WS_VISIBLE = 0x10000000;
inline constexpr DWORD WS_CHILD = 0x40000000;
inline constexpr DWORD WS_EX_WINDOWEDGE = 0x00000100;
inline constexpr int CW_USEDEFAULT = static_cast<int>(0x80000000);

// Text formats of labels and of the renderer.
inline constexpr UINT DT_LEFT = 0x0000;
inline constexpr UINT DT_CENTER = 0x0001;
inline constexpr UINT DT_RIGHT = 0x0002;
inline constexpr UINT DT_TOP = 0x0000;
inline constexpr UINT DT_VCENTER = 0x0004;
inline constexpr UINT DT_BOTTOM = 0x0008;
inline constexpr UINT DT_WORDBREAK = 0x0010;
inline constexpr UINT DT_SINGLELINE = 0x0020;
inline constexpr UINT DT_END_ELLIPSIS = 0x8000;

// Notification types the windows react to.
inline constexpr const wchar_t* DUI_MSGTYPE_CLICK = L"click";
inline constexpr const wchar_t* DUI_MSGTYPE_SELECTCHANGED = L"selectchanged";
inline constexpr const wchar_t* DUI_MSGTYPE_ITEMSELECT = L"itemselect";

}  // namespace DuiLib
