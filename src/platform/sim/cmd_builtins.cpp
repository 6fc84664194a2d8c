#include "platform/sim/cmd_builtins.h"

#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <functional>
#include <map>
#include <system_error>
#include <vector>

#include "platform/codepage.h"
#include "platform/platform.h"
#include "platform/sim/attribute_store.h"
#include "platform/sim/machine_config.h"
#include "platform/sim/process_log.h"
#include "platform/sim/sim_platform.h"
#include "platform/sim/windows_paths.h"

namespace sim {
namespace fs = std::filesystem;

namespace {

void WriteAll(int fd, const std::wstring& text) {
  if (fd < 0) return;
  const std::string bytes = platform::WideToCodePage936(text);
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    done += static_cast<size_t>(n);
  }
}

}  // namespace

void CmdContext::Print(const std::wstring& text) const { WriteAll(out, text); }
void CmdContext::Complain(const std::wstring& text) const { WriteAll(err, text); }

namespace {

constexpr uint32_t kHiddenOrSystem = platform::kFileAttributeHidden | platform::kFileAttributeSystem;

// The words of a command: blanks and tabs separate them outside double quotes, which are
// dropped. A switch is an unquoted word that starts with "/".
struct Words {
  std::vector<std::wstring> paths;
  std::vector<std::wstring> switches;  // folded
  std::vector<std::wstring> attributeChanges;  // attrib's "+r", "-h", folded
};

Words SplitWords(const std::wstring& arguments) {
  Words words;
  std::wstring word;
  bool quoted = false, anyQuote = false, inWord = false;
  auto end = [&] {
    if (!inWord) return;
    const std::wstring folded = FoldCase(word);
    if (!anyQuote && word.size() > 1 && word[0] == L'/') {
      words.switches.push_back(folded);
    } else if (!anyQuote && word.size() == 2 && (word[0] == L'+' || word[0] == L'-')) {
      words.attributeChanges.push_back(folded);
    } else {
      words.paths.push_back(word);
    }
    word.clear();
    quoted = anyQuote = inWord = false;
  };
  for (wchar_t c : arguments) {
    if (c == L'"') {
      quoted = !quoted;
      anyQuote = inWord = true;
    } else if (!quoted && (c == L' ' || c == L'\t')) {
      end();
    } else {
      word += c;
      inWord = true;
    }
  }
  end();
  return words;
}

bool HasSwitch(const Words& words, const wchar_t* name) {
  for (const std::wstring& s : words.switches) {
    if (s == name) return true;
  }
  return false;
}

// Complains about the first switch not in `allowed`; true when there was one.
bool RefuseOtherSwitches(const CmdContext& context, const Words& words, std::initializer_list<const wchar_t*> allowed) {
  for (const std::wstring& s : words.switches) {
    bool known = false;
    for (const wchar_t* a : allowed) known = known || s == a;
    if (!known) {
      context.Complain(L"Invalid switch - " + s + L"\r\n");
      return true;
    }
  }
  return false;
}

struct Target {
  std::wstring windowsPath;
  std::optional<fs::path> host;
};

Target Locate(const CmdContext& context, const std::wstring& path) {
  Target target{FullPath(context.folder, path), std::nullopt};
  target.host = context.machine.MapPath(target.windowsPath);
  return target;
}

bool Exists(const Target& target) {
  std::error_code ec;
  return target.host && fs::exists(*target.host, ec);
}

bool IsFolder(const Target& target) {
  std::error_code ec;
  return target.host && fs::is_directory(*target.host, ec);
}

// attrib [+r|-r|+s|-s|+h|-h|+a|-a ...] path. As Windows, it does not touch a system or
// hidden file unless the command changes that attribute too.
int Attrib(const CmdContext& context, const Words& words) {
  if (RefuseOtherSwitches(context, words, {}) || words.paths.size() != 1) {
    context.Complain(L"Parameter format not correct - \r\n");
    return 1;
  }
  static const std::map<wchar_t, uint32_t> bits = {{L'r', platform::kFileAttributeReadOnly},
                                                   {L'h', platform::kFileAttributeHidden},
                                                   {L's', platform::kFileAttributeSystem},
                                                   {L'a', platform::kFileAttributeArchive}};
  uint32_t set = 0, clear = 0;
  for (const std::wstring& change : words.attributeChanges) {
    auto bit = bits.find(change[1]);
    if (bit == bits.end()) {
      context.Complain(L"Parameter format not correct - " + change + L"\r\n");
      return 1;
    }
    (change[0] == L'+' ? set : clear) |= bit->second;
  }
  const Target target = Locate(context, words.paths[0]);
  if (!Exists(target)) {
    context.Complain(L"File not found - " + target.windowsPath + L"\r\n");
    return 1;
  }
  const AttributeStore store(context.machine);
  uint32_t attributes = store.Get(*target.host);
  const uint32_t changed = set | clear;
  if (changed == 0) {
    std::wstring letters = L"     ";
    if (attributes & platform::kFileAttributeArchive) letters[0] = L'A';
    if (attributes & platform::kFileAttributeSystem) letters[2] = L'S';
    if (attributes & platform::kFileAttributeHidden) letters[3] = L'H';
    if (attributes & platform::kFileAttributeReadOnly) letters[4] = L'R';
    context.Print(letters + L"       " + target.windowsPath + L"\r\n");
    return 0;
  }
  if ((attributes & platform::kFileAttributeSystem) && !(changed & platform::kFileAttributeSystem)) {
    context.Complain(L"Not resetting system file - " + target.windowsPath + L"\r\n");
    return 1;
  }
  if ((attributes & platform::kFileAttributeHidden) && !(changed & platform::kFileAttributeHidden)) {
    context.Complain(L"Not resetting hidden file - " + target.windowsPath + L"\r\n");
    return 1;
  }
  attributes = ((attributes & ~platform::kFileAttributeNormal & ~platform::kFileAttributeDirectory) | set) & ~clear;
  if (!store.Set(*target.host, attributes)) {
    context.Complain(L"Access denied - " + target.windowsPath + L"\r\n");
    return 1;
  }
  return 0;
}

// A file to copy or move from, and where it goes: into a folder named as the target, or
// to the target's name.
struct Transfer {
  Target from, to;
};

std::optional<Transfer> PlanTransfer(const CmdContext& context, const Words& words) {
  if (words.paths.empty() || words.paths.size() > 2) {
    context.Complain(L"The syntax of the command is incorrect.\r\n");
    return std::nullopt;
  }
  Transfer plan{Locate(context, words.paths[0]), Locate(context, words.paths.size() == 2 ? words.paths[1] : L".")};
  if (IsFolder(plan.to) && Exists(plan.from)) {
    plan.to = Locate(context, JoinPath(plan.to.windowsPath, platform::Utf8ToWide(plan.from.host->filename().string())));
  }
  return plan;
}

// copy source [target] [/y]: without /y an existing target is kept (the question cmd
// asks gets no answer). A hidden or system source is not found, as on Windows.
int Copy(const CmdContext& context, const Words& words) {
  if (RefuseOtherSwitches(context, words, {L"/y", L"/-y", L"/b", L"/a", L"/v"})) return 1;
  auto plan = PlanTransfer(context, words);
  if (!plan) return 1;
  const AttributeStore store(context.machine);
  auto fail = [&](const std::wstring& why) {
    context.Complain(why + L"\r\n");
    context.Print(L"        0 file(s) copied.\r\n");
    return 1;
  };
  if (!Exists(plan->from) || IsFolder(plan->from) || (store.Get(*plan->from.host) & kHiddenOrSystem)) {
    return fail(L"The system cannot find the file specified.");
  }
  std::error_code ec;
  if (Exists(plan->to) && fs::equivalent(*plan->from.host, *plan->to.host, ec)) {
    return fail(L"The file cannot be copied onto itself.");
  }
  if (Exists(plan->to) && !HasSwitch(words, L"/y")) return fail(L"Overwrite " + plan->to.windowsPath + L"? (Yes/No/All): ");
  if (!plan->to.host || !fs::is_directory(plan->to.host->parent_path(), ec)) {
    return fail(L"The system cannot find the path specified.");
  }
  if (!context.machine.files().CopyFile(plan->from.windowsPath, plan->to.windowsPath, false)) {
    return fail(L"Access is denied.");
  }
  context.Print(L"        1 file(s) copied.\r\n");
  return 0;
}

// move source target [/y]: the attributes go along. Without /y an existing target is kept.
int Move(const CmdContext& context, const Words& words) {
  if (RefuseOtherSwitches(context, words, {L"/y", L"/-y"})) return 1;
  auto plan = PlanTransfer(context, words);
  if (!plan) return 1;
  const AttributeStore store(context.machine);
  std::error_code ec;
  auto fail = [&](const std::wstring& why) {
    context.Complain(why + L"\r\n");
    return 1;
  };
  if (!Exists(plan->from)) return fail(L"The system cannot find the file specified.");
  if (!plan->to.host || !fs::is_directory(plan->to.host->parent_path(), ec)) {
    return fail(L"The system cannot find the path specified.");
  }
  if (Exists(plan->to) && !fs::equivalent(*plan->from.host, *plan->to.host, ec)) {
    if (!HasSwitch(words, L"/y")) return fail(L"Overwrite " + plan->to.windowsPath + L"? (Yes/No/All): ");
    if (IsFolder(plan->to) || (store.Get(*plan->to.host) & platform::kFileAttributeReadOnly)) {
      return fail(L"Access is denied.");
    }
  }
  fs::rename(*plan->from.host, *plan->to.host, ec);
  if (ec) return fail(L"Access is denied.");
  store.Move(*plan->from.host, *plan->to.host);
  context.Print(L"        1 file(s) moved.\r\n");
  return 0;
}

// Deletes one file as del does: a hidden or system file is not found, a read-only one
// refused unless forced.
bool DeleteOne(const CmdContext& context, const Target& file, bool force) {
  const AttributeStore store(context.machine);
  const uint32_t attributes = store.Get(*file.host);
  if (attributes & kHiddenOrSystem) {
    context.Complain(L"Could Not Find " + file.windowsPath + L"\r\n");
    return false;
  }
  if (force && (attributes & platform::kFileAttributeReadOnly)) {
    store.Set(*file.host, attributes & ~platform::kFileAttributeReadOnly);
  }
  if (!context.machine.files().RemoveFile(file.windowsPath)) {
    context.Complain(file.windowsPath + L"\r\nAccess is denied.\r\n");
    return false;
  }
  return true;
}

// del [/q] [/f] path...: a folder stands for the files directly in it (asked for without
// a question).
int Del(const CmdContext& context, const Words& words) {
  if (RefuseOtherSwitches(context, words, {L"/q", L"/f", L"/p"})) return 1;
  if (words.paths.empty()) {
    context.Complain(L"The syntax of the command is incorrect.\r\n");
    return 1;
  }
  const bool force = HasSwitch(words, L"/f");
  int status = 0;
  for (const std::wstring& path : words.paths) {
    const Target target = Locate(context, path);
    if (!Exists(target)) {
      context.Complain(L"Could Not Find " + target.windowsPath + L"\r\n");
      status = 1;
      continue;
    }
    if (!IsFolder(target)) {
      if (!DeleteOne(context, target, force)) status = 1;
      continue;
    }
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(*target.host, ec)) {
      if (entry.is_directory(ec)) continue;
      Target file = Locate(context, JoinPath(target.windowsPath, platform::Utf8ToWide(entry.path().filename().string())));
      if (!DeleteOne(context, file, force)) status = 1;
    }
  }
  return status;
}

// rd [/s] [/q] path...: with /s the whole tree goes, whatever its attributes. A drive's
// root loses what it holds but stays, as on Windows.
int Rd(const CmdContext& context, const Words& words) {
  if (RefuseOtherSwitches(context, words, {L"/s", L"/q"})) return 1;
  if (words.paths.empty()) {
    context.Complain(L"The syntax of the command is incorrect.\r\n");
    return 1;
  }
  const bool tree = HasSwitch(words, L"/s");
  const AttributeStore store(context.machine);
  int status = 0;
  for (const std::wstring& path : words.paths) {
    const Target target = Locate(context, path);
    std::error_code ec;
    if (!IsFolder(target)) {
      context.Complain(Exists(target) ? L"The directory name is invalid.\r\n"
                                      : L"The system cannot find the file specified.\r\n");
      status = 1;
      continue;
    }
    const bool root = TrimFolder(target.windowsPath).size() == 3;
    if (!tree && !fs::is_empty(*target.host, ec)) {
      context.Complain(L"The directory is not empty.\r\n");
      status = 1;
      continue;
    }
    for (const auto& entry : fs::directory_iterator(*target.host, ec)) {
      fs::remove_all(entry.path(), ec);
      store.Drop(entry.path());
    }
    if (root) {
      context.Complain(L"The process cannot access the file because it is being used by another process.\r\n");
      status = 1;
      continue;
    }
    fs::remove(*target.host, ec);
    store.Drop(*target.host);
  }
  return status;
}

int Echo(const CmdContext& context, const std::wstring& arguments) {
  if (arguments.find_first_not_of(L" \t") == std::wstring::npos) {
    context.Print(L"ECHO is on.\r\n");
  } else {
    context.Print(arguments.substr(1) + L"\r\n");  // the one blank after the name is not echoed
  }
  return 0;
}

// taskkill /im NAME [/f]: ends every program of the machine still running whose file name
// is NAME (any case), with /f at once (SIGKILL), else asked to (SIGTERM).
int Taskkill(const CmdContext& context, const Words& words) {
  if (RefuseOtherSwitches(context, words, {L"/f", L"/im"})) return 1;
  if (!HasSwitch(words, L"/im") || words.paths.size() != 1) {
    context.Complain(L"ERROR: Invalid syntax. Type \"TASKKILL /?\" for usage.\r\n");
    return 1;
  }
  const std::wstring& image = words.paths.front();
  const int signal = HasSwitch(words, L"/f") ? SIGKILL : SIGTERM;
  int ended = 0;
  for (const RunningProgram& running : RunningPrograms(context.machine)) {
    const std::wstring name = running.program.substr(running.program.find_last_of(L"\\/") + 1);
    if (FoldCase(name) != FoldCase(image) || ::kill(running.pid, signal) != 0) continue;
    context.Print(L"SUCCESS: The process \"" + name + L"\" with PID " + std::to_wstring(running.pid) +
                  L" has been terminated.\r\n");
    ++ended;
  }
  if (ended > 0) return 0;
  context.Complain(L"ERROR: The process \"" + image + L"\" not found.\r\n");
  return 128;
}

using Builtin = std::function<int(const CmdContext&, const Words&)>;

const std::map<std::wstring, Builtin>& Builtins() {
  static const std::map<std::wstring, Builtin> builtins = {
      {L"attrib", Attrib}, {L"copy", Copy}, {L"move", Move}, {L"del", Del},
      {L"erase", Del},     {L"rd", Rd},     {L"rmdir", Rd}, {L"taskkill", Taskkill}};
  return builtins;
}

}  // namespace

bool IsBuiltin(const std::wstring& name) {
  const std::wstring folded = FoldCase(name);
  return folded == L"echo" || Builtins().count(folded) != 0;
}

int RunBuiltin(const CmdContext& context, const std::wstring& name, const std::wstring& arguments) {
  const std::wstring folded = FoldCase(name);
  if (folded == L"echo") return Echo(context, arguments);
  return Builtins().at(folded)(context, SplitWords(arguments));
}

}  // namespace sim
