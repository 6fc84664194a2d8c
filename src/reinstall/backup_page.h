#pragma once
// What the controller asks of the backup page (step 2). The reinstall pages implement it;
// tarnvikctl implements it on the console.

#include <cstdint>
#include <string>

class IBackupPage {
 public:
  virtual ~IBackupPage() = default;
  // "备份路径：" followed by the folder.
  virtual void ShowBackupDir(const std::wstring& folder) = 0;
  // "分区容量不足，备份所有数据还需%s请检查分区容量后再进行备份！" with the missing bytes.
  virtual void ShowSpaceShortage(int64_t missingBytes) = 0;
  // A backup that cannot start for another reason (no folder chosen, a folder that would
  // copy into itself): the message, title "提示".
  virtual void ShowBackupRefused(const std::wstring& message) = 0;
};
