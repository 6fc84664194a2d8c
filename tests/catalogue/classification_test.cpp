// The labels of the running and the recommended system, and the order of the catalogue.

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "app/contains_no_case.h"
#include "catalogue/catalogue_order.h"
#include "catalogue/os_labels.h"
#include "platform/codepage.h"
#include "support/temp_machine.h"

namespace {

using testing_support::MinimalMachine;
using testing_support::TempMachine;

std::string Utf8(const std::wstring& text) { return platform::WideToUtf8(text); }

TEST(ContainsNoCase, FoldsAsciiCapitalsOnly) {
  struct Case {
    const wchar_t* text;
    const wchar_t* part;
    bool found;
  };
  const Case cases[] = {
      {L"Windows XP Professional", L"xp", true},
      {L"UEFI", L"uefi", true},
      {L"AZURE", L"az", true},
      {L"win7_x64", L"WIN7", true},
      {L"Ü", L"ü", false},  // only A to Z are folded
      {L"Win10", L"win7", false},
      {L"", L"", true},
      {L"", L"x", false},
  };
  for (const Case& c : cases) EXPECT_EQ(ContainsNoCase(c.text, c.part), c.found) << Utf8(c.text) << " / " << Utf8(c.part);
}

TEST(CurrentOsLabel, FamilyFromTheProductNameAndBitnessFromWow64) {
  struct Case {
    std::optional<const char*> productName;  // nothing: no value in the registry
    Json::Value wow64;
    const wchar_t* label;
  };
  const Case cases[] = {
      {"Windows 10 Pro", true, L"Win10 64位"},
      {"Windows 7 Ultimate", true, L"Win7 64位"},
      {"Windows 7 Home Basic", false, L"Win7 32位"},
      {"Windows Vista (TM) Ultimate", false, L"Win7 32位"},
      {"Windows XP Professional", true, L"Windows XP"},  // no bitness for XP
      {"Windows 8.1 Pro", true, L"Win8.1 64位"},
      {"Windows 8 Pro", false, L"Win8 32位"},
      {"WINDOWS 10 ENTERPRISE", true, L"Win10 64位"},
      {"Windows Server 2003", true, L"其他系统64位"},
      {"Windows 10 Pro", "unavailable", L"Win10 32位"},  // no IsWow64Process: 32
      {std::nullopt, false, L"其他系统32位"},
  };
  for (const Case& c : cases) {
    Json::Value machine = MinimalMachine();
    machine["windows"]["wow64"] = c.wow64;
    if (c.productName) machine["registry"]["HKLM\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion"]["ProductName"] = *c.productName;
    TempMachine m(machine);
    EXPECT_EQ(CurrentOsLabel(), c.label) << c.productName.value_or("(none)");
  }
}

TEST(RecommendLabel, FromTheMachineText) {
  struct Case {
    const wchar_t* machineText;
    const wchar_t* label;
  };
  const Case cases[] = {
      {L"Win7 64位 旗舰版", L"Win7 64位 "},
      {L"Win7 32位 家庭高级版", L"Win7 32位 "},
      {L"Win8 64位 专业版", L"Win10 64位 "},
      {L"Win8.1 32位 ", L"Win10 32位 "},
      {L"Win10 64位 专业版", L"Win10 64位 "},
      {L"Windows XP 旗舰版", L"Windows XP 旗舰版"},
      {L"Windows XP 专业版", L"Windows XP 专业版"},
      {L"Windows XP 家庭高级版", L"Windows XP 家庭版"},
      {L"Windows XP ", L"Windows XP "},
      {L"Win10 64位 旗舰版", L"Win10 64位 "},  // the edition word belongs to XP only
      {L"其他系统64位 ", L"64位 "},
      {L"", L""},
  };
  for (const Case& c : cases) EXPECT_EQ(RecommendLabel(c.machineText), c.label) << Utf8(c.machineText);
}

struct Image {
  const wchar_t* fileName;
  int bits;
  const wchar_t* fileTime;
};

OsList Catalogue(const std::vector<Image>& images) {
  OsList list;
  for (const Image& i : images) {
    auto entry = std::make_unique<OsEntry>();
    entry->fileName = i.fileName;
    entry->name = std::wstring(L"name of ") + i.fileName;
    entry->bits = i.bits;
    entry->fileTime = i.fileTime;
    list.push_back(std::move(entry));
  }
  return list;
}

std::vector<std::wstring> FileNames(const OsList& list) {
  std::vector<std::wstring> names;
  for (const auto& e : list) names.push_back(e->fileName);
  return names;
}

// The one recommended file name, or "" when none is; fails on more than one.
std::wstring Recommended(const OsList& list) {
  std::wstring found;
  for (const auto& e : list) {
    EXPECT_EQ(e->recommended, e->state == 1) << Utf8(e->fileName);
    if (!e->recommended) continue;
    EXPECT_TRUE(found.empty()) << "two recommended: " << Utf8(found) << ", " << Utf8(e->fileName);
    found = e->fileName;
  }
  return found;
}

const std::vector<Image> kMixedCatalogue = {
    {L"winxp_sp3.gho", 32, L"2016-01-01"},    {L"win10_x64_old.gho", 64, L"2017-05-01"},
    {L"win7_x86.gho", 32, L"2017-03-01"},     {L"win7_x64_old.gho", 64, L"2016-11-11"},
    {L"win10_x86.gho", 32, L"2018-01-01"},    {L"WIN7_X64_NEW.GHO", 64, L"2018-02-02"},
    {L"win10_x64_new.gho", 64, L"2018-06-01"}, {L"win8_x64.gho", 64, L"2019-01-01"},
};

TEST(OrderCatalogue, BucketsInPreferenceOrderNewestFirst) {
  struct Case {
    const char* what;
    const wchar_t* machineText;
    int osBits;
    std::vector<Image> catalogue;
    std::vector<std::wstring> order;
    std::wstring recommended;
  };
  const Case cases[] = {
      {"64-bit Windows 7: 7 64, 7 32, 10 64, 10 32, XP; the Windows 8 file is dropped", L"Win7 64位 旗舰版", 64,
       kMixedCatalogue,
       {L"WIN7_X64_NEW.GHO", L"win7_x64_old.gho", L"win7_x86.gho", L"win10_x64_new.gho", L"win10_x64_old.gho",
        L"win10_x86.gho", L"winxp_sp3.gho"},
       L"WIN7_X64_NEW.GHO"},
      {"32-bit Windows 7 prefers 32-bit within each family", L"Win7 32位 旗舰版", 32, kMixedCatalogue,
       {L"win7_x86.gho", L"WIN7_X64_NEW.GHO", L"win7_x64_old.gho", L"win10_x86.gho", L"win10_x64_new.gho",
        L"win10_x64_old.gho", L"winxp_sp3.gho"},
       L"win7_x86.gho"},
      {"Windows 10 puts Windows 10 first", L"Win10 64位 专业版", 64, kMixedCatalogue,
       {L"win10_x64_new.gho", L"win10_x64_old.gho", L"win10_x86.gho", L"WIN7_X64_NEW.GHO", L"win7_x64_old.gho",
        L"win7_x86.gho", L"winxp_sp3.gho"},
       L"win10_x64_new.gho"},
      {"Windows 8 uses the Windows 10 plan", L"Win8 32位 ", 32, kMixedCatalogue,
       {L"win10_x86.gho", L"win10_x64_new.gho", L"win10_x64_old.gho", L"win7_x86.gho", L"WIN7_X64_NEW.GHO",
        L"win7_x64_old.gho", L"winxp_sp3.gho"},
       L"win10_x86.gho"},
      {"XP puts XP first, then 7, then 10", L"Windows XP 专业版", 64, kMixedCatalogue,
       {L"winxp_sp3.gho", L"WIN7_X64_NEW.GHO", L"win7_x64_old.gho", L"win7_x86.gho", L"win10_x64_new.gho",
        L"win10_x64_old.gho", L"win10_x86.gho"},
       L"winxp_sp3.gho"},
      {"Windows 7 without Windows 7 files recommends Windows 10 of its bitness", L"Win7 32位 ", 32,
       {{L"win10_x64.gho", 64, L"2018"}, {L"win10_x86.gho", 32, L"2017"}},
       {L"win10_x86.gho", L"win10_x64.gho"},
       L"win10_x86.gho"},
      {"equal dates keep catalogue order", L"Win7 64位 ", 64,
       {{L"win7_a.gho", 64, L"2018"}, {L"win7_b.gho", 64, L"2019"}, {L"win7_c.gho", 64, L"2018"},
        {L"win7_d.gho", 64, L"2019"}},
       {L"win7_b.gho", L"win7_d.gho", L"win7_a.gho", L"win7_c.gho"},
       L"win7_b.gho"},
      {"dates compare as plain text", L"Win7 64位 ", 64,
       {{L"win7_a.gho", 64, L"2018-9-1"}, {L"win7_b.gho", 64, L"2018-10-1"}},
       {L"win7_a.gho", L"win7_b.gho"},
       L"win7_a.gho"},
      {"a bitness of neither 32 nor 64 falls into no bucket", L"Win7 64位 ", 64,
       {{L"win7_arm.gho", 16, L"2020"}, {L"win7_x64.gho", 64, L"2018"}},
       {L"win7_x64.gho"},
       L"win7_x64.gho"},
      {"nothing bucketed: catalogue order, nothing recommended", L"Win7 64位 ", 64,
       {{L"win8_x64.gho", 64, L"2019"}, {L"server2012.gho", 64, L"2018"}},
       {L"win8_x64.gho", L"server2012.gho"},
       L""},
      {"a machine text of no plan: catalogue order, nothing recommended", L"其他系统64位 ", 64, kMixedCatalogue,
       {L"winxp_sp3.gho", L"win10_x64_old.gho", L"win7_x86.gho", L"win7_x64_old.gho", L"win10_x86.gho",
        L"WIN7_X64_NEW.GHO", L"win10_x64_new.gho", L"win8_x64.gho"},
       L""},
      {"an empty catalogue stays empty", L"Win7 64位 ", 64, {}, {}, L""},
  };
  for (const Case& c : cases) {
    OsList list = Catalogue(c.catalogue);
    OrderCatalogue(list, c.machineText, c.osBits);
    EXPECT_EQ(FileNames(list), c.order) << c.what;
    EXPECT_EQ(Recommended(list), c.recommended) << c.what;
  }
}

// A file named for two families fits two buckets; it is offered once, in the first of
// them in preference order, so the list never holds one entry twice.
TEST(OrderCatalogue, AFileOfTwoFamiliesIsListedOnce) {
  struct Case {
    const wchar_t* machineText;
    std::vector<std::wstring> order;
  };
  const Case cases[] = {
      {L"Win7 64位 ", {L"win7_win10_dual.gho", L"win7_x64.gho", L"win10_x64.gho"}},
      {L"Win10 64位 ", {L"win7_win10_dual.gho", L"win10_x64.gho", L"win7_x64.gho"}},
  };
  for (const Case& c : cases) {
    OsList list = Catalogue({{L"win7_x64.gho", 64, L"2017"}, {L"win7_win10_dual.gho", 64, L"2019"},
                             {L"win10_x64.gho", 64, L"2018"}});
    OrderCatalogue(list, c.machineText, 64);
    EXPECT_EQ(FileNames(list), c.order) << Utf8(c.machineText);
    EXPECT_EQ(Recommended(list), L"win7_win10_dual.gho");
  }
}

}  // namespace
