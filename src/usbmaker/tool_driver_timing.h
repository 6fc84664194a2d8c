#pragma once
// The waits of the drivers that work a tool through its windows. The tool's window is
// looked for every `poll` until `windowBound` has passed; the pauses between steps give
// the tool time to react. Tests shorten them.

#include <chrono>

struct ToolDriverTiming {
  std::chrono::milliseconds poll{20};
  std::chrono::milliseconds windowBound{60000};
  std::chrono::milliseconds settle{100};        // after a window appears or a key goes down
  std::chrono::milliseconds editorSettle{300};  // after the store editor is hidden
  std::chrono::milliseconds progressPoll{300};  // between looks at the writer's progress
  std::chrono::milliseconds completion{1000};   // once the progress shows 100
};

extern ToolDriverTiming toolDriverTiming;
