#include "partitioning.h"

#include <algorithm>
#include <vector>

#include "fakes/support/fake_tool.h"
#include "platform/codepage.h"

namespace gdisk {
namespace {

constexpr int64_t kMiB = 1024 * 1024;
constexpr size_t kMbrEntries = 4;

struct Region {
  int64_t start = 0, end = 0;
  int64_t size() const { return end - start; }
};

// The largest stretch of the disk no partition covers (the first of equal ones); before
// the first partition it starts at 1 MiB, where partitioning tools put the first one.
Region LargestFreeRegion(const sim::Disk& disk) {
  std::vector<const sim::Partition*> placed;
  for (const sim::Partition& p : disk.partitions) placed.push_back(&p);
  std::sort(placed.begin(), placed.end(), [](auto* a, auto* b) { return a->offsetBytes < b->offsetBytes; });
  Region largest;
  int64_t from = 0;
  auto consider = [&](int64_t end) {
    Region free{std::max(from, kMiB), end};
    if (free.size() > largest.size()) largest = free;
  };
  for (const sim::Partition* p : placed) {
    consider(p->offsetBytes);
    from = std::max(from, p->offsetBytes + p->sizeBytes);
  }
  consider(disk.sizeBytes);
  return largest;
}

}  // namespace

const sim::Partition& CreatePartition(sim::Disk& disk, const CreateRequest& request) {
  if (disk.style == "raw") {
    disk.style = "mbr";
    disk.partitions.clear();  // a volume over the whole disk has no place in a table
  }
  if (disk.style == "mbr" && disk.partitions.size() >= kMbrEntries) {
    throw fakes::ToolError("the partition table has no free entry");
  }
  const Region free = LargestFreeRegion(disk);
  const int64_t size = request.sizeMiB ? *request.sizeMiB * kMiB : free.size();
  if (size <= 0 || size > free.size()) {
    throw fakes::ToolError("not enough free space: the largest free region holds " +
                           std::to_string(std::max<int64_t>(free.size(), 0) / kMiB) + " MB");
  }
  sim::Partition p;
  p.type = "basic";
  // The EFI system partition is the one the maker names efi.
  if (fakes::LowerAscii(request.label) == "efi") p.type = "efi";
  p.offsetBytes = request.atEnd ? free.end - size : free.start;
  p.sizeBytes = size;
  p.freeBytes = size;
  if (request.format) {
    p.fileSystem = request.ntfs ? L"NTFS" : L"FAT32";
    p.label = platform::Utf8ToWide(request.label);
  }
  disk.partitions.push_back(p);
  return disk.partitions.back();
}

}  // namespace gdisk
