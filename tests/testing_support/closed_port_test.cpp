// A closed port refuses connections and, while it lives, no other socket can take it.

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

#include "support/local_http_server.h"

namespace {

// errno of an attempt on the port: connect, or bind with SO_REUSEADDR as servers do; 0 when
// it succeeded.
int ErrorOf(int port, bool bindIt) {
  int s = socket(AF_INET, SOCK_STREAM, 0);
  int on = 1;
  setsockopt(s, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(static_cast<uint16_t>(port));
  const auto* at = reinterpret_cast<const sockaddr*>(&address);
  const int result = bindIt ? bind(s, at, sizeof address) : connect(s, at, sizeof address);
  const int error = result == 0 ? 0 : errno;
  close(s);
  return error;
}

TEST(ClosedPort, RefusesConnectionsAndCannotBeTakenWhileItLives) {
  testing_support::ClosedPort closed;
  ASSERT_GT(closed.port(), 0);
  EXPECT_EQ(ErrorOf(closed.port(), false), ECONNREFUSED);
  EXPECT_EQ(ErrorOf(closed.port(), true), EADDRINUSE);
  EXPECT_EQ(closed.Url("/x"), "http://127.0.0.1:" + std::to_string(closed.port()) + "/x");
  testing_support::ClosedPort other;
  EXPECT_NE(other.port(), closed.port());
}

}  // namespace
