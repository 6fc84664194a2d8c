#pragma once
// The system check: boot mode, memory, the running Windows, the network and the
// catalogue, shown step by step on the check page while a progress bar moves from 0 to
// 100 in ticks of 20 ms. Results go to the reinstall controller and the global
// parameters.

#include "app/thread_base.h"

class ReinstallController;

class CSysCheckThread : public CThreadBase {
 public:
  // The controller owns the worker and outlives it; its check page must be set.
  explicit CSysCheckThread(ReinstallController& controller);
  // Stops the check at its next tick, waiting at most 200 ms before waiting it out.
  ~CSysCheckThread() override;

  void Run() override;

 private:
  // Ticks while the progress value is at most `limit`; false when the check was stopped.
  bool TickWhileAtMost(int limit);

  void CheckBootMode();
  void CheckMemory();
  void CheckSystem();

  ReinstallController& controller_;
  int progress_ = 0;
};
