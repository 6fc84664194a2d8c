#pragma once
// One download task: a URL fetched into a target file on a thread of its own, with its
// partial data kept beside the target between runs.

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>

#include "xldl/partial_store.h"
#include "xldl/speed_meter.h"
#include "xldl/xldl.h"

namespace xldl {

struct TaskProgress {
  int32_t state = kXlStateStopped;
  int64_t totalSize = 0;
  int64_t downloadedSize = 0;
  float fraction = 0;
  int64_t speed = 0;
};

class TransferTask {
 public:
  TransferTask(std::string url, std::filesystem::path target, std::u16string fileName, bool resume);
  ~TransferTask();  // stops the transfer and waits for its thread

  const std::filesystem::path& target() const { return target_; }
  const std::u16string& fileName() const { return fileName_; }
  // Running or winding down: its thread may still write the partial data.
  bool IsActive() const;

  // Starts a transfer unless one runs; a complete task stays complete.
  void Start();
  // Asks a running transfer to end; its state turns to stopped once its thread is done.
  void Stop();
  TaskProgress Progress() const;

 private:
  enum class Outcome { Complete, Stopped, Failed, RetryFromZero };
  struct Attempt;

  void Run();
  Outcome Fetch(int64_t offset, const PartialInfo& stored);
  Outcome Conclude(Attempt& attempt, bool finished, int result);

  const std::string url_;
  const std::filesystem::path target_;
  const std::u16string fileName_;
  const bool resume_;
  const PartialStore store_;

  std::atomic<int32_t> state_{kXlStateStopped};
  std::atomic<bool> stopRequested_{false};
  std::atomic<int64_t> downloaded_{0};
  std::atomic<int64_t> total_{-1};
  SpeedMeter speed_;

  std::mutex wakeLock_;  // guards multi_, through which Stop wakes the transfer loop
  void* multi_ = nullptr;
  std::thread thread_;
};

}  // namespace xldl
