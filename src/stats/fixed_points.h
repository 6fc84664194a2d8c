#pragma once
// Every kind of tracking point, by step. Steps 0-6 are program-wide, 1001-1002 the system
// check, 1101 the image choice, 1201-1202 the backup, 1301-1303 download and install,
// 2001-2002 USB formatting, 2101-2102 NTFS conversion, 2201-2206 USB making.
//
// Posting a point: CFixedPoint::Instance()->Post(std::make_unique<FixedClose>(module + 1)).

#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "stats/fixed_point_base.h"

// The program has started.
class FixedOpen : public FixedPointBase {
 public:
  FixedOpen();
  std::string GetName() const override;
  std::string BuildQuery() const override;

 private:
  // Read on the posting thread, so that the reporter never reaches the global parameters.
  std::string channel_;
  std::string version_;
};

class FixedClose : public FixedPointBase {
 public:
  explicit FixedClose(int closeModule);
  std::string GetName() const override;
  std::string BuildQuery() const override;
  int closeModule;  // 1-based module shown when the main window closed
};

class FixedService : public FixedPointBase {
 public:
  FixedService();
  std::string GetName() const override;
};

class FixedSelModule : public FixedPointBase {
 public:
  explicit FixedSelModule(int module);
  std::string GetName() const override;
  std::string BuildQuery() const override;
  int module;  // 1-based
};

class FixedSelRecord : public FixedPointBase {
 public:
  FixedSelRecord(std::set<std::wstring> selectedOs, std::set<std::wstring> downloadedOs);
  std::string GetName() const override;
  std::string BuildQuery() const override;
  std::set<std::wstring> selectedOs;
  std::set<std::wstring> downloadedOs;
};

class FixedAverageSpeed : public FixedPointBase {
 public:
  explicit FixedAverageSpeed(int64_t bytesPerSecond);
  std::string GetName() const override;
  std::string BuildQuery() const override;
  int64_t bytesPerSecond;
};

class FixedPE : public FixedPointBase {
 public:
  FixedPE();
  std::string GetName() const override;
};

class FixedChkNext : public FixedPointBase {
 public:
  FixedChkNext();
  std::string GetName() const override;
};

class FixedChkFinish : public FixedPointBase {
 public:
  FixedChkFinish(std::string bootMode, std::string osName, int memory);
  std::string GetName() const override;
  std::string BuildQuery() const override;
  std::string bootMode;  // narrow
  std::string osName;    // narrow
  int memory;            // kilobytes
};

class FixedOnlyDownGho : public FixedPointBase {
 public:
  FixedOnlyDownGho();
  std::string GetName() const override;
};

class FixedBkpNext : public FixedPointBase {
 public:
  explicit FixedBkpNext(std::string backupItems);
  std::string GetName() const override;
  std::string BuildQuery() const override;
  std::string backupItems;  // the digits of the ticked items, "124"
};

class FixedBkpPrev : public FixedPointBase {
 public:
  FixedBkpPrev();
  std::string GetName() const override;
};

class FixedDldAuto : public FixedPointBase {
 public:
  explicit FixedDldAuto(bool autoInstall);
  std::string GetName() const override;
  std::string BuildQuery() const override;
  bool autoInstall;
};

class FixedDldInstall : public FixedPointBase {
 public:
  explicit FixedDldInstall(std::string finalOs);
  std::string GetName() const override;
  std::string BuildQuery() const override;
  std::string finalOs;  // narrow image name
};

class FixedDldReboot : public FixedPointBase {
 public:
  explicit FixedDldReboot(bool rebootOk);
  std::string GetName() const override;
  std::string BuildQuery() const override;
  bool rebootOk;
};

// A USB maker point that reports one yes/no under its own key.
class FixedUsbFlagPoint : public FixedPointBase {
 public:
  std::string BuildQuery() const override;
  bool flag;

 protected:
  FixedUsbFlagPoint(int32_t step, const char* key, bool flag);

 private:
  const char* key_;
};

class FixedFormat : public FixedUsbFlagPoint {
 public:
  explicit FixedFormat(bool flag);
  std::string GetName() const override;
};

class FixedFormatResult : public FixedUsbFlagPoint {
 public:
  explicit FixedFormatResult(bool flag);
  std::string GetName() const override;
};

class FixedNtfs : public FixedUsbFlagPoint {
 public:
  explicit FixedNtfs(bool flag);
  std::string GetName() const override;
};

class FixedNtfsResult : public FixedUsbFlagPoint {
 public:
  explicit FixedNtfsResult(bool flag);
  std::string GetName() const override;
};

class FixedMakeUsb : public FixedUsbFlagPoint {
 public:
  explicit FixedMakeUsb(bool flag);
  std::string GetName() const override;
};

class FixedMakeUsbOnly : public FixedPointBase {
 public:
  FixedMakeUsbOnly();
  std::string GetName() const override;
};

class FixedMakeUsbGho : public FixedPointBase {
 public:
  explicit FixedMakeUsbGho(std::vector<std::string> imageNames);
  std::string GetName() const override;
  std::string BuildQuery() const override;
  std::vector<std::string> imageNames;  // narrow, in the order chosen
};

class FixedMakeUsbResult : public FixedUsbFlagPoint {
 public:
  explicit FixedMakeUsbResult(bool flag);
  std::string GetName() const override;
};

class FixedMakeUsbCopyResult : public FixedUsbFlagPoint {
 public:
  explicit FixedMakeUsbCopyResult(bool flag);
  std::string GetName() const override;
};

class FixedMakeUsbStart : public FixedPointBase {
 public:
  FixedMakeUsbStart();
  std::string GetName() const override;
};
