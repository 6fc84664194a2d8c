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

// Why the last run failed or a start was refused.
struct TaskFailure {
  XldlErrorKind kind = kXldlNoError;
  std::string reason;  // UTF-8
};

// Partial data shorter than this is fetched again whole; a resume asks for this many
// bytes before the end of the partial data again and starts over unless they match.
constexpr int64_t kResumeOverlap = 16 << 10;

class TransferTask {
 public:
  // `displayName` names the target in failure reasons, as the caller knows it.
  TransferTask(std::string url, std::filesystem::path target, std::u16string fileName, std::string displayName,
               bool resume);
  ~TransferTask();  // stops the transfer and waits for its thread

  const std::filesystem::path& target() const { return target_; }
  const std::u16string& fileName() const { return fileName_; }
  // Running or winding down: its thread may still write the partial data.
  bool IsActive() const;

  // Starts a transfer unless one runs; a complete task stays complete. False when the
  // partial data cannot be had for this transfer alone (another transfer holds it).
  bool Start();
  // Asks a running transfer to end; its state turns to stopped once its thread is done.
  void Stop();
  TaskProgress Progress() const;
  TaskFailure Failure() const;

 private:
  enum class Outcome { Complete, Stopped, Failed, RetryFromZero };
  struct Attempt;

  void Run();
  Outcome Transfer();
  Outcome Fetch(int64_t offset, const PartialInfo& stored);
  Outcome Conclude(Attempt& attempt, bool finished, int result);
  Outcome MoveIntoPlace();
  Outcome Fail(XldlErrorKind kind, std::string reason);

  const std::string url_;
  const std::filesystem::path target_;
  const std::u16string fileName_;
  const std::string displayName_;
  const bool resume_;
  const PartialStore store_;
  LockedData data_;  // held from Start until the run ends

  std::atomic<int32_t> state_{kXlStateStopped};
  std::atomic<bool> stopRequested_{false};
  std::atomic<int64_t> downloaded_{0};
  std::atomic<int64_t> total_{-1};
  SpeedMeter speed_;

  std::mutex wakeLock_;  // guards multi_, through which Stop wakes the transfer loop
  void* multi_ = nullptr;
  std::thread thread_;

  mutable std::mutex failureLock_;
  TaskFailure failure_;
};

}  // namespace xldl
