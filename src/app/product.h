#pragma once

// The product title: the main window's title and the first log line.
inline constexpr const wchar_t* kProductTitle = L"Tarnvik";
