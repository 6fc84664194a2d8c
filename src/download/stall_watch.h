#pragma once
// When a polled download has gone quiet for too long: a task without speed for a number
// of seconds is restarted, a few times at most, and then counts as failed. tarnvikctl
// fetch and the program's download workers follow the same rule.

#include <chrono>
#include <cstdint>

struct StallRule {
  int seconds = 10;  // without data before a restart
  int restarts = 3;  // before the task counts as failed
};

class StallWatch {
 public:
  enum class Verdict { Carry, Restart, GiveUp };

  StallWatch(StallRule rule, std::chrono::milliseconds pollInterval);

  // Called once per poll with the speed the task reports; says what to do next.
  Verdict Observe(int64_t bytesPerSecond);

  int restarts() const { return restarts_; }
  const StallRule& rule() const { return rule_; }

 private:
  StallRule rule_;
  int stallPolls_;
  int silentPolls_ = 0;
  int restarts_ = 0;
};
