#pragma once
// Filling and reading the records the download library exchanges.

#include <string>
#include <string_view>

#include "xldl/xldl.h"

// The program's wide text as the library's UTF-16, and back.
std::u16string ToUtf16(std::wstring_view text);
std::wstring FromUtf16(std::u16string_view text);

// A zeroed task record with the preset values and the three strings; false when a string
// does not fit its field (the record is then not to be passed on).
bool FillTaskParam(XlTaskParam& param, const std::wstring& url, const std::wstring& fileName,
                   const std::wstring& saveDir);
// A zeroed progress record with the preset values, as every query starts from.
void PresetTaskInfo(XlTaskInfo& info);
// The file name the library wrote into a progress record.
std::wstring InfoFileName(const XlTaskInfo& info);
