#pragma once
// The catalogue's records live in the core, where the USB maker sees them too.

#include "app/os_entry.h"
