// Small helpers shared by the connection tests.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <initializer_list>
#include <string>
#include <string_view>

#include "net/socket.h"

// Bytes written as numbers, for telnet sequences.
inline std::string Bytes(std::initializer_list<int> Values) {
  std::string S;
  for (int V : Values) S.push_back(static_cast<char>(V));
  return S;
}

// Reads until Marker has arrived, the link is gone or nothing comes for a few seconds.
inline std::string ReadUntil(TSocketBase& S, std::string_view Marker) {
  std::string Got;
  uint8_t Buf[4096];
  while (Got.find(Marker) == std::string::npos && S.DataWaiting(5000)) {
    const int32_t N = S.ReadBuf(Buf, sizeof Buf);
    if (N < 0) break;
    Got.append(reinterpret_cast<const char*>(Buf), static_cast<size_t>(N));
  }
  return Got;
}

// A TCP socket on 127.0.0.1 bound to a free port (stored in Port), listening with Backlog
// unless Backlog is negative; -1 when any step fails.
inline int LoopbackSocket(uint16_t& Port, int Backlog, int Type = SOCK_STREAM) {
  const int Fd = socket(AF_INET, Type, 0);
  sockaddr_in A{};
  A.sin_family = AF_INET;
  A.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t L = sizeof A;
  if (Fd < 0 || bind(Fd, reinterpret_cast<sockaddr*>(&A), sizeof A) != 0 ||
      (Backlog >= 0 && listen(Fd, Backlog) != 0) || getsockname(Fd, reinterpret_cast<sockaddr*>(&A), &L) != 0) {
    if (Fd >= 0) close(Fd);
    return -1;
  }
  Port = ntohs(A.sin_port);
  return Fd;
}

// A socket connected (or, with SOCK_NONBLOCK in Type, connecting) to 127.0.0.1:Port.
inline int LoopbackConnect(uint16_t Port, int Type = SOCK_STREAM) {
  const int Fd = socket(AF_INET, Type, 0);
  sockaddr_in A{};
  A.sin_family = AF_INET;
  A.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  A.sin_port = htons(Port);
  connect(Fd, reinterpret_cast<sockaddr*>(&A), sizeof A);
  return Fd;
}
