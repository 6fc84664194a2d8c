#pragma once
// The texts of one row of the maker page's disk list.

#include <cstdint>
#include <string>

#include "usbmaker/volume_info.h"

// "E,F:(hd1) SanDisk Ultra": the drive letters, the disk number and the friendly name.
std::wstring UsbDiskText(const VolumeInfo& disk);
// " 512B", " 1.50K", " 14.32M", " 28.65G"; empty for 0.
std::wstring UsbSizeText(uint64_t bytes);
