#pragma once
// One file copy on a thread of its own, with its figures readable from other threads
// while it runs and a cancel that ends it at the next chunk.

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>

#include "app/event.h"

class FileCopier {
 public:
  // Called on the copy thread after each chunk.
  using ProgressCallback = std::function<void()>;

  FileCopier(std::wstring source, std::wstring destination, ProgressCallback onProgress);
  FileCopier(const FileCopier&) = delete;
  FileCopier& operator=(const FileCopier&) = delete;
  // Stop().
  ~FileCopier();

  // Starts the copy once; `finished` is set when it has ended.
  void Start();
  // Asks the copy to end at its next chunk; a target left incomplete is removed.
  void Cancel() { cancel = true; }
  // Cancel(), then waits for the copy thread and drops the callback.
  void Stop();

  Event& Finished() { return finished; }
  // Whether the copy succeeded; meaningful once `finished` is set.
  bool Result() const { return result; }
  uint64_t FileSize() const { return fileSize; }
  uint64_t BytesDone() const { return bytesDone; }

  const std::wstring source;
  const std::wstring destination;

 private:
  void Copy();

  ProgressCallback onProgress;
  std::atomic<uint64_t> fileSize{0};
  std::atomic<uint64_t> bytesDone{0};
  std::atomic<bool> cancel{false};
  std::atomic<bool> result{false};
  Event finished{Event::Mode::ManualReset};
  std::thread thread;
};
