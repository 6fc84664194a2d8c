#pragma once
// The window messages of the USB maker's workers.

#include <cstdint>

// The make worker (CUMakeThread).
inline constexpr uint32_t kMsgOldPartitionsDeleted = 3225;  // posted; wParam 1 when deleted
inline constexpr uint32_t kMsgPartitioned = 3226;           // posted; wParam 1 when partitioned and formatted
inline constexpr uint32_t kMsgBootFilesWritten = 3227;      // posted; wParam 1 when written
inline constexpr uint32_t kMsgMakeFinished = 3228;          // sent to the make dialog; wParam 1 on success
inline constexpr uint32_t kMsgCopyTotal = 3229;             // sent once; wParam the queued bytes / 4096
inline constexpr uint32_t kMsgCopyProgress = 3230;          // posted; wParam the copied bytes / 4096
inline constexpr uint32_t kMsgCopyingFile = 3231;           // sent; wParam the destination path (const wchar_t*)

// The format worker (CFormatThread): wParam 1 success; lParam 0, 1 restore failed, 2
// conversion failed.
inline constexpr uint32_t kMsgFormatResult = 3025;

// The image download worker (CMultiDownThread), to the download window.
inline constexpr uint32_t kMsgAllDownloadsDone = 3026;
inline constexpr uint32_t kMsgPeComponentReady = 3027;

// The program copy (CCopyThread).
inline constexpr uint32_t kMsgProgramCopyTotal = 3128;     // sent; wParam the bytes / 4096
inline constexpr uint32_t kMsgProgramCopyProgress = 3129;  // posted; wParam the bytes / 4096
inline constexpr uint32_t kMsgProgramCopyDone = 3130;      // posted

// A byte count in the messages' 4096-byte units, cut to 32 bits.
inline uint32_t PageUnits(uint64_t bytes) { return static_cast<uint32_t>(bytes >> 12); }
