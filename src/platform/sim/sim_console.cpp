#include <cstdio>
#include <fstream>

#include "platform/codepage.h"
#include "platform/sim/sim_services.h"

namespace sim {

// The console is this process's terminal, which reads UTF-8; the log's narrow text is
// code page 936, as a Chinese Windows console shows it.
bool SimConsole::Open(const std::wstring& title) {
  std::lock_guard lock(lock_);
  std::ofstream(machine_.StateFile("console.txt"), std::ios::trunc) << platform::WideToUtf8(title) << "\n";
  open_ = true;
  return true;
}

void SimConsole::WriteLine(const std::string& narrowText) { Write(narrowText + "\n"); }

void SimConsole::Write(const std::string& narrowText) {
  std::lock_guard lock(lock_);
  if (!open_) return;
  std::string text = platform::WideToUtf8(platform::CodePage936ToWide(narrowText));
  std::fwrite(text.data(), 1, text.size(), stdout);
  std::fflush(stdout);
}

}  // namespace sim
