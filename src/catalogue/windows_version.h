#pragma once
// Values of HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows NT\CurrentVersion.

#include <optional>
#include <string>

// A string value of the key, or nothing when the key or the value cannot be read.
std::optional<std::wstring> ReadCurrentVersionValue(const std::wstring& name);

// The Chinese name of the running edition from "EditionID"; empty for an unknown one.
std::wstring EditionName();

// Whether the running process is a 32-bit process on 64-bit Windows; false also when
// the system cannot tell.
bool RunsUnderWow64();
