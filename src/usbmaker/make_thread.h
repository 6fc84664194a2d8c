#pragma once
// The make worker: the preparation pipeline on the selected USB disk, then the copy of the
// image files the image download worker queues for it, one after another, until the end
// marker comes.

#include <atomic>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "app/event.h"
#include "app/guarded.h"
#include "app/message_target.h"
#include "app/thread_base.h"
#include "usbmaker/file_copier.h"
#include "usbmaker/usb_disk_guard.h"
#include "usbmaker/volume_info.h"

class UsbMakerController;

class CUMakeThread : public CThreadBase {
 public:
  // Takes what the make works on from the controller now, on the UI thread: the
  // selected disk as it was listed, the WinPE component's file name, the make-only flag.
  CUMakeThread(UsbMakerController& controller, IMessageTarget* window);
  // Abandons the make: no further tool is started, a running copy is cancelled.
  ~CUMakeThread() override;

  // Queues an image file to be copied to the disk's root. Always true.
  bool Enqueue(const std::wstring& path);
  // Queues the end marker: the copy phase ends when it is reached.
  void EnqueueEnd();
  // The first queued path, removed; empty for the end marker or an empty queue.
  std::wstring TakeNext();

  // The bytes copied by finished copies and by the one running.
  uint64_t CopiedSoFar() const;
  // The sizes of all files queued so far.
  uint64_t QueuedBytes() const { return queuedBytes; }
  bool IsBusy() const { return busy; }

  void Run() override;

  // Where the progress messages go: the main window, until the make dialog puts itself
  // here.
  Guarded<IMessageTarget*> window;

 private:
  class CurrentWindow;

  // The checks before the first tool: the disk is still the device the user chose, and
  // not one the maker must never touch.
  bool DiskMayBeMade() const;
  // False when a stop request ended the wait for the queue or for a copy.
  bool CopyQueuedFiles();
  // Copies one file to the disk; nothing when a stop request ended the wait.
  std::optional<bool> CopyToDisk(const std::wstring& source);
  size_t QueueLength();

  UsbMakerController& controller;
  const std::optional<VolumeInfo> disk;  // the selected disk when the make was created
  const std::optional<UsbDiskIdentity> identity;
  const std::wstring peFileName;
  const bool makeOnly;

  std::wstring currentFile;  // the destination being copied; its address goes in 3231
  mutable std::mutex copierLock;
  std::unique_ptr<FileCopier> copier;  // the copy in progress, under copierLock
  std::atomic<uint64_t> queuedBytes{0};
  std::atomic<uint64_t> copiedBytes{0};
  std::atomic<bool> busy{false};
  std::mutex queueLock;
  std::deque<std::wstring> copyQueue;  // under queueLock; an empty string ends the copy phase
  Event queueEvent{Event::Mode::ManualReset};
};
