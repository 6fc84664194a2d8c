#include "app/post_form.h"

#include <curl/curl.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "support/local_http_server.h"

using namespace std::chrono_literals;
using RealTime = std::chrono::steady_clock;
using testing_support::LocalHttpServer;

namespace {

// 4 MiB that no shifted or repeated chunk can imitate.
std::string LargePattern() {
  std::string data(4 << 20, '\0');
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>((i * 7 + i / 251) % 256);
  return data;
}

struct SeenRequest {
  std::string method, contentType, contentLength, body;
};

class PostFormTest : public testing::Test {
 protected:
  SeenRequest Seen() {
    std::lock_guard lock(mutex_);
    return seen_;
  }

  const std::string large_ = LargePattern();
  std::mutex mutex_;
  SeenRequest seen_;
  LocalHttpServer server_{[this](httplib::Server& s) {
    s.Post("/echo", [this](const httplib::Request& request, httplib::Response& response) {
      {
        std::lock_guard lock(mutex_);
        seen_ = {request.method, request.get_header_value("Content-Type"),
                 request.get_header_value("Content-Length"), request.body};
      }
      response.set_content("got:" + request.body, "text/plain");
    });
    s.Post("/large", [this](const httplib::Request&, httplib::Response& response) {
      response.set_content(large_, "application/octet-stream");
    });
  }};
};

struct BodyCase {
  const char* name;
  std::string body;
  const char* contentLength;
};

void PrintTo(const BodyCase& c, std::ostream* out) { *out << c.name; }

class PostFormBodyTest : public PostFormTest, public testing::WithParamInterface<BodyCase> {};

TEST_P(PostFormBodyTest, BodyIsPostedAsAForm) {
  std::string response;
  EXPECT_EQ(PostForm().Post(server_.Url("/echo"), GetParam().body, response), CURLE_OK);
  SeenRequest seen = Seen();
  EXPECT_EQ(seen.method, "POST");
  EXPECT_EQ(seen.contentType, "application/x-www-form-urlencoded");
  EXPECT_EQ(seen.contentLength, GetParam().contentLength);
  EXPECT_EQ(seen.body, GetParam().body.c_str());
  EXPECT_EQ(response, "got:" + seen.body);
}

INSTANTIATE_TEST_SUITE_P(
    Bodies, PostFormBodyTest,
    testing::Values(BodyCase{"Pairs", "channel=abc%2B%3D&x=1", "21"},
                    BodyCase{"Empty", "", "0"},
                    BodyCase{"StopsAtZeroByte", std::string("a=1\0b=2", 7), "3"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(PostFormTest, LargeReplyArrivesWholeAndInOrder) {
  std::string response;
  EXPECT_EQ(PostForm().Post(server_.Url("/large"), "q=1", response), CURLE_OK);
  EXPECT_EQ(response.size(), large_.size());
  EXPECT_TRUE(response == large_) << "reply differs from what was served";
}

TEST_F(PostFormTest, ReplyIsAppendedToWhatTheResponseHeld) {
  std::string response = "kept|";
  EXPECT_EQ(PostForm().Post(server_.Url("/echo"), "a=1", response), CURLE_OK);
  EXPECT_EQ(response, "kept|got:a=1");
}

TEST_F(PostFormTest, OverlappingRequestsFromSeveralThreadsEachGetTheirReply) {
  constexpr int kThreads = 4, kRequests = 10;
  std::vector<int> wrong(kThreads, 0);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      for (int r = 0; r < kRequests; ++r) {
        std::string body = "thread=" + std::to_string(t) + "&request=" + std::to_string(r);
        std::string response;
        if (PostForm().Post(server_.Url("/echo"), body, response) != CURLE_OK ||
            response != "got:" + body) {
          ++wrong[t];
        }
      }
    });
  }
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(wrong, std::vector<int>(kThreads, 0));
}

TEST_F(PostFormTest, DebugTracePrintsEachPieceExactly) {
  PostForm post;
  post.debugTrace = true;
  std::string response;
  testing::internal::CaptureStdout();
  int result = post.Post(server_.Url("/echo"), "a=1", response);
  std::string trace = testing::internal::GetCapturedStdout();
  EXPECT_EQ(result, CURLE_OK);
  // libcurl's pieces are not zero-terminated: the headers are followed by the body in the
  // same buffer, so a piece printed past its end shows the body twice.
  for (const char* piece : {"[HEADER_OUT]POST /echo HTTP/1.1\r\n", "\r\n\r\n\n[DATA_OUT]a=1\n",
                            "[HEADER_IN]HTTP/1.1 200 OK\r\n\n", "[HEADER_IN]\r\n\n[DATA_IN]got:a=1\n"}) {
    EXPECT_NE(trace.find(piece), std::string::npos) << "missing " << piece << " in\n" << trace;
  }
}

TEST(PostFormFailureTest, TimeLimitsAreEightSecondsToConnectAndTenInAll) {
  PostForm post;
  EXPECT_EQ(post.connectTimeout, 8s);
  EXPECT_EQ(post.timeout, 10s);
}

// A refused connection is reported as such at once, not waited out as a time-out.
TEST(PostFormFailureTest, ClosedPortFailsAsRefusedWithEmptyResponse) {
  PostForm post;
  post.shouldStop = [] { return false; };
  std::string response;
  testing_support::ClosedPort closed;
  int result = post.Post(closed.Url("/x"), "a=1", response);
  EXPECT_EQ(result, CURLE_COULDNT_CONNECT);
  EXPECT_TRUE(response.empty());
}

// Run with the limit shortened: a transfer the server never answers is cut off by the
// limit. The stop request is only a backstop, with a result of its own, should the limit
// not be applied.
TEST(PostFormFailureTest, SilentServerIsCutOffByTheTimeLimit) {
  testing_support::SilentPort silent;
  PostForm post;
  post.timeout = 200ms;
  const auto backstop = RealTime::now() + 8s;
  post.shouldStop = [&] { return RealTime::now() > backstop; };
  std::string response;
  int result = post.Post(silent.Url("/x"), "a=1", response);
  EXPECT_EQ(result, CURLE_OPERATION_TIMEDOUT);
  EXPECT_TRUE(response.empty());
}

// The transfer is asked whether to stop while it waits, and ends at the first yes.
TEST(PostFormFailureTest, StopRequestAbortsAWaitingTransfer) {
  testing_support::SilentPort silent;
  PostForm post;
  std::atomic<int> asked{0};
  post.shouldStop = [&] { return ++asked >= 3; };
  std::string response;
  int result = post.Post(silent.Url("/x"), "a=1", response);
  EXPECT_EQ(result, CURLE_ABORTED_BY_CALLBACK);
  EXPECT_EQ(asked, 3);
  EXPECT_TRUE(response.empty());
}

}  // namespace
