#pragma once
// One installable image of the catalogue, and the WinPE component the install and the USB
// maker need. Plain records that the catalogue fills and the subsystems read.

#include <cstdint>
#include <string>

struct OsEntry {
  std::wstring name;       // display name
  std::wstring fileTime;   // release date text
  std::wstring fileName;   // name of the download in imageDir
  int64_t size = 0;        // bytes
  std::wstring url;
  int32_t bits = 0;        // 32 or 64
  std::wstring localPath;  // the downloaded file, once complete
  int32_t state = 0;       // 0 plain, 1 recommended, 2 downloading, 3 downloaded
  bool recommended = false;
  std::string md5;  // the image's MD5 as the catalogue gives it; 32 hex digits, or no checksum
};

struct PeEntry {
  std::wstring fileName;  // name of the component in peDir
  int64_t size = 0;
  std::wstring url;
  int32_t state = 0;  // 0 not present, 3 present and complete
};
