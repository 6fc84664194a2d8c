#pragma once
// The program's copy of itself to another local volume, for a program that runs from a
// USB disk or from the system drive: where the copy goes, its worker, and the program
// file to start once the main window has closed.

#include <memory>
#include <string>

#include "app/message_target.h"
#include "usbmaker/copy_thread.h"
#include "usbmaker/volume_info.h"

// The copy's folder on the chosen volume.
inline constexpr wchar_t kProgramCopyFolder[] = L"QX_PRLM\\";

// The volume to copy the program to, from the local volumes without USB ones: not the
// system's; the first that holds a copy folder already, else the one with the most free
// bytes (the earlier on a tie). Null when there is none.
const VolumeInfo* ChooseProgramCopyVolume(const VolumeList& volumes);

class ProgramCopy {
 public:
  // Starts copying programDir to the chosen volume, reporting to `window`; false when the
  // program needs no copy (it runs neither from a USB disk nor from the system drive) or
  // there is no other volume to take it.
  bool StartProgramCopy(IMessageTarget* window);
  // Stops and deletes the worker.
  void StopCopy();

  CCopyThread* worker() const { return copyThread_.get(); }
  // The copy's folder, "D:\\QX_PRLM\\"; empty before a copy started.
  const std::wstring& destination() const { return destination_; }
  // The copy's program file, started when the main window closes after the copy.
  const std::wstring& programToStart() const { return programToStart_; }

 private:
  std::unique_ptr<CCopyThread> copyThread_;
  std::wstring destination_;
  std::wstring programToStart_;
};
