#include "download/xl_binding.h"

namespace {

template <typename Fn>
void Bind(platform::Modules& modules, const platform::ModuleHandle& library, const char* name, Fn& slot) {
  slot = reinterpret_cast<Fn>(modules.GetProcAddress(library, name));
}

}  // namespace

XlEntryPoints BindEntryPoints(platform::Modules& modules, const platform::ModuleHandle& library) {
  XlEntryPoints e;
  Bind(modules, library, "XL_Init", e.init);
  Bind(modules, library, "XL_UnInit", e.unInit);
  Bind(modules, library, "XL_CreateTask", e.createTask);
  Bind(modules, library, "XL_DeleteTask", e.deleteTask);
  Bind(modules, library, "XL_StartTask", e.startTask);
  Bind(modules, library, "XL_StopTask", e.stopTask);
  Bind(modules, library, "XL_QueryTaskInfo", e.queryTaskInfo);
  Bind(modules, library, "XL_QueryTaskInfoEx", e.queryTaskInfoEx);
  Bind(modules, library, "XL_SetSpeedLimit", e.setSpeedLimit);
  Bind(modules, library, "XL_SetUploadSpeedLimit", e.setUploadSpeedLimit);
  Bind(modules, library, "XL_DelTempFile", e.delTempFile);
  Bind(modules, library, "XL_SetProxy", e.setProxy);
  Bind(modules, library, "XL_SetUserAgent", e.setUserAgent);
  Bind(modules, library, "XL_GetFileSizeWithUrl", e.getFileSizeWithUrl);
  Bind(modules, library, "XL_ParseThunderPrivateUrl", e.parseThunderPrivateUrl);
  Bind(modules, library, "XL_SetAdditionInfo", e.setAdditionInfo);
  Bind(modules, library, "XL_SetFileIdAndSize", e.setFileIdAndSize);
  return e;
}
