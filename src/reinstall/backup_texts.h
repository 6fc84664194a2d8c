#pragma once
// Texts of the backup step that the windows and the console show alike.

#include <cstdint>
#include <string>

// "分区容量不足，备份所有数据还需%s请检查分区容量后再进行备份！" with the missing bytes as
// "%.2f GB", "%.2f MB" or "%.2f KB" (nothing below 1 KB); its caption is "磁盘容量不足".
std::wstring SpaceShortageText(int64_t missingBytes);
