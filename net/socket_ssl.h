// Lib_Socket_SSL: the connection interface carried over an SSH session (libssh, loaded at
// run time). The TCP connection is made as for telnet; the session is then put on the
// connected socket, and every later read and write goes through the session's channel.
//
// Set-up (Connect) runs on the dialer's worker thread; the data calls on the main thread.
// Every session call after set-up takes the program-wide lock of the libssh table.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "net/socket.h"

struct ssh_session_struct;
struct ssh_channel_struct;

// A host key the user is asked to accept: a changed one (OldFingerprint set) or, when asked
// for, one never seen before.
struct THostKeyQuestion {
  std::string HostPort;        // "host:port" as dialled
  std::string OldFingerprint;  // "SHA256:..." of the recorded key; empty for a new host
  std::string NewFingerprint;  // of the key presented
};

// The questions of a login. They are called on the thread running Connect and may take as
// long as the user does; an unset one answers no.
struct TSSHPrompts {
  // A line typed unseen (a key's passphrase, a password); false when the user skipped it.
  std::function<bool(const std::string& Prompt, std::string& Answer)> AskSecret;
  std::function<bool(const THostKeyQuestion& Question)> AcceptHostKey;
};

class TSocketSSL : public TSocket {
 public:
  explicit TSocketSSL(int32_t ReadSize = 16384, int32_t WriteSize = 16384, int32_t ClientReadSize = -1,
                      int32_t ClientWriteSize = -1);
  ~TSocketSSL() override;

  // The TCP connect, then the SSH session, host-key check, login and a shell on a terminal of
  // TermType and WinWidth x WinHeight. Without libssh it fails before any connection is made.
  // The login tries, in order: the agent at AgentSocket, the keys id_ed25519, id_ecdsa and
  // id_rsa in KeyDir, KeyFile, then keyboard-interactive or password with Password (asked
  // for when empty). A key's passphrase is asked for only once the server would take the key.
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
  // The agent's socket; empty: no agent. The user's key directory ("/home/u/.ssh/"); empty:
  // none. A further private key file; empty: none.
  std::string AgentSocket, KeyDir, KeyFile;
  // Known-hosts file (OpenSSH format); a call is refused when it cannot be checked.
  std::string HostsFile;
  // Ask before a host never seen is trusted (else its key is recorded silently).
  bool AskNewHost = false;
  TSSHPrompts Prompts;
  // Set by Connect when the user did not accept a changed host key.
  bool HostKeyRefused = false;

 private:
  bool SetupSession(const std::string& Host, uint16_t Port);
  bool CheckHostKey(const std::string& Host, uint16_t Port);
  bool Authenticate(const std::string& Host);
  // SSH_AUTH_SUCCESS when a key was taken, SSH_AUTH_ERROR when the session broke, else
  // SSH_AUTH_PARTIAL or SSH_AUTH_DENIED.
  int TryKeys();
  int TryKeyFile(const std::string& File);
  bool AcceptHostKey(const THostKeyQuestion& Q);
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
  bool UseAgent = false;
};
