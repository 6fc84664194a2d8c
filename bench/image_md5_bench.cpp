// MD5 throughput of VerifyImageFile against md5sum on the same file, read from the page
// cache by both (each reads it once before timing).
//
//   build/bin/image_md5_bench [SIZE_MIB]      default 1024; prints both rates and the ratio

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "catalogue/image_verification.h"
#include "support/temp_machine.h"

namespace {

double Seconds(const std::chrono::steady_clock::time_point& since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

std::string Md5sum(const std::filesystem::path& file) {
  std::string command = "md5sum '" + file.string() + "'";
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return {};
  char line[256] = {};
  std::string out = fgets(line, sizeof line, pipe) != nullptr ? std::string(line, 32) : std::string();
  pclose(pipe);
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  const int64_t sizeMib = argc > 1 ? std::atoll(argv[1]) : 1024;
  testing_support::TempMachine machine;
  const std::wstring path = L"D:\\bench.gho";
  const std::filesystem::path host = machine.HostPath(path);
  std::filesystem::create_directories(host.parent_path());
  {
    std::ofstream out(host, std::ios::binary);
    std::vector<char> block(1 << 20);
    for (int64_t i = 0; i < sizeMib; ++i) {
      for (size_t j = 0; j < block.size(); ++j) block[j] = static_cast<char>((i * 131 + j * 7) & 0xff);
      out.write(block.data(), static_cast<std::streamsize>(block.size()));
    }
  }
  const std::string expected = Md5sum(host);  // also warms the page cache
  OsEntry entry;
  entry.md5 = expected;

  auto start = std::chrono::steady_clock::now();
  const std::string reference = Md5sum(host);
  const double md5sumSeconds = Seconds(start);
  start = std::chrono::steady_clock::now();
  const ImageVerdict verdict = VerifyImageFile(entry, path);
  const double verifySeconds = Seconds(start);
  std::filesystem::remove(host);

  if (!verdict.matches || reference != expected) {
    std::printf("checksums differ: md5sum %s, VerifyImageFile %s\n", reference.c_str(), verdict.actualMd5.c_str());
    return 1;
  }
  const double mib = static_cast<double>(sizeMib);
  std::printf("md5sum:          %8.1f MiB/s\n", mib / md5sumSeconds);
  std::printf("VerifyImageFile: %8.1f MiB/s\n", mib / verifySeconds);
  std::printf("ratio VerifyImageFile/md5sum: %.2f (goal >= 0.90)\n", md5sumSeconds / verifySeconds);
  return 0;
}
