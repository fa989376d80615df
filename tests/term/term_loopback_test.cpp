// The emulator against the loopback BBS over real telnet: the cursor position report must
// reach the peer, and the demo board must look right.
#include <gtest/gtest.h>

#include <string>

#include "net/bbs_server_process.h"
#include "net/socket.h"
#include "term_fixture.h"

namespace {

// Calls a board running Script (the demo board without one) and feeds every received block to
// the emulator as the session loop does, until Marker has arrived or nothing comes for five
// seconds; gives the screen.
std::unique_ptr<TSDLConsoleScrollback> Call(const std::string& Script, const std::string& Marker) {
  auto Con = MakeConsole(80, 25);
  TTermAnsi Term(*Con);
  TBbsServerProcess Server;
  TSocket Sock;
  Sock.TelnetClient = true;
  if (!Server.Start({}, Script) || !Sock.Connect("127.0.0.1", Server.Port, 500)) return Con;
  Term.SetSocket(&Sock);
  std::string Got;
  uint8_t Buf[4096];
  int32_t N;
  while (Got.find(Marker) == std::string::npos && Sock.DataWaiting(5000) && (N = Sock.ReadBuf(Buf, sizeof Buf)) >= 0) {
    Got.append(reinterpret_cast<char*>(Buf), static_cast<size_t>(N));
    Term.ProcessBuf(Buf, static_cast<size_t>(N));
  }
  return Con;
}

TEST(TermLoopback, CursorPositionReportReachesTheBbs) {
  // The BBS waits for the exact reply before it draws the rest.
  auto Con = Call("send \\e[2J\\e[3;10HHello\\e[6n\nexpect \\e[3;15R\nsend \\e[1;32mOK\n", "OK");
  EXPECT_EQ(RowText(*Con, 3).substr(9, 7), "HelloOK") << "the BBS never saw the report";
  EXPECT_EQ(Con->Cell(16, 3).Attr, 10);
}

// The demo board is the first thing a new user sees: its line of attributes must end each
// one in a way this emulator (and BBS terminals generally) honour, not run reversed to its end.
TEST(TermLoopback, DemoBoardAttributeLineShowsEachAttributeOnlyOnItsWord) {
  auto Con = Call("", "hangs up): ");
  int Row = 1;
  while (Row < 25 && RowText(*Con, Row).find("and shades:") == std::string::npos) ++Row;
  // The row's text with each change of attribute marked (brown on black is 6).
  std::string Marked;
  for (int X = 1, Attr = -1; X <= 80; ++X) {
    const TConsoleCell& Cell = Con->Cell(X, Row);
    if (Cell.Attr != Attr) Marked += "<" + std::to_string(Attr = Cell.Attr) + ">";
    Marked += static_cast<char>(Cell.Ch);
  }
  EXPECT_NE(Marked.find("<6> Blinking, <96>reverse<6>, <14>bold<6> and shades:"), Marked.npos)
      << Marked;
}

}  // namespace
