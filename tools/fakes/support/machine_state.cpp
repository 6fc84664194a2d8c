#include "fakes/support/machine_state.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>
#include <system_error>

#include <json/writer.h>

#include "base/json_read.h"
#include "fakes/support/fake_tool.h"

namespace fakes {
namespace fs = std::filesystem;

MachineLock::MachineLock(const sim::SimPlatform& machine) {
  fs::path file = machine.StateFile("machine.lock");
  fd_ = ::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (fd_ < 0) throw ToolError("cannot open " + file.string() + ": " + std::strerror(errno));
  while (::flock(fd_, LOCK_EX) != 0) {
    if (errno == EINTR) continue;
    int error = errno;
    ::close(fd_);
    throw ToolError("cannot lock " + file.string() + ": " + std::strerror(error));
  }
}

// Closing the file releases the lock.
MachineLock::~MachineLock() { ::close(fd_); }

std::optional<Json::Value> ReadStateJson(const sim::SimPlatform& machine, const std::string& name) {
  return ReadJsonFile(machine.StateFile(name));
}

std::optional<Json::Value> ReadJsonFile(const fs::path& file) {
  std::error_code ec;
  if (!fs::exists(file, ec)) return std::nullopt;
  std::ifstream in(file, std::ios::binary);
  if (!in.is_open()) throw ToolError("cannot read " + file.string());
  std::ostringstream text;
  text << in.rdbuf();
  Json::Value document;
  std::string error;
  if (!tarnvik::ReadJsonText(text.str(), document, error, tarnvik::JsonStrictness::Strict)) {
    throw ToolError(file.string() + " is not JSON: " + error);
  }
  return document;
}

void WriteStateJson(const sim::SimPlatform& machine, const std::string& name, const Json::Value& document) {
  WriteJsonFile(machine.StateFile(name), document);
}

void WriteJsonFile(const fs::path& file, const Json::Value& document) {
  fs::path temporary = file;
  temporary += ".new-" + std::to_string(::getpid());
  Json::StreamWriterBuilder writer;
  writer["indentation"] = "  ";
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out << Json::writeString(writer, document) << "\n";
    if (!out.flush()) throw ToolError("cannot write " + temporary.string());
  }
  std::error_code ec;
  fs::rename(temporary, file, ec);
  if (ec) {
    std::string reason = ec.message();
    fs::remove(temporary, ec);
    throw ToolError("cannot replace " + file.string() + ": " + reason);
  }
}

void AppendStateLine(const sim::SimPlatform& machine, const std::string& name, const Json::Value& record) {
  fs::path file = machine.StateFile(name);
  Json::StreamWriterBuilder writer;
  writer["indentation"] = "";
  std::ofstream out(file, std::ios::binary | std::ios::app);
  out << Json::writeString(writer, record) << "\n";
  if (!out.flush()) throw ToolError("cannot write " + file.string());
}

}  // namespace fakes
