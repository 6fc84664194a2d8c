#pragma once
// The description of a simulated machine, read from its machine.json. The schema is
// documented in tools/machines/README.md.

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <variant>
#include <vector>

#include <json/value.h>

#include "platform/platform.h"

namespace sim {

// A machine.json that is missing, malformed or incomplete; the text names the file and
// the field.
class MachineError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct Partition {
  // Who the partition is across changes of the disk's layout (state/disks.json); a
  // partition of machine.json is its place in the disk's list, from 1.
  uint32_t id = 0;
  uint32_t number = 0;  // its entry in the partition table, from 1
  std::string type;  // "basic", "efi", "msr", "recovery", "hidden"
  bool active = false;
  int64_t offsetBytes = 0;
  int64_t sizeBytes = 0;
  wchar_t letter = 0;  // 0 when the volume has no drive letter
  std::wstring label;
  std::wstring fileSystem;
  int64_t freeBytes = 0;
  std::vector<uint32_t> alsoOnDisks;  // further disks a spanned volume extends over
};

// A file fbinst added to a disk's hidden boot area.
struct BootAreaFile {
  std::string name;    // as the boot area calls it, "x64Pe.iso"
  std::string source;  // the Windows path it came from (UTF-8)
  int64_t sizeBytes = 0;
};

// The hidden boot area fbinst writes before a disk's first partition.
struct BootArea {
  bool formatted = false;
  std::string archive;  // the Windows path of the archive written with the format; empty: none
  std::vector<BootAreaFile> files;
};

struct Disk {
  uint32_t number = 0;
  uint32_t busType = platform::kBusUnknown;
  bool removableMedia = false;
  int64_t sizeBytes = 0;
  std::string style;  // "mbr", "gpt" or "raw"
  std::string friendlyName;  // empty: the device registry gives the disk no name
  bool noMedia = false;      // a reader slot without a card: its volumes answer nothing
  std::vector<Partition> partitions;  // in partition table order
  // The letter the partitioning tools give the disk's first table entry (removable media
  // show one volume): state/disks.json's, else that of the first lettered partition.
  wchar_t letter = 0;
  std::optional<BootArea> bootArea;  // nothing until fbinst wrote one
};

struct Adapter {
  std::string name;
  std::wstring description;
  std::vector<uint8_t> address;
  uint32_t ifType = 6;
  std::string ipAddress;
  bool inAddresses = true;  // listed by GetAdaptersAddresses
  bool inInfo = true;       // listed by GetAdaptersInfo
};

struct MemoryModule {
  std::string bankLabel;
  int64_t capacityBytes = 0;
  bool hasText = true;  // false: the object gives no MOF text
};

struct Memory {
  std::vector<MemoryModule> modules;
  platform::MemoryQueryStep failAt = platform::MemoryQueryStep::None;
  uint32_t errorCode = 0x80004005;  // E_FAIL
};

using RegistryValue = std::variant<std::string, uint32_t>;

// Failures the machine is told to produce, for reaching the callers' error branches.
struct Faults {
  std::string adapterAddresses;     // "", "overflow" (always too small) or "error"
  std::string adaptersInfo;         // "", "probe", "allocate" or "error"
  std::set<std::wstring> registryKeyInfo;  // keys (folded) whose information cannot be read
  std::set<std::wstring> devices;          // device paths (folded) that cannot be opened
  // Storage controls that fail, by control ("deviceNumber", "partitionInfo",
  // "driveGeometry"), on these device paths (folded).
  std::map<std::string, std::set<std::wstring>> controls;
  bool version = false;       // GetVersionExW fails
  bool processToken = false;  // OpenProcessToken is refused
  bool restart = false;       // ExitWindowsEx refuses every request
  // Windows paths of files that cannot be opened for reading (held open by another
  // program), and of files that cannot be created or written (access denied).
  std::vector<std::wstring> unreadableFiles;
  std::vector<std::wstring> unwritableFiles;
  // The simulated window tools: drive letters the ISO writer's drive list leaves out,
  // disks the boot store editor's disk list leaves out, and an editor that never opens.
  std::set<wchar_t> isoWriterUnlistedLetters;
  std::set<uint32_t> booticeUnlistedDisks;
  bool booticeNoEditor = false;
  // Disks (by number) the partitioning tool cannot lock, so it deletes nothing on them.
  std::set<uint32_t> gdiskLockedDisks;
};

struct MachineConfig {
  std::wstring systemDirectory;
  std::wstring programPath;
  std::optional<bool> wow64 = false;  // nothing: IsWow64Process does not exist
  platform::OsVersion version{6, 1, 7601};  // Windows 7 SP1 unless machine.json says otherwise
  Memory memory;
  std::map<std::wstring, platform::FileVersion> fileVersions;  // by folded path
  std::optional<int64_t> fixedTime;
  bool networkUp = true;
  std::vector<Adapter> adapters;
  // Keys by folded path ("HKLM\\SOFTWARE\\..."), values by folded name.
  std::map<std::wstring, std::map<std::string, RegistryValue>> registry;
  std::vector<Disk> disks;
  std::map<int, std::wstring> specialFolders;  // by CSIDL
  Faults faults;
};

MachineConfig LoadMachineConfig(const std::filesystem::path& machineJson);

// A disk's "partitions" array in machine.json's schema (`field` names it in complaints,
// `file` the file), each given its place in the list as its id; throws MachineError.
std::vector<Partition> ParsePartitionList(const Json::Value& list, const std::string& file, const std::string& field);

// One drive letter ("E", upper or lower case) or "" for none; throws MachineError.
wchar_t ParseDriveLetter(const Json::Value& value, const std::string& file, const std::string& field);

// Digits only, at most nine of them; nothing for anything else.
std::optional<uint32_t> ParseDecimal(std::wstring_view digits);

// Windows compares paths, registry keys and value names without case.
std::wstring FoldCase(std::wstring_view text);
std::string FoldCase(std::string_view text);

}  // namespace sim
