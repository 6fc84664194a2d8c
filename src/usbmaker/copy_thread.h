#pragma once
// The program copy's worker: copies a folder (or one file) to another place in pieces of
// 4096 bytes, reporting the total before it starts, the progress as it goes and the end
// of a copy that was not stopped.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>

#include "app/message_target.h"
#include "app/thread_base.h"

class CCopyThread : public CThreadBase {
 public:
  static constexpr std::chrono::milliseconds kStopWait{300};
  static constexpr size_t kChunkBytes = 4096;
  // 3129 goes out after every this many chunks, counted across the files.
  static constexpr uint64_t kChunksPerProgress = 101;

  // Both paths are trimmed of blanks and get backslashes for slashes. `window` (may be
  // null) receives 3128, 3129 and 3130 and outlives the worker.
  CCopyThread(std::wstring sourcePath, std::wstring targetPath, IMessageTarget* window);
  // Stops the copy after the chunk in hand.
  ~CCopyThread() override;

  void Run() override;

  std::wstring sourcePath;
  std::wstring targetPath;
  std::atomic<uint64_t> totalBytes{0};
  std::atomic<uint64_t> copiedBytes{0};
  IMessageTarget* const window;

 private:
  // Copies one file; false when the copy was stopped in it.
  bool CopyOne(const std::wstring& file, uint64_t& chunks);
};
