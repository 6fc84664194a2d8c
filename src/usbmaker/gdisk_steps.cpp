#include "usbmaker/gdisk_steps.h"

#include <cstdlib>
#include <sstream>

#include "app/log.h"
#include "app/template_fill.h"
#include "usbmaker/tool_abort.h"
#include "usbmaker/tool_commands.h"
#include "usbmaker/tool_windows.h"

namespace {

int64_t DecimalValue(const std::string& word) { return std::strtoll(word.c_str(), nullptr, 10); }

// Reads `count` more words; the last of them, or nothing when the listing ends first.
std::optional<std::string> WordAfter(std::istream& listing, int count) {
  std::string word;
  for (int i = 0; i < count; ++i) {
    if (!(listing >> word)) return std::nullopt;
  }
  return word;
}

std::string LowerAscii(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

}  // namespace

bool ReadFirstPartitionSector(int gdiskIndex, int64_t& sector) {
  RunInToolFolder(FillTemplate(L"/c Gdisk.exe %d /lba >diskOff.log", {gdiskIndex}));
  std::istringstream listing(ReadToolLog(L"diskOff.log").value_or(""));
  // The eighth word after "Sectors" is the start of the partition that lies first; the
  // last such header of the listing counts.
  for (std::string word; listing >> word;) {
    if (word != "Sectors") continue;
    const std::optional<std::string> start = WordAfter(listing, 8);
    if (!start) break;
    sector = DecimalValue(*start);
    LogText("find head:" + *start + "\n");
  }
  return true;
}

void ReadDiskSize(int gdiskIndex, int64_t& size) {
  RunInToolFolder(FillTemplate(L"/c Gdisk.exe %d >disk.log", {gdiskIndex}));
  std::istringstream listing(ReadToolLog(L"disk.log").value_or(""));
  // "Model", then the partition count as the second word and the size as the sixth.
  for (std::string word; listing >> word;) {
    if (word != "Model") continue;
    const std::optional<std::string> partitions = WordAfter(listing, 2);
    if (!partitions) break;
    LogText("find partition:" + *partitions + "\n");
    const std::optional<std::string> total = WordAfter(listing, 4);
    if (!total) break;
    LogText("allSize:" + *total + "\n");
    size = DecimalValue(*total);
  }
}

bool DeleteAllPartitions(int gdiskIndex) {
  const std::wstring command = FillTemplate(L"/c Gdisk.exe %d /del /all >diskA.log", {gdiskIndex});
  LogLine(command);
  RunInToolFolder(command);
  std::istringstream log(ReadToolLog(L"diskA.log").value_or(""));
  for (std::string word; log >> word;) {
    if (word.find("Locked") != std::string::npos) {
      LogText("disk not locked\n");
      return false;
    }
  }
  return true;
}

bool CreateUsbPartitions(int gdiskIndex, int64_t size, int64_t frontReserve, int64_t efiSize) {
  if (frontReserve != 0 && efiSize != 0) {
    LogText("make ud and efi\n");
    if (toolAbort) return false;
    // The EFI partition at the very end, then the data partition at the end of what is
    // left, so that the front reserve stays free at the start for the hidden boot area.
    RunInToolFolder(FillTemplate(L"/c Gdisk.exe %d  /cre /pri /end /sz:%d /q /for /v:efi >>diskA.log",
                                 {gdiskIndex, static_cast<int>(efiSize)}));
    if (toolAbort) return false;
    RunInToolFolder(FillTemplate(L"/c Gdisk.exe %d  /cre /pri /end /sz:%d  /q /for  /ntfs /Y >>diskA.log",
                                 {gdiskIndex, static_cast<int>(size - frontReserve - efiSize)}));
    return true;
  }
  LogText("raw\n");
  if (toolAbort) return false;
  RunInToolFolder(FillTemplate(L"/c Gdisk.exe %d  /cre /pri /ntfs /q /for >>diskA.log", {gdiskIndex}));
  return true;
}

bool FormatBootArea(int diskNumber) {
  if (diskNumber <= 0) {
    Trace(L"指定磁盘错误：%d", {diskNumber});
    return false;
  }
  const std::wstring command = FillTemplate(L"/c fbinst.exe (hd%d) format", {diskNumber});
  LogLine(command);
  // An abandoned make must not count the boot area as formatted.
  if (toolAbort) return false;
  RunInToolFolder(command);
  return true;
}

bool FindPartitionLetter(int diskNumber, bool wantEfi, wchar_t& letter) {
  const std::wstring command = FillTemplate(L"/c Gdisk.exe %d >disk.log", {diskNumber + 1});
  LogLine(command);
  RunInToolFolder(command);
  std::istringstream listing(ReadToolLog(L"disk.log").value_or(""));
  // A partition row with a letter: " e: 1 NTFS ...", the EFI one with " efi " in it.
  for (std::string line; std::getline(listing, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty()) continue;
    line = LowerAscii(line);
    if (line.size() < 3 || line[2] != ':') continue;
    if ((line.find(" efi ") != std::string::npos) != wantEfi) continue;
    letter = static_cast<wchar_t>(static_cast<unsigned char>(line[1]));
    return true;
  }
  return false;
}
