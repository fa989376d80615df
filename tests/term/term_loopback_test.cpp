// The emulator against the loopback BBS over real telnet: the cursor position report must
// reach the peer, and the demo board must look right.
#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "net/bbs_server_process.h"
#include "net/socket.h"
#include "term_fixture.h"

namespace {

// Calls the board and drains the connection as the session loop does, every received block
// to the emulator, until Marker has arrived or nothing comes for five seconds.
void Call(TBbsServerProcess& Server, TTermAnsi& Term, const std::string& Marker) {
  TSocket Sock;
  Sock.TelnetClient = true;
  ASSERT_TRUE(Sock.Connect("127.0.0.1", Server.Port, 500));
  Term.SetSocket(&Sock);
  std::string Got;
  uint8_t Buf[4096];
  int32_t N;
  while (Got.find(Marker) == std::string::npos && Sock.DataWaiting(5000) && (N = Sock.ReadBuf(Buf, sizeof Buf)) >= 0) {
    Got.append(reinterpret_cast<char*>(Buf), static_cast<size_t>(N));
    Term.ProcessBuf(Buf, static_cast<size_t>(N));
  }
  Term.SetSocket(nullptr);
}

std::string RowText(const TSDLConsole& Con, int Y) {
  std::string S;
  for (int X = 1; X <= Con.Cols; ++X) S += static_cast<char>(Con.Cell(X, Y).Ch);
  return S;
}

TEST(TermLoopback, CursorPositionReportReachesTheBbs) {
  TBbsServerProcess Server;
  // The BBS waits for the exact reply before it draws the rest.
  ASSERT_TRUE(Server.Start({}, "send \\e[2J\\e[3;10HHello\\e[6n\nexpect \\e[3;15R\nsend \\e[1;32mOK\n"));
  auto Con = MakeConsole(80, 25);
  TTermAnsi Term(*Con);
  Call(Server, Term, "OK");
  EXPECT_EQ(RowText(*Con, 3).substr(9, 7), "HelloOK") << "the BBS never saw the report";
  EXPECT_EQ(Con->Cell(16, 3).Attr, 10);
}

// The demo board is the first thing a new user sees: its line of attributes must end each
// one in a way this emulator (and BBS terminals generally) honour, not run reversed to its end.
TEST(TermLoopback, DemoBoardAttributeLineShowsEachAttributeOnlyOnItsWord) {
  TBbsServerProcess Server;
  ASSERT_TRUE(Server.Start({}));
  auto Con = MakeConsole(80, 25);
  TTermAnsi Term(*Con);
  Call(Server, Term, "hangs up): ");
  int Row = 1;
  while (Row < 25 && RowText(*Con, Row).find("and shades:") == std::string::npos) ++Row;
  const std::string Text = RowText(*Con, Row);
  // Each word and the attribute it must show in (brown on black is 6).
  const std::pair<const char*, uint8_t> Words[] = {
      {"Blinking,", 6}, {"reverse", 0x60}, {", ", 6}, {"bold", 14}, {" and shades:", 6}};
  size_t From = 0;
  for (auto [Word, Attr] : Words) {
    const size_t At = Text.find(Word, From);
    ASSERT_NE(At, std::string::npos) << Word << " in " << Text;
    for (size_t I = At; I < At + std::string(Word).size(); ++I)
      EXPECT_EQ(Con->Cell(static_cast<int>(I) + 1, Row).Attr, Attr) << Word << " column " << I + 1;
    From = At + 1;
  }
}

}  // namespace
