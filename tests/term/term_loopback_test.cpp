// The emulator against the loopback BBS over real telnet: the cursor position
// report must reach the peer, and the demo board must look right.
#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "net/bbs_server_process.h"
#include "net/socket.h"
#include "screen_dump.h"
#include "term_fixture.h"

namespace {

// The session loop's drain: every received block goes to the emulator.
void Drain(TSocket& Sock, TTermAnsi& Term) {
  uint8_t Buf[4096];
  int32_t N;
  while (Sock.DataWaiting(5000) && (N = Sock.ReadBuf(Buf, sizeof Buf)) >= 0)
    Term.ProcessBuf(Buf, static_cast<size_t>(N));
}

TEST(TermLoopback, CursorPositionReportReachesTheBbs) {
  TBbsServerProcess Server;
  // The BBS waits for the exact reply before it draws the rest.
  ASSERT_TRUE(Server.Start({}, "send \\e[2J\\e[3;10HHello\\e[6n\n"
                               "expect \\e[3;15R\n"
                               "send \\e[1;32mOK\n"));
  auto Con = MakeConsole(80, 25);
  TTermAnsi Term(*Con);
  TSocket Sock;
  Sock.TelnetClient = true;
  ASSERT_TRUE(Sock.Connect("127.0.0.1", Server.Port, 500));
  Term.SetSocket(&Sock);
  Drain(Sock, Term);
  EXPECT_EQ(ReadCell(*Con, 10, 3).Ch, 'H');
  EXPECT_EQ(ReadCell(*Con, 15, 3).Ch, 'O') << "the BBS never saw the report";
  EXPECT_EQ(ReadCell(*Con, 16, 3).Attr, 10);
  EXPECT_NE(Server.Record().find("\x1b[3;15R"), std::string::npos);
}

// The demo board is the first thing a new user sees: its line of attributes must end each
// one in a way this emulator (and BBS terminals generally) honour, not run reversed to its end.
TEST(TermLoopback, DemoBoardAttributeLineShowsEachAttributeOnlyOnItsWord) {
  TBbsServerProcess Server;
  ASSERT_TRUE(Server.Start({}));
  auto Con = MakeConsole(80, 25);
  TTermAnsi Term(*Con);
  TSocket Sock;
  Sock.TelnetClient = true;
  ASSERT_TRUE(Sock.Connect("127.0.0.1", Server.Port, 500));
  std::string Got;
  uint8_t Buf[4096];
  int32_t N;
  while (Got.find("hangs up): ") == std::string::npos && Sock.DataWaiting(5000) &&
         (N = Sock.ReadBuf(Buf, sizeof Buf)) >= 0) {
    Got.append(reinterpret_cast<char*>(Buf), static_cast<size_t>(N));
    Term.ProcessBuf(Buf, static_cast<size_t>(N));
  }
  int Row = 0;
  std::string Text;
  for (int Y = 1; Y <= 25 && Row == 0; ++Y) {
    Text.clear();
    for (int X = 1; X <= 80; ++X) Text += static_cast<char>(ReadCell(*Con, X, Y).Ch);
    if (Text.find("and shades:") != std::string::npos) Row = Y;
  }
  ASSERT_NE(Row, 0) << Got;
  // Each word and the attribute it must show in (brown on black is 6).
  const std::pair<const char*, uint8_t> Words[] = {
      {"Blinking,", 6}, {"reverse", 0x60}, {", ", 6}, {"bold", 14}, {" and shades:", 6}};
  size_t From = 0;
  for (auto [Word, Attr] : Words) {
    const size_t At = Text.find(Word, From);
    ASSERT_NE(At, std::string::npos) << Word;
    for (size_t I = At; I < At + std::string(Word).size(); ++I)
      EXPECT_EQ(ReadCell(*Con, static_cast<int>(I) + 1, Row).Attr, Attr) << Word << " column " << I + 1;
    From = At + 1;
  }
}

}  // namespace
