// SSH calls against OpenSSH's sshd on loopback, the run-time loader and the hosts file.
#include <dlfcn.h>

#include <algorithm>
#include <future>
#include <random>

#include <gtest/gtest.h>

#include "net/socket_ssl.h"
#include "net/ssh_api.h"
#include "net/ssh_hosts.h"
#include "net/ssh_server.h"

namespace {

TEST(SshLoader, EveryEntryResolvedOrNoSsh) {
  EXPECT_FALSE(LoadSSH({"/nonexistent/libssh.so.4"}));
  EXPECT_EQ(Ssh.MissingEntry, "");
  EXPECT_FALSE(LoadSSH({LX_FAKE_SSH}));
  EXPECT_EQ(std::tuple(Ssh.MissingEntry, Ssh.Loaded, Ssh.ssh_new), std::tuple("ssh_channel_poll", false, nullptr));

  // Without the library an SSH call is refused before any connection is opened.
  TSilentListener Listener;
  TSocketSSL S;
  EXPECT_FALSE(S.Connect("127.0.0.1", Listener.Port, 300) || S.Connected || Listener.Reached());

  ASSERT_TRUE(LoadSSH()) << "libssh-4 is not installed";
  EXPECT_EQ(Ssh.MissingEntry, "");
  for (const char* Name : SSHEntryNames()) EXPECT_NE(dlsym(Ssh.Handle, Name), nullptr) << Name;
  UnloadSSH();
  EXPECT_TRUE(!Ssh.Loaded && Ssh.ssh_init == nullptr);
}

TEST(SshHosts, LookupAndRecord) {
  TTempDir D;
  const std::string File = D.Path("lanternyx.hosts");
  std::ofstream(File) << "# systems called before\n"
                         "[127.0.0.1]:2222 ssh-ed25519 KEYONE\n"
                         "example.org,other.net ssh-rsa RSAKEY comment\n"
                         "@revoked example.org ssh-ed25519 REVOKED\n"
                         "|1|c2FsdA==|aGFzaA== ssh-ed25519 HASHED\n"
                         "Example.ORG ssh-ed25519 EDKEY";  // no newline at the end
  // Recorded: with Changed, the key on that line.
  struct TCase { const char *Host, *Type, *Key, *Recorded; uint16_t Port; THostKeyMatch Result;
                 int Line; };
  const TCase Cases[] = {
      {"127.0.0.1", "ssh-ed25519", "KEYONE", "", 2222, THostKeyMatch::Match, 2},
      {"127.0.0.1", "ssh-ed25519", "KEYTWO", "KEYONE", 2222, THostKeyMatch::Changed, 2},
      {"127.0.0.1", "ssh-ed25519", "KEYONE", "", 22, THostKeyMatch::Unknown, 0},
      {"OTHER.net", "ssh-rsa", "RSAKEY", "", 22, THostKeyMatch::Match, 3},
      {"example.org", "ssh-ed25519", "NEWKEY", "EDKEY", 22, THostKeyMatch::Changed, 6},  // the same type's line
      {"example.org", "ecdsa-sha2-nistp256", "NEW", "RSAKEY", 22, THostKeyMatch::Changed, 3},  // else the first
      {"example.org", "ssh-rsa", "RSAKEY", "", 2222, THostKeyMatch::Unknown, 0},
  };
  for (const TCase& C : Cases) {
    SCOPED_TRACE(std::string(C.Host) + ":" + std::to_string(C.Port) + " " + C.Key);
    const THostKeyLookup L = LookupHostKey(File, KnownHostName(C.Host, C.Port), C.Type, C.Key);
    EXPECT_EQ(std::tuple(L.Result, L.Line, L.KeyBase64), std::tuple(C.Result, C.Line, C.Recorded));
  }
  EXPECT_FALSE(RecordHostKey(File, "evil\n[127.0.0.1]:2222", "ssh-ed25519", "KEYTWO") ||
               RecordHostKey(File, "a,b", "ssh-ed25519", "KEYTWO"));
  ASSERT_TRUE(RecordHostKey(File, KnownHostName("Bbs.Example", 2022), "ssh-ed25519", "BBSKEY"));
  EXPECT_EQ(LookupHostKey(File, "[bbs.example]:2022", "ssh-ed25519", "BBSKEY").Line, 7);
  EXPECT_EQ(LookupHostKey(File, "example.org", "ssh-ed25519", "EDKEY").Result, THostKeyMatch::Match);
  // A replaced key keeps its line's names and every other byte of the file.
  const std::string Recorded = ReadFileText(File);
  EXPECT_FALSE(ReplaceHostKey(File, 3, "ssh-rsa", "STALEKEY", "ssh-rsa", "NEWRSA"));
  ASSERT_TRUE(ReplaceHostKey(File, 3, "ssh-rsa", "RSAKEY", "ssh-rsa", "NEWRSA"));
  std::string Want = Recorded;
  Want.replace(Want.find("ssh-rsa RSAKEY comment"), 22, "ssh-rsa NEWRSA");
  EXPECT_EQ(ReadFileText(File), Want);
  EXPECT_EQ(LookupHostKey(D.Path("none"), "x", "ssh-rsa", "K").Result, THostKeyMatch::Unknown);
  EXPECT_EQ(LookupHostKey(D.Dir(), "x", "ssh-rsa", "K").Result, THostKeyMatch::Unreadable);
}

int OpenDescriptors() {
  int N = 0;
  for ([[maybe_unused]] const auto& E : std::filesystem::directory_iterator("/proc/self/fd")) ++N;
  return N;
}

class SshCall : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!TSshServer::Usable()) GTEST_SKIP() << TSshServer::SkipReason;
    ASSERT_TRUE(LoadSSH()) << "libssh-4 is not installed";
  }
  void TearDown() override { UnloadSSH(); }

  std::unique_ptr<TSocketSSL> NewSocket(const std::string& Password, uint8_t Cols = 80, uint8_t Rows = 24,
                                        int32_t ReadSize = 16384) {
    auto S = std::make_unique<TSocketSSL>(ReadSize, 16384, -1, -1);
    S->UserName = Server.User, S->Password = Password, S->HostsFile = Hosts();
    S->TermType = "ANSI-256COLOR-RGB";
    S->WinWidth = Cols, S->WinHeight = Rows;
    S->OnStatus = [this](int32_t, TSocketBase&, int32_t, int32_t, const std::string& Text) { Reports += Text + "\n"; };
    return S;
  }
  bool Dial(TSocketSSL& S) { return S.Connect("127.0.0.1", Server.Port, 500); }
  std::string Hosts() const { return Server.Dir + "/lanternyx.hosts"; }

  TSshServer Server;
  std::string Reports;
};

// One server for a call's life: the first key recorded, the terminal asked for with the size
// and type, a window change, the key matched on the next call, the remote side ending it, and a
// changed key refused.
TEST_F(SshCall, TerminalKeyAndEndOfACall) {
  ASSERT_TRUE(Server.Start());
  const std::string Line = "[127.0.0.1]:" + std::to_string(Server.Port) + " " + Server.PublicKey() + "\n";
  auto S = NewSocket(Server.Password, 100, 30);
  ASSERT_TRUE(Dial(*S)) << Reports << Server.Log();
  S->WriteStr("stty size; echo T=$TERM\n");
  EXPECT_NE(ReadUntil(*S, "T=ANSI-256COLOR-RGB").find("30 100\r\nT=ANSI-256COLOR-RGB"), std::string::npos);
  S->SetWindowSize(120, 40);
  S->WriteStr("stty size; echo DONE=$((6*7))\n");
  EXPECT_NE(ReadUntil(*S, "DONE=42").find("40 120"), std::string::npos);
  EXPECT_EQ(ReadFileText(Hosts()), Line);

  S = NewSocket(Server.Password);
  ASSERT_TRUE(Dial(*S)) << Reports;
  // Matched, not recorded again.
  EXPECT_EQ(std::tuple(S->HostKeyRefused, ReadFileText(Hosts())), std::tuple(false, Line));
  S->WriteStr("exit\n");
  ReadUntil(*S, "never sent");  // ends with the link
  uint8_t B;
  EXPECT_EQ(S->ReadBuf(&B, 1), -1);
  EXPECT_NE(Reports.find("Connection dropped ("), std::string::npos) << Reports;
  EXPECT_EQ(S->WriteStr("x"), -1);  // and no signal for the dead link

  Server.Stop();
  ASSERT_TRUE(Server.Start({}, true));
  // No one to ask: the new key is refused, and nothing of the login is tried with it.
  S = NewSocket(Server.Password);
  EXPECT_FALSE(Dial(*S) || S->Connected);
  EXPECT_EQ(std::tuple(S->GetHandle(), S->HostKeyRefused, ReadFileText(Hosts()),
                       Server.Log().find("Accepted ")),
            std::tuple(-1, true, Line, std::string::npos));
}

TEST_F(SshCall, PasswordAndKeyboardInteractiveLogins) {
  struct TCase { const char* What; std::vector<std::string> Options; bool RightPassword; };
  const std::vector<std::string> KbdOnly = {"PasswordAuthentication=no", "KbdInteractiveAuthentication=yes",
                                            "UsePAM=yes"};
  const TCase Cases[] = {
      {"password", {"KbdInteractiveAuthentication=no"}, true},
      {"password, wrong", {"KbdInteractiveAuthentication=no"}, false},
      {"keyboard-interactive only", KbdOnly, true},
      {"keyboard-interactive only, wrong", KbdOnly, false},
  };
  const int Fds = OpenDescriptors();
  for (const TCase& C : Cases) {
    SCOPED_TRACE(C.What);
    EXPECT_EQ(OpenDescriptors(), Fds) << "left open by the call before";
    Server.Stop();
    ASSERT_TRUE(Server.Start(C.Options));
    Reports.clear();
    auto S = NewSocket(C.RightPassword ? Server.Password : "not-the-password");
    const bool Ok = Dial(*S);
    ASSERT_EQ(Ok, C.RightPassword) << Reports << Server.Log();
    EXPECT_EQ(S->Connected, Ok);
    if (!Ok) {
      EXPECT_NE(Reports.find("Authentication failed"), std::string::npos) << Reports;
      EXPECT_EQ(std::tuple(S->GetHandle(), S->ReadBuf(nullptr, 0)), std::tuple(-1, -1));
      continue;
    }
    S->WriteStr("echo R=$((6*7))\n");
    EXPECT_NE(ReadUntil(*S, "R=42").find("R=42"), std::string::npos);
  }
  EXPECT_EQ(OpenDescriptors(), Fds);
}

TEST_F(SshCall, ClosingTheSocketEndsAHangingHandshake) {
  TSilentListener Listener;
  auto S = NewSocket("pw");
  auto Result = std::async(std::launch::async, [&] { return S->Connect("127.0.0.1", Listener.Port, 500); });
  EXPECT_EQ(Result.wait_for(std::chrono::milliseconds(300)), std::future_status::timeout);
  S->CloseHandle();
  // libssh would wait 30 s by itself.
  ASSERT_EQ(Result.wait_for(std::chrono::seconds(5)), std::future_status::ready);
  EXPECT_FALSE(Result.get() || S->Connected);
}

TEST_F(SshCall, LongStreamArrivesWhole) {
  ASSERT_TRUE(Server.Start());
  std::string Data(5 * 1000 * 1000, '\0');
  std::generate(Data.begin(), Data.end(), std::minstd_rand(7));
  const std::string File = Server.Dir + "/stream.bin";
  std::ofstream(File, std::ios::binary) << Data;
  // A small read buffer leaves most of each packet inside the session, with the socket quiet.
  auto S = NewSocket(Server.Password, 80, 24, 1000);
  ASSERT_TRUE(Dial(*S)) << Reports;
  // Raw mode passes every byte; each line read sends the file's first N bytes. The marker's
  // echo differs from the marker.
  S->WriteStr("stty raw -echo; printf '\\102EGIN\\n'; while read N; do head -c $N " + File + "; done\n");
  const std::string Begin = ReadUntil(*S, "BEGIN\n");
  ASSERT_TRUE(Begin.ends_with("BEGIN\n")) << Begin;
  // The whole file, then replies just under 4 KB that straddle what the session takes off the
  // socket in one read, each whole on the socket before it is waited for: one taken in but not
  // reported, with nothing after it, would never be.
  for (int Round = 0; Round <= 12; ++Round) {
    const size_t Want = Round == 0 ? Data.size() : 4035 + static_cast<size_t>(Round) * 5;
    S->WriteStr(std::to_string(Want) + "\n");
    std::this_thread::sleep_for(std::chrono::milliseconds(Round == 0 ? 0 : 20));
    const std::string Got = ReadUntil(*S, "", Want);
    ASSERT_TRUE(Got == Data.substr(0, Want)) << "round " << Round << ": " << Got.size() << " bytes";
  }
}

}  // namespace
