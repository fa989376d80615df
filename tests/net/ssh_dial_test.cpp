// SSH entries dialled through the connect code on a headless console, against sshd.
#include <deque>
#include <functional>

#include <gtest/gtest.h>

#include "app/context.h"
#include "app/session.h"
#include "console/helpers.h"
#include "net/bbs_server_process.h"
#include "net/socket_ssl.h"
#include "net/ssh_api.h"
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
      std::string Keys = "\r";
      if (!Answers.empty()) {
        Keys = Answers.front();
        Answers.pop_front();
      }
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
    E.Protocol = Protocol;
    E.Address = "127.0.0.1:" + std::to_string(Port);
    E.UserName = Server.User;
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

}  // namespace
