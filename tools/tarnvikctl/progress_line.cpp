#include "progress_line.h"

#include <cstdio>

#include "app/size_text.h"
#include "platform/codepage.h"

namespace tarnvikctl {
namespace {

std::string DurationText(int64_t seconds) {
  char text[32];
  std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", static_cast<long long>(seconds / 3600),
                static_cast<long long>(seconds / 60 % 60), static_cast<long long>(seconds % 60));
  return text;
}

}  // namespace

std::string ByteText(int64_t bytes) {
  char text[32];
  if (bytes >= (int64_t{1} << 30)) {
    std::snprintf(text, sizeof text, "%.2f GB", static_cast<double>(bytes) / (int64_t{1} << 30));
  } else {
    std::snprintf(text, sizeof text, "%.1f MB", static_cast<double>(bytes) / (int64_t{1} << 20));
  }
  return text;
}

std::string ProgressLine(double percent, int64_t done, int64_t total, int64_t bytesPerSecond) {
  constexpr int kWidth = 30;
  const int filled = percent <= 0 ? 0 : percent >= 100 ? kWidth : static_cast<int>(percent * kWidth / 100);
  const std::string bar = "[" + std::string(filled, '#') + std::string(kWidth - filled, '.') + "]";
  const std::string left = done >= total          ? "done"
                           : bytesPerSecond > 0 ? DurationText((total - done) / bytesPerSecond) + " left"
                                                : "--:--:-- left";
  char line[256];
  std::snprintf(line, sizeof line, "%6.2f%% %s %s / %s  %s  %s", percent, bar.c_str(), ByteText(done).c_str(),
                ByteText(total).c_str(), platform::WideToUtf8(SpeedText(bytesPerSecond)).c_str(), left.c_str());
  return line;
}

void ProgressPrinter::Progress(const std::string& line) {
  if (terminal_) {
    std::printf("\r%s\033[K", line.c_str());
    open_ = true;
  } else {
    std::printf("%s\n", line.c_str());
  }
  std::fflush(stdout);
}

void ProgressPrinter::Line(const std::string& line) {
  EndProgress();
  std::printf("%s\n", line.c_str());
  std::fflush(stdout);
}

void ProgressPrinter::EndProgress() {
  if (open_) std::printf("\n");
  open_ = false;
}

}  // namespace tarnvikctl
