// SSH entries dialled through the connect code on a headless console, against sshd.
#include <chrono>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/context.h"
#include "app/session.h"
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
    Session = std::make_unique<TSession>(App);
    Session->Pause = [](int) {};
    App.ProgramDir = Server.Dir + "/";
    // Every box is answered with the next of Answers, else ENTER; what was on row 12 (the
    // dialer's status) is kept.
    Session->MessageSeen = [this](const std::string& T) {
      Seen.push_back(T);
      StatusRow.push_back(Row(12));
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

  std::string Row(int Y) const {
    std::string S;
    for (int X = 1; X <= App.Console->Cols; ++X) S += static_cast<char>(App.Console->Cell(X, Y).Ch);
    return S;
  }
  std::string Screen() const {
    std::string S;
    for (int Y = 1; Y <= App.Console->Rows; ++Y) S += Row(Y) + "\n";
    return S;
  }
  // Runs the session loop until Done says so or ten seconds have passed.
  bool PassUntil(const std::function<bool()>& Done) {
    const auto End = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!Done() && std::chrono::steady_clock::now() < End) Session->Pass();
    return Done();
  }
  void Entry(uint8_t Protocol, uint16_t Port) {
    auto& E = App.Session.CurrentEntry;
    E.Protocol = Protocol;
    E.Address = "127.0.0.1:" + std::to_string(Port);
    E.UserName = Server.User;
    E.Password = Server.Password;
    E.StatusBar = 1;
    E.Emulation = 1;
  }

  TSshServer Server;
  TAppContext App;
  std::unique_ptr<TSession> Session;
  std::vector<std::string> Seen, StatusRow;
  std::deque<std::string> Answers;
};

TEST_F(SshDial, AnSshEntryBecomesAWorkingSession) {
  if (!TSshServer::Usable()) GTEST_SKIP() << TSshServer::SkipReason;
  ASSERT_TRUE(LoadSSH());
  ASSERT_TRUE(Server.Start());
  Entry(3, Server.Port);
  App.Session.CurrentEntry.StatusBar = 0;
  ASSERT_TRUE(Session->DialEntry()) << Server.Log();
  ASSERT_NE(dynamic_cast<TSocketSSL*>(App.Session.Socket.get()), nullptr);
  EXPECT_FALSE(App.Session.Socket->TelnetClient.load());
  // The terminal was asked for with the screen's size (no status bar).
  App.Session.Socket->WriteStr("stty size; echo X=$((6*7))\n");
  EXPECT_TRUE(PassUntil([&] { return Screen().find("X=42") != std::string::npos; })) << Screen();
  EXPECT_NE(Screen().find("25 80"), std::string::npos) << Screen();
  EXPECT_NE(TSshServer::ReadFile(Server.Dir + "/lanternyx.hosts").find(Server.PublicKey()), std::string::npos);
  // The remote side ends the call: the session hangs up by itself.
  App.Session.Socket->WriteStr("exit\n");
  EXPECT_TRUE(PassUntil([&] { return !App.Session.Connected; }));
  EXPECT_EQ(Seen, std::vector<std::string>{"Connection terminated"});
}

TEST_F(SshDial, KeysBeforePasswordsAndSecretsTyped) {
  if (!TSshServer::Usable()) GTEST_SKIP() << TSshServer::SkipReason;
  ASSERT_TRUE(LoadSSH());
  TSshAgent Agent(Server.Dir);
  const std::string Pw = Server.Password;
  struct TCase {
    const char* What;
    bool KeysOnly;         // else keys and passwords
    const char* Key;       // where the key is: "agent", "setting" or a name in the key directory
    bool Listed;           // in the server's authorized keys
    const char* Passphrase;
    std::string EntryPassword;
    std::deque<std::string> Typed;  // into the boxes, in turn
    std::vector<std::string> Asked;  // the boxes' prompts begin so
    const char* Accepted;
  };
  const TCase Cases[] = {
      {"agent", true, "agent", true, "", "", {}, {}, "publickey"},
      {"own key before the entry's password", false, "id_ed25519", true, "", Pw, {}, {}, "publickey"},
      {"settings key, passphrase", true, "setting", true, "secret", "", {"secret\r"}, {"Passphrase for bbs_key:"},
       "publickey"},
      {"wrong passphrase, then the entry's password", false, "id_ecdsa", true, "secret", Pw, {"wrong\r"},
       {"Passphrase for id_ecdsa:"}, "password"},
      {"ESC skips the key, a password is asked", false, "id_ed25519", true, "secret", "", {"\x1b", Pw + "\r"},
       {"Passphrase for id_ed25519:", "Password for " + Server.User + "@127.0.0.1:"}, "password"},
      {"a key not taken is not opened", false, "id_ed25519", false, "secret", "", {Pw + "\r"}, {"Password for "},
       "password"},
  };
  int N = 0;
  for (const TCase& C : Cases) {
    SCOPED_TRACE(C.What);
    const std::string Keys = Server.Dir + "/keys" + std::to_string(++N) + "/";
    std::filesystem::create_directory(Keys);
    const std::string K = C.Key;
    const std::string Path = K == "agent" ? Server.Dir + "/agent_key" : Keys + (K == "setting" ? "bbs_key" : K);
    if (!K.empty()) {
      ASSERT_TRUE(TSshServer::MakeKey(Path, C.Passphrase, K == "id_ecdsa" ? "ecdsa" : "ed25519"));
      std::ofstream(Server.AuthorizedKeys()) << (C.Listed ? TSshServer::ReadFile(Path + ".pub") : "");
      if (K == "agent") {
        ASSERT_TRUE(Agent.Add(Path));
      }
      // The public half is not needed beside a key in OpenSSH's format.
      if (K == "setting") std::filesystem::remove(Path + ".pub");
    }
    App.SshAgentSocket = K == "agent" ? Agent.Socket : "";
    App.SshKeyDir = Keys;
    App.Config.SshKeyPath = K == "setting" ? Path : "";
    Server.Stop();
    ASSERT_TRUE(Server.Start({C.KeysOnly ? "AuthenticationMethods=publickey" : "KbdInteractiveAuthentication=no"}));
    Entry(3, Server.Port);
    App.Session.CurrentEntry.Password = C.EntryPassword;
    Seen.clear();
    Answers = C.Typed;
    ASSERT_TRUE(Session->DialEntry()) << Server.Log();
    App.Session.Socket->Disconnect();
    App.Session.Connected = false;
    ASSERT_EQ(Seen.size(), C.Asked.size());
    for (size_t I = 0; I < Seen.size(); ++I) EXPECT_EQ(Seen[I].rfind(C.Asked[I], 0), 0u) << Seen[I];
    EXPECT_TRUE(Answers.empty());
    const std::string Log = Server.Log();
    EXPECT_NE(Log.find(std::string("Accepted ") + C.Accepted + " for " + Server.User), std::string::npos) << Log;
    EXPECT_EQ(Log.find("Failed password"), std::string::npos) << Log;
  }
}

TEST_F(SshDial, AHostKeyIsAcceptedOnlyWithYes) {
  if (!TSshServer::Usable()) GTEST_SKIP() << TSshServer::SkipReason;
  ASSERT_TRUE(LoadSSH());
  ASSERT_TRUE(Server.Start());
  // The key on record is another one, on the second of three lines.
  const std::string Other = Server.Dir + "/other";
  ASSERT_TRUE(TSshServer::MakeKey(Other));
  std::string OtherFingerprint;
  RunTool("ssh-keygen -l -E sha256 -f " + Other + ".pub", &OtherFingerprint);
  OtherFingerprint = OtherFingerprint.substr(OtherFingerprint.find("SHA256:"), 50);
  const std::string Name = "[127.0.0.1]:" + std::to_string(Server.Port);
  const std::string OtherKey = TSshServer::ReadFile(Other + ".pub");
  const std::string Before = "# kept by hand\n" + Name + " " + OtherKey.substr(0, OtherKey.size() - 1) +
                             "\nexample.org ssh-ed25519 AAAAC3NzaKEY";  // no newline at the end
  const std::string Replaced = "# kept by hand\n" + Name + " " + Server.PublicKey() +
                               "\nexample.org ssh-ed25519 AAAAC3NzaKEY";
  const std::string Hosts = Server.Dir + "/lanternyx.hosts";
  struct TCase {
    const char* What;
    bool Known;  // else the file is empty and the program asks before trusting a new host
    const char* Typed;
    bool Connects;
    std::string After;
  };
  const TCase Cases[] = {
      {"changed, NO by default", true, "\r", false, Before},
      {"changed, YES", true, "y", true, Replaced},
      {"new, NO", false, "N", false, ""},
      {"new, YES", false, "Y", true, Name + " " + Server.PublicKey() + "\n"},
  };
  for (const TCase& C : Cases) {
    SCOPED_TRACE(C.What);
    std::ofstream(Hosts, std::ios::trunc) << (C.Known ? Before : "");
    App.Config.AskNewHost = C.Known ? 0 : 1;
    Entry(3, Server.Port);
    Seen.clear();
    Answers = {C.Typed};
    EXPECT_EQ(Session->DialEntry(), C.Connects);
    App.Session.Socket->Disconnect();
    App.Session.Connected = false;
    EXPECT_EQ(TSshServer::ReadFile(Hosts), C.After);
    ASSERT_EQ(Seen.size(), 1u);
    const std::string Question = C.Known ? "Host key changed. Accept the new key?" : "Host key not known.";
    for (const std::string& Part : {Question, Server.Fingerprint(), "127.0.0.1:" + std::to_string(Server.Port),
                                    C.Known ? OtherFingerprint : Question})
      EXPECT_NE(Seen[0].find(Part), std::string::npos) << Seen[0] << " lacks " << Part;
  }
}

TEST_F(SshDial, WithoutLibsshSshIsRefusedAndTelnetWorks) {
  UnloadSSH();
  TSilentListener Listener;
  Entry(3, Listener.Port);
  EXPECT_FALSE(Session->DialEntry());
  EXPECT_EQ(Seen, std::vector<std::string>{"Cannot use SSH; libssh not found"});
  EXPECT_FALSE(Listener.Reached());

  TBbsServerProcess Bbs;
  ASSERT_TRUE(Bbs.Start({"--raw"}, "send WELCOME\nhold\n", false));
  Entry(1, Bbs.Port);
  ASSERT_TRUE(Session->DialEntry());
  EXPECT_TRUE(PassUntil([&] { return Screen().find("WELCOME") != std::string::npos; })) << Screen();
}

}  // namespace
