#include "stats/fixed_points.h"

#include <cstdio>
#include <utility>

#include "app/global_param.h"
#include "app/text_helpers.h"
#include "stats/image_labels.h"

namespace {

std::string Name(const wchar_t* text) { return WideToLocal(text); }

std::string FlagText(bool flag) { return IntToString(flag ? 1 : 0); }

// The family label of a narrow image name, as UTF-8.
std::string Utf8Label(const std::string& narrowName) {
  return AnsiToUtf8(WideToLocal(OsFamilyLabel(LocalToWide(narrowName))));
}

// Downloaded names per selected name, "%.4f"; "0.0000" when nothing was selected.
std::string DownloadRatio(size_t downloaded, size_t selected) {
  const double ratio = selected == 0 ? 0.0 : static_cast<double>(downloaded) / static_cast<double>(selected);
  char text[64];
  std::snprintf(text, sizeof text, "%.4f", ratio);
  return text;
}

}  // namespace

FixedOpen::FixedOpen() : FixedPointBase(0) {
  auto params = CGlobalParam::Instance();
  channel_ = WideToLocal(params->channel);
  version_ = WideToLocal(params->version);
}
std::string FixedOpen::GetName() const { return Name(L"程序打开"); }
std::string FixedOpen::BuildQuery() const { return BaseQuery() + Pair("channel", channel_) + Pair("version", version_); }

FixedClose::FixedClose(int closeModule) : FixedPointBase(1), closeModule(closeModule) {}
std::string FixedClose::GetName() const { return Name(L"关闭程序"); }
std::string FixedClose::BuildQuery() const { return BaseQuery() + Pair("close", IntToString(closeModule)); }

FixedService::FixedService() : FixedPointBase(2) {}
std::string FixedService::GetName() const { return Name(L"点击客服"); }

FixedSelModule::FixedSelModule(int module) : FixedPointBase(3), module(module) {}
std::string FixedSelModule::GetName() const { return Name(L"切换功能模块"); }
std::string FixedSelModule::BuildQuery() const { return BaseQuery() + Pair("module", IntToString(module)); }

FixedSelRecord::FixedSelRecord(std::set<std::wstring> selectedOs, std::set<std::wstring> downloadedOs)
    : FixedPointBase(4), selectedOs(std::move(selectedOs)), downloadedOs(std::move(downloadedOs)) {}
std::string FixedSelRecord::GetName() const { return Name(L"所有选中的系统记录"); }
std::string FixedSelRecord::BuildQuery() const {
  return BaseQuery() + Pair("select_os", JoinedLabels(selectedOs)) + Pair("download_os", JoinedLabels(downloadedOs)) +
         Pair("dsr", DownloadRatio(downloadedOs.size(), selectedOs.size()));
}

FixedAverageSpeed::FixedAverageSpeed(int64_t bytesPerSecond) : FixedPointBase(5), bytesPerSecond(bytesPerSecond) {}
std::string FixedAverageSpeed::GetName() const { return Name(L"平均下载速度"); }
std::string FixedAverageSpeed::BuildQuery() const {
  // Kilobytes per second, truncated to 32 bits.
  return BaseQuery() + Pair("speed", IntToString(static_cast<int32_t>(bytesPerSecond >> 10)));
}

FixedPE::FixedPE() : FixedPointBase(6) {}
std::string FixedPE::GetName() const { return Name(L"PE下载完成"); }

FixedChkNext::FixedChkNext() : FixedPointBase(1001) {}
std::string FixedChkNext::GetName() const { return Name(L"系统检测->点击下一步"); }

FixedChkFinish::FixedChkFinish(std::string bootMode, std::string osName, int memory)
    : FixedPointBase(1002), bootMode(std::move(bootMode)), osName(std::move(osName)), memory(memory) {}
std::string FixedChkFinish::GetName() const { return Name(L"系统检测->检测完成"); }
std::string FixedChkFinish::BuildQuery() const {
  return BaseQuery() + Pair("type", AnsiToUtf8(bootMode)) + Pair("os", Utf8Label(osName)) +
         Pair("mem", IntToString(memory));
}

FixedOnlyDownGho::FixedOnlyDownGho() : FixedPointBase(1101) {}
std::string FixedOnlyDownGho::GetName() const { return Name(L"选择系统->仅下载镜像"); }

FixedBkpNext::FixedBkpNext(std::string backupItems) : FixedPointBase(1201), backupItems(std::move(backupItems)) {}
std::string FixedBkpNext::GetName() const { return Name(L"备份资料->点击下一步"); }
std::string FixedBkpNext::BuildQuery() const { return BaseQuery() + Pair("backup", backupItems); }

FixedBkpPrev::FixedBkpPrev() : FixedPointBase(1202) {}
std::string FixedBkpPrev::GetName() const { return Name(L"备份资料->点击上一步"); }

FixedDldAuto::FixedDldAuto(bool autoInstall) : FixedPointBase(1301), autoInstall(autoInstall) {}
std::string FixedDldAuto::GetName() const { return Name(L"下载系统->反勾选重启"); }
std::string FixedDldAuto::BuildQuery() const { return BaseQuery() + Pair("auto", FlagText(autoInstall)); }

FixedDldInstall::FixedDldInstall(std::string finalOs) : FixedPointBase(1302), finalOs(std::move(finalOs)) {}
std::string FixedDldInstall::GetName() const { return Name(L"下载系统->立即重装 "); }
std::string FixedDldInstall::BuildQuery() const { return BaseQuery() + Pair("final_os", Utf8Label(finalOs)); }

FixedDldReboot::FixedDldReboot(bool rebootOk) : FixedPointBase(1303), rebootOk(rebootOk) {}
std::string FixedDldReboot::GetName() const { return Name(L"下载系统->重启电脑"); }
std::string FixedDldReboot::BuildQuery() const { return BaseQuery() + Pair("reset_succed", FlagText(rebootOk)); }

FixedUsbFlagPoint::FixedUsbFlagPoint(int32_t step, const char* key, bool flag)
    : FixedPointBase(step), flag(flag), key_(key) {}
std::string FixedUsbFlagPoint::BuildQuery() const { return BaseQuery() + Pair(key_, FlagText(flag)); }

FixedFormat::FixedFormat(bool flag) : FixedUsbFlagPoint(2001, "u_initialization", flag) {}
std::string FixedFormat::GetName() const { return Name(L"U盘格式化"); }

FixedFormatResult::FixedFormatResult(bool flag) : FixedUsbFlagPoint(2002, "u_initialization_succed", flag) {}
std::string FixedFormatResult::GetName() const { return Name(L"U盘格式化结果"); }

FixedNtfs::FixedNtfs(bool flag) : FixedUsbFlagPoint(2101, "u_ntfs", flag) {}
std::string FixedNtfs::GetName() const { return Name(L"转换ntfs"); }

FixedNtfsResult::FixedNtfsResult(bool flag) : FixedUsbFlagPoint(2102, "u_ntfs_succed", flag) {}
std::string FixedNtfsResult::GetName() const { return Name(L"转换ntfs结果"); }

FixedMakeUsb::FixedMakeUsb(bool flag) : FixedUsbFlagPoint(2201, "u_make", flag) {}
std::string FixedMakeUsb::GetName() const { return Name(L"一键制作启动u盘"); }

FixedMakeUsbOnly::FixedMakeUsbOnly() : FixedPointBase(2202) {}
std::string FixedMakeUsbOnly::GetName() const { return Name(L"仅制作U盘"); }

FixedMakeUsbGho::FixedMakeUsbGho(std::vector<std::string> imageNames)
    : FixedPointBase(2203), imageNames(std::move(imageNames)) {}
std::string FixedMakeUsbGho::GetName() const { return Name(L"选择镜像并制作"); }
std::string FixedMakeUsbGho::BuildQuery() const { return BaseQuery() + Pair("u_select_os_make", JoinedLabels(imageNames)); }

FixedMakeUsbResult::FixedMakeUsbResult(bool flag) : FixedUsbFlagPoint(2204, "u_succed", flag) {}
std::string FixedMakeUsbResult::GetName() const { return Name(L"U盘制作结果"); }

FixedMakeUsbCopyResult::FixedMakeUsbCopyResult(bool flag) : FixedUsbFlagPoint(2205, "u_copy_succed", flag) {}
std::string FixedMakeUsbCopyResult::GetName() const { return Name(L"复制镜像结果"); }

FixedMakeUsbStart::FixedMakeUsbStart() : FixedPointBase(2206) {}
std::string FixedMakeUsbStart::GetName() const { return Name(L"开始制作U盘"); }
