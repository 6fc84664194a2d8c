#pragma once
// The download library's interface: the two records it exchanges with its caller, the
// task states it reports and the signatures of its entry points. Shared by the library
// (src/xldl) and the program's binding to it (src/download); the program loads the
// library at run time and never links it.
//
// Records are little-endian and packed; strings are UTF-16 with a terminating zero unit.

#include <cstddef>
#include <cstdint>

#if defined(_WIN32)
#define XL_CALL __stdcall
#define XL_EXPORT extern "C" __declspec(dllexport)
#else
#define XL_CALL
#define XL_EXPORT extern "C" __attribute__((visibility("default")))
#endif

#pragma pack(push, 1)

// What a task fetches and where it goes. Every byte not named here is zero.
struct XlTaskParam {
  int32_t reserved0;
  char16_t url[8264];
  char16_t fileName[520];   // the name to save as, without folder
  char16_t saveDir[262];    // the folder to save into
  int32_t reserved1;        // 0
  uint8_t reserved2[256];
  int32_t reserved3;        // 0
  int32_t reserved4;        // 5
  int32_t reserved5;        // 0
  int32_t resume;           // 1: continue from partial data kept beside the target
  uint8_t reserved6[8192];
};

// A task's progress, filled by XL_QueryTaskInfoEx. The caller zeroes it and writes the
// preset values (state 2, the rest 0) before each query.
struct XlTaskInfo {
  int32_t state;            // one of XlTaskState
  int32_t reserved0;
  char16_t fileName[520];   // the name the library saves under
  int64_t totalSize;        // bytes; 0 while unknown
  int64_t downloadedSize;   // bytes
  float fraction;           // 0.0 to 1.0; exactly 1.0 only when complete
  uint8_t reserved1[84];
  int32_t speed;            // bytes per second over about the last second
  uint8_t reserved2[8];
  uint8_t reserved3;
  int32_t reserved4;
  uint8_t reserved5[260];
};

#pragma pack(pop)

static_assert(sizeof(XlTaskParam) == 26564);
static_assert(offsetof(XlTaskParam, url) == 4);
static_assert(offsetof(XlTaskParam, fileName) == 16532);
static_assert(offsetof(XlTaskParam, saveDir) == 17572);
static_assert(offsetof(XlTaskParam, reserved1) == 18096);
static_assert(offsetof(XlTaskParam, reserved3) == 18356);
static_assert(offsetof(XlTaskParam, reserved4) == 18360);
static_assert(offsetof(XlTaskParam, reserved5) == 18364);
static_assert(offsetof(XlTaskParam, resume) == 18368);

static_assert(sizeof(XlTaskInfo) == 1429);
static_assert(offsetof(XlTaskInfo, state) == 0);
static_assert(offsetof(XlTaskInfo, reserved0) == 4);
static_assert(offsetof(XlTaskInfo, fileName) == 8);
static_assert(offsetof(XlTaskInfo, totalSize) == 1048);
static_assert(offsetof(XlTaskInfo, downloadedSize) == 1056);
static_assert(offsetof(XlTaskInfo, fraction) == 1064);
static_assert(offsetof(XlTaskInfo, speed) == 1152);
static_assert(offsetof(XlTaskInfo, reserved3) == 1164);
static_assert(offsetof(XlTaskInfo, reserved4) == 1165);

// Task states. A task that is not running is in state 1, 2 or 4; only 4 means the target
// file is complete and in place.
enum XlTaskState : int32_t {
  kXlStateFailed = 1,    // the transfer ended in an error (an HTTP error answer such as 404,
                         // a dropped or truncated connection, a write error such as a full
                         // disk); partial data is kept and a new start resumes from it
  kXlStateStopped = 2,   // created and not started, or stopped by XL_StopTask
  kXlStateRunning = 3,   // connecting or receiving
  kXlStateComplete = 4,  // every byte received and the file moved into place
  kXlStateStopping = 6,  // XL_StopTask was called and the transfer is winding down
};

// Entry points. Every one may be called from any thread; XL_Init comes before the others
// (tasks are refused until then) and XL_UnInit ends and forgets every task.
using XlInitFn = int32_t(XL_CALL*)();
using XlUnInitFn = int32_t(XL_CALL*)();
using XlCreateTaskFn = uint32_t(XL_CALL*)(const XlTaskParam* param);  // 0: failure
using XlDeleteTaskFn = int32_t(XL_CALL*)(uint32_t task);
using XlStartTaskFn = int32_t(XL_CALL*)(uint32_t task);
using XlStopTaskFn = int32_t(XL_CALL*)(uint32_t task);
using XlQueryTaskInfoExFn = int32_t(XL_CALL*)(uint32_t task, XlTaskInfo* info);
using XlDelTempFileFn = int32_t(XL_CALL*)(const XlTaskParam* param);
// The names the library exports but does not implement: each returns 0 and does nothing.
using XlUnusedFn = int32_t(XL_CALL*)();

// Beyond the XL_ names: why a task failed or was refused, which its state cannot say.
// Exported as "XLDL_GetTaskError"; a caller that does not look it up loses nothing.
enum XldlErrorKind : int32_t {
  kXldlNoError = 0,
  kXldlRetryable = 1,  // a later try may succeed (a dropped connection, a busy target, a full disk)
  kXldlPermanent = 2,  // no retry mends it (an HTTP 4xx answer, a refused scheme or file name)
};
// Copies the reason of the task's last failure (UTF-16, zero-terminated, cut to fit
// `capacity` units) and returns its kind. Task 0 stands for the last XL_CreateTask that
// this thread was refused.
using XldlGetTaskErrorFn = int32_t(XL_CALL*)(uint32_t task, char16_t* text, int32_t capacity);
