#include "xldl/transfer_task.h"

#include <curl/curl.h>
#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <optional>

#include "xldl/response_plan.h"

namespace xldl {
namespace {

constexpr long kBufferBytes = 256 * 1024;
constexpr long kConnectTimeoutSeconds = 30;
constexpr int kPollMilliseconds = 1000;
// Written data is handed to the disk in steps of this size while the download runs, so
// that making the complete file durable at the end has little left to wait for.
constexpr int64_t kWritebackBytes = 8 << 20;

std::string Trim(std::string text) {
  size_t begin = text.find_first_not_of(" \t\r\n");
  size_t end = text.find_last_not_of(" \t\r\n");
  return begin == std::string::npos ? std::string() : text.substr(begin, end - begin + 1);
}

}  // namespace

// The state of one request: the answer's head as it arrives, what its body is for, and
// where its bytes go in the partial data.
struct TransferTask::Attempt {
  TransferTask* task = nullptr;
  CURL* easy = nullptr;
  int64_t offset = 0;      // bytes of partial data that the answer is to continue
  int64_t rangeStart = 0;  // the first byte asked for: `offset` less the overlap re-read
  PartialInfo stored;
  PartialInfo info;  // what the data describes once this answer's body is written
  ResponseHead head;
  std::optional<BodyPlan> plan;
  int64_t verifyLeft = 0;      // overlap bytes still to compare with the partial data
  int64_t writebackFrom = -1;  // file offset from which data has not been handed to the disk
  std::string writeError;      // why the body could not be stored

  int fd() const { return task->data_.fd(); }

  void NoteWriteError(const char* step) {
    writeError = std::string("cannot ") + step + " " + task->displayName_ + ".xltd: " + std::strerror(errno);
  }

  // Judges the answer once its head is complete; readies the partial data for its body.
  bool Decide() {
    if (plan) return plan->action == BodyAction::Append || plan->action == BodyAction::StartOver;
    curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &head.status);
    plan = PlanBody(rangeStart, stored, head);
    if (plan->action == BodyAction::Append) {
      if (::lseek(fd(), offset, SEEK_SET) != offset) {
        NoteWriteError("seek in");
        plan->action = BodyAction::Fail;
        return false;
      }
      verifyLeft = offset - rangeStart;
      info = stored;
    } else if (plan->action == BodyAction::StartOver) {
      info = PartialInfo{task->url_, head.etag, head.lastModified, plan->totalSize};
      if ((task->data_.Size() > 0 && ::ftruncate(fd(), 0) != 0) || ::lseek(fd(), 0, SEEK_SET) != 0) {
        NoteWriteError("truncate");
        plan->action = BodyAction::Fail;
        return false;
      }
      if (!task->store_.WriteInfo(info)) {
        NoteWriteError("describe");
        plan->action = BodyAction::Fail;
        return false;
      }
      task->downloaded_ = 0;
    } else {
      return false;
    }
    task->total_ = plan->totalSize;
    return true;
  }

  // Compares the start of a resumed body with the partial data it overlaps; the bytes
  // of the overlap that this chunk holds, or -1 when they differ.
  int64_t Verify(const char* data, size_t bytes) {
    int64_t n = std::min<int64_t>(verifyLeft, static_cast<int64_t>(bytes));
    if (n == 0) return 0;
    std::string disk(static_cast<size_t>(n), '\0');
    int64_t at = offset - verifyLeft;
    if (::pread(fd(), disk.data(), disk.size(), at) != n || std::memcmp(disk.data(), data, disk.size()) != 0) {
      return -1;
    }
    verifyLeft -= n;
    return n;
  }

  static size_t OnHeader(char* data, size_t size, size_t count, void* context) {
    auto* self = static_cast<Attempt*>(context);
    std::string line(data, size * count);
    if (line.rfind("HTTP/", 0) == 0) {
      self->head = {};  // a new answer: after a redirect or an interim answer
    } else if (size_t colon = line.find(':'); colon != std::string::npos) {
      std::string name = line.substr(0, colon), value = Trim(line.substr(colon + 1));
      if (strcasecmp(name.c_str(), "Content-Range") == 0) {
        self->head.contentRange = value;
      } else if (strcasecmp(name.c_str(), "Content-Length") == 0) {
        try {
          self->head.contentLength = std::stoll(value);
        } catch (const std::exception&) {
          self->head.contentLength = -1;
        }
      } else if (strcasecmp(name.c_str(), "ETag") == 0) {
        self->head.etag = value;
      } else if (strcasecmp(name.c_str(), "Last-Modified") == 0) {
        self->head.lastModified = value;
      }
    }
    return size * count;
  }

  static size_t OnBody(char* data, size_t size, size_t count, void* context) {
    auto* self = static_cast<Attempt*>(context);
    size_t bytes = size * count;
    if (!self->Decide()) return 0;
    int64_t verified = self->Verify(data, bytes);
    if (verified < 0) {
      // The server's file, or the partial data on disk, is not what the other held.
      self->plan->action = BodyAction::RetryFromZero;
      return 0;
    }
    data += verified;
    size_t fresh = bytes - static_cast<size_t>(verified);
    if (fresh == 0) return bytes;
    if (!WriteAll(self->fd(), data, fresh)) {
      self->NoteWriteError("write");
      return 0;
    }
    int64_t done = self->task->downloaded_.fetch_add(static_cast<int64_t>(fresh)) + static_cast<int64_t>(fresh);
    self->task->speed_.Record(done);
    if (self->writebackFrom < 0) self->writebackFrom = done - static_cast<int64_t>(fresh);
    if (done - self->writebackFrom >= kWritebackBytes) {
      ::sync_file_range(self->fd(), self->writebackFrom, done - self->writebackFrom, SYNC_FILE_RANGE_WRITE);
      self->writebackFrom = done;
    }
    return bytes;
  }

  static int OnProgress(void* context, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    return static_cast<Attempt*>(context)->task->stopRequested_ ? 1 : 0;
  }
};

TransferTask::TransferTask(std::string url, std::filesystem::path target, std::u16string fileName,
                           std::string displayName, bool resume)
    : url_(std::move(url)),
      target_(target),
      fileName_(std::move(fileName)),
      displayName_(std::move(displayName)),
      resume_(resume),
      store_(target) {}

TransferTask::~TransferTask() {
  Stop();
  if (thread_.joinable()) thread_.join();
}

bool TransferTask::IsActive() const {
  int32_t s = state_;
  return s == kXlStateRunning || s == kXlStateStopping;
}

bool TransferTask::Start() {
  if (state_ == kXlStateRunning || state_ == kXlStateComplete) return true;
  if (thread_.joinable()) thread_.join();  // a stopping transfer ends without waiting on anything
  data_ = store_.Lock();
  if (!data_) {
    std::string reason = errno == EWOULDBLOCK ? displayName_ + " is being downloaded by another task"
                                              : "cannot open " + displayName_ + ".xltd: " + std::strerror(errno);
    Fail(kXldlRetryable, std::move(reason));
    return false;
  }
  {
    std::lock_guard guard(failureLock_);
    failure_ = {};
  }
  stopRequested_ = false;
  state_ = kXlStateRunning;
  thread_ = std::thread(&TransferTask::Run, this);
  return true;
}

void TransferTask::Stop() {
  stopRequested_ = true;
  int32_t running = kXlStateRunning;
  state_.compare_exchange_strong(running, kXlStateStopping);
  std::lock_guard guard(wakeLock_);
  if (multi_ != nullptr) curl_multi_wakeup(static_cast<CURLM*>(multi_));
}

TaskProgress TransferTask::Progress() const {
  TaskProgress p;
  p.state = state_;
  int64_t total = total_, done = downloaded_;
  p.totalSize = total < 0 ? 0 : total;
  p.downloadedSize = done;
  if (p.state == kXlStateComplete) {
    p.fraction = 1.0f;
  } else if (total > 0) {
    // Rounding must not make an incomplete task look complete.
    p.fraction = std::min(static_cast<float>(static_cast<double>(done) / static_cast<double>(total)),
                          std::nextafter(1.0f, 0.0f));
  }
  p.speed = p.state == kXlStateRunning ? speed_.BytesPerSecond() : 0;
  return p;
}

TaskFailure TransferTask::Failure() const {
  std::lock_guard guard(failureLock_);
  return failure_;
}

TransferTask::Outcome TransferTask::Fail(XldlErrorKind kind, std::string reason) {
  std::lock_guard guard(failureLock_);
  failure_ = {kind, std::move(reason)};
  return Outcome::Failed;
}

void TransferTask::Run() {
  speed_.Reset();
  Outcome outcome = Transfer();
  if (outcome != Outcome::Complete) store_.RemoveIfEmpty(data_);  // complete data is the target now
  data_.Close();
  switch (outcome) {
    case Outcome::Complete: state_ = kXlStateComplete; break;
    case Outcome::Stopped: state_ = kXlStateStopped; break;
    default: state_ = kXlStateFailed; break;
  }
}

TransferTask::Outcome TransferTask::Transfer() {
  std::optional<PartialInfo> stored = resume_ ? store_.ReadInfo() : std::nullopt;
  const int64_t onDisk = data_.Size();
  const bool ours = stored && stored->url == url_;
  if (ours && stored->complete && stored->totalSize == onDisk) {
    // An earlier run received every byte but could not move the file into place.
    downloaded_ = onDisk;
    total_ = onDisk;
    return MoveIntoPlace();
  }
  int64_t offset = 0;
  if (ours && !ResumeValidator(*stored).empty() && onDisk > kResumeOverlap &&
      (stored->totalSize < 0 || onDisk < stored->totalSize)) {
    offset = onDisk;
  }
  if (offset == 0) stored = PartialInfo{url_, "", "", -1};
  downloaded_ = offset;
  total_ = stored->totalSize;

  Outcome outcome = Fetch(offset, *stored);
  if (outcome == Outcome::RetryFromZero && offset > 0) {
    downloaded_ = 0;
    total_ = -1;
    outcome = Fetch(0, PartialInfo{url_, "", "", -1});
  }
  if (outcome == Outcome::RetryFromZero) {
    return Fail(kXldlRetryable, "the server's answer does not fit the request for " + url_);
  }
  return outcome;
}

TransferTask::Outcome TransferTask::MoveIntoPlace() {
  std::error_code ec = store_.Finish();
  if (!ec) return Outcome::Complete;
  return Fail(kXldlRetryable, "cannot move the complete data into place as " + displayName_ + ": " + ec.message() +
                                  " (kept for the next start)");
}

TransferTask::Outcome TransferTask::Fetch(int64_t offset, const PartialInfo& stored) {
  CURL* easy = curl_easy_init();
  CURLM* multi = curl_multi_init();
  if (easy == nullptr || multi == nullptr) {
    if (easy != nullptr) curl_easy_cleanup(easy);
    if (multi != nullptr) curl_multi_cleanup(multi);
    return Fail(kXldlRetryable, "cannot set up a transfer (libcurl)");
  }
  Attempt attempt;
  attempt.task = this;
  attempt.easy = easy;
  attempt.offset = offset;
  attempt.rangeStart = offset > 0 ? offset - kResumeOverlap : 0;
  attempt.stored = stored;
  char curlError[CURL_ERROR_SIZE] = "";
  curl_easy_setopt(easy, CURLOPT_ERRORBUFFER, curlError);

  curl_easy_setopt(easy, CURLOPT_URL, url_.c_str());
  curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(easy, CURLOPT_MAXREDIRS, 10L);
  curl_easy_setopt(easy, CURLOPT_FAILONERROR, 1L);
  curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT, kConnectTimeoutSeconds);
  curl_easy_setopt(easy, CURLOPT_BUFFERSIZE, kBufferBytes);
  curl_easy_setopt(easy, CURLOPT_USERAGENT, "xldl/1.0");
  curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, &Attempt::OnHeader);
  curl_easy_setopt(easy, CURLOPT_HEADERDATA, &attempt);
  curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &Attempt::OnBody);
  curl_easy_setopt(easy, CURLOPT_WRITEDATA, &attempt);
  curl_easy_setopt(easy, CURLOPT_NOPROGRESS, 0L);
  curl_easy_setopt(easy, CURLOPT_XFERINFOFUNCTION, &Attempt::OnProgress);
  curl_easy_setopt(easy, CURLOPT_XFERINFODATA, &attempt);
  curl_slist* headers = nullptr;
  std::string range = std::to_string(attempt.rangeStart) + "-";
  if (offset > 0) {
    // If-Range makes a server whose file changed answer with the whole new file.
    headers = curl_slist_append(headers, ("If-Range: " + ResumeValidator(stored)).c_str());
    curl_easy_setopt(easy, CURLOPT_HTTPHEADER, headers);
    curl_easy_setopt(easy, CURLOPT_RANGE, range.c_str());
  }

  curl_multi_add_handle(multi, easy);
  {
    std::lock_guard guard(wakeLock_);
    multi_ = multi;
  }
  int running = 1;
  while (running > 0 && !stopRequested_) {
    if (curl_multi_perform(multi, &running) != CURLM_OK) break;
    if (running > 0) curl_multi_poll(multi, nullptr, 0, kPollMilliseconds, nullptr);
  }
  {
    std::lock_guard guard(wakeLock_);
    multi_ = nullptr;
  }
  bool finished = false;
  CURLcode result = CURLE_FAILED_INIT;
  int queued = 0;
  while (CURLMsg* message = curl_multi_info_read(multi, &queued)) {
    if (message->msg == CURLMSG_DONE) {
      finished = true;
      result = message->data.result;
    }
  }
  Outcome outcome = Conclude(attempt, finished, result);
  if (outcome == Outcome::Failed && Failure().reason.empty()) {
    std::string reason = *curlError ? curlError : curl_easy_strerror(result);
    long systemError = 0;  // libcurl's texts leave out, for one, that a connection was refused
    if (curl_easy_getinfo(easy, CURLINFO_OS_ERRNO, &systemError) == CURLE_OK && systemError != 0) {
      reason += std::string(" (") + std::strerror(static_cast<int>(systemError)) + ")";
    }
    Fail(result == CURLE_UNSUPPORTED_PROTOCOL || result == CURLE_URL_MALFORMAT ? kXldlPermanent : kXldlRetryable,
         reason);
  }
  curl_multi_remove_handle(multi, easy);
  curl_easy_cleanup(easy);
  curl_multi_cleanup(multi);
  curl_slist_free_all(headers);
  return outcome;
}

TransferTask::Outcome TransferTask::Conclude(Attempt& attempt, bool finished, int result) {
  if (finished && result == CURLE_OK) {
    if (!attempt.Decide()) {  // an answer without a body decides only now
      if (attempt.plan && attempt.plan->action == BodyAction::RetryFromZero) return Outcome::RetryFromZero;
      if (!attempt.writeError.empty()) return Fail(kXldlRetryable, attempt.writeError);
      return Fail(kXldlRetryable, "the server answered HTTP " + std::to_string(attempt.head.status) +
                                      ", which does not fit the request for " + url_);
    }
    // What counts is what is on disk, not what this transfer believes it wrote.
    const int64_t onDisk = data_.Size();
    downloaded_ = onDisk;
    if (total_ >= 0 && onDisk != total_) {
      return Fail(kXldlRetryable, "the transfer ended at " + std::to_string(onDisk) + " of " +
                                      std::to_string(total_) + " bytes");
    }
    if (::fdatasync(data_.fd()) != 0) {
      attempt.NoteWriteError("sync");
      return Fail(kXldlRetryable, attempt.writeError);
    }
    attempt.info.totalSize = onDisk;
    attempt.info.complete = true;
    if (!store_.WriteInfo(attempt.info)) {
      attempt.NoteWriteError("describe");
      return Fail(kXldlRetryable, attempt.writeError);
    }
    return MoveIntoPlace();
  }
  if (stopRequested_) return Outcome::Stopped;
  if (result == CURLE_HTTP_RETURNED_ERROR) {
    long status = 0;
    curl_easy_getinfo(attempt.easy, CURLINFO_RESPONSE_CODE, &status);
    if (status == 416 && attempt.offset > 0) return Outcome::RetryFromZero;
    bool mendable = status >= 500 || status == 408 || status == 429;
    return Fail(mendable ? kXldlRetryable : kXldlPermanent,
                "the server answered HTTP " + std::to_string(status) + " for " + url_);
  }
  if (attempt.plan && attempt.plan->action == BodyAction::RetryFromZero) return Outcome::RetryFromZero;
  if (!attempt.writeError.empty()) return Fail(kXldlRetryable, attempt.writeError);
  return Outcome::Failed;  // the caller names libcurl's reason
}

}  // namespace xldl
