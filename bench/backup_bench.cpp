// The backup's copy against `cp -r` of the same tree, on a simulated machine: many small
// files in a few dozen folders and a few large ones. Prints both times and their ratio
// (cp's time over the backup's; the goal is at least 0.9). Run by hand:
//   build/bin/backup_bench [small files] [large files] [MiB each large file]

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "app/global_param.h"
#include "reinstall/backup_thread.h"
#include "reinstall/reinstall_controller.h"
#include "support/temp_machine.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

// Each run copies into a folder of its own: creating files where many were just deleted
// costs ext4 more, and would weigh on whichever copy comes after the removal.
double TimeCp(const fs::path& from, const fs::path& to) {
  fs::create_directories(to.parent_path());
  const std::string command = "cp -r '" + from.string() + "' '" + to.string() + "'";
  ::sync();  // the dirty pages of the run before are not this run's to write
  const auto start = Clock::now();
  if (std::system(command.c_str()) != 0) std::fprintf(stderr, "backup_bench: %s failed\n", command.c_str());
  return Seconds(start);
}

double TimeBackup(ReinstallController& controller, const std::wstring& target) {
  controller.SetBackupDir(target);
  ::sync();
  const auto start = Clock::now();
  if (!controller.StartBackup(ReinstallController::kBackupDesktop)) {
    std::fprintf(stderr, "backup_bench: the backup did not start\n");
    return 0;
  }
  while (!controller.backupIdle) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  const double seconds = Seconds(start);
  controller.backupWorker.reset();
  return seconds;
}

}  // namespace

int main(int argc, char** argv) {
  const int smallFiles = argc > 1 ? std::atoi(argv[1]) : 4000;
  const int largeFiles = argc > 2 ? std::atoi(argv[2]) : 4;
  const int largeMiB = argc > 3 ? std::atoi(argv[3]) : 64;

  Json::Value json = testing_support::MinimalMachine();
  json["disks"][1]["partitions"][0]["freeBytes"] = Json::Int64(100) << 30;  // D:, the program's and the backup's
  testing_support::TempMachine machine(json);
  CGlobalParam::Instance();
  for (int i = 0; i < smallFiles; ++i) {
    machine.WriteFile(L"C:\\Users\\A\\Desktop\\folder" + std::to_wstring(i % 40) + L"\\file" + std::to_wstring(i) +
                          L".txt",
                      std::string(512 + (i * 37) % 8192, static_cast<char>('a' + i % 26)));
  }
  for (int i = 0; i < largeFiles; ++i) {
    machine.WriteFile(L"C:\\Users\\A\\Desktop\\large" + std::to_wstring(i) + L".bin",
                      std::string(static_cast<size_t>(largeMiB) << 20, static_cast<char>(i)));
  }
  const fs::path source = machine.HostPath(L"C:\\Users\\A\\Desktop");
  ReinstallController controller;
  constexpr int kRounds = 8;
  std::vector<double> cp, backup;
  for (int round = 0; round < kRounds; ++round) {
    const std::wstring n = std::to_wstring(round);
    // Alternating which goes first, so that neither always meets the file system the other left.
    if (round % 2 == 0) cp.push_back(TimeCp(source, machine.HostPath(L"D:\\cp" + n + L"\\Desktop")));
    backup.push_back(TimeBackup(controller, L"D:\\beifenshuju" + n));
    if (round % 2 == 1) cp.push_back(TimeCp(source, machine.HostPath(L"D:\\cp" + n + L"\\Desktop")));
  }
  // Medians: a virtual disk's write-back makes single runs swing both ways.
  auto median = [](std::vector<double> times) {
    std::sort(times.begin(), times.end());
    return (times[times.size() / 2 - 1] + times[times.size() / 2]) / 2;
  };
  std::printf("%d small files, %d large files of %d MiB, median of %d runs each\n", smallFiles, largeFiles, largeMiB,
              kRounds);
  std::printf("cp -r:  %.3f s\nbackup: %.3f s\nratio (cp / backup): %.2f (goal at least 0.9)\n", median(cp),
              median(backup), median(cp) / median(backup));
  CGlobalParam::Release();
  return 0;
}
