// downlist.json, the parked download tasks.
#include <cstddef>
#include <cstdint>
#include <string>

#include "download/task_list_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ReadTaskList(std::string(reinterpret_cast<const char*>(data), size));
  return 0;
}
