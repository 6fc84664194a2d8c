#pragma once
// Parsers that read a file get the fuzzer's input through one scratch file per program.

#include <cstddef>
#include <cstdint>
#include <filesystem>

namespace fuzz {

// A folder of this process's own, made on first use, kept for the run.
const std::filesystem::path& ScratchFolder();

// Writes the input to ScratchFolder()/name and returns that path.
std::filesystem::path WriteScratchFile(const char* name, const uint8_t* data, size_t size);

}  // namespace fuzz
