#pragma once
// The texts the check page shows for the check's results.

#include <cstdint>
#include <string>

// "8.0G": the memory in GiB with one decimal.
std::wstring MemoryText(int64_t bytes);
// "网络已连接" or "网络连接失败".
std::wstring NetworkText(bool ok);
// "根据您的电脑配置，推荐您安装 " followed by the label, at most 127 characters in all.
std::wstring RecommendationSentence(const std::wstring& label);
