// The files below the service's root, as the image and WinPE downloads fetch them:
// GET /files/PATH with single byte ranges (206 with Content-Range, 416), entity tags,
// Last-Modified and If-Range; the body streams from the file. GET /files-sent tells how
// many body bytes the file answers have sent, so a test can see what a resume fetched.

#include <httplib.h>
#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <memory>
#include <optional>
#include <system_error>
#include <thread>

#include "services/local_service.h"

namespace services {
namespace {
namespace fs = std::filesystem;

constexpr size_t kChunkBytes = 256 * 1024;
constexpr auto kStallStep = std::chrono::milliseconds(50);

// The file a request path names, or nothing when it would leave the root.
std::optional<fs::path> FileBelowRoot(const fs::path& root, const std::string& relative) {
  fs::path candidate = root;
  size_t start = 0;
  while (start <= relative.size()) {
    size_t slash = relative.find('/', start);
    std::string part = relative.substr(start, slash == std::string::npos ? std::string::npos : slash - start);
    if (part == ".." || part == "." || part.find('\\') != std::string::npos || part.find('\0') != std::string::npos) {
      return std::nullopt;
    }
    if (!part.empty()) candidate /= part;
    if (slash == std::string::npos) break;
    start = slash + 1;
  }
  // Symbolic links may point anywhere: the resolved file must still lie below the root.
  std::error_code ec;
  fs::path realRoot = fs::canonical(root, ec);
  if (ec) return std::nullopt;
  fs::path realFile = fs::canonical(candidate, ec);
  if (ec || !fs::is_regular_file(realFile, ec)) return std::nullopt;
  auto [rootEnd, fileIt] = std::mismatch(realRoot.begin(), realRoot.end(), realFile.begin(), realFile.end());
  if (rootEnd != realRoot.end()) return std::nullopt;
  return realFile;
}

struct FileFacts {
  int64_t size = 0;
  std::string etag;
  std::string lastModified;
};

std::optional<FileFacts> FactsOf(const fs::path& file) {
  struct stat st {};
  if (::stat(file.c_str(), &st) != 0) return std::nullopt;
  FileFacts facts;
  facts.size = st.st_size;
  char tag[64];
  std::snprintf(tag, sizeof tag, "\"%" PRIx64 "-%" PRIx64 "\"", static_cast<uint64_t>(st.st_size),
                static_cast<uint64_t>(st.st_mtim.tv_sec) * 1000000000u + static_cast<uint64_t>(st.st_mtim.tv_nsec));
  facts.etag = tag;
  std::tm utc {};
  gmtime_r(&st.st_mtim.tv_sec, &utc);
  char date[64];
  std::strftime(date, sizeof date, "%a, %d %b %Y %H:%M:%S GMT", &utc);
  facts.lastModified = date;
  return facts;
}

struct ByteRange {
  int64_t first = 0, last = 0;
};

enum class RangeAsk { Whole, Part, Unsatisfiable };

// One "bytes=A-B", "bytes=A-" or "bytes=-N" range of a file of `size` bytes. Anything
// else (several ranges, another unit) is answered with the whole file, as HTTP allows.
RangeAsk ParseRange(const std::string& header, int64_t size, ByteRange& range) {
  if (header.rfind("bytes=", 0) != 0 || header.find(',') != std::string::npos) return RangeAsk::Whole;
  if (size == 0) return RangeAsk::Unsatisfiable;
  std::string bounds = header.substr(6);
  size_t dash = bounds.find('-');
  if (dash == std::string::npos) return RangeAsk::Whole;
  std::string a = bounds.substr(0, dash), b = bounds.substr(dash + 1);
  auto number = [](const std::string& text, int64_t& value) {
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos || text.size() > 18) return false;
    value = std::stoll(text);
    return true;
  };
  int64_t first = 0, last = size - 1;
  if (a.empty()) {
    int64_t suffix = 0;
    if (!number(b, suffix)) return RangeAsk::Whole;
    if (suffix == 0) return RangeAsk::Unsatisfiable;
    first = std::max<int64_t>(0, size - suffix);
  } else {
    if (!number(a, first) || (!b.empty() && !number(b, last))) return RangeAsk::Whole;
    if (first >= size) return RangeAsk::Unsatisfiable;
    if (last < first) return RangeAsk::Whole;
    last = std::min(last, size - 1);
  }
  range = {first, last};
  return RangeAsk::Part;
}

// Streams bytes [first, first + length) of a file, with the configured faults.
struct BodyStream {
  std::ifstream file;
  int64_t first = 0;
  ServiceOptions options;
  std::shared_ptr<std::atomic<int64_t>> sent;
  std::chrono::steady_clock::time_point began = std::chrono::steady_clock::now();
  bool stalled = false;
  std::vector<char> buffer = std::vector<char>(kChunkBytes);

  bool Provide(size_t offset, size_t length, httplib::DataSink& sink) {
    int64_t position = first + static_cast<int64_t>(offset);
    size_t chunk = std::min(length, kChunkBytes);
    // A throttled answer sends a tenth of a second's worth at a time, so it stays smooth.
    if (options.throttleBytesPerSecond > 0) {
      chunk = std::min(chunk, static_cast<size_t>(std::max<int64_t>(1, options.throttleBytesPerSecond / 10)));
    }
    // Stop short of a fault's offset, so that it strikes exactly there.
    for (int64_t at : {options.stallAtOffset, options.truncateAtOffset}) {
      if (at > position && at < position + static_cast<int64_t>(chunk)) chunk = static_cast<size_t>(at - position);
    }
    if (position == options.truncateAtOffset) return false;
    if (position == options.stallAtOffset && !stalled) {
      stalled = true;
      auto until = std::chrono::steady_clock::now() + std::chrono::seconds(options.stallSeconds);
      while (std::chrono::steady_clock::now() < until && sink.is_writable()) std::this_thread::sleep_for(kStallStep);
    }
    if (options.throttleBytesPerSecond > 0) {
      auto due = began + std::chrono::microseconds(static_cast<int64_t>(offset) * 1000000 /
                                                   options.throttleBytesPerSecond);
      std::this_thread::sleep_until(due);
    }
    file.seekg(position);
    file.read(buffer.data(), static_cast<std::streamsize>(chunk));
    if (file.gcount() != static_cast<std::streamsize>(chunk)) return false;
    // Counted before the write, so that a client never sees more than the count says.
    *sent += static_cast<int64_t>(chunk);
    if (sink.write(buffer.data(), chunk)) return true;
    *sent -= static_cast<int64_t>(chunk);
    return false;
  }
};

void InstallFileEndpoints(httplib::Server& server, const ServiceOptions& options) {
  auto sent = std::make_shared<std::atomic<int64_t>>(0);

  server.Get("/files-sent", [sent](const httplib::Request&, httplib::Response& res) {
    res.set_content(std::to_string(sent->load()) + "\n", "text/plain");
  });

  server.Get(R"(/files/(.+))", [options, sent](const httplib::Request& req, httplib::Response& res) {
    auto file = FileBelowRoot(options.root, req.matches[1]);
    auto facts = file ? FactsOf(*file) : std::nullopt;
    if (!facts) {
      res.status = 404;
      return;
    }
    // This handler answers ranges itself; the server must not cut the body again.
    const_cast<httplib::Request&>(req).ranges.clear();

    res.set_header("ETag", facts->etag);
    res.set_header("Last-Modified", facts->lastModified);
    res.set_header("Accept-Ranges", options.ignoreRanges ? "none" : "bytes");
    ByteRange range{0, facts->size - 1};
    RangeAsk ask = RangeAsk::Whole;
    if (!options.ignoreRanges && req.has_header("Range")) {
      std::string ifRange = req.get_header_value("If-Range");
      bool unchanged = ifRange.empty() || ifRange == facts->etag || ifRange == facts->lastModified;
      if (unchanged) ask = ParseRange(req.get_header_value("Range"), facts->size, range);
    }
    if (ask == RangeAsk::Unsatisfiable) {
      res.status = 416;
      res.set_header("Content-Range", "bytes */" + std::to_string(facts->size));
      return;
    }
    if (ask == RangeAsk::Part) {
      res.status = 206;
      res.set_header("Content-Range", "bytes " + std::to_string(range.first) + "-" + std::to_string(range.last) +
                                          "/" + std::to_string(facts->size));
    } else {
      res.status = 200;
    }
    auto length = static_cast<size_t>(range.last - range.first + 1);
    if (facts->size == 0) {
      res.set_content("", "application/octet-stream");
      return;
    }
    auto body = std::make_shared<BodyStream>();
    body->file.open(*file, std::ios::binary);
    body->first = range.first;
    body->options = options;
    body->sent = sent;
    res.set_content_provider(length, "application/octet-stream",
                             [body](size_t offset, size_t size, httplib::DataSink& sink) {
                               return body->Provide(offset, size, sink);
                             });
  });
}

const bool registered = RegisterEndpoints("files", InstallFileEndpoints);

}  // namespace
}  // namespace services
