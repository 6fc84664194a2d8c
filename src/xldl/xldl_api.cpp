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

// Why the last XL_CreateTask of this thread was refused.
thread_local std::string createRefusal;

uint32_t RefuseCreate(std::string reason) {
  createRefusal = std::move(reason);
  return 0;
}

// Names Windows keeps for devices, whatever extension follows them.
bool IsDeviceName(std::u16string name) {
  name = name.substr(0, name.find(u'.'));
  while (!name.empty() && name.back() == u' ') name.pop_back();
  for (char16_t& c : name) {
    if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - u'a' + u'A');
  }
  static const std::u16string kNames[] = {u"CON", u"PRN", u"AUX", u"NUL", u"CONIN$", u"CONOUT$"};
  if (std::find(std::begin(kNames), std::end(kNames), name) != std::end(kNames)) return true;
  return name.size() == 4 && (name.rfind(u"COM", 0) == 0 || name.rfind(u"LPT", 0) == 0) && name[3] >= u'0' &&
         name[3] <= u'9';
}

// A name to save as must stay inside its folder and be one that Windows can create.
bool IsPlainFileName(const std::u16string& name) {
  if (name.empty() || name == u"." || name == u"..") return false;
  if (name.back() == u'.' || name.back() == u' ' || IsDeviceName(name)) return false;
  return std::none_of(name.begin(), name.end(), [](char16_t c) {
    return c < 0x20 || std::u16string_view(u"\\/:*?\"<>|").find(c) != std::u16string_view::npos;
  });
}

std::u16string JoinPath(std::u16string folder, const std::u16string& name) {
  if (folder.back() != u'\\' && folder.back() != u'/') folder += u'\\';
  return folder + name;
}

std::shared_ptr<TransferTask> Find(Library& lib, uint32_t handle) {
  auto it = lib.tasks.find(handle);
  return it == lib.tasks.end() ? nullptr : it->second;
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
  if (param == nullptr) return RefuseCreate("no task record");
  auto url = Field(param->url);
  auto name = Field(param->fileName);
  auto folder = Field(param->saveDir);
  if (!url || url->empty()) return RefuseCreate("no URL");
  if (url->find_first_of(u"\r\n") != std::u16string::npos) return RefuseCreate("the URL holds a line end");
  if (!folder || folder->empty()) return RefuseCreate("no folder to save into");
  if (!name || !IsPlainFileName(*name)) {
    return RefuseCreate("the file name '" + Utf16ToUtf8(name.value_or(u"")) + "' is refused: Windows cannot create it " +
                        "in a folder, or it would leave the folder");
  }
  const std::u16string path = JoinPath(*folder, *name);
  auto target = HostPathOf(path);
  if (!target) return RefuseCreate("the folder " + Utf16ToUtf8(*folder) + " is not on this machine");
  Library& lib = library();
  std::lock_guard guard(lib.lock);
  if (!lib.initialised) return RefuseCreate("the library is not initialised (XL_Init)");
  uint32_t handle = lib.nextHandle++;
  if (lib.nextHandle == 0) lib.nextHandle = 1;
  lib.tasks[handle] =
      std::make_shared<TransferTask>(Utf16ToUtf8(*url), *target, *name, Utf16ToUtf8(path), param->resume != 0);
  return handle;
}

XL_EXPORT int32_t XL_CALL XL_StartTask(uint32_t handle) {
  Library& lib = library();
  std::lock_guard guard(lib.lock);
  auto task = Find(lib, handle);
  return task && task->Start() ? 1 : 0;
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
  auto name = Field(param->fileName);
  auto folder = Field(param->saveDir);
  if (!name || !folder || folder->empty() || !IsPlainFileName(*name)) return 0;
  auto target = HostPathOf(JoinPath(*folder, *name));
  // A transfer, of this process or another, holds the data it writes.
  return target && PartialStore(*target).Remove() ? 1 : 0;
}

XL_EXPORT int32_t XL_CALL XLDL_GetTaskError(uint32_t handle, char16_t* text, int32_t capacity) {
  TaskFailure failure;
  if (handle == 0) {
    if (!createRefusal.empty()) failure = {kXldlPermanent, createRefusal};
  } else {
    Library& lib = library();
    std::shared_ptr<TransferTask> task;
    {
      std::lock_guard guard(lib.lock);
      task = Find(lib, handle);
    }
    if (!task) return kXldlNoError;
    failure = task->Failure();
  }
  if (text != nullptr && capacity > 0) {
    std::u16string reason = Utf8ToUtf16(failure.reason);
    reason.resize(std::min<size_t>(reason.size(), static_cast<size_t>(capacity) - 1));
    SetFieldText(text, static_cast<size_t>(capacity), reason);
  }
  return failure.kind;
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
