#pragma once
// What the download tests share: a machine with the download library, the local file
// service, a controller polling every 2 ms, and a download page and manager rows that
// record what they are shown.

#include <openssl/evp.h>

#include <chrono>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "app/global_param.h"
#include "download/thunder.h"
#include "reinstall/download_page.h"
#include "reinstall/download_rows.h"
#include "reinstall/reinstall_controller.h"
#include "support/download_machine.h"
#include "support/file_server.h"
#include "support/logged_platform.h"

namespace download_testing {

inline std::wstring Wide(const std::string& text) { return std::wstring(text.begin(), text.end()); }

inline std::string Md5Of(const std::string& bytes) {
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  EVP_Digest(bytes.data(), bytes.size(), digest, &length, EVP_md5(), nullptr);
  static const char kHex[] = "0123456789abcdef";
  std::string text;
  for (unsigned int i = 0; i < length; ++i) text += {kHex[digest[i] >> 4], kHex[digest[i] & 15]};
  return text;
}

// Polls every 10 ms for at most `limit`.
inline bool WaitFor(const std::function<bool()>& done, std::chrono::milliseconds limit = std::chrono::seconds(20)) {
  auto until = std::chrono::steady_clock::now() + limit;
  while (std::chrono::steady_clock::now() < until) {
    if (done()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return done();
}

class RecordingPage : public IDownloadPage {
 public:
  struct Shown {
    std::vector<std::wstring> names;
    std::vector<int64_t> sizes, ranges, values, speeds;
    std::vector<float> percents;
    std::vector<bool> paused;
    bool installEnabled = false;
    std::vector<bool> installStates;  // every EnableInstall, in order
    std::vector<std::wstring> installTexts;
    int countdowns = 0;
    int countdownStops = 0;
    std::vector<std::wstring> verifying, failures;
  };
  Shown Get() const {
    std::lock_guard lock(mutex_);
    return shown_;
  }
  OsEntry* chosen = nullptr;  // what the re-selection dialog answers

  void SetTaskName(const std::wstring& name) override { Record([&](Shown& s) { s.names.push_back(name); }); }
  void SetTaskSize(int64_t bytes) override { Record([&](Shown& s) { s.sizes.push_back(bytes); }); }
  void SetPercent(float percent) override { Record([&](Shown& s) { s.percents.push_back(percent); }); }
  void SetProgressRange(int64_t maximum) override { Record([&](Shown& s) { s.ranges.push_back(maximum); }); }
  void SetProgressValue(int64_t value) override { Record([&](Shown& s) { s.values.push_back(value); }); }
  void SetSpeed(int64_t speed) override { Record([&](Shown& s) { s.speeds.push_back(speed); }); }
  void ShowPaused(bool paused) override { Record([&](Shown& s) { s.paused.push_back(paused); }); }
  void AddBackupSection(const std::wstring&) override {}
  void SetBackupRange(int64_t) override {}
  void SetBackupValue(int64_t) override {}
  void ShowBackupResult(bool, const std::wstring&) override {}
  void EnableInstall(bool enabled) override {
    Record([&](Shown& s) {
      s.installEnabled = enabled;
      s.installStates.push_back(enabled);
    });
  }
  void SetInstallText(const std::wstring& text) override { Record([&](Shown& s) { s.installTexts.push_back(text); }); }
  void StartInstallCountdown() override { Record([&](Shown& s) { ++s.countdowns; }); }
  void StopInstallCountdown() override { Record([&](Shown& s) { ++s.countdownStops; }); }
  OsEntry* ChooseOtherOs(const OsList&) override { return chosen; }
  void ShowVerifying(const std::wstring& name) override { Record([&](Shown& s) { s.verifying.push_back(name); }); }
  void ShowDownloadFailed(const std::wstring& reason) override {
    Record([&](Shown& s) { s.failures.push_back(reason); });
  }

 private:
  void Record(const std::function<void(Shown&)>& change) {
    std::lock_guard lock(mutex_);
    change(shown_);
  }
  mutable std::mutex mutex_;
  Shown shown_;
};

class RecordingRows : public IDownloadRows {
 public:
  struct Row {
    int64_t progress = 0;
    bool complete = false;
    std::wstring failure;
  };
  std::vector<Row> Get() const {
    std::lock_guard lock(mutex_);
    return rows_;
  }
  bool Done() const {
    std::lock_guard lock(mutex_);
    return done_;
  }
  void SetRowProgress(size_t row, int64_t value) override { At(row, [&](Row& r) { r.progress = value; }); }
  void SetRowSpeed(size_t, int64_t) override {}
  void SetRowPercent(size_t, float) override {}
  void MarkRowComplete(size_t row) override { At(row, [](Row& r) { r.complete = true; }); }
  void MarkRowFailed(size_t row, const std::wstring& reason) override { At(row, [&](Row& r) { r.failure = reason; }); }
  void AllDownloadsDone() override {
    std::lock_guard lock(mutex_);
    done_ = true;
  }

 private:
  void At(size_t row, const std::function<void(Row&)>& change) {
    std::lock_guard lock(mutex_);
    if (rows_.size() <= row) rows_.resize(row + 1);
    change(rows_[row]);
  }
  mutable std::mutex mutex_;
  std::vector<Row> rows_;
  bool done_ = false;
};

class DownloadFixture {
 public:
  static constexpr const wchar_t* kImageDir = L"D:\\Tarnvik\\gho-prlm\\";
  static constexpr const wchar_t* kPeDir = L"D:\\Tarnvik\\PE\\";

  explicit DownloadFixture(services::ServiceOptions options = {}) : server(options) {
    CGlobalParam::Instance();
    controller->downloadPolling.interval = std::chrono::milliseconds(2);
    controller->downloadPolling.partGap = std::chrono::milliseconds(1);
    controller->downloadPage = &page;
    controller->downloadRows = &rows;
    controller->postPoint = [this](std::unique_ptr<FixedPointBase> p) {
      std::lock_guard lock(pointsLock);
      points.push_back(p->GetName());
    };
  }
  ~DownloadFixture() { controller.reset(); }

  // An image served with these bytes; `md5` "" names no checksum, "right" the bytes' own.
  OsEntry* AddImage(const std::string& fileName, const std::string& bytes, const std::string& md5 = "right") {
    server.WriteFile(fileName, bytes);
    auto entry = std::make_unique<OsEntry>();
    entry->name = L"Windows " + Wide(fileName);
    entry->fileName = Wide(fileName);
    entry->url = Wide(server.Url(fileName));
    entry->size = static_cast<int64_t>(bytes.size());
    entry->md5 = md5 == "right" ? Md5Of(bytes) : md5;
    OsEntry* raw = entry.get();
    controller->osList.push_back(std::move(entry));
    return raw;
  }
  // The WinPE component, served, and already on the disk when `present`.
  void SetPe(const std::string& bytes, bool present) {
    server.WriteFile("WEPE64.iso", bytes);
    controller->peEntry.fileName = L"WEPE64.iso";
    controller->peEntry.url = Wide(server.Url("WEPE64.iso"));
    controller->peEntry.size = static_cast<int64_t>(bytes.size());
    if (present) machine.WriteFile(std::wstring(kPeDir) + L"WEPE64.iso", bytes);
  }
  // An image lying complete in the image folder.
  void PutImageOnDisk(OsEntry& entry, const std::string& bytes) {
    entry.localPath = std::wstring(kImageDir) + entry.fileName;
    entry.state = 3;
    machine.WriteFile(entry.localPath, bytes);
  }
  // An entry's state while the worker may be writing it: read under the download lock.
  int32_t StateOf(const OsEntry& entry) {
    std::lock_guard lock(controller->downloadLock);
    return entry.state;
  }
  int32_t PeState() {
    std::lock_guard lock(controller->downloadLock);
    return controller->peEntry.state;
  }
  bool WaitReady() {
    return WaitFor([&] { return controller->readyToInstall.load(); });
  }
  std::string Log() const { return logged.Log(); }

  testing_support::DownloadMachine machine;
  testing_support::LoggedPlatform logged{machine.machine()};
  platform::ScopedPlatform installed{logged};
  testing_support::FileServer server;
  RecordingPage page;
  RecordingRows rows;
  std::mutex pointsLock;
  std::vector<std::string> points;
  std::unique_ptr<ReinstallController> controller = std::make_unique<ReinstallController>();
};

}  // namespace download_testing
