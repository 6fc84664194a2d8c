#pragma once
// What the WinPE needs to report the install to the statistics service itself, written
// into section "do" of the hand-off file Config.ini (CGlobalParam::configIniPath).

#include <cstdint>
#include <string>

// Writes "K" (the statistics key), "FU" (the encrypted statistics URL) and "FD" (the
// identity pairs of a point with this step; `soleCipher` is the per-run value as already
// encrypted). Failures are not reported: the install goes on without them.
void WriteStatsHandoff(int32_t step, const std::string& soleCipher);
