// Windows: the real system folder, the shell's execute-with-info call and code page 936.
#include <windows.h>
#include <objbase.h>
#include <shellapi.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>

#include "platform_shim.h"

namespace molvane::platform {
namespace {

bool IsWow64() {
  BOOL wow64 = FALSE;
  return IsWow64Process(GetCurrentProcess(), &wow64) && wow64;
}

std::wstring WindowsFolder() {
  wchar_t folder[MAX_PATH];
  const UINT length = GetWindowsDirectoryW(folder, MAX_PATH);
  return length > 0 && length < MAX_PATH ? std::wstring(folder, length) : std::wstring();
}

}  // namespace

std::vector<std::wstring> CommandLineArguments(int, char**) {
  std::vector<std::wstring> arguments;
  int count = 0;
  wchar_t** words = CommandLineToArgvW(GetCommandLineW(), &count);
  if (words == nullptr) return arguments;
  for (int i = 0; i < count; ++i) arguments.emplace_back(words[i]);
  LocalFree(words);
  return arguments;
}

std::optional<std::filesystem::path> SystemDirectory() {
  // A 32-bit program on 64-bit Windows is shown SysWOW64 for System32, which holds no
  // diskpart.exe; the alias Sysnative reaches the real System32, for this process and for
  // the 32-bit cmd that runs the batch file alike.
  if (IsWow64()) {
    const std::wstring native = WindowsFolder() + L"\\Sysnative";
    const DWORD attributes = GetFileAttributesW(native.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
      return std::filesystem::path(native);
    }
  }
  wchar_t folder[MAX_PATH];
  const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return std::nullopt;
  return std::filesystem::path(std::wstring(folder, length));
}

std::filesystem::path ProgramPath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length < path.size()) {
      path.resize(length);
      return path;
    }
    path.resize(path.size() * 2);
  }
}

std::string WideToCp936(const std::wstring& text) {
  if (text.empty()) return {};
  const int size = WideCharToMultiByte(936, 0, text.data(), static_cast<int>(text.size()), nullptr,
                                       0, nullptr, nullptr);
  std::string bytes(size, '\0');
  WideCharToMultiByte(936, 0, text.data(), static_cast<int>(text.size()), bytes.data(), size,
                      nullptr, nullptr);
  return bytes;
}

std::wstring Cp936ToWide(const std::string& bytes) {
  if (bytes.empty()) return {};
  const int size =
      MultiByteToWideChar(936, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
  std::wstring text(size, L'\0');
  MultiByteToWideChar(936, 0, bytes.data(), static_cast<int>(bytes.size()), text.data(), size);
  return text;
}

bool WriteCp936TextFile(const std::filesystem::path& file, const std::wstring& text) {
  // Text mode: the C runtime writes each LF as CR LF.
  FILE* out = _wfopen(file.c_str(), L"wt");
  if (out == nullptr) return false;
  const std::string bytes = WideToCp936(text);
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size();
  return std::fclose(out) == 0 && written;
}

bool RunBatchHiddenAndWait(const std::filesystem::path& batchFile) {
  const std::wstring file = batchFile.wstring();
  SHELLEXECUTEINFOW info{};
  info.cbSize = sizeof info;
  info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
  info.lpVerb = L"open";
  info.lpFile = file.c_str();
  info.lpParameters = L"";
  info.nShow = SW_HIDE;
  // The shell may hand the start to its extensions, which want COM.
  const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
  const bool started = ShellExecuteExW(&info) && info.hProcess != nullptr;
  if (started) {
    WaitForSingleObject(info.hProcess, INFINITE);
    CloseHandle(info.hProcess);
  }
  if (SUCCEEDED(com)) CoUninitialize();
  return started;
}

void PrintToConsole(const std::string& bytes) {
  _setmode(_fileno(stdout), _O_BINARY);
  std::fwrite(bytes.data(), 1, bytes.size(), stdout);
  std::fflush(stdout);
}

}  // namespace molvane::platform
