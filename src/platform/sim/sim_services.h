#pragma once
// The simulated machine's answers to each concern of the platform seam.

#include <mutex>
#include <set>

#include "platform/platform.h"
#include "platform/sim/sim_platform.h"

namespace sim {

// A lettered volume and the disk that holds it.
struct VolumeOnDisk {
  const Disk* disk = nullptr;
  const Partition* volume = nullptr;
};
std::optional<VolumeOnDisk> FindVolume(const MachineConfig& machine, wchar_t letter);
// Partition `number` of disk `disk`, when the machine has it; number 0 (the whole disk)
// is no partition.
std::optional<VolumeOnDisk> FindPartition(const MachineConfig& machine, uint32_t disk, uint32_t number);

class SimFiles : public platform::Files {
 public:
  explicit SimFiles(const SimPlatform& machine) : machine_(machine) {}
  bool DirectoryExists(const std::wstring& path) override;
  bool CreateDirectory(const std::wstring& path) override;
  std::optional<std::string> ReadFile(const std::wstring& path) override;
  bool ReadFileInChunks(const std::wstring& path, size_t chunkBytes,
                        const std::function<void(const char* data, size_t size)>& consume) override;
  std::unique_ptr<platform::OpenFile> OpenFileForReading(const std::wstring& path) override;
  std::unique_ptr<platform::OpenFile> CreateFileForWriting(const std::wstring& path) override;
  bool FileExists(const std::wstring& path) override;
  bool WriteFile(const std::wstring& path, const std::string& bytes) override;
  bool RemoveFile(const std::wstring& path) override;
  uint32_t GetFileAttributes(const std::wstring& path) override;
  bool SetFileAttributes(const std::wstring& path, uint32_t attributes) override;
  bool CopyFile(const std::wstring& from, const std::wstring& to, bool failIfExists) override;
  uint32_t CopyFileEx(const std::wstring& from, const std::wstring& to, const platform::CopyProgress& progress) override;
  std::shared_ptr<void> LockFile(const std::wstring& path) override;
  std::optional<std::vector<platform::DirectoryEntry>> ListDirectory(const std::wstring& path) override;
  std::optional<platform::DiskFreeSpace> QueryDiskFreeSpace(const std::wstring& path) override;
  std::optional<platform::VolumeInformation> QueryVolumeInformation(const std::wstring& root, uint32_t labelChars,
                                                                    uint32_t fileSystemChars) override;

 private:
  // Whether the host path is one of the Windows paths of a fault list.
  bool Listed(const std::vector<std::wstring>& faultPaths, const std::filesystem::path& host) const;
  const SimPlatform& machine_;
};

class SimProfiles : public platform::Profiles {
 public:
  explicit SimProfiles(const SimPlatform& machine) : machine_(machine) {}
  bool WriteString(const std::wstring& section, const std::wstring& key, const std::wstring& value,
                   const std::wstring& path) override;
  std::wstring ReadString(const std::wstring& section, const std::wstring& key, const std::wstring& defaultValue,
                          const std::wstring& path) override;

 private:
  const SimPlatform& machine_;
  std::mutex lock_;  // one read-modify-write of a file at a time, as the system serialises them
};

class SimStorage : public platform::Storage {
 public:
  explicit SimStorage(const SimPlatform& machine) : machine_(machine) {}
  std::optional<platform::DeviceHandle> OpenDevice(const std::wstring& path, platform::DeviceAccess access) override;
  std::optional<std::vector<platform::DiskExtent>> VolumeDiskExtents(const platform::DeviceHandle& device,
                                                                     uint32_t bufferBytes) override;
  std::optional<platform::StorageDeviceDescriptor> StorageDeviceProperty(const platform::DeviceHandle& device,
                                                                          uint32_t bufferBytes) override;
  std::optional<uint32_t> StorageDevicePropertySize(const platform::DeviceHandle& device) override;
  std::optional<platform::StorageDeviceNumber> GetDeviceNumber(const platform::DeviceHandle& device) override;
  std::optional<int64_t> DriveGeometryDiskSize(const platform::DeviceHandle& device, uint32_t bufferBytes) override;
  std::optional<platform::PartitionInformationEx> PartitionInfo(const platform::DeviceHandle& device,
                                                                uint32_t bufferBytes) override;
  uint32_t LogicalDrives() override;
  uint32_t QueryDriveType(const std::wstring& root) override;
  std::optional<std::vector<std::wstring>> LogicalDriveStrings(uint32_t bufferChars) override;
  bool DefineDosDevice(uint32_t flags, const std::wstring& deviceName,
                       const std::optional<std::wstring>& targetPath) override;
  std::optional<std::vector<platform::DiskDeviceElement>> DiskInterfaces(uint32_t friendlyNameBufferBytes) override;

 private:
  const SimPlatform& machine_;
};

class SimRegistry : public platform::Registry {
 public:
  explicit SimRegistry(const SimPlatform& machine) : machine_(machine) {}
  std::optional<platform::RegistryKey> OpenKey(platform::RegistryRoot root, const std::wstring& path) override;
  std::optional<platform::RegistryKey> OpenSubkey(const platform::RegistryKey& parent, const std::wstring& name) override;
  std::optional<uint32_t> SubkeyCount(const platform::RegistryKey& key) override;
  std::optional<std::string> ReadAnsiString(const platform::RegistryKey& key, const std::string& name,
                                            uint32_t bufferBytes) override;
  std::optional<uint32_t> ReadDword(const platform::RegistryKey& key, const std::string& name) override;
  std::optional<std::wstring> ReadWideString(const platform::RegistryKey& key, const std::wstring& name,
                                             uint32_t bufferBytes) override;

 private:
  const RegistryValue* Find(const platform::RegistryKey& key, const std::string& name) const;
  bool KeyExists(const std::wstring& foldedPath) const;
  const SimPlatform& machine_;
};

class SimNetwork : public platform::Network {
 public:
  explicit SimNetwork(const SimPlatform& machine) : machine_(machine) {}
  platform::AdapterAddressesReply GetAdaptersAddresses(uint32_t bufferBytes) override;
  platform::AdaptersInfoReply GetAdaptersInfo(uint32_t bufferBytes) override;
  bool CheckConnection(const std::wstring& url) override;

 private:
  const SimPlatform& machine_;
};

class SimSystem : public platform::System {
 public:
  explicit SimSystem(const SimPlatform& machine) : machine_(machine) {}
  std::wstring SystemDirectory() override;
  std::wstring ModuleFileName() override;
  std::optional<std::wstring> SpecialFolderPath(int csidl) override;
  std::optional<platform::FileVersion> ProductVersion(const std::wstring& path) override;
  std::optional<platform::OsVersion> GetVersion() override;
  int64_t CurrentTime() override;
  void SeedRandom(uint32_t seed) override;
  int NextRandom() override;
  std::optional<bool> IsWow64Process() override;
  platform::MemoryQueryReply QueryPhysicalMemory() override;
  [[noreturn]] void ExitProcess(int exitCode) override;

 private:
  const SimPlatform& machine_;
  std::mutex randomLock_;
  uint32_t randomState_ = 1;  // the run-time library starts as if seeded with 1
};

class SimConsole : public platform::Console {
 public:
  explicit SimConsole(const SimPlatform& machine) : machine_(machine) {}
  bool Open(const std::wstring& title) override;
  void WriteLine(const std::string& narrowText) override;
  void Write(const std::string& narrowText) override;

 private:
  const SimPlatform& machine_;
  std::mutex lock_;
  bool open_ = false;
};

// Libraries are host shared objects put where the Windows library would lie
// (drives/D/Tarnvik/xldl.dll), loaded with dlopen.
class SimModules : public platform::Modules {
 public:
  explicit SimModules(const SimPlatform& machine) : machine_(machine) {}
  std::optional<platform::ModuleHandle> LoadLibrary(const std::wstring& name) override;
  void* GetProcAddress(const platform::ModuleHandle& module, const std::string& name) override;
  void FreeLibrary(const platform::ModuleHandle& module) override;

 private:
  const SimPlatform& machine_;
};

// Each message box is appended to state/messageboxes.jsonl and answered with OK.
class SimMessageBoxes : public platform::MessageBoxes {
 public:
  explicit SimMessageBoxes(const SimPlatform& machine) : machine_(machine) {}
  int Show(const std::wstring& text, const std::wstring& caption, uint32_t type) override;

 private:
  const SimPlatform& machine_;
};

// Starts cmd.exe (the machine's own interpreter, on a thread of its own) and Linux
// programs put where Windows programs lie; every start is recorded in state/.
class SimProcesses : public platform::Processes {
 public:
  explicit SimProcesses(SimPlatform& machine) : machine_(machine) {}
  ~SimProcesses() override;
  std::optional<platform::ProcessHandle> ShellExecuteEx(const platform::ShellExecuteRequest& request) override;
  void WaitForExit(const platform::ProcessHandle& process) override;

 private:
  struct Job;
  SimPlatform& machine_;
  std::mutex jobsLock_;
  std::vector<std::shared_ptr<Job>> jobs_;  // the runs not known to have ended
};

class SimPower : public platform::Power {
 public:
  explicit SimPower(const SimPlatform& machine) : machine_(machine) {}
  std::optional<platform::TokenHandle> OpenProcessToken(uint32_t access) override;
  bool EnablePrivilege(const platform::TokenHandle& token, const std::wstring& privilegeName) override;
  bool ExitWindowsEx(uint32_t flags, uint32_t reason) override;

 private:
  const SimPlatform& machine_;
  std::mutex lock_;
  std::set<std::wstring> enabled_;  // the privileges enabled in the process token, folded
};

}  // namespace sim
