// Molvane: shrinks a volume and makes a partition in the freed space, tells how far a volume
// can shrink, or deletes a volume and extends another, by driving diskpart with scripts.
#include "diskpart_session.h"
#include "platform_shim.h"
#include "requests.h"

int main(int argc, char** argv) {
  using namespace molvane;
  const auto request = ParseRequest(platform::CommandLineArguments(argc, argv));
  if (!request) return kRefusedCommandLine;

  const auto systemDirectory = platform::SystemDirectory();
  if (!systemDirectory) {
    platform::PrintToConsole(kFailedText);
    return kFailed;
  }
  const DiskpartSession diskpart(*systemDirectory, platform::ProgramPath().parent_path());
  const Outcome outcome = Carry(*request, diskpart);
  platform::PrintToConsole(outcome.console);
  return outcome.exitCode;
}
