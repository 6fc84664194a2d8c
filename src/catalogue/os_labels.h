#pragma once
// What the user is told about systems: the label of the running Windows and the short
// label of the system the program recommends.

#include <string>

// The family of the running Windows from its product name, with its bitness unless it
// is Windows XP ("Win10 64位", "Windows XP", "其他系统32位").
std::wstring CurrentOsLabel();

// The short label of the recommended system for a machine text ("Win7 64位 旗舰版" gives
// "Win7 64位 ").
std::wstring RecommendLabel(const std::wstring& machineText);
