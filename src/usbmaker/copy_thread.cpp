#include "usbmaker/copy_thread.h"

#include <boost/algorithm/string/replace.hpp>
#include <boost/algorithm/string/trim.hpp>
#include <utility>
#include <vector>

#include "app/directory_tree.h"
#include "app/file_size.h"
#include "app/file_tree.h"
#include "app/log.h"
#include "app/text_helpers.h"
#include "platform/platform.h"
#include "usbmaker/usb_messages.h"

namespace {

std::wstring Normalised(std::wstring path) {
  boost::algorithm::trim(path);
  boost::algorithm::replace_all(path, L"/", L"\\");
  return path;
}

void DropOneBackslash(std::wstring& path) {
  if (!path.empty() && path.back() == L'\\') path.pop_back();
}

}  // namespace

CCopyThread::CCopyThread(std::wstring sourcePath, std::wstring targetPath, IMessageTarget* window)
    : sourcePath(Normalised(std::move(sourcePath))), targetPath(Normalised(std::move(targetPath))), window(window) {}

CCopyThread::~CCopyThread() {
  RequestStop();
  StopThread(kStopWait);
}

void CCopyThread::Run() {
  platform::Files& files = platform::Current().files();
  std::vector<std::wstring> list;
  int64_t total = 0;
  if (files.DirectoryExists(sourcePath)) {
    CollectFiles(sourcePath, list, total);
  } else if (auto size = FileSizeOf(sourcePath)) {
    list.push_back(sourcePath);
    total = *size;
    if (!targetPath.empty() && targetPath.back() == L'\\') {
      targetPath += sourcePath.substr(sourcePath.find_last_of(L'\\') + 1);
    }
  } else {
    return;
  }
  totalBytes = static_cast<uint64_t>(total);
  DropOneBackslash(sourcePath);
  DropOneBackslash(targetPath);

  if (window != nullptr) window->Send(kMsgProgramCopyTotal, PageUnits(totalBytes), 0);
  uint64_t chunks = 0;
  for (const std::wstring& file : list) {
    if (StopRequested() || !CopyOne(file, chunks)) return;
  }
  if (window != nullptr) window->Post(kMsgProgramCopyDone, 0, 0);
}

bool CCopyThread::CopyOne(const std::wstring& file, uint64_t& chunks) {
  platform::Files& files = platform::Current().files();
  std::unique_ptr<platform::OpenFile> in = files.OpenFileForReading(file);
  if (!in) {
    // Left out without a word to the user: the copy goes on with what it can read.
    LogLine(WideToLocal(L"copy skips unreadable " + file));
    return true;
  }
  // The files are those below sourcePath: only their start is replaced.
  const std::wstring target = targetPath + file.substr(sourcePath.size());
  const std::wstring folder = target.substr(0, target.find_last_of(L'\\'));
  if (!files.DirectoryExists(folder)) CreateDirectoryTree(folder);
  std::unique_ptr<platform::OpenFile> out = files.CreateFileForWriting(target);

  char buffer[kChunkBytes];
  for (;;) {
    if (StopRequested()) return false;
    std::optional<size_t> got = in->Read(buffer, sizeof buffer);
    if (!got || *got == 0) return true;
    if (out) out->Write(buffer, *got);
    copiedBytes += *got;
    if (++chunks % kChunksPerProgress == 0 && window != nullptr) {
      window->Post(kMsgProgramCopyProgress, PageUnits(copiedBytes), 0);
    }
  }
}
