#pragma once
// A temporary machine whose program folder holds the repository's skin folder, as the
// installed program has it, and a thread to run windows on.

#include <functional>
#include <thread>

#include "support/temp_machine.h"

namespace testing_support {

class SkinMachine : public TempMachine {
 public:
  SkinMachine();
};

// Runs `body` on a thread of its own, as a program's UI thread, and joins it at the end
// of the scope (or at Join). A test that failed before it closed its windows, a window it
// waited for that never came for one, has every live window closed at the end of the
// scope, so that the thread leaves its modal loops and the test ends with its failure.
class UiThread {
 public:
  explicit UiThread(std::function<void()> body) : thread_(std::move(body)) {}
  ~UiThread();
  void Join() {
    if (thread_.joinable()) thread_.join();
  }

 private:
  std::thread thread_;
};

}  // namespace testing_support
