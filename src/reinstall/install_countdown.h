#pragma once
// The automatic-install countdown of the download page: started with six ticks, each
// one-second tick shows "立即重装(%d)" on "btnInstall" from 5 down to 0, and the last one
// stops the timer and starts the install. The pages own one and drive it from their timer.

class ReinstallController;

class InstallCountdown {
 public:
  static constexpr int kTicks = 6;

  void Start() { remaining_ = kTicks; }
  // One timer tick, on the UI thread. A tick with no countdown running does nothing.
  void Tick(ReinstallController& controller);
  int remaining() const { return remaining_; }

 private:
  int remaining_ = 0;
};
