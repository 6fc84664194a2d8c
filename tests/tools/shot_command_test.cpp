// tarnvikctl shot, run as a process: each window it knows comes out as a PNG of the
// window's size.

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "skin/image.h"
#include "support/skin_machine.h"
#include "support/tarnvikctl_process.h"
#include "support/temp_dir.h"

namespace {

testing_support::Outcome RunShot(std::vector<std::string> args) {
  args.insert(args.begin(), "shot");
  return testing_support::RunTarnvikctl(args);
}

std::optional<DuiLib::Bitmap> ReadPng(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return DuiLib::DecodePng(std::string(std::istreambuf_iterator<char>(in), {}));
}

TEST(ShotCommand, EveryWindowComesOutAtItsSize) {
  struct Case {
    std::vector<std::string> args;
    int width, height;
  };
  const std::vector<Case> cases = {
      {{"msgbox1", "--text", "请检查网络是否正确连接！", "--icon", "3"}, 360, 212},
      {{"msgbox2", "--button1", "解锁教程", "--button2", "我已解锁", "--style2", "0"}, 475, 212},
      {{"tishi", "--countdown", "2"}, 460, 290},
      {{"oslist"}, 680, 320},
      {{"reselect"}, 680, 236},
      {{"task"}, 680, 140},
      {{"task", "--backup", "E:\\beifenshuju"}, 680, 240},
      {{"downloadbox"}, 443, 480},
      {{"downloadbox1"}, 443, 480},
      {{"usbconfirm"}, 475, 212},
      {{"usbselect"}, 520, 372},
      {{"usbmake", "--succeeded", "0"}, 475, 232},
  };
  testing_support::TempDir dir;
  for (const Case& c : cases) {
    std::filesystem::path out = dir.path() / (c.args[0] + ".png");
    std::vector<std::string> args = c.args;
    args.insert(args.begin() + 1, out.string());
    const testing_support::Outcome shot = RunShot(args);
    ASSERT_EQ(shot.exitCode, 0) << c.args[0] << ": " << shot.err;
    auto png = ReadPng(out);
    ASSERT_TRUE(png) << c.args[0];
    EXPECT_EQ(png->width, c.width) << c.args[0];
    EXPECT_EQ(png->height, c.height) << c.args[0];
  }
}

TEST(ShotCommand, UsesTheSkinsOfAGivenMachine) {
  testing_support::SkinMachine machine;
  testing_support::TempDir dir;
  const testing_support::Outcome shot =
      RunShot({"msgbox1", (dir.path() / "a.png").string(), "--machine", machine.folder().string()});
  EXPECT_EQ(shot.exitCode, 0) << shot.err;
  EXPECT_TRUE(ReadPng(dir.path() / "a.png"));
  EXPECT_EQ(RunShot({"nothing", (dir.path() / "b.png").string()}).exitCode, 2);
  EXPECT_EQ(RunShot({"msgbox1"}).exitCode, 2);
}

TEST(ShotCommand, AMachineWithoutTheSkinFilesFailsAndWritesNoImage) {
  testing_support::TempMachine machine;  // the program folder holds no skin folder
  testing_support::TempDir dir;
  for (const char* what : {"msgbox1", "tishi", "oslist"}) {
    const auto out = dir.path() / (std::string(what) + ".png");
    EXPECT_EQ(RunShot({what, out.string(), "--machine", machine.folder().string()}).exitCode, 1) << what;
    EXPECT_FALSE(std::filesystem::exists(out)) << what;
  }
}

}  // namespace
