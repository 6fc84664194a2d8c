#pragma once
// The system check: boot mode, memory, the running Windows, the network and the
// catalogue, shown step by step on the check page while a progress bar moves from 0 to
// 100 in ticks of 20 ms. Findings go to whoever owns the check (the reinstall
// controller) and to the global parameters.

#include <chrono>

#include "app/thread_base.h"
#include "catalogue/catalogue.h"

class ICheckFindings;
class ICheckPage;

class CSysCheckThread : public CThreadBase {
 public:
  static constexpr std::chrono::milliseconds kTick{20};

  // The page and the findings' receiver outlive the worker. `previousPe` is the WinPE
  // entry held before this check. `tick` is the time between two progress steps.
  CSysCheckThread(ICheckPage& page, ICheckFindings& findings, const PeEntry& previousPe,
                  std::chrono::milliseconds tick = kTick);
  // Stops the check at its next tick, waiting at most 200 ms before waiting it out.
  ~CSysCheckThread() override;

  void Run() override;

 private:
  // Ticks while the progress value is at most `limit`; false when the check was stopped.
  bool TickWhileAtMost(int limit);

  void CheckBootMode();
  void CheckMemory();
  void CheckSystem();

  ICheckPage& page_;
  ICheckFindings& findings_;
  const std::chrono::milliseconds tick_;
  CatalogueMachine machine_;
  bool networkOk_ = false;
  PeEntry pe_;
  int progress_ = 0;
};
