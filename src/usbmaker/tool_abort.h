#pragma once
// The stop flag of every external-tool step of the USB maker. The make and restore jobs
// clear it when they start; the page sets it when the user abandons a job or the selected
// disk is pulled, and each step tests it before it starts a tool.

#include <atomic>

extern std::atomic<bool> toolAbort;
