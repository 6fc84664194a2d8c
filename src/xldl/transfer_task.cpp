#include "xldl/transfer_task.h"

#include <curl/curl.h>
#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
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

bool WriteAll(int fd, const char* data, size_t size) {
  while (size > 0) {
    ssize_t n = ::write(fd, data, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

std::string Trim(std::string text) {
  size_t begin = text.find_first_not_of(" \t\r\n");
  size_t end = text.find_last_not_of(" \t\r\n");
  return begin == std::string::npos ? std::string() : text.substr(begin, end - begin + 1);
}

}  // namespace

// The state of one request: the answer's head as it arrives, what its body is for, and
// the open partial data.
struct TransferTask::Attempt {
  TransferTask* task = nullptr;
  CURL* easy = nullptr;
  int64_t offset = 0;
  PartialInfo stored;
  ResponseHead head;
  std::optional<BodyPlan> plan;
  int fd = -1;
  int64_t writebackFrom = -1;  // file offset from which data has not been handed to the disk

  ~Attempt() {
    if (fd >= 0) ::close(fd);
  }

  // Judges the answer once its head is complete; opens the partial data for its body.
  bool Decide() {
    if (plan) return plan->action == BodyAction::Append || plan->action == BodyAction::StartOver;
    curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &head.status);
    plan = PlanBody(offset, stored, head);
    if (plan->action == BodyAction::Append) {
      fd = ::open(task->store_.dataPath().c_str(), O_WRONLY | O_CLOEXEC);
      struct stat st {};
      if (fd < 0 || ::fstat(fd, &st) != 0 || st.st_size != offset || ::lseek(fd, offset, SEEK_SET) != offset) {
        plan->action = BodyAction::RetryFromZero;  // the partial data changed under us
        return false;
      }
    } else if (plan->action == BodyAction::StartOver) {
      PartialInfo info{task->url_, head.etag, head.lastModified, plan->totalSize};
      fd = ::open(task->store_.dataPath().c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
      if (fd < 0 || !task->store_.WriteInfo(info)) {
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
    if (!self->Decide() || !WriteAll(self->fd, data, bytes)) return 0;
    int64_t done = self->task->downloaded_.fetch_add(static_cast<int64_t>(bytes)) + static_cast<int64_t>(bytes);
    self->task->speed_.Record(done);
    if (self->writebackFrom < 0) self->writebackFrom = done - static_cast<int64_t>(bytes);
    if (done - self->writebackFrom >= kWritebackBytes) {
      ::sync_file_range(self->fd, self->writebackFrom, done - self->writebackFrom, SYNC_FILE_RANGE_WRITE);
      self->writebackFrom = done;
    }
    return bytes;
  }

  static int OnProgress(void* context, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    return static_cast<Attempt*>(context)->task->stopRequested_ ? 1 : 0;
  }
};

TransferTask::TransferTask(std::string url, std::filesystem::path target, std::u16string fileName, bool resume)
    : url_(std::move(url)), target_(target), fileName_(std::move(fileName)), resume_(resume), store_(target) {}

TransferTask::~TransferTask() {
  Stop();
  if (thread_.joinable()) thread_.join();
}

bool TransferTask::IsActive() const {
  int32_t s = state_;
  return s == kXlStateRunning || s == kXlStateStopping;
}

void TransferTask::Start() {
  if (state_ == kXlStateRunning || state_ == kXlStateComplete) return;
  if (thread_.joinable()) thread_.join();  // a stopping transfer ends without waiting on anything
  stopRequested_ = false;
  state_ = kXlStateRunning;
  thread_ = std::thread(&TransferTask::Run, this);
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

void TransferTask::Run() {
  speed_.Reset();
  std::optional<PartialInfo> stored = resume_ ? store_.ReadInfo() : std::nullopt;
  int64_t offset = 0;
  if (stored && stored->url == url_ && !ResumeValidator(*stored).empty()) {
    offset = store_.DataSize();
    if (stored->totalSize >= 0 && offset >= stored->totalSize) offset = 0;
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
  switch (outcome) {
    case Outcome::Complete: state_ = kXlStateComplete; break;
    case Outcome::Stopped: state_ = kXlStateStopped; break;
    default: state_ = kXlStateFailed; break;
  }
}

TransferTask::Outcome TransferTask::Fetch(int64_t offset, const PartialInfo& stored) {
  CURL* easy = curl_easy_init();
  CURLM* multi = curl_multi_init();
  if (easy == nullptr || multi == nullptr) {
    if (easy != nullptr) curl_easy_cleanup(easy);
    if (multi != nullptr) curl_multi_cleanup(multi);
    return Outcome::Failed;
  }
  Attempt attempt;
  attempt.task = this;
  attempt.easy = easy;
  attempt.offset = offset;
  attempt.stored = stored;

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
  std::string range = std::to_string(offset) + "-";
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
  curl_multi_remove_handle(multi, easy);
  curl_easy_cleanup(easy);
  curl_multi_cleanup(multi);
  curl_slist_free_all(headers);
  return outcome;
}

TransferTask::Outcome TransferTask::Conclude(Attempt& attempt, bool finished, int result) {
  if (finished && result == CURLE_OK) {
    if (!attempt.Decide()) {  // an answer without a body decides only now
      return attempt.plan && attempt.plan->action == BodyAction::RetryFromZero ? Outcome::RetryFromZero
                                                                                : Outcome::Failed;
    }
    // A transfer that ends short of the announced size is no complete file.
    if (total_ >= 0 && downloaded_ != total_) return Outcome::Failed;
    if (::fdatasync(attempt.fd) != 0 || ::close(attempt.fd) != 0) {
      attempt.fd = -1;
      return Outcome::Failed;
    }
    attempt.fd = -1;
    return store_.Finish() ? Outcome::Complete : Outcome::Failed;
  }
  if (stopRequested_) return Outcome::Stopped;
  if (result == CURLE_HTTP_RETURNED_ERROR && attempt.offset > 0) {
    long status = 0;
    curl_easy_getinfo(attempt.easy, CURLINFO_RESPONSE_CODE, &status);
    if (status == 416) return Outcome::RetryFromZero;
  }
  if (attempt.plan && attempt.plan->action == BodyAction::RetryFromZero) return Outcome::RetryFromZero;
  return Outcome::Failed;
}

}  // namespace xldl
