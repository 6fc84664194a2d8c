#include "catalogue/catalogue_order.h"

#include <algorithm>
#include <array>
#include <optional>

#include "app/contains_no_case.h"

namespace {

struct Bucket {
  const wchar_t* family;  // found in the image's file name
  int32_t bits;
};

using Plan = std::array<Bucket, 6>;

// The first plan whose machine-text test holds.
std::optional<Plan> ChoosePlan(const std::wstring& machineText) {
  auto has = [&](const wchar_t* part) { return ContainsNoCase(machineText, part); };
  if (has(L"XP")) {
    return Plan{{{L"winxp", 64}, {L"winxp", 32}, {L"win7", 64}, {L"win7", 32}, {L"win10", 64}, {L"win10", 32}}};
  }
  if (has(L"7")) {
    return Plan{{{L"win7", 64}, {L"win7", 32}, {L"win10", 64}, {L"win10", 32}, {L"winxp", 64}, {L"winxp", 32}}};
  }
  if (has(L"8") || has(L"10")) {
    return Plan{{{L"win10", 64}, {L"win10", 32}, {L"win7", 64}, {L"win7", 32}, {L"winxp", 64}, {L"winxp", 32}}};
  }
  return std::nullopt;
}

}  // namespace

void OrderCatalogue(OsList& list, const std::wstring& machineText, int32_t osBits) {
  std::optional<Plan> plan = ChoosePlan(machineText);
  if (!plan) return;
  // A 32-bit machine prefers the 32-bit bucket of each family.
  const std::array<int, 6> preference = osBits == 64 ? std::array<int, 6>{0, 1, 2, 3, 4, 5}
                                                     : std::array<int, 6>{1, 0, 3, 2, 5, 4};

  // An image whose file name fits two buckets (it names two families) goes into the
  // first of them in preference order only, so that the list holds each image once.
  std::vector<bool> taken(list.size(), false);
  std::vector<std::vector<size_t>> buckets;
  for (int b : preference) {
    const Bucket& test = (*plan)[b];
    std::vector<size_t> bucket;
    for (size_t i = 0; i < list.size(); ++i) {
      if (!taken[i] && list[i]->bits == test.bits && ContainsNoCase(list[i]->fileName, test.family)) {
        bucket.push_back(i);
        taken[i] = true;
      }
    }
    // Newest first: greater date texts first, equal ones in list order.
    std::stable_sort(bucket.begin(), bucket.end(),
                     [&](size_t a, size_t c) { return list[a]->fileTime > list[c]->fileTime; });
    buckets.push_back(std::move(bucket));
  }
  if (std::none_of(taken.begin(), taken.end(), [](bool t) { return t; })) return;

  OsList ordered;
  for (const auto& bucket : buckets) {
    for (size_t i : bucket) ordered.push_back(std::move(list[i]));
  }
  ordered.front()->recommended = true;
  ordered.front()->state = 1;
  list = std::move(ordered);  // images of no bucket are not offered
}
