#include "listings.h"

#include <algorithm>
#include <vector>

#include "platform/codepage.h"

namespace gdisk {
namespace {

constexpr int64_t kSector = 512;
constexpr const char* kEnd = "\r\n";  // a Windows console program's lines in a file

std::string Upper(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::toupper(c); });
  return text;
}

// The partitions by position on the disk; a disk without a table lists none.
std::vector<const sim::Partition*> ByPosition(const sim::Disk& disk) {
  std::vector<const sim::Partition*> partitions;
  if (disk.style == "raw") return partitions;
  for (const sim::Partition& p : disk.partitions) partitions.push_back(&p);
  std::stable_sort(partitions.begin(), partitions.end(),
                   [](const sim::Partition* a, const sim::Partition* b) { return a->offsetBytes < b->offsetBytes; });
  return partitions;
}

std::string LetterWord(const sim::Partition& p) {
  if (p.letter == 0) return "--";
  return std::string(1, static_cast<char>(std::tolower(static_cast<unsigned char>(p.letter)))) + ":";
}

std::string FileSystemWord(const sim::Partition& p) {
  return p.fileSystem.empty() ? "RAW" : platform::WideToUtf8(p.fileSystem);
}

}  // namespace

int64_t Mebibytes(int64_t bytes) { return bytes / (1024 * 1024); }

std::string PlainListing(const sim::Disk& disk, unsigned gdiskIndex) {
  const std::vector<const sim::Partition*> partitions = ByPosition(disk);
  std::string out = "Gdisk (simulated) disk " + std::to_string(gdiskIndex) + kEnd;
  out += "Model partitions: " + std::to_string(partitions.size()) + " style: " + Upper(disk.style) +
         " size: " + std::to_string(Mebibytes(disk.sizeBytes)) + " MB, " + disk.friendlyName + kEnd;
  for (size_t i = 0; i < partitions.size(); ++i) {
    const sim::Partition& p = *partitions[i];
    out += " " + LetterWord(p) + " " + std::to_string(i + 1) + (p.type == "efi" ? " efi " : " ") + FileSystemWord(p) +
           " " + std::to_string(Mebibytes(p.sizeBytes)) + " MB " + platform::WideToUtf8(p.label) + kEnd;
  }
  return out;
}

std::string SectorListing(const sim::Disk& disk, unsigned gdiskIndex) {
  const std::vector<const sim::Partition*> partitions = ByPosition(disk);
  std::string out = "Gdisk (simulated) disk " + std::to_string(gdiskIndex) + ": " +
                    std::to_string(disk.sizeBytes / kSector) + " sectors of 512 bytes, " + Upper(disk.style) + kEnd;
  if (disk.style == "raw") return out + "No partition table." + kEnd;
  if (partitions.empty()) return out + "No partitions." + kEnd;
  out += std::string("Sectors by partition: start end count type letter") + kEnd;
  for (const sim::Partition* p : partitions) {
    const int64_t start = p->offsetBytes / kSector, count = p->sizeBytes / kSector;
    out += std::to_string(start) + " " + std::to_string(start + count - 1) + " " + std::to_string(count) + " " +
           FileSystemWord(*p) + " " + LetterWord(*p) + kEnd;
  }
  return out;
}

}  // namespace gdisk
