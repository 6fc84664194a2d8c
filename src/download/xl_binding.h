#pragma once
// The download library's entry points, looked up by name in the loaded library. A name
// the library lacks leaves its slot empty.

#include "platform/platform.h"
#include "xldl/xldl.h"

struct XlEntryPoints {
  XlInitFn init = nullptr;
  XlUnInitFn unInit = nullptr;
  XlCreateTaskFn createTask = nullptr;
  XlDeleteTaskFn deleteTask = nullptr;
  XlStartTaskFn startTask = nullptr;
  XlStopTaskFn stopTask = nullptr;
  XlUnusedFn queryTaskInfo = nullptr;
  XlQueryTaskInfoExFn queryTaskInfoEx = nullptr;
  XlUnusedFn setSpeedLimit = nullptr;
  XlUnusedFn setUploadSpeedLimit = nullptr;
  XlDelTempFileFn delTempFile = nullptr;
  XlUnusedFn setProxy = nullptr;
  XlUnusedFn setUserAgent = nullptr;
  XlUnusedFn getFileSizeWithUrl = nullptr;
  XlUnusedFn parseThunderPrivateUrl = nullptr;
  XlUnusedFn setAdditionInfo = nullptr;
  XlUnusedFn setFileIdAndSize = nullptr;
};

XlEntryPoints BindEntryPoints(platform::Modules& modules, const platform::ModuleHandle& library);
