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
                                        public platform::Power,
                                        public platform::Windows {
 public:
  bool DirectoryExists(const std::wstring&) override { return false; }
  bool CreateDirectory(const std::wstring&) override { return false; }
  std::optional<std::string> ReadFile(const std::wstring&) override { return std::nullopt; }
  bool ReadFileInChunks(const std::wstring&, size_t, const std::function<void(const char*, size_t)>&) override {
    return false;
  }
  std::unique_ptr<platform::OpenFile> OpenFileForReading(const std::wstring&) override { return nullptr; }
  std::unique_ptr<platform::OpenFile> CreateFileForWriting(const std::wstring&) override { return nullptr; }
  bool FileExists(const std::wstring&) override { return false; }
  bool WriteFile(const std::wstring&, const std::string&) override { return false; }
  bool RemoveFile(const std::wstring&) override { return false; }
  uint32_t GetFileAttributes(const std::wstring&) override { return platform::kInvalidFileAttributes; }
  bool SetFileAttributes(const std::wstring&, uint32_t) override { return false; }
  bool CopyFile(const std::wstring&, const std::wstring&, bool) override { return false; }
  uint32_t CopyFileEx(const std::wstring&, const std::wstring&, const platform::CopyProgress&) override {
    return platform::kErrorPathNotFound;
  }
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
  std::optional<std::wstring> SpecialFolderPath(int) override { return std::nullopt; }
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

  platform::WindowHandle FindWindow(const std::wstring&, const std::wstring&) override { return 0; }
  void EnumChildWindows(platform::WindowHandle, const std::function<bool(platform::WindowHandle)>&) override {}
  std::wstring GetClassName(platform::WindowHandle, size_t) override { return {}; }
  std::wstring GetWindowText(platform::WindowHandle, size_t) override { return {}; }
  std::optional<std::wstring> GetComboItemText(platform::WindowHandle, size_t) override { return std::nullopt; }
  intptr_t SendMessage(platform::WindowHandle, uint32_t, uintptr_t, intptr_t) override { return 0; }
  intptr_t SendMessage(platform::WindowHandle, uint32_t, uintptr_t, const std::wstring&) override { return 0; }
  bool PostMessage(platform::WindowHandle, uint32_t, uintptr_t, intptr_t) override { return false; }
  bool ShowWindow(platform::WindowHandle, int) override { return false; }
  uint32_t GetWindowStyle(platform::WindowHandle) override { return 0; }
  bool IsWindow(platform::WindowHandle) override { return false; }
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
platform::Windows& RecordingConsolePlatform::windows() { return *empty_; }

}  // namespace testing_support

namespace testing_support {

class RecordingPlatform::RecordingSystem : public platform::System {
 public:
  explicit RecordingSystem(RecordingPlatform& owner) : owner_(owner), inner_(owner.inner_.system()) {}
  std::wstring SystemDirectory() override { return inner_.SystemDirectory(); }
  std::wstring ModuleFileName() override { return inner_.ModuleFileName(); }
  std::optional<std::wstring> SpecialFolderPath(int csidl) override { return inner_.SpecialFolderPath(csidl); }
  std::optional<platform::FileVersion> ProductVersion(const std::wstring& path) override {
    return inner_.ProductVersion(path);
  }
  std::optional<platform::OsVersion> GetVersion() override {
    std::lock_guard lock(owner_.mutex_);
    return owner_.version;
  }
  int64_t CurrentTime() override { return inner_.CurrentTime(); }
  void SeedRandom(uint32_t seed) override { inner_.SeedRandom(seed); }
  int NextRandom() override { return inner_.NextRandom(); }
  std::optional<bool> IsWow64Process() override { return inner_.IsWow64Process(); }
  platform::MemoryQueryReply QueryPhysicalMemory() override { return inner_.QueryPhysicalMemory(); }
  [[noreturn]] void ExitProcess(int exitCode) override { inner_.ExitProcess(exitCode); }

 private:
  RecordingPlatform& owner_;
  platform::System& inner_;
};

class RecordingPlatform::RecordingStorage : public platform::Storage {
 public:
  explicit RecordingStorage(RecordingPlatform& owner) : owner_(owner), inner_(owner.inner_.storage()) {}
  std::optional<platform::DeviceHandle> OpenDevice(const std::wstring& path, platform::DeviceAccess access) override {
    return inner_.OpenDevice(path, access);
  }
  std::optional<std::vector<platform::DiskExtent>> VolumeDiskExtents(const platform::DeviceHandle& device,
                                                                     uint32_t bufferBytes) override {
    return inner_.VolumeDiskExtents(device, bufferBytes);
  }
  std::optional<platform::StorageDeviceDescriptor> StorageDeviceProperty(const platform::DeviceHandle& device,
                                                                          uint32_t bufferBytes) override {
    return inner_.StorageDeviceProperty(device, bufferBytes);
  }
  std::optional<uint32_t> StorageDevicePropertySize(const platform::DeviceHandle& device) override {
    return inner_.StorageDevicePropertySize(device);
  }
  std::optional<platform::StorageDeviceNumber> GetDeviceNumber(const platform::DeviceHandle& device) override {
    return inner_.GetDeviceNumber(device);
  }
  std::optional<int64_t> DriveGeometryDiskSize(const platform::DeviceHandle& device, uint32_t bufferBytes) override {
    return inner_.DriveGeometryDiskSize(device, bufferBytes);
  }
  std::optional<platform::PartitionInformationEx> PartitionInfo(const platform::DeviceHandle& device,
                                                                uint32_t bufferBytes) override {
    return inner_.PartitionInfo(device, bufferBytes);
  }
  uint32_t LogicalDrives() override { return inner_.LogicalDrives(); }
  uint32_t QueryDriveType(const std::wstring& root) override {
    {
      std::lock_guard lock(owner_.mutex_);
      auto found = owner_.driveTypes.find(root);
      if (found != owner_.driveTypes.end()) return found->second;
    }
    return inner_.QueryDriveType(root);
  }
  std::optional<std::vector<std::wstring>> LogicalDriveStrings(uint32_t bufferChars) override {
    return inner_.LogicalDriveStrings(bufferChars);
  }
  bool DefineDosDevice(uint32_t flags, const std::wstring& deviceName,
                       const std::optional<std::wstring>& targetPath) override {
    std::lock_guard lock(owner_.mutex_);
    calls_.push_back({flags, deviceName, targetPath});
    return owner_.mappingsSucceed;
  }
  std::optional<std::vector<platform::DiskDeviceElement>> DiskInterfaces(uint32_t friendlyNameBufferBytes) override {
    return inner_.DiskInterfaces(friendlyNameBufferBytes);
  }

  std::vector<DosDeviceCall> calls_;  // under the owner's mutex

 private:
  RecordingPlatform& owner_;
  platform::Storage& inner_;
};

class RecordingPlatform::RecordingProcesses : public platform::Processes {
 public:
  explicit RecordingProcesses(RecordingPlatform& owner) : owner_(owner) {}
  std::optional<platform::ProcessHandle> ShellExecuteEx(const platform::ShellExecuteRequest& request) override {
    size_t index;
    std::function<bool(const platform::ShellExecuteRequest&)> onStart;
    {
      std::lock_guard lock(owner_.mutex_);
      index = starts_.size();
      starts_.push_back({request, false});
      onStart = owner_.onStart;
    }
    if (onStart && !onStart(request)) return std::nullopt;
    return platform::ProcessHandle{std::make_shared<size_t>(index)};
  }
  void WaitForExit(const platform::ProcessHandle& process) override {
    std::lock_guard lock(owner_.mutex_);
    starts_.at(*static_cast<size_t*>(process.native.get())).waited = true;
  }

  std::vector<Start> starts_;  // under the owner's mutex

 private:
  RecordingPlatform& owner_;
};

class RecordingPlatform::RecordingPower : public platform::Power {
 public:
  explicit RecordingPower(RecordingPlatform& owner) : owner_(owner) {}
  std::optional<platform::TokenHandle> OpenProcessToken(uint32_t access) override {
    std::lock_guard lock(owner_.mutex_);
    calls_.tokenAccess.push_back(access);
    if (!owner_.tokenOpens) return std::nullopt;
    return platform::TokenHandle{std::make_shared<int>(0)};
  }
  bool EnablePrivilege(const platform::TokenHandle&, const std::wstring& privilegeName) override {
    std::lock_guard lock(owner_.mutex_);
    calls_.privileges.push_back(privilegeName);
    return true;
  }
  bool ExitWindowsEx(uint32_t flags, uint32_t reason) override {
    std::lock_guard lock(owner_.mutex_);
    calls_.exits.emplace_back(flags, reason);
    return owner_.restartAccepted;
  }

  PowerCalls calls_;  // under the owner's mutex

 private:
  RecordingPlatform& owner_;
};

class RecordingPlatform::RecordingLog : public platform::Console {
 public:
  explicit RecordingLog(RecordingPlatform& owner) : owner_(owner) {}
  bool Open(const std::wstring&) override { return true; }
  void WriteLine(const std::string& narrowText) override { Write(narrowText + "\n"); }
  void Write(const std::string& narrowText) override {
    std::lock_guard lock(owner_.mutex_);
    text_ += narrowText;
  }

  std::string text_;  // under the owner's mutex

 private:
  RecordingPlatform& owner_;
};

RecordingPlatform::RecordingPlatform(platform::Platform& inner)
    : inner_(inner),
      system_(std::make_unique<RecordingSystem>(*this)),
      storage_(std::make_unique<RecordingStorage>(*this)),
      processes_(std::make_unique<RecordingProcesses>(*this)),
      power_(std::make_unique<RecordingPower>(*this)),
      log_(std::make_unique<RecordingLog>(*this)) {}

RecordingPlatform::~RecordingPlatform() = default;

std::vector<RecordingPlatform::Start> RecordingPlatform::Starts() const {
  std::lock_guard lock(mutex_);
  return processes_->starts_;
}

std::vector<RecordingPlatform::DosDeviceCall> RecordingPlatform::DosDeviceCalls() const {
  std::lock_guard lock(mutex_);
  return storage_->calls_;
}

RecordingPlatform::PowerCalls RecordingPlatform::Power() const {
  std::lock_guard lock(mutex_);
  return power_->calls_;
}

std::string RecordingPlatform::Log() const {
  std::lock_guard lock(mutex_);
  return log_->text_;
}

platform::Files& RecordingPlatform::files() { return inner_.files(); }
platform::Profiles& RecordingPlatform::profiles() { return inner_.profiles(); }
platform::Storage& RecordingPlatform::storage() { return *storage_; }
platform::Registry& RecordingPlatform::registry() { return inner_.registry(); }
platform::Network& RecordingPlatform::network() { return inner_.network(); }
platform::System& RecordingPlatform::system() { return *system_; }
platform::Console& RecordingPlatform::console() { return *log_; }
platform::Modules& RecordingPlatform::modules() { return inner_.modules(); }
platform::MessageBoxes& RecordingPlatform::messageBoxes() { return inner_.messageBoxes(); }
platform::Processes& RecordingPlatform::processes() { return *processes_; }
platform::Power& RecordingPlatform::power() { return *power_; }
platform::Windows& RecordingPlatform::windows() { return inner_.windows(); }

}  // namespace testing_support
