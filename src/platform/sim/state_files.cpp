#include "platform/sim/state_files.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <fstream>
#include <iostream>
#include <iterator>
#include <mutex>
#include <set>
#include <system_error>

#include "base/json_read.h"

namespace sim {
namespace fs = std::filesystem;

std::shared_ptr<void> LockHostFile(const fs::path& file) {
  int fd = ::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) return nullptr;
  while (::flock(fd, LOCK_EX) != 0) {
    if (errno != EINTR) {
      ::close(fd);
      return nullptr;
    }
  }
  // Closing the file releases the lock.
  return std::shared_ptr<void>(new int(fd), [](void* held) {
    ::close(*static_cast<int*>(held));
    delete static_cast<int*>(held);
  });
}

// The one lock of the machine's state files.
std::shared_ptr<void> LockStateFile(const fs::path& file) {
  std::error_code ec;
  fs::create_directories(file.parent_path(), ec);
  return LockHostFile(file.parent_path() / "machine.lock");
}

namespace {

bool ReplaceFile(const fs::path& file, const std::string& bytes) {
  fs::path temporary = fs::path(file).concat(".new");
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out << bytes;
    if (!out.flush()) return false;
  }
  std::error_code ec;
  fs::rename(temporary, file, ec);
  return !ec;
}

}  // namespace

Json::Value ReadStateObject(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) return Json::Value(Json::objectValue);
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  Json::Value root;
  std::string errors;
  if (!tarnvik::ReadJsonText(text, root, errors, tarnvik::JsonStrictness::Strict) || !root.isObject()) {
    ReportStateProblem(file.string() + ": not a JSON object, read as empty: " + errors);
    return Json::Value(Json::objectValue);
  }
  return root;
}

bool UpdateStateObject(const fs::path& file, const std::function<bool(Json::Value&)>& change) {
  auto lock = LockStateFile(file);
  if (!lock) return false;
  Json::Value root = ReadStateObject(file);
  if (!change(root)) return false;
  return WriteStateObject(file, root);
}

bool WriteStateObject(const fs::path& file, const Json::Value& root) {
  Json::StreamWriterBuilder writer;
  writer["indentation"] = "  ";
  writer["emitUTF8"] = true;
  return ReplaceFile(file, Json::writeString(writer, root) + "\n");
}

int AppendStateLine(const fs::path& file, Json::Value line, const char* numberField) {
  auto lock = LockStateFile(file);
  int number = 1;
  {
    std::ifstream in(file, std::ios::binary);
    number += static_cast<int>(std::count(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>(), '\n'));
  }
  if (numberField != nullptr) line[numberField] = number;
  std::ofstream(file, std::ios::binary | std::ios::app) << CompactJson(line) << "\n";
  return number;
}

void ReportStateProblem(const std::string& message) {
  static std::mutex lock;
  static std::set<std::string> reported;
  std::lock_guard guard(lock);
  if (reported.insert(message).second) std::cerr << message << std::endl;
}

std::string CompactJson(const Json::Value& value) {
  Json::StreamWriterBuilder writer;
  writer["indentation"] = "";
  writer["emitUTF8"] = true;
  return Json::writeString(writer, value);
}

}  // namespace sim
