#pragma once
// Where the outside services are. The addresses are compiled in; the Linux build points
// them at the local service. TARNVIK_SERVICE_BASE, when set, replaces the base address
// (tests and tarnvikctl use it to reach a local service on another port).

#include <string>

#ifndef TARNVIK_SERVICE_BASE_DEFAULT
#define TARNVIK_SERVICE_BASE_DEFAULT "http://127.0.0.1:18080"
#endif

// The base address of the catalogue and statistics service, without a trailing slash.
std::string ServiceBase();
