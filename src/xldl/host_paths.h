#pragma once
// Where the Windows paths of the records lie on the file system the library writes to.

#include <filesystem>
#include <optional>
#include <string>

namespace xldl {

// The file a Windows path ("D:\\Tarnvik\\gho-prlm\\a.iso") stands for, or nothing when
// the path cannot be placed. On Linux the library runs inside a process on a simulated
// machine, named by the environment variable TARNVIK_MACHINE, and the path is resolved
// as that machine resolves it.
std::optional<std::filesystem::path> HostPathOf(const std::u16string& windowsPath);

}  // namespace xldl
