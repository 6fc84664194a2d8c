// Log lines reach standard output only once the test switch opened the console.

#include <gtest/gtest.h>

#include "app/global_param.h"
#include "app/log.h"
#include "app/text_helpers.h"
#include "support/temp_machine.h"

namespace {

TEST(Log, LinesShowOnlyInTheConsole) {
  for (bool console : {false, true}) {
    testing_support::TempMachine m;
    if (console) m.WriteFile(L"D:\\Tarnvik\\test_ver.test", "test_console\n");
    CGlobalParam params;
    testing::internal::CaptureStdout();
    LogLine(WideToLocal(L"开始 start"));
    LogLine("second");
    std::string shown = testing::internal::GetCapturedStdout();
    // The console shows the code page 936 text as characters.
    EXPECT_EQ(shown, console ? "开始 start\nsecond\n" : "") << console;
  }
}

}  // namespace
