// Stands in for diskpart.exe in Molvane's tests: answers "/s <script>" with a fixture.
// FAKE_DISKPART_FIXTURES names the fixture folder (one subfolder per kind of script) and
// FAKE_DISKPART_SET picks the answer for each kind, e.g. "list_volume=basic,shrink_querymax=mb".
// A kind the set leaves out gets no answer at all.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

namespace {

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The order matters: the shrink-and-create script also selects a volume, and so on.
std::string KindOfScript(const std::string& script) {
  if (script.find("shrink desired=") != std::string::npos) return "shrink_create";
  if (script.find("shrink querymax") != std::string::npos) return "shrink_querymax";
  if (script.find("delete volume") != std::string::npos) return "delete_extend";
  if (script.find("list volume") != std::string::npos) return "list_volume";
  return "";
}

std::string VariantFor(const std::string& kind) {
  const char* set = std::getenv("FAKE_DISKPART_SET");
  std::istringstream entries(set ? set : "");
  std::string entry;
  while (std::getline(entries, entry, ',')) {
    if (entry.rfind(kind + "=", 0) == 0) return entry.substr(kind.size() + 1);
  }
  return "";
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3 || std::string(argv[1]) != "/s") return 2;
  const std::string kind = KindOfScript(ReadFile(argv[2]));
  const std::string variant = kind.empty() ? "" : VariantFor(kind);
  const char* fixtures = std::getenv("FAKE_DISKPART_FIXTURES");
  if (variant.empty() || fixtures == nullptr) return 1;
  const std::string answer = ReadFile(std::string(fixtures) + "/" + kind + "/" + variant + ".txt");
#ifdef _WIN32
  _setmode(_fileno(stdout), _O_BINARY);
#endif
  std::fwrite(answer.data(), 1, answer.size(), stdout);
  return 0;
}
