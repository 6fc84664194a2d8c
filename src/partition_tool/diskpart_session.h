// Running one diskpart script through Molvane's work files.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace molvane {

class DiskpartSession {
 public:
  // systemDirectory holds diskpart.exe; the work files go to workFolder (the program's own).
  DiskpartSession(std::filesystem::path systemDirectory, std::filesystem::path workFolder);

  // Writes the script to ctemp.txt and the command line to ctemp_bat.bat, runs the batch
  // file and returns the lines diskpart wrote to cout.txt. Nothing on any failure.
  std::optional<std::vector<std::wstring>> Run(const std::wstring& script) const;

 private:
  std::filesystem::path diskpart_;
  std::filesystem::path scriptFile_;
  std::filesystem::path batchFile_;
  std::filesystem::path outputFile_;
};

}  // namespace molvane
