#include "support/demo_content.h"

#include "support/service_base_override.h"

namespace testing_support {

Outcome PutDemoContent(const FileServer& server) {
  return RunProgram({.args = {"bash", TARNVIK_SOURCE_DIR "/tools/demo/make-demo-content.sh", server.root().string(),
                              LoopbackBase(server.port())}});
}

}  // namespace testing_support
