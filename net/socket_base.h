// Lib_Socket_Base: the connection interface every link to a remote system goes through.
//
// One connection object is made per call. All operations are called from the main thread,
// except Connect (run on the dialer's worker thread) and CloseHandle (the dialer's ESC, from
// the main thread while Connect runs). Results are values: byte counts, -1 for failure,
// booleans; a failure that shows the link is gone also clears Connected.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class TSocketBase;

// Status hook: (SocketID, sender, level 3, kind 33 failure / 43 notice, text).
using TSocketStatusHook =
    std::function<void(int32_t SocketID, TSocketBase& Sender, int32_t Level, int32_t Kind, const std::string& Text)>;

// A parameterless check polled while connecting; true abandons the attempt.
using TAbortCheck = std::function<bool()>;

inline constexpr int32_t StatusKindFailure = 33;
inline constexpr int32_t StatusKindNotice = 43;

// IPType values: which address family Connect uses.
inline constexpr uint8_t IPTypeIPv4 = 0;         // "IPV4": IPv4 only
inline constexpr uint8_t IPTypeIPv6 = 1;         // "IPV6": IPv6 only
inline constexpr uint8_t IPTypeDefaultIPv4 = 2;  // "Default_IPV4": IPv4, else IPv6
inline constexpr uint8_t IPTypeDefaultIPv6 = 3;  // "Default_IPV6": IPv6, else IPv4

inline constexpr size_t TermTypeMax = 25;

class TSocketBase {
 public:
  // Buffer sizes in bytes; a client size of -1 means "same as this object's". The program
  // always uses 16384, 16384, -1, -1. Sizes are clamped to 1 .. 1 MiB.
  explicit TSocketBase(int32_t ReadSize = 16384, int32_t WriteSize = 16384, int32_t ClientReadSize = -1,
                       int32_t ClientWriteSize = -1);
  virtual ~TSocketBase();
  TSocketBase(const TSocketBase&) = delete;
  TSocketBase& operator=(const TSocketBase&) = delete;

  // Resolves Host (up to 160 characters kept), connects to Port within Timeout hundredths of
  // a second; AbortCheck, when given, is polled and abandons the attempt when it says so.
  virtual bool Connect(const std::string& Host, uint16_t Port, int32_t Timeout, TAbortCheck AbortCheck = {}) = 0;
  // Closes the link (draining what the peer still sends, bounded in time); Connected := false.
  virtual void Disconnect() = 0;
  // Safe from any thread: makes a Connect under way return false promptly and shuts an
  // established link down (later reads and writes fail). The descriptor itself is released by
  // Disconnect or the destructor, on the owning thread.
  virtual void CloseHandle() {}

  // True at once when buffered input remains, else when WaitForData(TimeoutMs, true) > 0.
  virtual bool DataWaiting(int32_t TimeoutMs);
  // One wait on the link: readable (ForRead) or writable. TimeoutMs -1 waits without limit.
  // Returns 1 ready, 0 time-out, -1 failure (Connected := false).
  virtual int32_t WaitForData(int32_t TimeoutMs, bool ForRead) = 0;
  // Copies up to Len received bytes (telnet commands removed when TelnetClient is on).
  // Returns the count (may be 0) or -1 when the link is gone.
  virtual int32_t ReadBuf(uint8_t* Buf, int32_t Len) = 0;
  // ReadBuf of one byte; returns 0 when no byte came (call only after DataWaiting).
  virtual uint8_t ReadChar();
  // Sends straight to the link, without buffering. With telnet on, every 255 goes out as
  // 255 255 (a lone 255 would start a command). Count of Buf's bytes sent, or -1.
  virtual int32_t WriteBuf(const uint8_t* Buf, int32_t Len) = 0;
  virtual int32_t WriteStr(std::string_view S) = 0;
  // A two-byte telnet command (IAC Cmd, e.g. the keep-alive NOP), sent as it is; links
  // without telnet send nothing and return 0.
  virtual int32_t WriteTelnetCommand(uint8_t Cmd) {
    (void)Cmd;
    return 0;
  }
  // The buffered path: gathered in the write buffer, pushed out by BufFlush (or when full).
  // With telnet on, BufFlush sends every 255 as 255 255.
  virtual void BufWriteChar(uint8_t Ch);
  virtual void BufWriteStr(std::string_view S);
  virtual void BufFlush();
  // A new unconnected object of the same class with the client buffer sizes.
  virtual std::unique_ptr<TSocketBase> Clone() = 0;
  // The screen size changed (columns, rows the remote side may use): kept for window-size
  // negotiation, and told to the peer by links that have agreed to hear it.
  virtual void SetWindowSize(uint8_t Cols, uint8_t Rows) {
    WinWidth = Cols;
    WinHeight = Rows;
  }

  // Drops buffered input; with Hundredths > 0 keeps reading and discarding until the line is
  // quiet, the link is gone or the time is up.
  void PurgeInput(int32_t Hundredths = 0);
  // Drops unsent buffered output.
  void PurgeOutput();

  int32_t SocketID = 0;
  // True from construction; cleared as soon as a failure shows the link is gone.
  std::atomic<bool> Connected{true};
  TSocketStatusHook OnStatus;
  // Sent in telnet TERMINAL-TYPE replies (at most TermTypeMax characters are sent).
  std::string TermType = "ansi";
  // Local echo: toggled by the session, cleared whenever the peer negotiates ECHO.
  std::atomic<bool> Echo{false};
  // Telnet processing in both directions.
  std::atomic<bool> TelnetClient{false};
  // One of the IPType* values above; read by Connect.
  std::atomic<uint8_t> IPType{IPTypeDefaultIPv4};
  // Window size for telnet NAWS; 0 = not set (the request is refused).
  std::atomic<uint8_t> WinWidth{0};
  std::atomic<uint8_t> WinHeight{0};

 protected:
  void ReportStatus(int32_t Kind, const std::string& Text);

  std::vector<uint8_t> ReadBuffer;
  std::vector<uint8_t> WriteBuffer;
  int32_t ReadSize = 0;
  int32_t ReadPos = 0;
  int32_t ReadCount = 0;
  int32_t WriteCount = 0;
  int32_t WriteSize = 0;
  int32_t ClientReadSize = 0;
  int32_t ClientWriteSize = 0;
};
