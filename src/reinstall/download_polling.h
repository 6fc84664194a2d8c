#pragma once
// How the download workers poll their engine tasks, and when a silent task is restarted
// or rebuilt. The controller carries one DownloadPolling for its workers; tests shorten
// the interval so that a stall shows in a fraction of a second.

#include <chrono>
#include <cstdint>
#include <string>

struct DownloadPolling {
  std::chrono::milliseconds interval{50};  // between two polls
  int refreshPolls = 21;                   // page texts once in this many polls
  int stallPolls = 200;                    // polls without data before a restart
  int restartsBeforeRebuild = 3;           // the restart that rebuilds the task instead
  std::chrono::milliseconds partGap{10};   // between the WinPE part and the image part
};

// Counts the silent polls of one task.
class StallCounter {
 public:
  enum class Action { None, Restart, Rebuild };

  explicit StallCounter(const DownloadPolling& polling) : polling_(polling) {}

  // One poll: `flowing` (data came, or the download is paused) clears the count.
  Action Observe(bool flowing);
  void Reset() { ticks_ = restarts_ = 0; }

 private:
  const DownloadPolling& polling_;
  int ticks_ = 0;
  int restarts_ = 0;
};

class CThunder;
struct DownloadTask;

// Creates and starts a task of the engine; null when the engine refuses either, with the
// engine's reason in `why` (and in the log), naming what was to be fetched. A task that
// was created and would not start is deleted.
DownloadTask* StartEngineTask(CThunder& engine, const std::wstring& fileName, const std::wstring& folder,
                              const std::wstring& url, std::wstring& why);

// Where a completed task's file lies: its folder joined with the name the engine saved it
// under (the engine may choose another than the one asked for).
std::wstring FinishedFilePath(CThunder& engine, DownloadTask* task);

// The log entry of a restart or rebuild: the heading, the task (its URL or file name) on a
// line of its own indented by four blanks, and an empty line.
void LogStallAction(const std::wstring& heading, const std::wstring& task);
