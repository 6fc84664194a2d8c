#include "support/download_machine.h"

#include <stdlib.h>

#include <fstream>
#include <sstream>

#include "app/global_param.h"
#include "download/thunder.h"

namespace testing_support {

DownloadMachine::DownloadMachine(const Json::Value& machineJson, bool withLibrary) : TempMachine(machineJson) {
  if (withLibrary) {
    std::filesystem::path library = HostPath(L"D:\\Tarnvik\\xldl.dll");
    std::filesystem::create_directories(library.parent_path());
    std::filesystem::copy_file(TARNVIK_BIN_DIR "/libxldl.so", library);
  }
  setenv("TARNVIK_MACHINE", folder().c_str(), 1);
}

DownloadMachine::~DownloadMachine() {
  CThunder::Release();
  CGlobalParam::Release();
  unsetenv("TARNVIK_MACHINE");
}

std::string DownloadMachine::ReadHostFile(const std::wstring& windowsPath) {
  std::ifstream in(HostPath(windowsPath), std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

bool DownloadMachine::HostFileExists(const std::wstring& windowsPath) {
  return std::filesystem::exists(HostPath(windowsPath));
}

}  // namespace testing_support
