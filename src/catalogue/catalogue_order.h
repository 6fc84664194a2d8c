#pragma once
// The order in which the catalogue's images are offered, and the one recommended image.

#include <cstdint>
#include <string>

#include "catalogue/os_list.h"

// Sorts the images into six family and bitness buckets chosen by the machine text, each
// newest first, in the preference order of the machine's bitness (`osBits`), and marks
// the first image recommended. Images of no bucket are dropped. When the machine text
// chooses no plan, or no image falls into a bucket, the list is left as it is.
void OrderCatalogue(OsList& list, const std::wstring& machineText, int32_t osBits);
