// The download library's "<target>.xltd.info" file.
#include <cstddef>
#include <cstdint>

#include "support/scratch.h"
#include "xldl/partial_store.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::WriteScratchFile("target.iso.xltd.info", data, size);
  xldl::PartialStore(fuzz::ScratchFolder() / "target.iso").ReadInfo();
  return 0;
}
