#include "support/skin_machine.h"

#include <filesystem>

namespace testing_support {

SkinMachine::SkinMachine() {
  std::filesystem::path skin = HostPath(L"D:\\Tarnvik\\skin");
  std::filesystem::create_directories(skin.parent_path());
  std::filesystem::copy(std::filesystem::path(TARNVIK_SOURCE_DIR) / "skin", skin,
                        std::filesystem::copy_options::recursive);
}

}  // namespace testing_support
