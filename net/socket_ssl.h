// Lib_Socket_SSL: the connection interface carried over an SSH session (libssh, loaded at
// run time). The TCP connection is made as for telnet; the session is then put on the
// connected socket, and every later read and write goes through the session's channel.
//
// Set-up (Connect) runs on the dialer's worker thread; the data calls on the main thread.
// Every session call after set-up takes the program-wide lock of the libssh table.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "net/socket.h"

struct ssh_session_struct;
struct ssh_channel_struct;

// Why a call was refused over its host key: the server presented a key other than the one
// recorded for it.
struct THostKeyRefusal {
  bool Refused = false;
  std::string HostPort;     // "host:port" as dialled
  std::string Fingerprint;  // "SHA256:..." of the key presented
  std::string File;         // the hosts file holding the recorded key
  int Line = 0;             // its line there
};

class TSocketSSL : public TSocket {
 public:
  explicit TSocketSSL(int32_t ReadSize = 16384, int32_t WriteSize = 16384, int32_t ClientReadSize = -1,
                      int32_t ClientWriteSize = -1);
  ~TSocketSSL() override;

  // The TCP connect, then the SSH session, host-key check, login and a shell on a terminal of
  // TermType and WinWidth x WinHeight. Without libssh it fails before any connection is made.
  bool Connect(const std::string& Host, uint16_t Port, int32_t Timeout, TAbortCheck AbortCheck = {}) override;
  void Disconnect() override;

  // Also reports data the session has already taken off the socket and decrypted.
  int32_t WaitForData(int32_t TimeoutMs, bool ForRead) override;
  // Never blocks: 0 when nothing has come; -1 once the link is gone (Connected := false).
  int32_t ReadBuf(uint8_t* Buf, int32_t Len) override;
  // All Len bytes, or -1 (Connected := false).
  int32_t WriteBuf(const uint8_t* Buf, int32_t Len) override;
  int32_t WriteStr(std::string_view S) override;
  std::unique_ptr<TSocketBase> Clone() override;
  // Tells the remote terminal its new size while the session is up.
  void SetWindowSize(uint8_t Cols, uint8_t Rows) override;

  std::string UserName;
  std::string Password;
  // Known-hosts file (OpenSSH format); a call is refused when it cannot be checked.
  std::string HostsFile;
  // Filled by Connect when the server's key was refused; read once the attempt has finished.
  THostKeyRefusal HostKeyRefusal;

 private:
  bool SetupSession(const std::string& Host, uint16_t Port);
  bool CheckHostKey(const std::string& Host, uint16_t Port);
  bool Authenticate();
  // Reports "Error <code> (<libssh text>)", ends the session and the socket, then reports
  // Step. Returns false for the caller to return.
  bool SetupFailed(const std::string& Step);
  // Ends the channel and session (under the lock once the session is active).
  void CloseSession();
  std::string SessionError();

  ssh_session_struct* Session = nullptr;
  ssh_channel_struct* Channel = nullptr;
  int SessionFd = -1;  // the session's own descriptor for our socket
  bool SessionActive = false;
};
