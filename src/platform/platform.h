#pragma once
// The one seam between the program and the operating system. The program's own code
// calls these operations and nothing else of the OS. The one implementation so far is the
// simulated Windows machine of the Linux build (platform/sim); a Windows build would answer
// them with the Windows API and is not written yet.
//
// Operations stay at the level of the Windows calls they stand for (open a device, then
// query it; a call that reports "buffer too small" with the size it wants), so that the
// order of queries and the failure branches live in the caller's code.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace platform {

// Windows error codes the callers branch on.
inline constexpr uint32_t kErrorSuccess = 0;
inline constexpr uint32_t kErrorFileNotFound = 2;
inline constexpr uint32_t kErrorPathNotFound = 3;
inline constexpr uint32_t kErrorAccessDenied = 5;
inline constexpr uint32_t kErrorNotEnoughMemory = 8;
inline constexpr uint32_t kErrorWriteFault = 29;
inline constexpr uint32_t kErrorReadFault = 30;
inline constexpr uint32_t kErrorSharingViolation = 32;
inline constexpr uint32_t kErrorBufferOverflow = 111;
inline constexpr uint32_t kErrorDiskFull = 112;
inline constexpr uint32_t kErrorRequestAborted = 1235;

// One direct entry of a folder.
struct DirectoryEntry {
  std::wstring name;
  bool isDirectory = false;
  int64_t size = 0;  // bytes; 0 for a folder
  int64_t lastWriteTime = 0;  // FILETIME: 100-nanosecond intervals since 1601
};

// 1970-01-01 as a FILETIME: the 100-nanosecond intervals from 1601 to then.
inline constexpr int64_t kFileTimeOf1970 = 116444736000000000;

// GetDiskFreeSpaceExW: free bytes available to the caller, total bytes, total free bytes.
struct DiskFreeSpace {
  uint64_t freeBytesAvailable = 0;
  uint64_t totalBytes = 0;
  uint64_t totalFreeBytes = 0;
};

// File attributes of GetFileAttributesW and SetFileAttributesW.
inline constexpr uint32_t kFileAttributeReadOnly = 0x01;
inline constexpr uint32_t kFileAttributeHidden = 0x02;
inline constexpr uint32_t kFileAttributeSystem = 0x04;
inline constexpr uint32_t kFileAttributeDirectory = 0x10;
inline constexpr uint32_t kFileAttributeArchive = 0x20;
inline constexpr uint32_t kFileAttributeNormal = 0x80;  // set alone: no other attribute
inline constexpr uint32_t kInvalidFileAttributes = 0xFFFFFFFF;

// The progress routine of CopyFileEx: the bytes copied so far and the file's size, after
// each chunk; false cancels the copy.
using CopyProgress = std::function<bool(int64_t copiedBytes, int64_t totalBytes)>;

struct VolumeInformation {
  std::wstring label;
  std::wstring fileSystem;
};

// An open file read or written piece by piece from its start (ReadFile, WriteFile on a
// handle of CreateFileW); closed when the object goes.
class OpenFile {
 public:
  virtual ~OpenFile() = default;
  // Up to `size` bytes into `data`: how many were read, 0 at the end of the file, nothing
  // when the read fails.
  virtual std::optional<size_t> Read(char* data, size_t size) = 0;
  // All `size` bytes, or false.
  virtual bool Write(const char* data, size_t size) = 0;
};

// Files and folders, by Windows path ("C:\\a\\b").
class Files {
 public:
  virtual ~Files() = default;
  virtual bool DirectoryExists(const std::wstring& path) = 0;
  // Creates one folder; fails when its parent is missing or it exists already.
  virtual bool CreateDirectory(const std::wstring& path) = 0;
  // The whole file as bytes, or nothing when it cannot be opened.
  virtual std::optional<std::string> ReadFile(const std::wstring& path) = 0;
  // The file from start to end, handed to `consume` in pieces of at most `chunkBytes`, so
  // that a file of several gigabytes is never held whole; false when it cannot be opened
  // or a read fails.
  virtual bool ReadFileInChunks(const std::wstring& path, size_t chunkBytes,
                                const std::function<void(const char* data, size_t size)>& consume) = 0;
  // CreateFileW of an existing file for reading; nothing when it cannot be opened, as a
  // file another program holds.
  virtual std::unique_ptr<OpenFile> OpenFileForReading(const std::wstring& path) = 0;
  // CreateFileW with CREATE_ALWAYS for writing: a new file, or an existing one emptied.
  // Nothing under WriteFile's conditions (a missing folder, a read-only file).
  virtual std::unique_ptr<OpenFile> CreateFileForWriting(const std::wstring& path) = 0;
  // Whether a file (not a folder) exists at the path.
  virtual bool FileExists(const std::wstring& path) = 0;
  // Creates or replaces a file with these bytes; false when it cannot be written, as over
  // a read-only file. A hidden or system file keeps its attributes.
  virtual bool WriteFile(const std::wstring& path, const std::string& bytes) = 0;
  // DeleteFileW: fails on a read-only file, as on Windows.
  virtual bool RemoveFile(const std::wstring& path) = 0;
  // GetFileAttributesW of a file or folder; kInvalidFileAttributes when nothing is there.
  virtual uint32_t GetFileAttributes(const std::wstring& path) = 0;
  // SetFileAttributesW; kFileAttributeNormal clears read-only, hidden and system.
  virtual bool SetFileAttributes(const std::wstring& path, uint32_t attributes) = 0;
  // CopyFileW: the target gets the source's bytes and attributes. Fails when the source
  // is missing, when `failIfExists` and the target exists, and, as on Windows, when an
  // existing target is read-only, or hidden or system while the source is not.
  virtual bool CopyFile(const std::wstring& from, const std::wstring& to, bool failIfExists) = 0;
  // CopyFileExW over an existing target, for large files: the bytes go in chunks, with
  // `progress` (may be empty) called after each. The target gets the source's attributes
  // under CopyFile's rules. kErrorSuccess, or the Windows error of the failure
  // (kErrorFileNotFound, kErrorPathNotFound, kErrorAccessDenied, kErrorSharingViolation,
  // kErrorDiskFull, kErrorRequestAborted when `progress` cancelled); a target left
  // incomplete is removed.
  virtual uint32_t CopyFileEx(const std::wstring& from, const std::wstring& to, const CopyProgress& progress) = 0;
  // Takes an exclusive lock on the file (created empty when missing) that every process
  // of the machine honours, waiting while another holds it (LockFileEx); the lock lasts as
  // long as the returned holder. Nothing when the file cannot be opened.
  virtual std::shared_ptr<void> LockFile(const std::wstring& path) = 0;
  // The direct entries of a folder ("." and ".." left out), or nothing when it cannot be
  // listed.
  virtual std::optional<std::vector<DirectoryEntry>> ListDirectory(const std::wstring& path) = 0;
  // GetDiskFreeSpaceExW on a path of a volume.
  virtual std::optional<DiskFreeSpace> QueryDiskFreeSpace(const std::wstring& path) = 0;
  // GetVolumeInformationW on a root ("C:\\") with buffers of these many characters;
  // `labelChars` 0 does not ask for the label.
  virtual std::optional<VolumeInformation> QueryVolumeInformation(const std::wstring& root, uint32_t labelChars,
                                                                uint32_t fileSystemChars) = 0;
};

// INI files, as the system's profile-string calls (WritePrivateProfileStringW,
// GetPrivateProfileStringW) keep them: sections and keys match without case, other lines
// stay as they are, and a file the writer creates is text in the ANSI code page.
class Profiles {
 public:
  virtual ~Profiles() = default;
  // Sets `key` of `section` to `value`, adding the key at the end of its section and the
  // section at the end of the file when missing. Fails when the file cannot be written.
  virtual bool WriteString(const std::wstring& section, const std::wstring& key, const std::wstring& value,
                           const std::wstring& path) = 0;
  // The value of `key` in `section`, blanks around it removed; `defaultValue` when the
  // file, the section or the key is missing.
  virtual std::wstring ReadString(const std::wstring& section, const std::wstring& key,
                                  const std::wstring& defaultValue, const std::wstring& path) = 0;
};

// An open device (volume or physical drive). Closed when the last copy goes.
struct DeviceHandle {
  std::wstring path;
  std::shared_ptr<void> native;
};

enum class DeviceAccess { QueryOnly, Read, ReadWrite };

struct DiskExtent {
  uint32_t diskNumber = 0;
  int64_t startingOffset = 0;
  int64_t extentLength = 0;
};

// Storage bus types as the system numbers them.
enum BusType : uint32_t {
  kBusUnknown = 0, kBusScsi = 1, kBusAtapi = 2, kBusAta = 3, kBus1394 = 4, kBusSsa = 5,
  kBusFibre = 6, kBusUsb = 7, kBusRaid = 8, kBusIscsi = 9, kBusSas = 10, kBusSata = 11,
  kBusSd = 12, kBusMmc = 13, kBusVirtual = 14, kBusFileBackedVirtual = 15, kBusSpaces = 16,
  kBusNvme = 17,
};

struct StorageDeviceDescriptor {
  uint32_t busType = kBusUnknown;
  bool removableMedia = false;
  std::string vendorId;
  std::string productId;
};

// IOCTL_STORAGE_GET_DEVICE_NUMBER.
struct StorageDeviceNumber {
  uint32_t deviceType = 0;
  uint32_t deviceNumber = 0;
  uint32_t partitionNumber = 0;
};

enum PartitionStyle : uint32_t { kPartitionStyleMbr = 0, kPartitionStyleGpt = 1, kPartitionStyleRaw = 2 };

// IOCTL_DISK_GET_PARTITION_INFO_EX. The GPT type is the GUID in upper-case text without
// braces ("C12A7328-F81F-11D2-BA4B-00A0C93EC93B").
struct PartitionInformationEx {
  uint32_t style = kPartitionStyleRaw;
  uint32_t partitionNumber = 0;
  int64_t startingOffset = 0;
  int64_t partitionLength = 0;
  bool mbrBootIndicator = false;
  std::string gptPartitionType;
};

// Drive types of GetDriveTypeW.
enum DriveType : uint32_t {
  kDriveUnknown = 0, kDriveNoRootDir = 1, kDriveRemovable = 2, kDriveFixed = 3, kDriveRemote = 4,
  kDriveCdRom = 5, kDriveRamDisk = 6,
};

// One element of the present disk interfaces (SetupDiGetClassDevsW of
// GUID_DEVINTERFACE_DISK): its friendly name, nothing when that property cannot be read,
// and the device path of each of its interfaces in order, nothing where the interface
// detail cannot be had.
struct DiskDeviceElement {
  std::optional<std::wstring> friendlyName;
  std::vector<std::optional<std::wstring>> interfacePaths;
};

// DefineDosDeviceW flags.
inline constexpr uint32_t kDddRawTargetPath = 0x1;
inline constexpr uint32_t kDddRemoveDefinition = 0x2;

// Storage queries on volumes ("\\\\.\\C:"), disks ("\\\\.\\PhysicalDrive0"), partitions
// ("\\\\?\\Harddisk0Partition1") and disk interfaces.
class Storage {
 public:
  virtual ~Storage() = default;
  virtual std::optional<DeviceHandle> OpenDevice(const std::wstring& path, DeviceAccess access) = 0;
  // IOCTL_VOLUME_GET_VOLUME_DISK_EXTENTS into a buffer of `bufferBytes`; fails when the
  // extents do not fit.
  virtual std::optional<std::vector<DiskExtent>> VolumeDiskExtents(const DeviceHandle& device,
                                                                   uint32_t bufferBytes) = 0;
  // IOCTL_STORAGE_QUERY_PROPERTY for the device descriptor (property 0, standard query).
  virtual std::optional<StorageDeviceDescriptor> StorageDeviceProperty(const DeviceHandle& device,
                                                                        uint32_t bufferBytes) = 0;
  // The same query into an 8-byte header only: the Size the whole descriptor needs.
  virtual std::optional<uint32_t> StorageDevicePropertySize(const DeviceHandle& device) = 0;
  virtual std::optional<StorageDeviceNumber> GetDeviceNumber(const DeviceHandle& device) = 0;
  // IOCTL_DISK_GET_DRIVE_GEOMETRY_EX into a buffer of `bufferBytes`: the DiskSize.
  virtual std::optional<int64_t> DriveGeometryDiskSize(const DeviceHandle& device, uint32_t bufferBytes) = 0;
  // IOCTL_DISK_GET_PARTITION_INFO_EX into a buffer of `bufferBytes`.
  virtual std::optional<PartitionInformationEx> PartitionInfo(const DeviceHandle& device, uint32_t bufferBytes) = 0;
  // GetLogicalDrives: bit 0 is A:.
  virtual uint32_t LogicalDrives() = 0;
  // GetDriveTypeW of a root ("C:\\") or a drive name ("C:"); kDriveNoRootDir for a
  // letter that names no drive.
  virtual uint32_t QueryDriveType(const std::wstring& root) = 0;
  // GetLogicalDriveStringsW into a buffer of `bufferChars`: the roots ("C:\\"), in
  // letter order; nothing when they do not fit.
  virtual std::optional<std::vector<std::wstring>> LogicalDriveStrings(uint32_t bufferChars) = 0;
  // DefineDosDeviceW: with kDddRawTargetPath maps a drive name ("Z:") to a device path
  // ("\\device\\Harddisk0\\Partition1"), so that paths on the drive reach that
  // partition's files; with kDddRemoveDefinition and no target removes the mapping.
  virtual bool DefineDosDevice(uint32_t flags, const std::wstring& deviceName,
                               const std::optional<std::wstring>& targetPath) = 0;
  // The present disk interfaces; `friendlyNameBufferBytes` is the size of the buffer the
  // friendly name is read into. Nothing when the set cannot be had.
  virtual std::optional<std::vector<DiskDeviceElement>> DiskInterfaces(uint32_t friendlyNameBufferBytes) = 0;
};

enum class RegistryRoot { LocalMachine, CurrentUser };

// An open registry key, read access. Closed when the last copy goes.
struct RegistryKey {
  std::wstring path;  // below its root, without a leading backslash
  std::shared_ptr<void> native;
};

class Registry {
 public:
  virtual ~Registry() = default;
  virtual std::optional<RegistryKey> OpenKey(RegistryRoot root, const std::wstring& path) = 0;
  virtual std::optional<RegistryKey> OpenSubkey(const RegistryKey& parent, const std::wstring& name) = 0;
  // The number of subkeys, or nothing when the key information cannot be read.
  virtual std::optional<uint32_t> SubkeyCount(const RegistryKey& key) = 0;
  // A string value in the ANSI code page, read into a buffer of `bufferBytes` (the
  // terminating zero included); nothing when absent, not a string or too long.
  virtual std::optional<std::string> ReadAnsiString(const RegistryKey& key, const std::string& name,
                                                    uint32_t bufferBytes) = 0;
  virtual std::optional<uint32_t> ReadDword(const RegistryKey& key, const std::string& name) = 0;
  // A string value as wide text, read into a buffer of `bufferBytes` (the terminating
  // zero included); nothing when absent, not a string or too long.
  virtual std::optional<std::wstring> ReadWideString(const RegistryKey& key, const std::wstring& name,
                                                     uint32_t bufferBytes) = 0;
};

// One adapter as GetAdaptersAddresses reports it.
struct AdapterAddress {
  std::string adapterName;   // the adapter's GUID text
  std::wstring description;
  std::vector<uint8_t> physicalAddress;
  uint32_t ifType = 0;
};

struct AdapterAddressesReply {
  uint32_t error = kErrorSuccess;
  uint32_t requiredBytes = 0;  // with kErrorBufferOverflow: the size the call asks for
  std::vector<AdapterAddress> adapters;
};

// One adapter as GetAdaptersInfo reports it.
struct AdapterInfo {
  std::string adapterName;
  std::string description;  // ANSI code page
  std::vector<uint8_t> address;
  uint32_t type = 0;
  std::string ipAddress;    // the first address of its IP list
};

struct AdaptersInfoReply {
  uint32_t error = kErrorSuccess;
  uint32_t requiredBytes = 0;
  std::vector<AdapterInfo> adapters;
};

class Network {
 public:
  virtual ~Network() = default;
  // GetAdaptersAddresses (family unspecified, prefixes included) into a buffer of
  // `bufferBytes`. kErrorNotEnoughMemory when that buffer cannot be had.
  virtual AdapterAddressesReply GetAdaptersAddresses(uint32_t bufferBytes) = 0;
  // GetAdaptersInfo; `bufferBytes` 0 is the call without a buffer that asks for the size.
  // kErrorNotEnoughMemory when a buffer of that size cannot be had.
  virtual AdaptersInfoReply GetAdaptersInfo(uint32_t bufferBytes) = 0;
  // InternetCheckConnection with a forced connection: whether a connection to the URL's
  // host and port can be made now.
  virtual bool CheckConnection(const std::wstring& url) = 0;
};

// The steps of the WMI query of the installed memory, in the order they run.
enum class MemoryQueryStep {
  None,                // every step succeeded
  InitializeCom,       // CoInitializeEx, multithreaded
  InitializeSecurity,  // CoInitializeSecurity; RPC_E_TOO_LATE counts as success
  CreateLocator,       // the WBEM locator, in-process server
  ConnectServer,       // the namespace ROOT\\CIMV2
  SetProxyBlanket,
  ExecQuery,           // "SELECT BankLabel,Capacity FROM Win32_PhysicalMemory"
};

struct MemoryQueryReply {
  MemoryQueryStep failedStep = MemoryQueryStep::None;
  uint32_t errorCode = 0;  // the HRESULT of the failed step
  // The MOF text of each returned object, nothing where the object gave none.
  std::vector<std::optional<std::wstring>> objectTexts;
};

// GetVersionExW of the running Windows.
struct OsVersion {
  uint32_t major = 0, minor = 0, build = 0;
};

struct FileVersion {
  uint16_t major = 0, minor = 0, build = 0, revision = 0;
};

// Special folders of SHGetSpecialFolderPathW.
inline constexpr int kCsidlDesktop = 0;
inline constexpr int kCsidlPersonal = 5;  // the documents folder
inline constexpr int kCsidlFavorites = 6;

// The machine, the program file, time and the run-time library's random generator.
class System {
 public:
  virtual ~System() = default;
  // GetSystemDirectoryW into a buffer of 260 characters, as returned.
  virtual std::wstring SystemDirectory() = 0;
  // The full path of the program file.
  virtual std::wstring ModuleFileName() = 0;
  // SHGetSpecialFolderPathW without creating the folder: the path of a special folder of
  // the user (kCsidlDesktop ...), nothing when the system knows none.
  virtual std::optional<std::wstring> SpecialFolderPath(int csidl) = 0;
  // The product version of a file's version resource.
  virtual std::optional<FileVersion> ProductVersion(const std::wstring& path) = 0;
  // GetVersionExW; nothing when the call fails.
  virtual std::optional<OsVersion> GetVersion() = 0;
  // Seconds since 1970.
  virtual int64_t CurrentTime() = 0;
  virtual void SeedRandom(uint32_t seed) = 0;
  // The next value of the run-time library's generator, 0 to 32767.
  virtual int NextRandom() = 0;
  // IsWow64Process of the running process, looked up at run time in kernel32: nothing
  // when the function does not exist.
  virtual std::optional<bool> IsWow64Process() = 0;
  // The WMI query of the installed memory modules, on the calling thread; COM is
  // initialised for it and uninitialised again.
  virtual MemoryQueryReply QueryPhysicalMemory() = 0;
  // Ends the process at once with this exit code (ExitProcess).
  [[noreturn]] virtual void ExitProcess(int exitCode) = 0;
};

// ShowWindow commands.
inline constexpr int kSwHide = 0;
inline constexpr int kSwShowNormal = 1;
inline constexpr int kSwShow = 5;
inline constexpr int kSwShowDefault = 10;

// What ShellExecuteExW is asked to start.
struct ShellExecuteRequest {
  std::wstring verb;        // "runas", "open", or empty for none
  std::wstring file;        // a program name ("cmd.exe", "bcdedit.dll") or a full path
  std::wstring parameters;  // the command line after the program, as it is
  std::optional<std::wstring> directory;  // the working folder; nothing: the caller's
  int show = kSwHide;
};

// A started process (the process handle of SEE_MASK_NOCLOSEPROCESS). Closed when the
// last copy goes; the process runs on.
struct ProcessHandle {
  std::shared_ptr<void> native;
};

class Processes {
 public:
  virtual ~Processes() = default;
  // ShellExecuteExW with the process handle requested: the program is found as Windows
  // finds it (the working folder, then the system directory; a name without extension
  // with the extensions of PATHEXT). Nothing when it cannot be started: no such program,
  // a file that is not a program, or a working folder that does not exist.
  virtual std::optional<ProcessHandle> ShellExecuteEx(const ShellExecuteRequest& request) = 0;
  // WaitForSingleObject without time limit: returns when the process has ended.
  virtual void WaitForExit(const ProcessHandle& process) = 0;
};

// A window of any process: the HWND value, 0 for none.
using WindowHandle = uintptr_t;

// Window messages and their values, as the Windows headers number them.
inline constexpr uint32_t kWmSetFocus = 0x0007;
inline constexpr uint32_t kWmClose = 0x0010;
inline constexpr uint32_t kWmKeyDown = 0x0100;
inline constexpr uint32_t kWmKeyUp = 0x0101;
inline constexpr uint32_t kBmClick = 0x00F5;
inline constexpr uint32_t kCbAddString = 0x0143;
inline constexpr uint32_t kCbGetCount = 0x0146;
inline constexpr uint32_t kCbGetCurSel = 0x0147;
inline constexpr uint32_t kCbFindString = 0x014C;
inline constexpr uint32_t kCbSetCurSel = 0x014E;
inline constexpr intptr_t kCbErr = -1;
inline constexpr uintptr_t kVkUp = 0x26;
inline constexpr uintptr_t kVkDown = 0x28;
// The window style bit of a window that takes no input.
inline constexpr uint32_t kWsDisabled = 0x08000000;

// Window automation of the external tools that are driven through their windows: finding
// their windows and controls, reading them and sending them messages as a user's input
// would. The tools' windows belong to other processes; a sent message waits until the
// tool has handled it.
class Windows {
 public:
  virtual ~Windows() = default;
  // FindWindowW: the top-level window of this class and title (both exact), 0 when none.
  virtual WindowHandle FindWindow(const std::wstring& className, const std::wstring& title) = 0;
  // EnumChildWindows: `visit` is called for each child and grandchild of the window in
  // order (z-order, parents before their children) until it returns false.
  virtual void EnumChildWindows(WindowHandle parent, const std::function<bool(WindowHandle)>& visit) = 0;
  // GetClassNameW into a buffer of `bufferChars` (the terminating zero included): the
  // class name cut to fit; empty for no window.
  virtual std::wstring GetClassName(WindowHandle window, size_t bufferChars) = 0;
  // WM_GETTEXT into a buffer of `bufferChars`: the window's text cut to fit (for a combo
  // box the text of its edit field, the selected item).
  virtual std::wstring GetWindowText(WindowHandle window, size_t bufferChars) = 0;
  // CB_GETLBTEXT: the text of item `index` of a combo box; nothing for no such item.
  virtual std::optional<std::wstring> GetComboItemText(WindowHandle window, size_t index) = 0;
  // SendMessageW of a message with number parameters (kWmClose, kBmClick, kCbSetCurSel,
  // kCbGetCount, kCbGetCurSel, kWmKeyDown ...): the window procedure's result; 0 for no
  // window.
  virtual intptr_t SendMessage(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam) = 0;
  // SendMessageW of a message whose lParam is a string (kCbFindString, kCbAddString).
  virtual intptr_t SendMessage(WindowHandle window, uint32_t message, uintptr_t wParam, const std::wstring& text) = 0;
  // PostMessageW: the message is queued for the window and handled later; false for no
  // window.
  virtual bool PostMessage(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam) = 0;
  // ShowWindow with kSwHide, kSwShow ...: whether the window was visible before.
  virtual bool ShowWindow(WindowHandle window, int command) = 0;
  // GetWindowLongW(GWL_STYLE): the window's style bits (kWsDisabled ...); 0 for no window.
  virtual uint32_t GetWindowStyle(WindowHandle window) = 0;
  virtual bool IsWindow(WindowHandle window) = 0;
};

// OpenProcessToken access rights and ExitWindowsEx flags.
inline constexpr uint32_t kTokenQuery = 0x0008;
inline constexpr uint32_t kTokenAdjustPrivileges = 0x0020;
inline constexpr uint32_t kEwxReboot = 0x02;
inline constexpr uint32_t kEwxForceIfHung = 0x10;

// An open access token. Closed when the last copy goes.
struct TokenHandle {
  std::shared_ptr<void> native;
};

// The privilege to shut the machine down, and the restart.
class Power {
 public:
  virtual ~Power() = default;
  // OpenProcessToken of the running process; nothing when it is refused.
  virtual std::optional<TokenHandle> OpenProcessToken(uint32_t access) = 0;
  // LookupPrivilegeValueW of the name and AdjustTokenPrivileges enabling it alone.
  virtual bool EnablePrivilege(const TokenHandle& token, const std::wstring& privilegeName) = 0;
  // ExitWindowsEx: whether the request was accepted. Windows refuses it to a process
  // that has not enabled SeShutdownPrivilege.
  virtual bool ExitWindowsEx(uint32_t flags, uint32_t reason) = 0;
};

// A shared library loaded into the process; valid until FreeLibrary.
struct ModuleHandle {
  std::wstring path;
  void* native = nullptr;
};

// Shared libraries loaded at run time (LoadLibraryW, GetProcAddress, FreeLibrary).
class Modules {
 public:
  virtual ~Modules() = default;
  // A bare name is looked for beside the program first, then in the system directory.
  virtual std::optional<ModuleHandle> LoadLibrary(const std::wstring& name) = 0;
  // The address of an exported name, or nullptr when the library has none.
  virtual void* GetProcAddress(const ModuleHandle& module, const std::string& name) = 0;
  virtual void FreeLibrary(const ModuleHandle& module) = 0;
};

// MessageBoxW type flags and results.
inline constexpr uint32_t kMbOk = 0x00000000;
inline constexpr uint32_t kMbIconError = 0x00000010;
inline constexpr int kIdOk = 1;

// The system message box, for the few messages shown before any window exists.
class MessageBoxes {
 public:
  virtual ~MessageBoxes() = default;
  // A message box without owner; returns the button pressed.
  virtual int Show(const std::wstring& text, const std::wstring& caption, uint32_t type) = 0;
};

// The console of the test switch and the log written to it.
class Console {
 public:
  virtual ~Console() = default;
  // Opens a console with this title and points standard output and input at it.
  virtual bool Open(const std::wstring& title) = 0;
  // One log line on standard output, end-of-line and flush. Shown only where a console
  // is open.
  virtual void WriteLine(const std::string& narrowText) = 0;
  // Text on standard output as it is, with whatever line end it carries, and flush.
  virtual void Write(const std::string& narrowText) = 0;
};

class Platform {
 public:
  virtual ~Platform() = default;
  virtual Files& files() = 0;
  virtual Profiles& profiles() = 0;
  virtual Storage& storage() = 0;
  virtual Registry& registry() = 0;
  virtual Network& network() = 0;
  virtual System& system() = 0;
  virtual Console& console() = 0;
  virtual Modules& modules() = 0;
  virtual MessageBoxes& messageBoxes() = 0;
  virtual Processes& processes() = 0;
  virtual Power& power() = 0;
  virtual Windows& windows() = 0;
};

// The process-wide platform. Installed once at start-up; using it before then is a
// programming error and aborts.
Platform& Current();
void Install(Platform* platform);

// Installs a platform for the life of a scope (tests) and puts the previous one back.
class ScopedPlatform {
 public:
  explicit ScopedPlatform(Platform& platform);
  ~ScopedPlatform();
  ScopedPlatform(const ScopedPlatform&) = delete;
  ScopedPlatform& operator=(const ScopedPlatform&) = delete;

 private:
  Platform* previous_;
};

}  // namespace platform
