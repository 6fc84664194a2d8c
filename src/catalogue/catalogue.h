#pragma once
// The OS catalogue: asked of the catalogue service on every system check, cached in
// os.json for runs without network, turned into an ordered OS list and a WinPE entry
// that the reinstall controller stores.

#include <cstdint>
#include <functional>
#include <string>

#include "catalogue/os_list.h"

// What the system check found about the machine, which decides the list's content and
// order.
struct CatalogueMachine {
  std::wstring bootModeText;  // "UEFI", "MBR" or empty; UEFI leaves out XP and 32-bit images
  std::wstring machineText;   // current-OS label, a blank, the edition
  int32_t osBits = 64;        // bitness of the running Windows
};

// What a catalogue yields: the images in the order they are offered, and the WinPE
// entry it asks for.
struct CatalogueResult {
  OsList osList;
  PeEntry peEntry;
};

// The catalogue service's address: the service base followed by "/api/os-list".
std::string CatalogueUrl();

// The catalogue: from the service when the network test passed (caching the reply in
// os.json), else from os.json. `channel` goes with the request, encrypted. `previousPe`
// is the WinPE entry held so far, kept where the catalogue names none.
// `shouldStop`, when set, aborts the request in progress when it turns true.
CatalogueResult FetchCatalogue(const CatalogueMachine& machine, const std::wstring& channel, bool networkOk,
                               const PeEntry& previousPe, const std::function<bool()>& shouldStop = {});

// The images of a catalogue text, filtered for UEFI by the boot mode and ordered for the
// machine text and bitness, and `previousPe` updated by the text's WinPE row. Text that
// is not a JSON object gives an empty list and `previousPe` as it was.
CatalogueResult ParseCatalogue(const CatalogueMachine& machine, const std::string& text, const PeEntry& previousPe);
