#pragma once
// The stop flag of every external-tool step: set when the user abandons a make or the
// disk goes; a step that finds it set starts no tool and fails.

#include <atomic>

extern std::atomic<bool> toolAbort;
