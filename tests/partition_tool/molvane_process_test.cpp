// Molvane run as a real process against the fake diskpart, one temporary folder per run:
// the program is copied there, so its work files are the run's own.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "support/run_program.h"

namespace {

namespace fs = std::filesystem;

std::string ReadFile(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string Unescape(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\\' && i + 1 < text.size()) {
      const char c = text[++i];
      out += c == 'r' ? '\r' : c == 'n' ? '\n' : c;
    } else {
      out += text[i];
    }
  }
  return out;
}

// Splits at every separator, keeping empty parts.
std::vector<std::string> Split(const std::string& text, char separator) {
  std::vector<std::string> parts(1);
  for (char c : text) {
    if (c == separator) {
      parts.emplace_back();
    } else {
      parts.back() += c;
    }
  }
  return parts;
}

class TempFolder {
 public:
  TempFolder() {
    std::string pattern = (fs::path(testing::TempDir()) / "molvane-XXXXXX").string();
    path_ = mkdtemp(pattern.data());
  }
  ~TempFolder() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
  }
  const fs::path& path() const { return path_; }

 private:
  fs::path path_;
};

// Runs the copy of Molvane in `folder` with the given changes to the environment.
testing_support::Outcome RunMolvane(const fs::path& folder, const std::vector<std::string>& arguments,
                                    const std::vector<std::string>& environment) {
  std::vector<std::string> args{(folder / "molvane").string()};
  args.insert(args.end(), arguments.begin(), arguments.end());
  return testing_support::RunProgram({.args = args, .environment = environment});
}

struct EndToEndCase {
  std::string name, fixtureSet;
  std::vector<std::string> arguments;
  std::string console;
  int exitCode = 0;
  std::string lastScript;  // "none" when no script may be written
};

void PrintTo(const EndToEndCase& c, std::ostream* out) { *out << c.name; }

std::vector<EndToEndCase> LoadCases() {
  std::vector<EndToEndCase> cases;
  std::istringstream lines(ReadFile(MOLVANE_CASES_FILE));
  std::string line;
  while (std::getline(lines, line)) {
    if (line.empty() || line[0] == '#') continue;
    const auto fields = Split(line, '|');
    if (fields.size() != 6) {
      ADD_FAILURE() << "malformed case: " << line;
      continue;
    }
    std::vector<std::string> arguments = Split(fields[2], ' ');
    std::erase(arguments, "");
    cases.push_back(
        {fields[0], fields[1], arguments, Unescape(fields[3]), std::stoi(fields[4]), fields[5]});
  }
  return cases;
}

// A run in its own folder: Molvane's copy in program/, the fake diskpart.exe in system/.
class Machine {
 public:
  explicit Machine(bool withDiskpart) {
    fs::create_directories(program());
    fs::create_directories(system());
    fs::copy_file(MOLVANE_BIN, program() / "molvane");
    if (withDiskpart) fs::copy_file(FAKE_DISKPART_BIN, system() / "diskpart.exe");
  }
  fs::path program() const { return temp_.path() / "program"; }
  fs::path system() const { return temp_.path() / "system"; }

 private:
  TempFolder temp_;
};

class MolvaneProcess : public testing::TestWithParam<EndToEndCase> {};

TEST_P(MolvaneProcess, AnswersAsItsCaseSays) {
  const EndToEndCase& c = GetParam();
  const Machine machine(c.fixtureSet != "-");
  const testing_support::Outcome run = RunMolvane(machine.program(), c.arguments,
                                   {"MOLVANE_SYSTEM_DIR=" + machine.system().string(),
                                    "FAKE_DISKPART_FIXTURES=" MOLVANE_FIXTURES_DIR,
                                    "FAKE_DISKPART_SET=" + c.fixtureSet});
  EXPECT_EQ(run.out, c.console);
  // An exit status keeps the low 8 bits of the code.
  EXPECT_EQ(run.exitCode, c.exitCode & 0xFF);
  const fs::path script = machine.program() / "ctemp.txt";
  if (c.lastScript == "none") {
    EXPECT_FALSE(fs::exists(script));
    EXPECT_FALSE(fs::exists(machine.program() / "ctemp_bat.bat"));
  } else {
    // Written in text mode, so each LF of the script reaches the file as CR LF.
    std::string expected;
    for (char ch : Unescape(c.lastScript)) {
      if (ch == '\n') expected += '\r';
      expected += ch;
    }
    EXPECT_EQ(ReadFile(script), expected);
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, MolvaneProcess, testing::ValuesIn(LoadCases()),
                         [](const auto& info) { return info.param.name; });

TEST(MolvaneProcessSetup, BatchFileNamesDiskpartScriptAndOutput) {
  const Machine machine(true);
  const testing_support::Outcome run = RunMolvane(machine.program(), {"-H", "D"},
                                   {"MOLVANE_SYSTEM_DIR=" + machine.system().string(),
                                    "FAKE_DISKPART_FIXTURES=" MOLVANE_FIXTURES_DIR,
                                    "FAKE_DISKPART_SET=list_volume=basic,shrink_querymax=mb"});
  ASSERT_EQ(run.out, "4096\r\n");
  const auto quoted = [](const fs::path& path) { return "\"" + path.string() + "\""; };
  EXPECT_EQ(ReadFile(machine.program() / "ctemp_bat.bat"),
            quoted(machine.system() / "diskpart.exe") + " /s " +
                quoted(machine.program() / "ctemp.txt") + " > " +
                quoted(machine.program() / "cout.txt"));
}

TEST(MolvaneProcessSetup, UnsetSystemFolderFailsWithAMessage) {
  const Machine machine(true);
  const testing_support::Outcome run = RunMolvane(machine.program(), {"-E", "G", "D"}, {"MOLVANE_SYSTEM_DIR"});
  EXPECT_EQ(run.out, "faile\r\n");
  EXPECT_EQ(run.exitCode, 255);
  EXPECT_NE(run.err.find("MOLVANE_SYSTEM_DIR is not set"), std::string::npos) << run.err;
  EXPECT_FALSE(fs::exists(machine.program() / "ctemp.txt"));
}

}  // namespace
