#include "support/skin_machine.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "skin/window_registry.h"

namespace testing_support {

SkinMachine::SkinMachine() {
  std::filesystem::path skin = HostPath(L"D:\\Tarnvik\\skin");
  std::filesystem::create_directories(skin.parent_path());
  std::filesystem::copy(std::filesystem::path(TARNVIK_SOURCE_DIR) / "skin", skin,
                        std::filesystem::copy_options::recursive);
}

UiThread::~UiThread() {
  if (thread_.joinable() && testing::Test::HasFailure()) {
    for (DuiLib::HWND hwnd : DuiLib::LiveWindows()) DuiLib::PostMessage(hwnd, DuiLib::WM_CLOSE, 0, 0);
  }
  Join();
}

}  // namespace testing_support
