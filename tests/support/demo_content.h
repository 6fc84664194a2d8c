#pragma once
// The demo catalogue with its images and WinPE component (tools/demo), served by a local
// file server, as scripts/run.sh serves it to the demo machine.

#include "support/file_server.h"
#include "support/run_program.h"

namespace testing_support {

// Lays the demo content into the server's folder, its URLs on the server's port; the
// outcome of tools/demo/make-demo-content.sh.
Outcome PutDemoContent(const FileServer& server);

}  // namespace testing_support
