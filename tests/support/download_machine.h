#pragma once
// A temporary simulated machine with the download library beside the program
// (D:\Tarnvik\xldl.dll), named in TARNVIK_MACHINE as the library expects. The global
// parameters and the download engine built on it are dropped with it.

#include <string>

#include "support/temp_machine.h"

namespace testing_support {

class DownloadMachine : public TempMachine {
 public:
  explicit DownloadMachine(const Json::Value& machineJson = MinimalMachine(), bool withLibrary = true);
  ~DownloadMachine();

  // The host file of a Windows path's file, read whole; empty when missing.
  std::string ReadHostFile(const std::wstring& windowsPath);
  bool HostFileExists(const std::wstring& windowsPath);
};

}  // namespace testing_support
