// Lib_Socket: a TCP connection with name resolution and the client side of telnet.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "net/socket_base.h"

inline constexpr size_t HostMax = 160;
inline constexpr size_t SubDataMax = 80;
inline constexpr size_t LastErrorMax = 60;

// Telnet bytes the filter and the test peers speak.
namespace Telnet {
inline constexpr uint8_t SE = 240;
inline constexpr uint8_t NOP = 241;
inline constexpr uint8_t GA = 249;
inline constexpr uint8_t SB = 250;
inline constexpr uint8_t WILL = 251;
inline constexpr uint8_t WONT = 252;
inline constexpr uint8_t DO = 253;
inline constexpr uint8_t DONT = 254;
inline constexpr uint8_t IAC = 255;

inline constexpr uint8_t OptBinary = 0;
inline constexpr uint8_t OptEcho = 1;
inline constexpr uint8_t OptSuppressGoAhead = 3;
inline constexpr uint8_t OptStatus = 5;
inline constexpr uint8_t OptTerminalType = 24;
inline constexpr uint8_t OptNAWS = 31;
}  // namespace Telnet

struct TResolveJob;

class TSocket : public TSocketBase {
 public:
  explicit TSocket(int32_t ReadSize = 16384, int32_t WriteSize = 16384, int32_t ClientReadSize = -1,
                   int32_t ClientWriteSize = -1);
  ~TSocket() override;

  bool Connect(const std::string& Host, uint16_t Port, int32_t Timeout, TAbortCheck AbortCheck = {}) override;
  void Disconnect() override;
  void CloseHandle() override;

  int32_t WaitForData(int32_t TimeoutMs, bool ForRead) override;
  int32_t ReadBuf(uint8_t* Buf, int32_t Len) override;
  int32_t WriteBuf(const uint8_t* Buf, int32_t Len) override;
  int32_t WriteStr(std::string_view S) override;
  int32_t WriteTelnetCommand(uint8_t Cmd) override;
  void BufFlush() override;
  std::unique_ptr<TSocketBase> Clone() override;
  // Keeps the size and, once the peer has agreed to window-size reports, sends it the new one.
  void SetWindowSize(uint8_t Cols, uint8_t Rows) override;

  // Takes over a descriptor that is already connected (a socket pair in tests and fuzzing, or
  // a link set up elsewhere). Any previous link is dropped first. False when Fd < 0.
  bool AttachHandle(int Fd);
  // The socket descriptor, -1 when none.
  int GetHandle() const { return Handle.load(); }

  // Set by Connect; read them once the attempt has finished.
  std::string Host = "Unknown";
  std::string RemoteIP = "Unknown";  // address text actually used
  bool UseIPv6 = false;
  std::string LastError;  // text of the last receive failure
  // True while the resolver thread of the current Connect has not reported back.
  std::atomic<bool> Resolving{false};
  // How many pauses without progress a write waits through before it gives up.
  int32_t SendRetries = 1000;

 protected:
  void TelnetFilter();
  void TelnetAnswer(uint8_t Cmd, uint8_t Opt);
  void TelnetRefused(uint8_t Cmd, uint8_t Opt);
  int32_t TelnetWrite(const uint8_t* Buf, int32_t Len);
  // Negotiation answers; never blocks (see the definition).
  virtual void SendAnswer(const uint8_t* Buf, int32_t Len);
  // Sends with the retry rule; StatusText/ResultText name the caller in reports.
  int32_t SendWithRetry(const uint8_t* Buf, int32_t Len, const char* StatusText, const char* ResultText);
  bool SetBlocking(bool Blocking);
  void CloseDescriptor();

  // Guards Handle and WakeFd against CloseHandle from another thread.
  std::mutex HandleLock;
  std::atomic<int> Handle{-1};
  int WakeFd = -1;  // eventfd that CloseHandle signals while Connect waits
  std::shared_ptr<TResolveJob> Job;
  std::atomic<bool> Aborted{false};

  uint8_t TelnetState = 0;
  uint8_t TelnetCmd = 0;
  uint8_t TelnetOpt = 0;
  std::string SubData;
  uint8_t EOFCount = 0;
  // We said WILL NAWS to the peer's DO and it has not said DONT since: size changes are sent.
  std::atomic<bool> NawsAgreed{false};
};
