#pragma once
// The common base of the program's windows: a skinned window whose skin file path (a skin
// sub-folder and a file name, relative to the program folder) is given by the window.

#include "skin/window_impl_base.h"

// How every top-level window of the program is created: visible overlapped window with
// a window edge, default place and size (the skin gives the size).
inline constexpr DuiLib::DWORD kProgramWindowStyle = 0x10CF0000;
inline constexpr DuiLib::DWORD kProgramWindowExStyle = 0x100;
// What every window's InitWindow takes away: no maximise box, no sizing frame.
inline constexpr DuiLib::DWORD kNoMaximiseNoSizing = 0x50000;

// The title of the program's dialogs and message boxes: "Tarnvik" followed by "弹窗".
std::wstring DialogTitle();

class CXMLWnd : public DuiLib::WindowImplBase {
 public:
  explicit CXMLWnd(const DuiLib::CDuiString& skinFile) : skinFile(skinFile) {}

  // Create with the program's creation parameters.
  DuiLib::HWND CreateProgramWindow(DuiLib::HWND owner, const std::wstring& title);

 protected:
  DuiLib::LPCTSTR GetWindowClassName() const override { return L"XMLWnd"; }
  DuiLib::CDuiString GetSkinFile() override { return skinFile; }
  DuiLib::CDuiString GetSkinFolder() override { return L""; }
  // The first step of every concrete window's InitWindow: style fix-up and centring.
  void ApplyWindowConvention();
  // A control of the skin by name, as the class the caller expects; null when missing.
  template <typename T>
  T* Find(const wchar_t* name) {
    return dynamic_cast<T*>(m_PaintManager.FindControl(name));
  }

  DuiLib::CDuiString skinFile;
};
