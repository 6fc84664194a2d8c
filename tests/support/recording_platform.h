#pragma once
// A platform for tests that only need the console: it records every log line and
// answers every other operation with "nothing there". Install it with
// platform::ScopedPlatform for the scope of a test.

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace testing_support {

class RecordingConsolePlatform : public platform::Platform {
 public:
  RecordingConsolePlatform();
  ~RecordingConsolePlatform() override;

  // The lines written so far, oldest first.
  std::vector<std::string> Lines() const;

  platform::Files& files() override;
  platform::Profiles& profiles() override;
  platform::Storage& storage() override;
  platform::Registry& registry() override;
  platform::Network& network() override;
  platform::System& system() override;
  platform::Console& console() override;
  platform::Modules& modules() override;
  platform::MessageBoxes& messageBoxes() override;
  platform::Processes& processes() override;
  platform::Power& power() override;
  platform::Windows& windows() override;

 private:
  class RecordingConsole;
  class Empty;

  std::unique_ptr<RecordingConsole> console_;
  std::unique_ptr<Empty> empty_;
};

// A platform that passes every call on to another one (a temporary machine) except those
// a test needs to see or steer: the programs started, the Windows version, the drive
// types of bare drive names ("E:") and the DOS device mappings, the restart, and the
// log. Install it with platform::ScopedPlatform inside the scope of the other one.
class RecordingPlatform : public platform::Platform {
 public:
  explicit RecordingPlatform(platform::Platform& inner);
  ~RecordingPlatform() override;

  struct Start {
    platform::ShellExecuteRequest request;
    bool waited = false;
  };
  // Every ShellExecuteEx so far, oldest first, refused ones included.
  std::vector<Start> Starts() const;
  // What a start does on the machine before it ends; false refuses the start. Unset: every
  // start succeeds and does nothing. Called on the starting thread.
  std::function<bool(const platform::ShellExecuteRequest&)> onStart;

  // What GetVersion answers; nothing makes it fail. Windows 10 unless a test sets another.
  std::optional<platform::OsVersion> version = platform::OsVersion{10, 0, 19045};

  // QueryDriveType of these names answers the type given; other names go to the inner
  // platform.
  std::map<std::wstring, uint32_t> driveTypes;
  struct DosDeviceCall {
    uint32_t flags = 0;
    std::wstring name;
    std::optional<std::wstring> target;
  };
  // Every DefineDosDevice so far; each is answered with `mappingsSucceed`.
  std::vector<DosDeviceCall> DosDeviceCalls() const;
  bool mappingsSucceed = true;

  // The restart: whether the process token opens and ExitWindowsEx accepts.
  bool tokenOpens = true;
  bool restartAccepted = true;
  struct PowerCalls {
    std::vector<uint32_t> tokenAccess;                 // OpenProcessToken
    std::vector<std::wstring> privileges;              // EnablePrivilege
    std::vector<std::pair<uint32_t, uint32_t>> exits;  // ExitWindowsEx flags and reason
  };
  PowerCalls Power() const;

  // Everything logged so far, as written: a line with its "\n", trace text as it is.
  std::string Log() const;

  platform::Files& files() override;
  platform::Profiles& profiles() override;
  platform::Storage& storage() override;
  platform::Registry& registry() override;
  platform::Network& network() override;
  platform::System& system() override;
  platform::Console& console() override;
  platform::Modules& modules() override;
  platform::MessageBoxes& messageBoxes() override;
  platform::Processes& processes() override;
  platform::Power& power() override;
  platform::Windows& windows() override;

 private:
  class RecordingSystem;
  class RecordingStorage;
  class RecordingProcesses;
  class RecordingPower;
  class RecordingLog;

  platform::Platform& inner_;
  mutable std::mutex mutex_;  // guards what the parts below record
  std::unique_ptr<RecordingSystem> system_;
  std::unique_ptr<RecordingStorage> storage_;
  std::unique_ptr<RecordingProcesses> processes_;
  std::unique_ptr<RecordingPower> power_;
  std::unique_ptr<RecordingLog> log_;
};

}  // namespace testing_support
