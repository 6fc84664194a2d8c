#pragma once
// The process-wide parameters: the program's folders, version, channel and device
// identity, what the system check found, and the figures reported at exit.

#include <cstdint>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

// Keeps the console of the test switch open for the life of the process.
class ConsoleHolder {
 public:
  explicit ConsoleHolder(const std::wstring& title);
  bool opened() const { return opened_; }

 private:
  bool opened_;
};

class CGlobalParam {
 public:
  // The singleton, built on first use. The first call comes from the program entry on
  // the main thread, before any worker exists.
  static std::shared_ptr<CGlobalParam> Instance();
  // Drops the singleton's own reference (at exit; tests, to build it anew on another
  // machine).
  static void Release();

  // Where deviceId comes from. The identity is the statistics code's to compute, which
  // sits above this core: the program entry (a tool, a test) names that function before
  // the parameters are first built. Without one the identity stays empty.
  using DeviceIdentitySource = std::string (*)();
  static void SetDeviceIdentitySource(DeviceIdentitySource source);

  // Builds the parameters from the current platform: folders resolved and created,
  // test switches read, identity computed.
  CGlobalParam();

  std::wstring version;
  int64_t totalMemory = 0;  // bytes; -1 when the query failed
  std::wstring deviceId;
  std::wstring imageDir;
  std::wstring peDir;
  std::wstring cacheDir;
  std::wstring bootMode;  // "UEFI", "MBR" or empty
  bool isUefi = false;
  std::wstring osName;
  int32_t osBits = 64;
  std::wstring channel = L"B3";
  std::wstring programDir;
  // The WinPE hand-off file Config.ini, in the root of the program's drive: the WinPE
  // looks for its hand-off files in drive roots, and the clean-up of stale copies keeps
  // the one on this drive.
  std::wstring configIniPath;
  wchar_t systemDrive = 0;  // SystemDirectoryDrive(): 0 when the system names none
  bool onUsbOrSystemDrive = false;
  std::unique_ptr<ConsoleHolder> console;

  // The image-name sets and the speed list are written from the UI thread and from
  // download workers at once, so they are reached only through these.
  void InsertSelectedImage(const std::wstring& name);
  void InsertCompletedImage(const std::wstring& name);
  void AppendDownloadSpeed(int64_t bytesPerSecond);
  std::set<std::wstring> SelectedImages() const;
  std::set<std::wstring> CompletedImages() const;
  // The integer mean of the recorded speeds, 0 when there are none.
  int64_t MeanDownloadSpeed() const;

 private:
  void ReadTestSwitches();

  mutable std::mutex figuresLock_;
  std::set<std::wstring> selectedImages_;
  std::set<std::wstring> completedImages_;
  std::vector<int64_t> downloadSpeeds_;
};
