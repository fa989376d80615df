// Small helpers shared by the connection tests.
#pragma once

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
