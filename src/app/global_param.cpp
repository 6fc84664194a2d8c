#include "app/global_param.h"

#include <cstdio>
#include <sstream>

#include "app/directory_tree.h"
#include "app/system_drive.h"
#include "app/text_helpers.h"
#include "app/volume_location.h"
#include "platform/platform.h"

namespace {

std::shared_ptr<CGlobalParam>& Singleton() {
  static std::shared_ptr<CGlobalParam> instance;
  return instance;
}

CGlobalParam::DeviceIdentitySource& IdentitySource() {
  static CGlobalParam::DeviceIdentitySource source = nullptr;
  return source;
}

// GetModuleFileNameW fills a buffer of this many characters.
constexpr size_t kPathChars = 260;

std::wstring FitPathBuffer(std::wstring path) {
  if (path.size() >= kPathChars) path.resize(kPathChars - 1);
  return path;
}

std::wstring FormatVersion(const platform::FileVersion& v) {
  wchar_t text[32];
  std::swprintf(text, 32, L"%u.%u.%u.%u", v.major, v.minor, v.build, v.revision);
  return text;
}

}  // namespace

ConsoleHolder::ConsoleHolder(const std::wstring& title) : opened_(platform::Current().console().Open(title)) {}

std::shared_ptr<CGlobalParam> CGlobalParam::Instance() {
  auto& instance = Singleton();
  if (!instance) instance = std::make_shared<CGlobalParam>();
  return instance;
}

void CGlobalParam::Release() { Singleton().reset(); }

void CGlobalParam::SetDeviceIdentitySource(DeviceIdentitySource source) { IdentitySource() = source; }

CGlobalParam::CGlobalParam() {
  platform::System& system = platform::Current().system();

  if (DeviceIdentitySource source = IdentitySource()) deviceId = LocalToWide(source());

  systemDrive = SystemDirectoryDrive();

  std::wstring modulePath = FitPathBuffer(system.ModuleFileName());
  programDir = modulePath.substr(0, modulePath.rfind(L'\\') + 1);
  if (programDir.empty()) programDir = L"\\";  // a bare file name: the only sane parent left
  configIniPath = programDir.substr(0, programDir.find(L'\\') + 1) + L"Config.ini";

  if (auto v = system.ProductVersion(modulePath)) version = FormatVersion(*v);

  ReadTestSwitches();

  wchar_t programDrive = programDir[0];
  onUsbOrSystemDrive = IsUsbDisk(DiskNumberOfVolume(programDrive)) || programDrive == systemDrive;

  std::wstring* dirs[] = {&imageDir, &peDir, &cacheDir};
  const wchar_t* names[] = {L"gho-prlm\\", L"PE\\", L"temp\\"};
  for (int i = 0; i < 3; ++i) {
    *dirs[i] = programDir + names[i];
    CreateDirectoryTree(*dirs[i]);
  }
}

void CGlobalParam::ReadTestSwitches() {
  auto text = platform::Current().files().ReadFile(programDir + L"test_ver.test");
  if (!text) return;
  std::istringstream lines(*text);
  std::string line;
  while (std::getline(lines, line)) {
    // Read in text mode: a CR-LF line end is one line end.
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line == "test_miguan") {
      channel = L"T1";
    } else if (line == "test_console" && !console) {
      console = std::make_unique<ConsoleHolder>(L"控制台");
    }
  }
}

void CGlobalParam::InsertSelectedImage(const std::wstring& name) {
  std::lock_guard lock(figuresLock_);
  selectedImages_.insert(name);
}

void CGlobalParam::InsertCompletedImage(const std::wstring& name) {
  std::lock_guard lock(figuresLock_);
  completedImages_.insert(name);
}

void CGlobalParam::AppendDownloadSpeed(int64_t bytesPerSecond) {
  std::lock_guard lock(figuresLock_);
  downloadSpeeds_.push_back(bytesPerSecond);
}

std::set<std::wstring> CGlobalParam::SelectedImages() const {
  std::lock_guard lock(figuresLock_);
  return selectedImages_;
}

std::set<std::wstring> CGlobalParam::CompletedImages() const {
  std::lock_guard lock(figuresLock_);
  return completedImages_;
}

int64_t CGlobalParam::MeanDownloadSpeed() const {
  std::lock_guard lock(figuresLock_);
  if (downloadSpeeds_.empty()) return 0;
  int64_t sum = 0;
  for (int64_t s : downloadSpeeds_) sum += s;
  return sum / static_cast<int64_t>(downloadSpeeds_.size());
}
