// SSH calls against OpenSSH's sshd on loopback, the run-time loader and the hosts file; SSH
// entries dialled through the connect code on a headless console, against sshd.
#include <dlfcn.h>

#include <algorithm>
#include <deque>
#include <functional>
#include <future>
#include <random>

#include <gtest/gtest.h>

#include "app/context.h"
#include "app/session.h"
#include "console/helpers.h"
#include "net/bbs_server_process.h"
#include "net/socket_ssl.h"
#include "net/ssh_api.h"
#include "net/ssh_hosts.h"
#include "net/ssh_server.h"

namespace {

class SshDial : public ::testing::Test {
 protected:
  void SetUp() override {
    App.Console = std::make_unique<TSDLConsoleScrollback>();
    ASSERT_TRUE(App.Console->OpenScreen(80, 25, 1));
    lx::InitPhoneRec(App.Session.CurrentEntry, App.Config);
    App.Session.CurrentEntry.Password = Server.Password;
    App.Session.CurrentEntry.StatusBar = App.Session.CurrentEntry.Emulation = 1;
    Session = std::make_unique<TSession>(App);
    Session->Pause = [](int) {};
    App.ProgramDir = Server.Dir + "/";
    // Every box is answered with the next of Answers, else ENTER.
    Session->MessageSeen = [this](const std::string& T) {
      Seen.push_back(T);
      const std::string Keys = Answers.empty() ? "\r" : Answers.front();
      if (!Answers.empty()) Answers.pop_front();
      for (char C : Keys) App.Console->PushKey(static_cast<uint8_t>(C));
    };
  }
  void TearDown() override {
    Session.reset();
    EndTerminalSession(App);
    UnloadSSH();
  }

  std::string Screen() const {
    std::string S;
    for (int Y = 1; Y <= App.Console->Rows; ++Y) S += RowText(*App.Console, Y);
    return S;
  }
  // Runs the session loop until Text is on the screen (with an empty one: until the call has
  // ended) or ten seconds have passed.
  bool PassUntil(const std::string& Text) {
    const std::function<bool()> Done = [&] {
      return Text.empty() ? !App.Session.Connected : Screen().find(Text) != std::string::npos;
    };
    const auto End = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!Done() && std::chrono::steady_clock::now() < End) Session->Pass();
    return Done();
  }
  // Dials the entry (SSH unless Protocol says otherwise) with the given answers to its boxes.
  bool Dial(uint16_t Port, std::deque<std::string> Typed = {}, uint8_t Protocol = 3) {
    auto& E = App.Session.CurrentEntry;
    E.Protocol = Protocol, E.UserName = Server.User;
    E.Address = "127.0.0.1:" + std::to_string(Port);
    Seen.clear();
    Answers = std::move(Typed);
    return Session->DialEntry();
  }
  void HangUp() {
    App.Session.Socket->Disconnect();
    App.Session.Connected = false;
  }

  TSshServer Server;
  TAppContext App;
  std::unique_ptr<TSession> Session;
  std::vector<std::string> Seen;
  std::deque<std::string> Answers;
};

TEST_F(SshDial, KeysBeforePasswordsAndSecretsTyped) {
  if (!TSshServer::Usable()) GTEST_SKIP() << TSshServer::SkipReason;
  ASSERT_TRUE(LoadSSH());
  TSshAgent Agent(Server.Dir);
  const std::string Pw = Server.Password;
  // KeysOnly: else keys and passwords; Key: "agent", "setting" or a name in the key directory;
  // Listed: in the server's authorized keys; Asked: how the boxes' prompts begin.
  struct TCase { const char *What, *Key, *Passphrase, *Accepted; bool KeysOnly, Listed;
                 std::string EntryPassword; std::deque<std::string> Typed;
                 std::vector<std::string> Asked; };
  const TCase Cases[] = {
      {"agent", "agent", "", "publickey", true, true, "", {}, {}},
      {"settings key, passphrase", "setting", "secret", "publickey", true, true, "", {"secret\r"},
       {"Passphrase for bbs_key:"}},
      {"own key before the entry's password", "id_ed25519", "", "publickey", false, true, Pw, {}, {}},
      {"wrong passphrase, then the entry's password", "id_ecdsa", "secret", "password", false, true, Pw,
       {"wrong\r"}, {"Passphrase for id_ecdsa:"}},
      {"ESC skips the key, a password is asked", "id_ed25519", "secret", "password", false, true, "",
       {"\x1b", Pw + "\r"}, {"Passphrase for id_ed25519:", "Password for " + Server.User + "@127.0.0.1:"}},
      {"a key not taken is not opened", "id_ed25519", "secret", "password", false, false, "", {Pw + "\r"},
       {"Password for "}},
  };
  int N = 0;
  for (const TCase& C : Cases) {
    SCOPED_TRACE(C.What);
    const std::string Keys = Server.Dir + "/keys" + std::to_string(++N) + "/";
    std::filesystem::create_directory(Keys);
    const std::string K = C.Key;
    const std::string Path = K == "agent" ? Server.Dir + "/agent_key" : Keys + (K == "setting" ? "bbs_key" : K);
    ASSERT_TRUE(TSshServer::MakeKey(Path, C.Passphrase, K == "id_ecdsa" ? "ecdsa" : "ed25519"));
    std::ofstream(Server.AuthorizedKeys()) << (C.Listed ? ReadFileText(Path + ".pub") : "");
    ASSERT_TRUE(K != "agent" || Agent.Add(Path));
    // The public half is not needed beside a key in OpenSSH's format.
    if (K == "setting") std::filesystem::remove(Path + ".pub");
    App.SshAgentSocket = K == "agent" ? Agent.Socket : "";
    App.SshKeyDir = Keys;
    App.Config.SshKeyPath = K == "setting" ? Path : "";
    if (N == 1 || C.KeysOnly != Cases[N - 2].KeysOnly) {  // sshd reads the keys on each login
      Server.Stop();
      ASSERT_TRUE(Server.Start({C.KeysOnly ? "AuthenticationMethods=publickey" : "KbdInteractiveAuthentication=no"}));
    }
    App.Session.CurrentEntry.Password = C.EntryPassword;
    const size_t LogFrom = Server.Log().size();
    ASSERT_TRUE(Dial(Server.Port, C.Typed)) << Server.Log();
    HangUp();
    ASSERT_EQ(Seen.size(), C.Asked.size());
    for (size_t I = 0; I < Seen.size(); ++I) EXPECT_EQ(Seen[I].rfind(C.Asked[I], 0), 0u) << Seen[I];
    EXPECT_TRUE(Answers.empty());
    const std::string Log = Server.Log().substr(LogFrom);
    EXPECT_NE(Log.find(std::string("Accepted ") + C.Accepted + " for " + Server.User), std::string::npos) << Log;
    EXPECT_EQ(Log.find("Failed password"), std::string::npos) << Log;
  }
}

TEST_F(SshDial, AHostKeyIsAcceptedOnlyWithYesThenTheSessionWorks) {
  if (!TSshServer::Usable()) GTEST_SKIP() << TSshServer::SkipReason;
  ASSERT_TRUE(LoadSSH());
  ASSERT_TRUE(Server.Start());
  // The key on record is another one, on the second of three lines.
  const std::string Other = Server.Dir + "/other";
  ASSERT_TRUE(TSshServer::MakeKey(Other));
  const std::string OtherFingerprint = TSshServer::FingerprintOf(Other);
  const std::string Name = "[127.0.0.1]:" + std::to_string(Server.Port);
  const std::string OtherKey = ReadFileText(Other + ".pub");
  const std::string Before = "# kept by hand\n" + Name + " " + OtherKey.substr(0, OtherKey.size() - 1) +
                             "\nexample.org ssh-ed25519 AAAAC3NzaKEY";  // no newline at the end
  const std::string Replaced = "# kept by hand\n" + Name + " " + Server.PublicKey() +
                               "\nexample.org ssh-ed25519 AAAAC3NzaKEY";
  const std::string Hosts = Server.Dir + "/lanternyx.hosts";
  // Known: else the file is empty and the program asks before trusting a new host.
  struct TCase { const char *What, *Typed; bool Known, Connects; std::string After; };
  const TCase Cases[] = {
      {"changed, NO by default", "\r", true, false, Before},
      {"changed, YES", "y", true, true, Replaced},
      {"new, NO", "N", false, false, ""},
      {"new, YES", "Y", false, true, Name + " " + Server.PublicKey() + "\n"},
  };
  for (const TCase& C : Cases) {
    SCOPED_TRACE(C.What);
    std::ofstream(Hosts, std::ios::trunc) << (C.Known ? Before : "");
    App.Config.AskNewHost = C.Known ? 0 : 1;
    EXPECT_EQ(Dial(Server.Port, {C.Typed}), C.Connects);
    HangUp();
    EXPECT_EQ(ReadFileText(Hosts), C.After);
    ASSERT_EQ(Seen.size(), 1u);
    const std::string Question = C.Known ? "Host key changed. Accept the new key?" : "Host key not known.";
    for (const std::string& Part : {Question, Server.Fingerprint(), "127.0.0.1:" + std::to_string(Server.Port),
                                    C.Known ? OtherFingerprint : Question})
      EXPECT_NE(Seen[0].find(Part), std::string::npos) << Seen[0] << " lacks " << Part;
  }
  // The key now on record: a working session, with a terminal of the screen's size (no status
  // bar), that hangs up by itself when the remote side ends the call.
  App.Session.CurrentEntry.StatusBar = 0;
  ASSERT_TRUE(Dial(Server.Port)) << Server.Log();
  ASSERT_NE(dynamic_cast<TSocketSSL*>(App.Session.Socket.get()), nullptr);
  EXPECT_FALSE(App.Session.Socket->TelnetClient.load());
  App.Session.Socket->WriteStr("stty size; echo X=$((6*7))\n");
  EXPECT_TRUE(PassUntil("25 80" + std::string(80 - 5, ' ') + "X=42")) << Screen();
  App.Session.Socket->WriteStr("exit\n");
  EXPECT_TRUE(PassUntil(""));
  EXPECT_EQ(Seen, std::vector<std::string>{"Connection terminated"});
}

TEST_F(SshDial, WithoutLibsshSshIsRefusedAndTelnetWorks) {
  UnloadSSH();
  TSilentListener Listener;
  EXPECT_FALSE(Dial(Listener.Port) || Listener.Reached());
  EXPECT_EQ(Seen, std::vector<std::string>{"Cannot use SSH; libssh not found"});

  TBbsServerProcess Bbs;
  ASSERT_TRUE(Bbs.Start({"--raw"}, "send WELCOME\nhold\n", false));
  ASSERT_TRUE(Dial(Bbs.Port, {}, 1));
  EXPECT_TRUE(PassUntil("WELCOME")) << Screen();
}

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

long OpenDescriptors() {
  return std::distance(std::filesystem::directory_iterator("/proc/self/fd"), {});
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
    S->TermType = "ANSI-256COLOR-RGB", S->WinWidth = Cols, S->WinHeight = Rows;
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
