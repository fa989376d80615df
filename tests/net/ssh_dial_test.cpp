// SSH entries dialled through the connect code on a headless console, against sshd.
#include <chrono>
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
    // Every box is answered with ENTER; what was on row 12 (the dialer's status) is kept.
    Session->MessageSeen = [this](const std::string& T) {
      Seen.push_back(T);
      StatusRow.push_back(Row(12));
      App.Console->PushKey(13);
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

TEST_F(SshDial, AChangedHostKeyIsRefusedWithWhereToLook) {
  if (!TSshServer::Usable()) GTEST_SKIP() << TSshServer::SkipReason;
  ASSERT_TRUE(LoadSSH());
  ASSERT_TRUE(Server.Start());
  // The key on record is another one.
  const std::string Other = Server.Dir + "/other";
  ASSERT_EQ(RunTool("ssh-keygen -q -t ed25519 -N \"\" -f " + Other), 0);
  const std::string OtherKey = TSshServer::ReadFile(Other + ".pub");
  const std::string Hosts = Server.Dir + "/lanternyx.hosts";
  std::ofstream(Hosts) << "# kept by hand\n[127.0.0.1]:" << Server.Port << " " << OtherKey;
  Entry(3, Server.Port);
  EXPECT_FALSE(Session->DialEntry());
  EXPECT_FALSE(App.Session.Connected);
  ASSERT_EQ(Seen.size(), 1u);
  EXPECT_NE(StatusRow[0].find("Host key changed - refused"), std::string::npos) << StatusRow[0];
  for (const std::string& Part : {"127.0.0.1:" + std::to_string(Server.Port), Server.Fingerprint(),
                                  std::string("line 2 of ") + Hosts})
    EXPECT_NE(Seen[0].find(Part), std::string::npos) << Seen[0] << " lacks " << Part;
  EXPECT_EQ(Server.Log().find("Accepted"), std::string::npos);
  EXPECT_EQ(App.Console->Cell(1, 12).Ch, ' ');  // the boxes are gone
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
