// The library's entry points: task handles, each bound to one TransferTask, behind one
// lock so that every entry point may be called from any thread.

#include <curl/curl.h>

#include <algorithm>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "xldl/host_paths.h"
#include "xldl/text.h"
#include "xldl/transfer_task.h"
#include "xldl/xldl.h"

namespace xldl {
namespace {

struct Library {
  std::mutex lock;
  bool initialised = false;
  uint32_t nextHandle = 1;
  std::map<uint32_t, std::shared_ptr<TransferTask>> tasks;
};

Library& library() {
  static Library instance;
  return instance;
}

template <size_t N>
std::optional<std::u16string> Field(const char16_t (&field)[N]) {
  return FieldText(field, N);
}

// A name to save as must stay inside its folder.
bool IsPlainFileName(const std::u16string& name) {
  return !name.empty() && name != u"." && name != u".." && name.find_first_of(u"\\/:") == std::u16string::npos;
}

// The target file a record names: its folder joined with its file name.
std::optional<std::filesystem::path> TargetOf(const XlTaskParam& param) {
  auto name = Field(param.fileName);
  auto folder = Field(param.saveDir);
  if (!name || !folder || folder->empty() || !IsPlainFileName(*name)) return std::nullopt;
  std::u16string path = *folder;
  if (path.back() != u'\\' && path.back() != u'/') path += u'\\';
  return HostPathOf(path + *name);
}

std::shared_ptr<TransferTask> Find(Library& lib, uint32_t handle) {
  auto it = lib.tasks.find(handle);
  return it == lib.tasks.end() ? nullptr : it->second;
}

// Another live task writing the same partial data would corrupt it.
bool TargetBusy(Library& lib, const std::filesystem::path& target, const TransferTask* except) {
  return std::any_of(lib.tasks.begin(), lib.tasks.end(), [&](const auto& entry) {
    return entry.second.get() != except && entry.second->IsActive() && entry.second->target() == target;
  });
}

}  // namespace
}  // namespace xldl

using namespace xldl;

XL_EXPORT int32_t XL_CALL XL_Init() {
  Library& lib = library();
  std::lock_guard guard(lib.lock);
  if (!lib.initialised) lib.initialised = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
  return lib.initialised ? 1 : 0;
}

XL_EXPORT int32_t XL_CALL XL_UnInit() {
  Library& lib = library();
  std::map<uint32_t, std::shared_ptr<TransferTask>> ending;
  {
    std::lock_guard guard(lib.lock);
    if (!lib.initialised) return 1;
    ending.swap(lib.tasks);
  }
  for (auto& [handle, task] : ending) task->Stop();  // all at once, then wait for each
  ending.clear();
  std::lock_guard guard(lib.lock);
  curl_global_cleanup();
  lib.initialised = false;
  return 1;
}

XL_EXPORT uint32_t XL_CALL XL_CreateTask(const XlTaskParam* param) {
  if (param == nullptr) return 0;
  auto url = Field(param->url);
  auto name = Field(param->fileName);
  auto target = TargetOf(*param);
  if (!url || url->empty() || url->find_first_of(u"\r\n") != std::u16string::npos || !target) return 0;
  Library& lib = library();
  std::lock_guard guard(lib.lock);
  if (!lib.initialised) return 0;
  uint32_t handle = lib.nextHandle++;
  if (lib.nextHandle == 0) lib.nextHandle = 1;
  lib.tasks[handle] = std::make_shared<TransferTask>(Utf16ToUtf8(*url), *target, *name, param->resume != 0);
  return handle;
}

XL_EXPORT int32_t XL_CALL XL_StartTask(uint32_t handle) {
  Library& lib = library();
  std::lock_guard guard(lib.lock);
  auto task = Find(lib, handle);
  if (!task || TargetBusy(lib, task->target(), task.get())) return 0;
  task->Start();
  return 1;
}

XL_EXPORT int32_t XL_CALL XL_StopTask(uint32_t handle) {
  Library& lib = library();
  std::lock_guard guard(lib.lock);
  auto task = Find(lib, handle);
  if (!task) return 0;
  task->Stop();
  return 1;
}

XL_EXPORT int32_t XL_CALL XL_QueryTaskInfoEx(uint32_t handle, XlTaskInfo* info) {
  if (info == nullptr) return 0;
  Library& lib = library();
  std::shared_ptr<TransferTask> task;
  {
    std::lock_guard guard(lib.lock);
    task = Find(lib, handle);
  }
  if (!task) return 0;
  TaskProgress p = task->Progress();
  info->state = p.state;
  SetFieldText(info->fileName, std::size(info->fileName), task->fileName());
  info->totalSize = p.totalSize;
  info->downloadedSize = p.downloadedSize;
  info->fraction = p.fraction;
  info->speed = static_cast<int32_t>(std::min<int64_t>(p.speed, INT32_MAX));
  return 1;
}

// Ends the task; its partial data stays for a later task of the same target.
XL_EXPORT int32_t XL_CALL XL_DeleteTask(uint32_t handle) {
  Library& lib = library();
  std::shared_ptr<TransferTask> task;
  {
    std::lock_guard guard(lib.lock);
    auto it = lib.tasks.find(handle);
    if (it == lib.tasks.end()) return 0;
    task = it->second;
    lib.tasks.erase(it);
  }
  task.reset();  // stops and waits, outside the lock
  return 1;
}

XL_EXPORT int32_t XL_CALL XL_DelTempFile(const XlTaskParam* param) {
  if (param == nullptr) return 0;
  auto target = TargetOf(*param);
  if (!target) return 0;
  Library& lib = library();
  std::lock_guard guard(lib.lock);
  if (TargetBusy(lib, *target, nullptr)) return 0;
  PartialStore(*target).Remove();
  return 1;
}

// Exported for callers that bind every name; they do nothing.
XL_EXPORT int32_t XL_CALL XL_QueryTaskInfo() { return 0; }
XL_EXPORT int32_t XL_CALL XL_SetSpeedLimit() { return 0; }
XL_EXPORT int32_t XL_CALL XL_SetUploadSpeedLimit() { return 0; }
XL_EXPORT int32_t XL_CALL XL_SetProxy() { return 0; }
XL_EXPORT int32_t XL_CALL XL_SetUserAgent() { return 0; }
XL_EXPORT int32_t XL_CALL XL_GetFileSizeWithUrl() { return 0; }
XL_EXPORT int32_t XL_CALL XL_ParseThunderPrivateUrl() { return 0; }
XL_EXPORT int32_t XL_CALL XL_SetAdditionInfo() { return 0; }
XL_EXPORT int32_t XL_CALL XL_SetFileIdAndSize() { return 0; }
