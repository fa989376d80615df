// Setting up a call over loopback: families, failures, the time limit and cancelling.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "net/bbs_server_process.h"
#include "net/net_test_util.h"
#include "net/socket.h"

namespace {

// Short enough to keep the suite fast, long enough for a loopback connect.
constexpr int32_t ShortLimit = 300;  // hundredths
// Longer than any test may run: reaching it means cancelling did not work.
constexpr int32_t Forever = 1000000;

class ConnectTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(Server.Start({"--raw"}, "send HELLO\nhold\n", false)); }
  TBbsServerProcess Server;
};

// A port on which nobody listens: bound once to pick it, then released.
uint16_t ClosedPort() {
  const int Fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in A{};
  A.sin_family = AF_INET;
  A.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  bind(Fd, reinterpret_cast<sockaddr*>(&A), sizeof A);
  socklen_t Len = sizeof A;
  getsockname(Fd, reinterpret_cast<sockaddr*>(&A), &Len);
  close(Fd);
  return ntohs(A.sin_port);
}

// A listener whose queue is already full, so further connection attempts get no answer at all:
// the local stand-in for a host that does not respond.
class TSilentListener {
 public:
  TSilentListener() {
    Listener = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in A{};
    A.sin_family = AF_INET;
    A.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(Listener, reinterpret_cast<sockaddr*>(&A), sizeof A);
    listen(Listener, 0);
    socklen_t Len = sizeof A;
    getsockname(Listener, reinterpret_cast<sockaddr*>(&A), &Len);
    Port = ntohs(A.sin_port);
    for (int I = 0; I < 4; ++I) {
      const int F = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
      connect(F, reinterpret_cast<sockaddr*>(&A), sizeof A);
      Fillers.push_back(F);
    }
  }
  ~TSilentListener() {
    for (int F : Fillers) close(F);
    close(Listener);
  }
  uint16_t Port = 0;

 private:
  int Listener = -1;
  std::vector<int> Fillers;
};

TEST_F(ConnectTest, ConnectsOverIPv4AndReceives) {
  TSocket S;
  S.IPType = IPTypeIPv4;
  ASSERT_TRUE(S.Connect("127.0.0.1", Server.Port, ShortLimit));
  EXPECT_TRUE(S.Connected);
  EXPECT_EQ(S.RemoteIP, "127.0.0.1");
  EXPECT_FALSE(S.UseIPv6);
  EXPECT_EQ(ReadUntil(S, "HELLO"), "HELLO");
}

TEST_F(ConnectTest, ConnectsOverIPv6AndReceives) {
  TSocket S;
  S.IPType = IPTypeIPv6;
  ASSERT_TRUE(S.Connect("::1", Server.Port, ShortLimit));
  EXPECT_EQ(S.RemoteIP, "::1");
  EXPECT_TRUE(S.UseIPv6);
  EXPECT_EQ(ReadUntil(S, "HELLO"), "HELLO");
}

TEST_F(ConnectTest, FamilyChoiceFollowsIPType) {
  // An address of one family only: the strict choices fail, the defaults fall back.
  {
    TSocket S;
    S.IPType = IPTypeIPv4;
    EXPECT_FALSE(S.Connect("::1", Server.Port, ShortLimit));
    EXPECT_FALSE(S.Connected);
    EXPECT_EQ(S.GetHandle(), -1);
  }
  {
    TSocket S;
    S.IPType = IPTypeDefaultIPv4;
    ASSERT_TRUE(S.Connect("::1", Server.Port, ShortLimit));
    EXPECT_TRUE(S.UseIPv6);
    EXPECT_EQ(ReadUntil(S, "HELLO"), "HELLO");
  }
  {
    TSocket S;
    S.IPType = IPTypeIPv6;
    EXPECT_FALSE(S.Connect("127.0.0.1", Server.Port, ShortLimit));
  }
  {
    TSocket S;
    S.IPType = IPTypeDefaultIPv6;
    ASSERT_TRUE(S.Connect("127.0.0.1", Server.Port, ShortLimit));
    EXPECT_FALSE(S.UseIPv6);
    EXPECT_EQ(S.RemoteIP, "127.0.0.1");
  }
  // A name with both families: the default prefers IPv4 unless told otherwise.
  {
    TSocket S;
    EXPECT_EQ(S.IPType.load(), IPTypeDefaultIPv4);
    ASSERT_TRUE(S.Connect("localhost", Server.Port, ShortLimit));
    EXPECT_FALSE(S.UseIPv6);
  }
}

TEST_F(ConnectTest, HostIsKeptToItsLimit) {
  TSocket S;
  EXPECT_FALSE(S.Connect(std::string(300, 'a') + ".invalid", Server.Port, ShortLimit));
  EXPECT_EQ(S.Host.size(), HostMax);
}

TEST(ConnectFailure, RefusedPortFails) {
  // Connecting to a closed port becomes "writable" at once; that must not count as connected.
  TSocket S;
  EXPECT_FALSE(S.Connect("127.0.0.1", ClosedPort(), Forever));
  EXPECT_FALSE(S.Connected);
  EXPECT_EQ(S.GetHandle(), -1);
}

TEST(ConnectFailure, UnresolvableNameFails) {
  TSocket S;
  EXPECT_FALSE(S.Connect("no-such-system.invalid", 23, ShortLimit));
  EXPECT_FALSE(S.Connected);
}

TEST(ConnectFailure, SilentPeerGivesUpAtTheLimit) {
  TSilentListener Silent;
  TSocket S;
  EXPECT_FALSE(S.Connect("127.0.0.1", Silent.Port, 50));
  EXPECT_FALSE(S.Connected);
  EXPECT_EQ(S.GetHandle(), -1);
}

TEST(ConnectFailure, AbortCheckAbandonsTheAttempt) {
  TSilentListener Silent;
  TSocket S;
  int Calls = 0;
  EXPECT_FALSE(S.Connect("127.0.0.1", Silent.Port, Forever, [&] { return ++Calls >= 2; }));
  EXPECT_GE(Calls, 2);
  EXPECT_EQ(S.GetHandle(), -1);
}

TEST(ConnectFailure, CloseHandleFromAnotherThreadEndsConnect) {
  // The dialer's ESC: without it this Connect would wait for days.
  TSilentListener Silent;
  TSocket S;
  std::atomic<bool> Started{false};
  std::atomic<int> Result{-1};
  std::thread Worker([&] {
    Started = true;
    Result = S.Connect("127.0.0.1", Silent.Port, Forever) ? 1 : 0;
  });
  while (!Started) std::this_thread::yield();
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  S.CloseHandle();
  Worker.join();
  EXPECT_EQ(Result, 0);
  EXPECT_FALSE(S.Connected);
  EXPECT_EQ(S.GetHandle(), -1);
}

TEST(ConnectFailure, CloseHandleBeforeConnectMakesItFail) {
  TBbsServerProcess Server;
  ASSERT_TRUE(Server.Start({"--raw"}));
  TSocket S;
  S.CloseHandle();
  EXPECT_FALSE(S.Connect("127.0.0.1", Server.Port, ShortLimit));
}

TEST(ConnectFailure, CloseHandleWhileResolvingEndsConnect) {
  // Cancelling at any moment, including while the name is still being looked up.
  TBbsServerProcess Server;
  ASSERT_TRUE(Server.Start({"--raw"}, "send X\nhold\n", false));
  for (int Delay : {0, 1, 2, 5}) {
    TSocket S;
    std::thread Worker([&] { S.Connect("localhost", Server.Port, Forever); });
    std::this_thread::sleep_for(std::chrono::milliseconds(Delay));
    S.CloseHandle();
    Worker.join();
    EXPECT_FALSE(S.Connected);
    uint8_t B;
    EXPECT_EQ(S.ReadBuf(&B, 1), -1);
  }
}

}  // namespace
