#pragma once
// The reinstall wizard's state, shared by the reinstall pages and workers: the system
// check's results, the catalogue, the user's choices, the current download, the backup
// and the workers of the four steps. The pages and dialogs it uses are interfaces, so
// that it runs under the windows and headless alike.

#include <atomic>
#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "catalogue/check_findings.h"
#include "catalogue/os_list.h"
#include "catalogue/sys_check_thread.h"
#include "download/download_task.h"
#include "reinstall/download_polling.h"
#include "reinstall/install_notices.h"
#include "reinstall/point_poster.h"
#include "usbmaker/program_copy.h"
#include "usbmaker/usb_maker_controller.h"

class CBackupThread;
class CDownloadThread;
class CDownOSThread;
class CInstallThread;
class IBackupPage;
class ICheckPage;
class IChoicePage;
class IDownloadPage;
class IDownloadRows;
class IUsbRemovalPrompt;

class ReinstallController : private ICheckFindings {
 public:
  // Backup items, as ticked on the backup page.
  enum BackupItem : uint32_t { kBackupDesktop = 1, kBackupQQ = 2, kBackupFavorites = 4, kBackupDocuments = 8 };

  // Chooses the default backup folder from the machine's volumes.
  ReinstallController();
  // Stops the workers before the list they read and write goes.
  ~ReinstallController() override;
  ReinstallController(const ReinstallController&) = delete;
  ReinstallController& operator=(const ReinstallController&) = delete;

  // Starts a new system check on `checkPage`. False, doing nothing, while a check runs
  // or before the page is set.
  bool StartSystemCheck();

  // "btnSelectOsNext" with `entry` selected (null: none): true when the flow goes on to
  // the backup step; otherwise the choice page has said why.
  bool ConfirmChoice(OsEntry* entry);
  // "btnBkNext" with the ticked backup items: true when the flow goes on to the download
  // step (the backup, if any, runs); false when the backup was refused.
  bool LeaveBackupStep(uint32_t items);

  // Step 1. Whether the program's volume holds what the download still needs (the
  // WinPE component only when `includePe`); shows the choice page's warning when not.
  bool CheckFreeSpace(bool includePe);
  // Whether `selectedOs` may be installed over the running Windows, asking the choice
  // page's dialogs where a rule needs the user's word.
  bool CheckOsCompatibility();
  // Re-examines every complete entry of `list`; the download manager window then shows it.
  bool ShowImageDownloads(const std::vector<OsEntry*>& list, const std::wstring& folder);
  // The download manager's images-only download; false while one runs.
  bool StartImageOnlyDownload(const std::vector<OsEntry*>& list, const std::wstring& folder);

  // Step 2 (reinstall_controller_backup.cpp). False when the backup folder's volume is
  // short of space: the page shows by how much and nothing is copied.
  bool StartBackup(uint32_t items);
  std::wstring GetBackupDir() const;
  void SetBackupDir(const std::wstring& folder);
  // From the backup worker's thread; `complete` false when some file was not copied.
  void BackupFinished(bool complete, const std::wstring& failures);

  // Step 3 (download_step.cpp).
  bool EnterDownloadStep();
  void StartDownloadWorker();
  // From the download worker's thread.
  void DownloadsComplete();
  bool PauseDownload(bool pause);
  // Another image on the download page (reselect_os.cpp).
  void ReselectOs();
  void OpenDownloadFolder();
  // A complete entry whose file vanished or no longer matches its checksum goes back to
  // state 0 or 1; true when it did.
  bool RevalidateImage(OsEntry& entry);
  // "btnInstall" or the countdown's end: asks for USB disks to be removed, then starts
  // the install worker.
  void StartInstall();
  // The "optAutoInstall" option changed.
  void SetAutoInstall(bool on);

  // "btnInstall" is enabled exactly when readyToInstall and backupIdle; `change` sets one
  // of them under the rule's lock, so that the download and backup workers, finishing
  // at once, start the countdown exactly once (when `mayCountDown`).
  void UpdateInstallButton(const std::function<void()>& change = {}, bool mayCountDown = false);

  std::wstring bootModeText;  // "UEFI", "MBR" or empty
  std::wstring machineText;   // current-OS label, a blank, the edition
  bool networkOk = false;     // the catalogue service was reachable at the last check
  std::unique_ptr<CSysCheckThread> checkWorker;
  OsList osList;
  PeEntry peEntry;
  OsEntry* selectedOs = nullptr;  // the user's choice, an entry of osList; null until then

  // The current download, guarded by downloadLock against the download worker.
  PeEntry* downloadPe = nullptr;  // null or &peEntry
  DownloadTask* peTask = nullptr;
  OsEntry* downloadOs = nullptr;  // null or an entry of osList
  DownloadTask* osTask = nullptr;
  std::unique_ptr<CDownloadThread> downloadWorker;
  std::mutex downloadLock;
  std::atomic<bool> readyToInstall{false};

  std::map<std::wstring, std::vector<std::wstring>> backupFiles;  // source folder -> its files
  std::wstring backupDir;
  std::unique_ptr<CBackupThread> backupWorker;
  std::atomic<bool> backupIdle{true};

  std::unique_ptr<CInstallThread> installWorker;
  std::atomic<bool> autoInstall{false};
  std::unique_ptr<CDownOSThread> downOsWorker;
  // The download manager's rows, set by the download manager window while it is open.
  IDownloadRows* downloadRows = nullptr;

  // Set by the pages and the main frame; not owned.
  ICheckPage* checkPage = nullptr;
  IChoicePage* choicePage = nullptr;
  IBackupPage* backupPage = nullptr;
  IDownloadPage* downloadPage = nullptr;
  IUsbRemovalPrompt* usbRemovalPrompt = nullptr;
  IInstallFailureNotice* installFailureNotice = nullptr;
  IRestartFailureNotice* restartFailureNotice = nullptr;
  std::chrono::milliseconds checkTick = CSysCheckThread::kTick;  // tests shorten it
  DownloadPolling downloadPolling;  // the download workers' timing; tests shorten it
  PointPoster postPoint = PostToReporter;  // tests keep the points

  // The USB maker's state; the page is set by the main frame.
  UsbMakerController usbMaker;
  // The program's copy of itself, for the copy dialog; its programToStart() is started
  // when the main window closes after the copy.
  ProgramCopy programCopy;

 private:
  // What the check worker finds, stored as it arrives.
  void BootModeFound(const std::wstring& text) override;
  void MachineFound(const std::wstring& text) override;
  void NetworkFound(bool ok) override;
  void CatalogueFound(CatalogueResult catalogue) override;
  void PeEntryReconciled(const PeEntry& pe) override;

  // The root of the volume the program and its downloads are on ("D:\\"), and its free
  // bytes (none when they cannot be read).
  static std::wstring ProgramRoot();
  static int64_t ProgramVolumeFreeBytes();
  // What the USB maker asks of its owner.
  UsbMakerHooks UsbHooks();

  std::mutex installRuleLock_;
  // After a backup that did not copy every file the user reads what is missing: no
  // countdown presses the button then. Guarded by installRuleLock_.
  bool lastBackupComplete_ = true;
  mutable std::mutex backupDirLock_;  // backupDir is set on the UI thread, read by the worker
};
