#pragma once
// The downloaded WinPE component as the install and the USB maker use it: the ISO, the
// WIM extracted beside it, and the title of the WinPE's boot entry. Process-wide; set
// before a job starts and read by its worker.

#include <string>

// Where the WIM lies inside the WinPE ISO.
inline constexpr wchar_t kWimPathInIso[] = L"WEPE\\WEPE64.WIM";

// peIsoPath = the component file, peWimPath = its folder followed by "WEPE64.WIM". False
// for no path, and for a path longer than 259 characters, which the tools' path buffers
// cannot hold; both paths are then empty, so that no earlier component is taken for it.
bool SetPeComponentPaths(const std::wstring& componentPath);
std::wstring peIsoPath();
std::wstring peWimPath();

// The title of the WinPE boot entry: "PRLM-10PE-1.0" until the USB maker sets its own. At
// most 63 characters; a longer title is cut there.
std::wstring peLabel();
void SetPeLabel(const std::wstring& label);
