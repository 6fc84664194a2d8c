#pragma once
// The program's one HTTP client operation: a form POST whose whole reply body is
// collected into a string. No retries: callers retry where they want to.

#include <chrono>
#include <functional>
#include <string>

class PostForm {
 public:
  // Switches libcurl's verbose trace on and prints it to standard output.
  bool debugTrace = false;

  // When set, asked while the transfer goes on (about once a second at the least); true
  // aborts it with CURLE_ABORTED_BY_CALLBACK. A worker passes its stop request here so
  // that deleting it does not wait out the time limits.
  std::function<bool()> shouldStop;

  // The time limits of one call: the connection must be made within `connectTimeout`,
  // and the whole transfer ends within `timeout`. Callers keep the defaults; tests
  // shorten them.
  std::chrono::milliseconds connectTimeout{8000};
  std::chrono::milliseconds timeout{10000};

  // Posts `body` (up to its first zero byte, as "application/x-www-form-urlencoded") to
  // `url` and appends the reply body to `response`. Returns the libcurl result code: 0 on
  // success, 2 (CURLE_FAILED_INIT) when no easy handle could be had. A reply cut off by a
  // failure or a time limit leaves its partial body appended. Safe to call from several threads at once.
  int Post(const std::string& url, const std::string& body, std::string& response) const;
};
