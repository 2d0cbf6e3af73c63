#include "platform/net/socket.h"

#include <gtest/gtest.h>

#include <string>

#include "loopback_server.h"

namespace {

using quorvia::net::NetError;
using quorvia::net::Socket;
using nettest::LoopbackServer;

std::string ReceiveAll(Socket& socket, int timeout_ms) {
  std::string data;
  char buffer[7];  // small, so that a message arrives in several pieces
  for (;;) {
    std::size_t received = 0;
    auto status = socket.Receive(buffer, sizeof buffer, received, timeout_ms);
    EXPECT_TRUE(status.ok()) << status.message;
    if (!status.ok() || received == 0) return data;
    data.append(buffer, received);
  }
}

TEST(SocketTest, SendsAndReceivesUntilThePeerCloses) {
  LoopbackServer server([](int fd, const std::string& request, const std::string&) {
    nettest::SendAll(fd, "echo:" + request);
  });
  Socket socket;
  ASSERT_TRUE(socket.Connect("127.0.0.1", server.port(), 2000).ok());
  EXPECT_TRUE(socket.IsOpen());
  ASSERT_TRUE(socket.Send("GET / HTTP/1.1\r\n\r\n", 2000).ok());
  EXPECT_EQ(ReceiveAll(socket, 2000), "echo:GET / HTTP/1.1\r\n\r\n");

  Socket moved = std::move(socket);
  EXPECT_FALSE(socket.IsOpen());
  EXPECT_TRUE(moved.IsOpen());
  moved.Close();
  EXPECT_FALSE(moved.IsOpen());
}

TEST(SocketTest, ReceiveGivesUpAfterItsTimeout) {
  LoopbackServer server([](int fd, const std::string&, const std::string&) { nettest::WaitForClose(fd); });
  Socket socket;
  ASSERT_TRUE(socket.Connect("127.0.0.1", server.port(), 2000).ok());
  ASSERT_TRUE(socket.Send("GET / HTTP/1.1\r\n\r\n", 2000).ok());
  char buffer[16];
  std::size_t received = 99;
  auto status = socket.Receive(buffer, sizeof buffer, received, 100);
  EXPECT_EQ(status.error, NetError::kTimeout);
  EXPECT_EQ(received, 0u);
}

TEST(SocketTest, RejectsBadArgumentsAndUnconnectedUse) {
  Socket socket;
  EXPECT_EQ(socket.Connect("", 80, 1000).error, NetError::kInvalidArgument);
  EXPECT_EQ(socket.Connect("a host", 80, 1000).error, NetError::kInvalidArgument);
  EXPECT_EQ(socket.Connect("127.0.0.1", 0, 1000).error, NetError::kInvalidArgument);
  EXPECT_EQ(socket.Connect("127.0.0.1", 80, 0).error, NetError::kInvalidArgument);
  EXPECT_EQ(socket.Connect("rating.invalid", 80, 1000).error, NetError::kResolveFailed);
  EXPECT_EQ(socket.Send("x", 100).error, NetError::kSendFailed);
  char buffer[4];
  std::size_t received = 0;
  EXPECT_EQ(socket.Receive(buffer, sizeof buffer, received, 100).error, NetError::kReceiveFailed);
}

}  // namespace
