#pragma once
// What accompanies every statistics record: the machine's address and a number for this
// run, both held encrypted for the life of the process.

#include <string>

struct PointIdentity {
  std::string macCipher;   // the device identity, encrypted
  std::string soleCipher;  // the per-run number, encrypted
  bool ready = false;
};

// The process-wide identity; filled by InitPointIdentity.
PointIdentity& CurrentPointIdentity();

// Fills the identity once: the device identity of the global parameters and a per-run
// number made of the time and a random four-digit number.
void InitPointIdentity();
