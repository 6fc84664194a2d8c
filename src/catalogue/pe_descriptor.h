#pragma once
// pe.json in cacheDir: which WinPE component was last downloaded, so that a later
// catalogue can be reconciled with what lies in peDir.

#include <string>

#include "catalogue/os_entry.h"

// Writes the descriptor of a completed WinPE component; false when the file cannot be
// opened.
bool SavePeDescriptor(const PeEntry& pe);

// Reads the descriptor into a fresh entry (state 0); false unless the file opened,
// parsed and holds an object with at least one member.
bool LoadPeDescriptor(PeEntry& pe);
// The same from the descriptor's text.
bool ReadPeDescriptor(const std::string& text, PeEntry& pe);

// After a catalogue: the same component under another name reuses the downloaded file;
// a component of another size is stale and its files in peDir are deleted.
void ReconcilePeDescriptor(PeEntry& pe);
