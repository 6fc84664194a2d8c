#include "app/log.h"

#include "platform/platform.h"

void LogLine(const std::string& narrowText) { platform::Current().console().WriteLine(narrowText); }

void LogText(const std::string& narrowText) { platform::Current().console().Write(narrowText); }
