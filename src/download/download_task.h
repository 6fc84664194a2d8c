#pragma once
// One task of the download engine and a snapshot of its progress.

#include <cstdint>
#include <string>

// Created and freed only by CThunder; callers hold plain pointers and read the fields.
struct DownloadTask {
  std::wstring fileName;  // the name to save as, given at creation
  std::wstring saveDir;
  std::wstring url;       // the identity of a task
  uint32_t handle = 0;    // the library's task handle, never 0 in a live task
  int64_t startTime = 0;  // seconds since 1970 when last started
  int64_t stopTime = 0;   // seconds since 1970 when marked finished; 0 at each start
  int64_t elapsed = 0;    // running seconds over all start/stop cycles
  float fraction = 0;     // 0.0 to 1.0, the last value seen from the library
  int32_t state = 2;      // 2 stopped, 3 running
};

inline constexpr int32_t kTaskStopped = 2;
inline constexpr int32_t kTaskRunning = 3;

struct TaskProgress {
  int64_t downloaded = 0;
  int64_t total = 0;
  int64_t speed = 0;     // bytes per second
  int32_t state = 0;     // the library's task state; 4 = complete
  float fraction = 0;
};
