#pragma once
// Code that asks the platform (the program's folders, its code page) runs on a copy of
// the demo machine, so that nothing it writes lands in the source tree.

namespace fuzz {

// Copies tools/machines/demo into the scratch folder and installs it as the platform.
void InstallDemoMachine();

}  // namespace fuzz
