// Linux: diskpart.exe is any executable in the folder named by MOLVANE_SYSTEM_DIR, and the
// one-line batch file is carried out the way cmd would: the program runs with its
// arguments and its output redirected to the named file.
#include <fcntl.h>
#include <iconv.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string_view>

#include "platform_shim.h"

namespace molvane::platform {
namespace {

// Converts with iconv; each input unit that has no conversion becomes the replacement.
std::string Convert(const char* to, const char* from, std::string_view input, size_t unit,
                    std::string_view replacement) {
  iconv_t converter = iconv_open(to, from);
  if (converter == reinterpret_cast<iconv_t>(-1)) return {};
  std::string out;
  char* in = const_cast<char*>(input.data());
  size_t inLeft = input.size();
  char buffer[4096];
  while (inLeft > 0) {
    char* outPointer = buffer;
    size_t outLeft = sizeof buffer;
    const size_t result = iconv(converter, &in, &inLeft, &outPointer, &outLeft);
    out.append(buffer, outPointer);
    if (result == static_cast<size_t>(-1) && errno != E2BIG) {
      out.append(replacement);
      const size_t skip = std::min(unit, inLeft);
      in += skip;
      inLeft -= skip;
    }
  }
  iconv_close(converter);
  return out;
}

// Splits the batch line into words; double quotes group, ">" stands alone.
std::vector<std::string> BatchWords(const std::string& line) {
  std::vector<std::string> words;
  std::string word;
  bool quoted = false, inWord = false;
  for (char c : line) {
    if (c == '"') {
      quoted = !quoted;
      inWord = true;
    } else if (!quoted && (c == ' ' || c == '\r' || c == '\n' || c == '>')) {
      if (inWord) words.push_back(word);
      word.clear();
      inWord = false;
      if (c == '>') words.emplace_back(">");
    } else {
      word += c;
      inWord = true;
    }
  }
  if (inWord) words.push_back(word);
  return words;
}

}  // namespace

std::vector<std::wstring> CommandLineArguments(int argc, char** argv) {
  std::setlocale(LC_CTYPE, "");
  std::vector<std::wstring> arguments;
  for (int i = 0; i < argc; ++i) {
    std::wstring wide(std::strlen(argv[i]), L'\0');
    const size_t length = std::mbstowcs(wide.data(), argv[i], wide.size());
    wide.resize(length == static_cast<size_t>(-1) ? 0 : length);
    arguments.push_back(wide);
  }
  return arguments;
}

std::optional<std::filesystem::path> SystemDirectory() {
  const char* folder = std::getenv("MOLVANE_SYSTEM_DIR");
  if (folder == nullptr || *folder == '\0') {
    std::fputs("molvane: MOLVANE_SYSTEM_DIR is not set; it must name the folder that holds "
               "diskpart.exe\n", stderr);
    return std::nullopt;
  }
  return std::filesystem::path(folder);
}

std::filesystem::path ProgramPath() { return std::filesystem::read_symlink("/proc/self/exe"); }

std::string WideToCp936(const std::wstring& text) {
  const std::string_view input(reinterpret_cast<const char*>(text.data()),
                               text.size() * sizeof(wchar_t));
  return Convert("CP936", "WCHAR_T", input, sizeof(wchar_t), "?");
}

std::wstring Cp936ToWide(const std::string& bytes) {
  constexpr wchar_t kQuestionMark = L'?';
  const std::string wide = Convert("WCHAR_T", "CP936", bytes, 1,
                                   {reinterpret_cast<const char*>(&kQuestionMark), sizeof kQuestionMark});
  return std::wstring(reinterpret_cast<const wchar_t*>(wide.data()), wide.size() / sizeof(wchar_t));
}

bool WriteCp936TextFile(const std::filesystem::path& file, const std::wstring& text) {
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  if (!out) return false;
  for (char c : WideToCp936(text)) {
    if (c == '\n') out.put('\r');
    out.put(c);
  }
  return static_cast<bool>(out.flush());
}

bool RunBatchHiddenAndWait(const std::filesystem::path& batchFile) {
  std::ifstream in(batchFile, std::ios::binary);
  const std::string line{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  // The batch line is code page 936 text; the file system wants the locale's encoding.
  std::vector<std::string> words;
  for (const std::string& word : BatchWords(line)) {
    words.push_back(std::filesystem::path(Cp936ToWide(word)).string());
  }
  const size_t redirect = words.size() - std::min<size_t>(words.size(), 2);
  if (words.size() < 3 || words[redirect] != ">") return false;

  std::vector<char*> argv;
  for (size_t i = 0; i < redirect; ++i) argv.push_back(words[i].data());
  argv.push_back(nullptr);
  const pid_t child = fork();
  if (child < 0) return false;
  if (child == 0) {
    const int output = open(words.back().c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (output < 0 || dup2(output, STDOUT_FILENO) < 0) _exit(127);
    execv(argv[0], argv.data());
    _exit(127);
  }
  int status = 0;
  while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  return true;
}

void PrintToConsole(const std::string& bytes) {
  std::fwrite(bytes.data(), 1, bytes.size(), stdout);
  std::fflush(stdout);
}

}  // namespace molvane::platform
