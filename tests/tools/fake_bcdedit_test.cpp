// The boot configuration editor of the simulated machine (tools/fakes/bcdedit), run as a
// process on a temporary machine with the argument vectors the install's command lines
// split into.

#include <gtest/gtest.h>
#include <json/json.h>

#include <cctype>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "base/json_read.h"
#include "fake_tool_runner.h"
#include "platform/platform.h"
#include "support/state_records.h"
#include "support/temp_machine.h"
#include "support/usb_stick_machine.h"
#include "usbmaker/bcd_store_command.h"

namespace {

using Args = std::vector<std::string>;

const std::string kPe = "{ba50c1f0-3752-11de-90d5-cdf8d52a3200}";
const std::string kSupport = "{ba50c1f0-3752-11de-90d5-cdf8d52a3211}";
const std::string kMissing = "{ba50c1f0-3752-11de-90d5-cdf8d52a32ff}";

// The support entry's command list with S = C.
std::vector<Args> SupportEntryCommands() {
  return {{"/delete", kSupport},
          {"/create", kSupport, "/d", "SUPPORT-LINE", "/application", "bootsector"},
          {"/set", kSupport, "device", "partition=C:"},
          {"/set", kSupport, "path", "\\jszc"},
          {"/displayorder", kSupport, "/addlast"}};
}

// The WinPE entry's command list on a UEFI machine: SDI on C:, the WIM on D:.
std::vector<Args> PeEntryCommands() {
  const std::string ramdisk = "ramdisk=[D:]\\Tarnvik\\PE\\WEPE64.WIM,{ramdiskoptions}";
  return {{"/delete", "{ramdiskoptions}", "/f"},
          {"/create", "{ramdiskoptions}"},
          {"/set", "{ramdiskoptions}", "ramdisksdidevice", "partition=C:"},
          {"/set", "{ramdiskoptions}", "ramdisksdipath", "\\SDone.SDI"},
          {"/delete", kPe},
          {"/create", kPe, "/d", "PRLM-10PE-1.0", "/application", "osloader"},
          {"/set", kPe, "device", ramdisk},
          {"/set", kPe, "path", "\\windows\\system32\\boot\\winload.efi"},
          {"/set", kPe, "osdevice", ramdisk},
          {"/set", kPe, "systemroot", "\\windows"},
          {"/set", kPe, "detecthal", "Yes"},
          {"/set", kPe, "winpe", "Yes"},
          {"/displayorder", kPe, "/addlast"},
          {"/set", "{bootmgr}", "timeout", "10"},
          {"/default", kPe}};
}

class FakeBcdedit : public testing::Test {
 protected:
  fake_tools::ToolRun Bcdedit(const Args& args) {
    return fake_tools::RunFake("fake_bcdedit", machine_.folder(), "D:\\Tarnvik\\tool", args);
  }
  std::filesystem::path StoreFile() const { return machine_.folder() / "state" / "bcd.json"; }
  Json::Value Store() const {
    Json::Value root;
    std::string error;
    EXPECT_TRUE(tarnvik::ReadJsonText(fake_tools::ReadAll(StoreFile()), root, error, tarnvik::JsonStrictness::Strict))
        << error;
    return root;
  }
  // Runs both command lists as the install does; the deletes of entries not there yet fail.
  void WriteBothEntries() {
    for (const auto& list : {SupportEntryCommands(), PeEntryCommands()}) {
      for (const Args& command : list) {
        auto run = Bcdedit(command);
        bool deletes = command[0] == "/delete";
        EXPECT_TRUE(run.exitCode == 0 || (deletes && run.exitCode == 1)) << command[0] << " " << command[1] << ": "
                                                                           << run.err;
      }
    }
  }

  testing_support::TempMachine machine_;
};

TEST_F(FakeBcdedit, AFreshStoreHoldsTheBootManagerAndTheRunningSystem) {
  auto run = Bcdedit({"/enum"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.out,
            "Windows Boot Manager\n"
            "--------------------\n"
            "identifier              {bootmgr}\n"
            "description             Windows Boot Manager\n"
            "default                 {current}\n"
            "displayorder            {current}\n"
            "timeout                 30\n"
            "\n"
            "Windows Boot Loader\n"
            "-------------------\n"
            "identifier              {current}\n"
            "description             Windows\n"
            "device                  partition=C:\n"
            "path                    \\Windows\\system32\\winload.efi\n"
            "osdevice                partition=C:\n"
            "systemroot              \\Windows\n");
  EXPECT_FALSE(std::filesystem::exists(StoreFile())) << "listing writes nothing";
}

TEST_F(FakeBcdedit, TheInstallCommandsRunTwiceLeaveOneEntryOfEachKind) {
  WriteBothEntries();
  WriteBothEntries();

  Json::Value store = Store();
  EXPECT_EQ(store["objects"].getMemberNames(),
            (std::vector<std::string>{kPe, kSupport, "{bootmgr}", "{current}", "{ramdiskoptions}"}));
  Json::Value order(Json::arrayValue);
  for (const std::string& id : {std::string("{current}"), kSupport, kPe}) order.append(id);
  EXPECT_EQ(store["displayOrder"], order);
  EXPECT_EQ(store["default"], kPe);
  EXPECT_EQ(store["objects"]["{bootmgr}"]["elements"]["timeout"], "10");

  const Json::Value& pe = store["objects"][kPe];
  EXPECT_EQ(pe["type"], "osloader");
  EXPECT_EQ(pe["description"], "PRLM-10PE-1.0");
  EXPECT_EQ(pe["elements"]["device"], "ramdisk=[D:]\\Tarnvik\\PE\\WEPE64.WIM,{ramdiskoptions}");
  EXPECT_EQ(pe["elements"]["osdevice"], pe["elements"]["device"]);
  EXPECT_EQ(pe["elements"]["path"], "\\windows\\system32\\boot\\winload.efi");
  EXPECT_EQ(pe["elements"]["systemroot"], "\\windows");
  EXPECT_EQ(pe["elements"]["detecthal"], "Yes");
  EXPECT_EQ(pe["elements"]["winpe"], "Yes");
  const Json::Value& support = store["objects"][kSupport];
  EXPECT_EQ(support["type"], "bootsector");
  EXPECT_EQ(support["elements"]["device"], "partition=C:");
  EXPECT_EQ(support["elements"]["path"], "\\jszc");
  const Json::Value& options = store["objects"]["{ramdiskoptions}"];
  EXPECT_EQ(options["type"], "device");
  EXPECT_EQ(options["elements"]["ramdisksdidevice"], "partition=C:");
  EXPECT_EQ(options["elements"]["ramdisksdipath"], "\\SDone.SDI");

  // The listing shows the menu in its order, the WinPE entry as default.
  auto run = Bcdedit({"/enum"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_NE(run.out.find("default                 " + kPe + "\n"
                         "displayorder            {current}\n"
                         "                        " + kSupport + "\n"
                         "                        " + kPe + "\n"
                         "timeout                 10\n"),
            std::string::npos)
      << run.out;
  EXPECT_NE(run.out.find("Real-mode Boot Sector\n---------------------\nidentifier              " + kSupport + "\n"
                         "description             SUPPORT-LINE\n"
                         "device                  partition=C:\n"
                         "path                    \\jszc\n"),
            std::string::npos)
      << run.out;
  EXPECT_NE(run.out.find("Device options\n--------------\nidentifier              {ramdiskoptions}\n"), std::string::npos)
      << run.out;
}

TEST_F(FakeBcdedit, AFailingCommandSaysWhyAndLeavesTheStoreAsItWas) {
  WriteBothEntries();
  const std::string before = fake_tools::ReadAll(StoreFile());
  struct Case {
    Args args;
    std::string says;
  };
  const std::vector<Case> cases{
      {{"/delete", kMissing}, "/delete " + kMissing + ": the entry does not exist"},
      {{"/create", kPe, "/d", "AGAIN", "/application", "osloader"}, "/create " + kPe + ": the entry already exists"},
      {{"/create", "{ramdiskoptions}"}, "the entry already exists"},
      {{"/set", kMissing, "path", "\\x"}, "/set " + kMissing + ": the entry does not exist"},
      {{"/set", kSupport, "osdevice", "partition=C:"}, "'osdevice' does not apply to a Real-mode Boot Sector entry"},
      {{"/set", "{bootmgr}", "winpe", "Yes"}, "'winpe' does not apply"},
      {{"/set", kPe, "bootmenupolicy", "Legacy"}, "'bootmenupolicy' is not an element"},
      {{"/set", kPe, "device", "partition=Q:"}, "Q: is not a drive of this machine"},
      {{"/set", kPe, "device", "ramdisk=[D:]\\Tarnvik\\PE\\WEPE64.WIM"}, "ramdisk= takes [X:]\\path,{options}"},
      {{"/set", kPe, "path", "windows\\system32"}, "a path on the volume starts with \\"},
      {{"/set", kPe, "winpe", "maybe"}, "yes or no"},
      {{"/set", "{bootmgr}", "timeout", "ten"}, "a number of seconds"},
      {{"/set", kPe, "path"}, "/set takes {id} ELEMENT VALUE"},
      {{"/set", "ramdiskoptions", "ramdisksdipath", "\\x"}, "'ramdiskoptions' is not an identifier"},
      {{"/create", kMissing, "/application", "osloader"}, "/d DESCRIPTION is missing"},
      {{"/create", kMissing, "/d", "X"}, "/application osloader|bootsector is missing"},
      {{"/create", kMissing, "/d", "X", "/application", "resume"}, "'resume' is not an application"},
      {{"/create", kMissing, "/d"}, "/d needs a value"},
      {{"/create", kMissing, "/d", "X", "/d", "Y", "/application", "osloader"}, "/d is given twice"},
      {{"/create", "{memdiag}", "/d", "X"}, "only a {GUID} or {ramdiskoptions} can be created"},
      {{"/delete", "{ramdiskoptions}"}, "a well-known identifier is deleted only with /f"},
      {{"/delete", "{bootmgr}", "/f"}, "the boot manager cannot be deleted"},
      {{"/delete", kPe, "/cleanup"}, "'/cleanup' is not an option of /delete"},
      {{"/displayorder", kMissing, "/addlast"}, "/displayorder " + kMissing + ": the entry does not exist"},
      {{"/displayorder", kPe, "/addfirst"}, "'/addfirst' is not an option of /displayorder"},
      {{"/default", kMissing}, "/default " + kMissing + ": the entry does not exist"},
      {{"/enum", "all"}, "/enum takes no arguments"},
      {{"/timeout", "soon"}, "a number of seconds"},
      {{"/timeout"}, "/timeout takes SECONDS"},
      {{"/set", "{bootmgr}", "locale", "zh_cn"}, "a language such as zh-cn"},
      {{"/set", kPe, "nx", "Sometimes"}, "one of alwaysoff, alwayson, optin, optout"},
      {{"/set", kSupport, "pae", "ForceEnable"}, "'pae' does not apply to a Real-mode Boot Sector entry"},
      {{"/store"}, "/store needs the store file"},
      {{"/store", "kqd\\boot\\BCD", "/enum"},
       "/store D:\\Tarnvik\\tool\\kqd\\boot\\BCD: the boot configuration data store could not be opened"},
      {{"/store", "Q:\\BCD", "/timeout", "1"}, "'Q:\\BCD' is not on a drive of this machine"},
      {{"/export", "x"}, "'/export' is not a command"},
      {{}, "no command given"},
  };
  for (const Case& c : cases) {
    std::string line;
    for (const auto& a : c.args) line += a + " ";
    auto run = Bcdedit(c.args);
    EXPECT_EQ(run.exitCode, 1) << line;
    EXPECT_NE(run.err.find("bcdedit: "), std::string::npos) << line << run.err;
    EXPECT_NE(run.err.find(c.says), std::string::npos) << line << "\n" << run.err;
    EXPECT_EQ(fake_tools::ReadAll(StoreFile()), before) << line;
  }
}

TEST_F(FakeBcdedit, OptionsAndIdentifiersMatchWithoutCase) {
  std::string upper = kMissing;
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  ASSERT_EQ(Bcdedit({"/CREATE", upper, "/D", "Menu", "/Application", "OSLOADER"}).exitCode, 0);
  auto run = Bcdedit({"/Set", kMissing, "Path", "\\x"});
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(Store()["objects"][kMissing]["elements"]["path"], "\\x");
}

TEST_F(FakeBcdedit, AStoreTheProfileGaveIsReadAndAMalformedOneIsNamed) {
  std::filesystem::create_directories(StoreFile().parent_path());
  std::ofstream(StoreFile()) << R"({"objects": {
      "{bootmgr}": {"type": "bootmgr", "description": "Windows Boot Manager", "elements": {"timeout": "5"}},
      "{11111111-2222-3333-4444-555555555555}": {"type": "osloader", "description": "Windows 7", "elements": {}}},
    "displayOrder": ["{11111111-2222-3333-4444-555555555555}"], "default": "{11111111-2222-3333-4444-555555555555}"})";
  auto run = Bcdedit({"/enum"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_NE(run.out.find("timeout                 5\n"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("description             Windows 7\n"), std::string::npos) << run.out;
  EXPECT_EQ(run.out.find("{current}"), std::string::npos) << run.out;

  std::ofstream(StoreFile()) << R"({"objects": {"{bootmgr}": {"type": "menu", "description": "", "elements": {}}},
                                    "displayOrder": [], "default": ""})";
  run = Bcdedit({"/enum"});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.err.find("state/bcd.json: objects.{bootmgr}.type must be one of"), std::string::npos) << run.err;
}

TEST_F(FakeBcdedit, AStoreFileIsEditedInPlaceAndTheMachineStoreIsLeftAlone) {
  machine_.WriteFile(L"D:\\Tarnvik\\tool\\kqd\\BCD", R"({"objects": {
      "{bootmgr}": {"type": "bootmgr", "description": "Windows Boot Manager", "elements": {}},
      "{ramdiskoptions}": {"type": "device", "description": "Ramdisk Options", "elements": {}}},
    "displayOrder": [], "default": ""})");
  for (const Args& command : {Args{"/STORE", "kqd\\BCD", "/timeout", "1"},
                              Args{"/store", "D:\\Tarnvik\\tool\\kqd\\BCD", "/set", "{bootmgr}", "locale", "zh-cn"},
                              Args{"/store", "kqd\\BCD", "/create", kPe, "/d", "PE", "/application", "osloader"},
                              Args{"/store", "kqd\\BCD", "/set", kPe, "nx", "OptIn"},
                              Args{"/store", "kqd\\BCD", "/set", kPe, "pae", "ForceEnable"}}) {
    auto run = Bcdedit(command);
    EXPECT_EQ(run.exitCode, 0) << command[2] << ": " << run.err;
  }
  auto run = Bcdedit({"/store", "kqd\\BCD", "/enum"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_NE(run.out.find("locale                  zh-cn\ntimeout                 1\n"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("nx                      OptIn\npae                     ForceEnable\n"), std::string::npos)
      << run.out;
  EXPECT_FALSE(std::filesystem::exists(StoreFile()));

  machine_.WriteFile(L"D:\\Tarnvik\\tool\\kqd\\BCD", R"({"objects": {}, "displayOrder": [], "default": ""})");
  run = Bcdedit({"/store", "kqd\\BCD", "/timeout", "1"});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.err.find("D:\\Tarnvik\\tool\\kqd\\BCD: objects.{bootmgr} must be present"), std::string::npos)
      << run.err;
}

// The USB maker's one command chain for the two stores of its boot file set, run as the
// program runs it: through the machine's cmd.exe in the tool folder, on the set that the
// machine's 7z.exe unpacked from the shipped Udata.bak.
TEST(FakeBcdeditStoreFiles, TheUsbMakersChainPointsBothStoresAtTheWimOnTheStick) {
  testing_support::TempMachine machine(testing_support::MachineWithUsbStick(),
                                       testing_support::MachineLayout::MadeByScript);
  auto& processes = platform::Current().processes();
  auto runCmd = [&](const std::wstring& parameters) {
    auto handle = processes.ShellExecuteEx({L"runas", L"cmd.exe", parameters, L"D:\\Tarnvik\\tool", platform::kSwHide});
    ASSERT_TRUE(handle);
    processes.WaitForExit(*handle);
  };
  runCmd(L"/c D:\\Tarnvik\\tool\\7z.exe x Udata.bak -y -aos -okqd");
  runCmd(BuildBcdStoreCommand(L'E'));

  std::vector<Json::Value> ends = testing_support::ReadStateLines(machine, "process-exits.jsonl");
  for (const Json::Value& end : ends) {
    EXPECT_EQ(end["status"], 0) << end.toStyledString();
    EXPECT_EQ(end.get("stderr", "").asString(), "") << end.toStyledString();  // what cmd.exe passed on
  }
  EXPECT_EQ(ends.size(), 2u + 1u + 15u);  // two cmd.exe runs, 7z.exe and the chain's bcdedit.dll runs
  const std::string wim = "ramdisk=[E:]\\boot\\WEPE64.WIM,{ramdiskoptions}";
  struct Store {
    std::wstring file;
    std::string entry, timeout;
    std::map<std::string, std::string> extra;
  };
  const Store stores[] = {
      {L"D:\\Tarnvik\\tool\\kqd\\boot\\BCD", "{e2f00ef7-af5f-48d4-99a2-7b1c6f57e63d}", "1", {{"locale", "zh-cn"}}},
      {L"D:\\Tarnvik\\tool\\kqd\\efi\\microsoft\\boot\\BCD", "{2b27e930-f7ab-11df-aeb8-c641fe7f0057}", "0",
       {{"nx", "OptIn"}, {"pae", "ForceEnable"}}},
  };
  for (const Store& store : stores) {
    Json::Value root;
    std::string error;
    ASSERT_TRUE(tarnvik::ReadJsonText(fake_tools::ReadAll(machine.HostPath(store.file)), root, error,
                                      tarnvik::JsonStrictness::Strict))
        << error;
    const Json::Value& manager = root["objects"]["{bootmgr}"]["elements"];
    EXPECT_EQ(manager["timeout"], store.timeout);
    EXPECT_EQ(manager["locale"], store.extra.count("locale") ? "zh-cn" : Json::Value()) << root.toStyledString();
    const Json::Value& entry = root["objects"][store.entry]["elements"];
    EXPECT_EQ(entry["device"], wim);
    EXPECT_EQ(entry["osdevice"], wim);
    EXPECT_EQ(entry["systemroot"], "\\WINDOWS");
    EXPECT_EQ(entry["detecthal"], "Yes");
    EXPECT_EQ(entry["winpe"], "Yes");
    for (const char* name : {"nx", "pae"}) {
      EXPECT_EQ(entry[name], store.extra.count(name) ? Json::Value(store.extra.at(name)) : Json::Value()) << name;
    }
  }
  EXPECT_TRUE(testing_support::ReadStateFile(machine, "bcd.json").isNull()) << "the machine's own store is untouched";
}

TEST_F(FakeBcdedit, HelpDescribesTheCommands) {
  auto run = Bcdedit({"--help"});
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_NE(run.out.find("/displayorder {id} /addlast"), std::string::npos) << run.out;
}

}  // namespace
