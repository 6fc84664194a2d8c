#pragma once
// The OS catalogue: asked of the catalogue service on every system check, cached in
// os.json for runs without network, turned into the controller's ordered OS list and
// its WinPE entry.

#include <functional>
#include <string>

class ReinstallController;

// The catalogue service's address: the service base followed by "/api/os-list".
std::string CatalogueUrl();

// Rebuilds the controller's OS list and updates its WinPE entry: from the service when
// the network test passed (caching the reply in os.json), else from os.json.
// `shouldStop`, when set, aborts the request in progress when it turns true.
void FetchCatalogue(ReinstallController& controller, const std::function<bool()>& shouldStop = {});

// Replaces the controller's OS list by the images of a catalogue text, filtered for UEFI
// by the controller's boot mode and ordered for its machine text (the bitness comes from
// the global parameters). Text that is not a JSON object leaves the list empty and the
// WinPE entry as it was.
void ParseCatalogue(ReinstallController& controller, const std::string& text);
