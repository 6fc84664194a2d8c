#include "usbmaker/tool_abort.h"

std::atomic<bool> toolAbort{false};
