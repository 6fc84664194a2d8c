#include "app/log.h"

#include "app/text_helpers.h"
#include "platform/platform.h"

void LogLine(const std::string& narrowText) { platform::Current().console().WriteLine(narrowText); }

void LogLine(const std::wstring& text) { LogLine(WideToLocal(text)); }

void LogText(const std::string& narrowText) { platform::Current().console().Write(narrowText); }
