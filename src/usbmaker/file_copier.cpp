#include "usbmaker/file_copier.h"

#include <utility>

#include "platform/platform.h"

FileCopier::FileCopier(std::wstring source, std::wstring destination, ProgressCallback onProgress)
    : source(std::move(source)), destination(std::move(destination)), onProgress(std::move(onProgress)) {}

FileCopier::~FileCopier() { Stop(); }

void FileCopier::Start() {
  if (!thread.joinable()) thread = std::thread(&FileCopier::Copy, this);
}

void FileCopier::Stop() {
  Cancel();
  // The copy looks at the cancel flag after every chunk, so the thread ends soon.
  if (thread.joinable()) thread.join();
  onProgress = nullptr;
}

void FileCopier::Copy() {
  const uint32_t error = platform::Current().files().CopyFileEx(source, destination, [this](int64_t copied, int64_t total) {
    fileSize = static_cast<uint64_t>(total);
    bytesDone = static_cast<uint64_t>(copied);
    if (onProgress) onProgress();
    return !cancel;
  });
  result = error == platform::kErrorSuccess;
  finished.Set();
}
