#include "support/recording_platform.h"

#include <cstdlib>

namespace testing_support {

class RecordingConsolePlatform::RecordingConsole : public platform::Console {
 public:
  bool Open(const std::wstring&) override { return true; }

  void Write(const std::string& narrowText) override { WriteLine(narrowText); }
  void WriteLine(const std::string& narrowText) override {
    std::lock_guard lock(mutex_);
    lines_.push_back(narrowText);
  }

  std::vector<std::string> Lines() const {
    std::lock_guard lock(mutex_);
    return lines_;
  }

 private:
  mutable std::mutex mutex_;
  std::vector<std::string> lines_;
};

class RecordingConsolePlatform::Empty : public platform::Files,
                                        public platform::Profiles,
                                        public platform::Storage,
                                        public platform::Registry,
                                        public platform::Network,
                                        public platform::System,
                                        public platform::Modules,
                                        public platform::MessageBoxes,
                                        public platform::Processes,
                                        public platform::Power {
 public:
  bool DirectoryExists(const std::wstring&) override { return false; }
  bool CreateDirectory(const std::wstring&) override { return false; }
  std::optional<std::string> ReadFile(const std::wstring&) override { return std::nullopt; }
  bool FileExists(const std::wstring&) override { return false; }
  bool WriteFile(const std::wstring&, const std::string&) override { return false; }
  bool RemoveFile(const std::wstring&) override { return false; }
  uint32_t GetFileAttributes(const std::wstring&) override { return platform::kInvalidFileAttributes; }
  bool SetFileAttributes(const std::wstring&, uint32_t) override { return false; }
  bool CopyFile(const std::wstring&, const std::wstring&, bool) override { return false; }
  std::shared_ptr<void> LockFile(const std::wstring&) override { return nullptr; }
  std::optional<std::vector<platform::DirectoryEntry>> ListDirectory(const std::wstring&) override {
    return std::nullopt;
  }
  std::optional<platform::DiskFreeSpace> QueryDiskFreeSpace(const std::wstring&) override { return std::nullopt; }
  std::optional<platform::VolumeInformation> QueryVolumeInformation(const std::wstring&, uint32_t,
                                                                    uint32_t) override {
    return std::nullopt;
  }

  bool WriteString(const std::wstring&, const std::wstring&, const std::wstring&, const std::wstring&) override {
    return false;
  }
  std::wstring ReadString(const std::wstring&, const std::wstring&, const std::wstring& defaultValue,
                          const std::wstring&) override {
    return defaultValue;
  }

  std::optional<platform::DeviceHandle> OpenDevice(const std::wstring&,
                                                   platform::DeviceAccess) override {
    return std::nullopt;
  }
  std::optional<std::vector<platform::DiskExtent>> VolumeDiskExtents(const platform::DeviceHandle&,
                                                                     uint32_t) override {
    return std::nullopt;
  }
  std::optional<platform::StorageDeviceDescriptor> StorageDeviceProperty(
      const platform::DeviceHandle&, uint32_t) override {
    return std::nullopt;
  }
  std::optional<uint32_t> StorageDevicePropertySize(const platform::DeviceHandle&) override { return std::nullopt; }
  std::optional<platform::StorageDeviceNumber> GetDeviceNumber(const platform::DeviceHandle&) override {
    return std::nullopt;
  }
  std::optional<int64_t> DriveGeometryDiskSize(const platform::DeviceHandle&, uint32_t) override {
    return std::nullopt;
  }
  std::optional<platform::PartitionInformationEx> PartitionInfo(const platform::DeviceHandle&, uint32_t) override {
    return std::nullopt;
  }
  uint32_t LogicalDrives() override { return 0; }
  uint32_t QueryDriveType(const std::wstring&) override { return platform::kDriveNoRootDir; }
  std::optional<std::vector<std::wstring>> LogicalDriveStrings(uint32_t) override { return std::nullopt; }
  bool DefineDosDevice(uint32_t, const std::wstring&, const std::optional<std::wstring>&) override { return false; }
  std::optional<std::vector<platform::DiskDeviceElement>> DiskInterfaces(uint32_t) override {
    return std::nullopt;
  }

  std::optional<platform::RegistryKey> OpenKey(platform::RegistryRoot, const std::wstring&) override {
    return std::nullopt;
  }
  std::optional<platform::RegistryKey> OpenSubkey(const platform::RegistryKey&,
                                                  const std::wstring&) override {
    return std::nullopt;
  }
  std::optional<uint32_t> SubkeyCount(const platform::RegistryKey&) override { return std::nullopt; }
  std::optional<std::string> ReadAnsiString(const platform::RegistryKey&, const std::string&,
                                            uint32_t) override {
    return std::nullopt;
  }
  std::optional<uint32_t> ReadDword(const platform::RegistryKey&, const std::string&) override {
    return std::nullopt;
  }
  std::optional<std::wstring> ReadWideString(const platform::RegistryKey&, const std::wstring&,
                                             uint32_t) override {
    return std::nullopt;
  }

  platform::AdapterAddressesReply GetAdaptersAddresses(uint32_t) override { return {}; }
  platform::AdaptersInfoReply GetAdaptersInfo(uint32_t) override { return {}; }
  bool CheckConnection(const std::wstring&) override { return false; }

  std::wstring SystemDirectory() override { return {}; }
  std::wstring ModuleFileName() override { return {}; }
  std::optional<platform::FileVersion> ProductVersion(const std::wstring&) override {
    return std::nullopt;
  }
  std::optional<platform::OsVersion> GetVersion() override { return std::nullopt; }
  int64_t CurrentTime() override { return 0; }
  void SeedRandom(uint32_t) override {}
  int NextRandom() override { return 0; }
  std::optional<bool> IsWow64Process() override { return false; }
  platform::MemoryQueryReply QueryPhysicalMemory() override { return {}; }
  [[noreturn]] void ExitProcess(int exitCode) override { std::_Exit(exitCode); }

  std::optional<platform::ModuleHandle> LoadLibrary(const std::wstring&) override { return std::nullopt; }
  void* GetProcAddress(const platform::ModuleHandle&, const std::string&) override { return nullptr; }
  void FreeLibrary(const platform::ModuleHandle&) override {}

  int Show(const std::wstring&, const std::wstring&, uint32_t) override { return platform::kIdOk; }

  std::optional<platform::ProcessHandle> ShellExecuteEx(const platform::ShellExecuteRequest&) override {
    return std::nullopt;
  }
  void WaitForExit(const platform::ProcessHandle&) override {}

  std::optional<platform::TokenHandle> OpenProcessToken(uint32_t) override { return std::nullopt; }
  bool EnablePrivilege(const platform::TokenHandle&, const std::wstring&) override { return false; }
  bool ExitWindowsEx(uint32_t, uint32_t) override { return false; }
};

RecordingConsolePlatform::RecordingConsolePlatform()
    : console_(std::make_unique<RecordingConsole>()), empty_(std::make_unique<Empty>()) {}

RecordingConsolePlatform::~RecordingConsolePlatform() = default;

std::vector<std::string> RecordingConsolePlatform::Lines() const { return console_->Lines(); }

platform::Files& RecordingConsolePlatform::files() { return *empty_; }
platform::Profiles& RecordingConsolePlatform::profiles() { return *empty_; }
platform::Storage& RecordingConsolePlatform::storage() { return *empty_; }
platform::Registry& RecordingConsolePlatform::registry() { return *empty_; }
platform::Network& RecordingConsolePlatform::network() { return *empty_; }
platform::System& RecordingConsolePlatform::system() { return *empty_; }
platform::Console& RecordingConsolePlatform::console() { return *console_; }
platform::Modules& RecordingConsolePlatform::modules() { return *empty_; }
platform::MessageBoxes& RecordingConsolePlatform::messageBoxes() { return *empty_; }
platform::Processes& RecordingConsolePlatform::processes() { return *empty_; }
platform::Power& RecordingConsolePlatform::power() { return *empty_; }

}  // namespace testing_support
