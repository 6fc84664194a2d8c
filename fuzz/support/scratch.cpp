#include "support/scratch.h"

#include <unistd.h>

#include <fstream>
#include <stdexcept>
#include <string>

namespace fuzz {

namespace {

// Removed when the fuzzer ends normally; a crash leaves it for a look.
struct Folder {
  Folder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "tarnvik-fuzz-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("cannot make a scratch folder in " + pattern);
    path = pattern;
  }
  ~Folder() {
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
  }
  std::filesystem::path path;
};

}  // namespace

const std::filesystem::path& ScratchFolder() {
  static const Folder folder;
  return folder.path;
}

std::filesystem::path WriteScratchFile(const char* name, const uint8_t* data, size_t size) {
  std::filesystem::path file = ScratchFolder() / name;
  std::ofstream(file, std::ios::binary | std::ios::trunc).write(reinterpret_cast<const char*>(data),
                                                                 static_cast<std::streamsize>(size));
  return file;
}

}  // namespace fuzz
