#include "usbmaker/partition_first.h"

#include <sstream>

#include "app/log.h"
#include "app/program_folders.h"
#include "app/run_hidden.h"
#include "app/template_fill.h"
#include "platform/platform.h"
#include "usbmaker/tool_abort.h"

bool IsPartitionFirst(int disk, bool wantEfi) {
  const std::wstring tool = ToolFolder();
  const std::wstring command = FillTemplate(L"/c Gdisk.exe %d >disk.log", {disk + 1});
  LogLine(command);
  RunHidden(L"cmd.exe", command, tool, true);
  std::istringstream listing(platform::Current().files().ReadFile(tool + L"\\disk.log").value_or(""));
  // A drive-letter word ("E:") is followed by the number of the partition that has it.
  for (std::string word; listing >> word;) {
    if (word.size() < 2 || word[1] != ':') continue;
    std::string next;
    if (!(listing >> next)) return false;
    if (next[0] == (wantEfi ? '2' : '1')) return true;
  }
  return false;
}

bool MakePartitionFirst(int disk, bool wantEfi) {
  if (IsPartitionFirst(disk, wantEfi)) return true;
  for (int partition = 1; partition <= 4; ++partition) {
    const std::wstring command =
        FillTemplate(L"/c bootice.exe /device=%d:0 /partitions /firstpart=%d", {disk, partition});
    if (toolAbort) return false;
    RunHidden(L"cmd.exe", command, ToolFolder(), true);
    if (IsPartitionFirst(disk, wantEfi)) return true;
  }
  return false;
}
