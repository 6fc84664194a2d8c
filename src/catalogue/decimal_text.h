#pragma once
// Decimal numbers carried as text in the catalogue and in pe.json.

#include <cstdint>
#include <string>

// The signed 64-bit number at the start of the text (leading white space skipped,
// reading stops at the first non-digit); 0 when the text does not start with one or the
// number does not fit.
int64_t ParseDecimalText(const std::string& text);
