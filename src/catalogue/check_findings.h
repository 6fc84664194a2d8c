#pragma once
// Where the system check hands over what it finds, step by step, from the check worker's
// thread. The reinstall controller stores each finding; the check never reaches into it.

#include <string>

#include "catalogue/catalogue.h"

class ICheckFindings {
 public:
  virtual ~ICheckFindings() = default;
  virtual void BootModeFound(const std::wstring& bootModeText) = 0;
  virtual void MachineFound(const std::wstring& machineText) = 0;
  virtual void NetworkFound(bool ok) = 0;
  // The new list, with the images already downloaded marked, and the WinPE entry.
  virtual void CatalogueFound(CatalogueResult catalogue) = 0;
  // The WinPE entry once reconciled with what lies in peDir.
  virtual void PeEntryReconciled(const PeEntry& pe) = 0;
};
