#include "net/socket_ssl.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

#include "net/ssh_api.h"
#include "net/ssh_hosts.h"

namespace {

// Seconds any one wait of the session may take (handshake, login, channel requests, a write
// waiting for the peer to take data). Closing the socket ends a wait at once.
constexpr long SessionTimeout = 30;
// A server may ask for a password more than once; one that keeps asking is not let in.
constexpr int MaxAuthRounds = 8;
constexpr int MaxPrompts = 16;
// The terminal size when the caller has given none.
constexpr int DefaultCols = 80;
constexpr int DefaultRows = 24;

std::string LibText(const char* S) { return S ? S : ""; }

}  // namespace

TSocketSSL::TSocketSSL(int32_t ReadSize_, int32_t WriteSize_, int32_t ClientReadSize_, int32_t ClientWriteSize_)
    : TSocket(ReadSize_, WriteSize_, ClientReadSize_, ClientWriteSize_) {}

TSocketSSL::~TSocketSSL() { CloseSession(); }

std::unique_ptr<TSocketBase> TSocketSSL::Clone() {
  auto C = std::make_unique<TSocketSSL>(ClientReadSize, ClientWriteSize, -1, -1);
  C->SocketID = SocketID;
  C->OnStatus = OnStatus;
  C->TermType = TermType;
  C->UserName = UserName;
  C->Password = Password;
  C->HostsFile = HostsFile;
  return C;
}

std::string TSocketSSL::SessionError() { return Session ? LibText(Ssh.ssh_get_error(Session)) : std::string(); }

void TSocketSSL::CloseSession() {
  if (!Session) return;
  if (!SSHLibraryLoaded()) {
    // The library is gone (the program is ending): there is nothing left to call.
    Session = nullptr;
    Channel = nullptr;
    SessionActive = false;
    return;
  }
  std::lock_guard<std::mutex> G(Ssh.Lock);
  // Nothing here may wait on the peer: the close is sent if the socket takes it at once.
  Ssh.ssh_set_blocking(Session, 0);
  if (Channel) {
    Ssh.ssh_channel_close(Channel);
    Ssh.ssh_channel_free(Channel);
    Channel = nullptr;
  }
  Ssh.ssh_disconnect(Session);
  Ssh.ssh_free(Session);
  if (SessionFd != -1 && !Ssh.ClosesDescriptor) close(SessionFd);
  SessionFd = -1;
  Session = nullptr;
  SessionActive = false;
}

bool TSocketSSL::Connect(const std::string& Host_, uint16_t Port, int32_t Timeout, TAbortCheck AbortCheck) {
  HostKeyRefusal = {};
  CloseSession();
  // Checked before the TCP connect, so that no connection is opened that could not be used.
  if (!SSHLibraryLoaded()) {
    Connected = false;
    return false;
  }
  if (!TSocket::Connect(Host_, Port, Timeout, std::move(AbortCheck))) return false;
  return SetupSession(Host, Port);
}

bool TSocketSSL::SetupFailed(const std::string& Step) {
  const int Code = Session ? Ssh.ssh_get_error_code(Session) : 0;
  ReportStatus(StatusKindFailure, "Error " + std::to_string(Code) + " (" + SessionError() + ")");
  CloseSession();
  // No orderly drain here: a server that keeps the line open must not hold the dialer up.
  const int H = Handle.load();
  if (H != -1) shutdown(H, SHUT_RDWR);
  CloseDescriptor();
  Connected = false;
  ReportStatus(StatusKindFailure, Step);
  return false;
}

bool TSocketSSL::SetupSession(const std::string& Host_, uint16_t Port) {
  Connected = false;
  if (!SSHLibraryLoaded()) return false;
  Session = Ssh.ssh_new();
  if (!Session) return SetupFailed("Unable to create session");

  // The session gets its own descriptor for the same socket; ours stays for the close on ESC
  // (a shutdown reaches both) and for Disconnect, whatever the library does with its own.
  const int Fd = fcntl(Handle.load(), F_DUPFD_CLOEXEC, 0);
  if (Fd < 0) return SetupFailed("Error setting socket");
  unsigned int PortNumber = Port;
  long Seconds = SessionTimeout;
  bool ReadConfig = false;
  const std::string Hosts = HostsFile.empty() ? std::string("/dev/null") : HostsFile;
  bool Ok = Ssh.ssh_options_set(Session, SSH_OPTIONS_FD, &Fd) == SSH_OK;
  if (Ok)
    SessionFd = Fd;
  else
    close(Fd);
  // Host first: libssh takes a user name from "user@host", and ours must win.
  Ok = Ok && Ssh.ssh_options_set(Session, SSH_OPTIONS_HOST, Host_.c_str()) == SSH_OK &&
       Ssh.ssh_options_set(Session, SSH_OPTIONS_PORT, &PortNumber) == SSH_OK &&
       Ssh.ssh_options_set(Session, SSH_OPTIONS_USER, UserName.c_str()) == SSH_OK &&
       // The user's own ssh configuration is not ours to follow.
       Ssh.ssh_options_set(Session, SSH_OPTIONS_PROCESS_CONFIG, &ReadConfig) == SSH_OK &&
       // Our hosts file steers which host-key type is asked for, so a recorded key is chosen.
       Ssh.ssh_options_set(Session, SSH_OPTIONS_KNOWNHOSTS, Hosts.c_str()) == SSH_OK &&
       Ssh.ssh_options_set(Session, SSH_OPTIONS_GLOBAL_KNOWNHOSTS, Hosts.c_str()) == SSH_OK &&
       Ssh.ssh_options_set(Session, SSH_OPTIONS_TIMEOUT, &Seconds) == SSH_OK;
  if (!Ok) return SetupFailed("Error setting socket");

  if (Aborted || Ssh.ssh_connect(Session) != SSH_OK) return SetupFailed("Error activating session");
  if (Aborted) return SetupFailed("Error activating session");
  if (!CheckHostKey(Host_, Port)) return false;
  if (Aborted || !Authenticate()) return SetupFailed("Authentication failed");

  Channel = Ssh.ssh_channel_new(Session);
  if (!Channel || Aborted || Ssh.ssh_channel_open_session(Channel) != SSH_OK)
    return SetupFailed("Unable to open channel");
  const int Cols = WinWidth > 0 ? WinWidth.load() : DefaultCols;
  const int Rows = WinHeight > 0 ? WinHeight.load() : DefaultRows;
  const std::string Term = TermType.substr(0, TermTypeMax);
  if (Aborted || Ssh.ssh_channel_request_pty_size(Channel, Term.c_str(), Cols, Rows) != SSH_OK)
    return SetupFailed("Unable to request terminal");
  if (Aborted || Ssh.ssh_channel_request_shell(Channel) != SSH_OK) return SetupFailed("Unable to start shell");

  SessionActive = true;
  Connected = !Aborted;
  return Connected;
}

bool TSocketSSL::CheckHostKey(const std::string& Host_, uint16_t Port) {
  ssh_key Key = nullptr;
  if (Ssh.ssh_get_server_publickey(Session, &Key) != SSH_OK || !Key) return SetupFailed("Cannot check host key");
  const std::string Type = LibText(Ssh.ssh_key_type_to_char(Ssh.ssh_key_type(Key)));
  std::string Base64, Fingerprint;
  char* B64 = nullptr;
  if (Ssh.ssh_pki_export_pubkey_base64(Key, &B64) == SSH_OK && B64) {
    Base64 = B64;
    Ssh.ssh_string_free_char(B64);
  }
  unsigned char* Hash = nullptr;
  size_t HashLen = 0;
  if (Ssh.ssh_get_publickey_hash(Key, SSH_PUBLICKEY_HASH_SHA256, &Hash, &HashLen) == 0 && Hash) {
    char* Text = Ssh.ssh_get_fingerprint_hash(SSH_PUBLICKEY_HASH_SHA256, Hash, HashLen);
    if (Text) {
      Fingerprint = Text;
      Ssh.ssh_string_free_char(Text);
    }
    Ssh.ssh_clean_pubkey_hash(&Hash);
  }
  Ssh.ssh_key_free(Key);
  if (Type.empty() || Base64.empty() || HostsFile.empty()) return SetupFailed("Cannot check host key");

  const std::string Name = KnownHostName(Host_, Port);
  const THostKeyLookup L = LookupHostKey(HostsFile, Name, Type, Base64);
  switch (L.Result) {
    case THostKeyMatch::Match:
      return true;
    case THostKeyMatch::Unknown:
      // First call to this system: its key is trusted from now on.
      if (!RecordHostKey(HostsFile, Name, Type, Base64))
        ReportStatus(StatusKindFailure, "Cannot record host key in " + HostsFile);
      return true;
    case THostKeyMatch::Changed:
      HostKeyRefusal.Refused = true;
      HostKeyRefusal.HostPort = Host_ + ":" + std::to_string(Port);
      HostKeyRefusal.Fingerprint = Fingerprint;
      HostKeyRefusal.File = HostsFile;
      HostKeyRefusal.Line = L.Line;
      return SetupFailed("Host key changed - refused");
    case THostKeyMatch::Unreadable:
      break;
  }
  return SetupFailed("Cannot check host key");
}

bool TSocketSSL::Authenticate() {
  int R = Ssh.ssh_userauth_none(Session, nullptr);
  if (R == SSH_AUTH_SUCCESS) return true;
  if (R == SSH_AUTH_ERROR) return false;
  const int Methods = Ssh.ssh_userauth_list(Session, nullptr);
  if (Methods & SSH_AUTH_METHOD_PASSWORD)
    return Ssh.ssh_userauth_password(Session, nullptr, Password.c_str()) == SSH_AUTH_SUCCESS;
  if (!(Methods & SSH_AUTH_METHOD_INTERACTIVE)) return false;
  // Keyboard-interactive only: every question is answered with the entry's password.
  for (int Round = 0; Round < MaxAuthRounds; ++Round) {
    R = Ssh.ssh_userauth_kbdint(Session, nullptr, nullptr);
    if (R != SSH_AUTH_INFO) return R == SSH_AUTH_SUCCESS;
    const int N = Ssh.ssh_userauth_kbdint_getnprompts(Session);
    if (N < 0 || N > MaxPrompts) return false;
    for (int I = 0; I < N; ++I)
      if (Ssh.ssh_userauth_kbdint_setanswer(Session, static_cast<unsigned>(I), Password.c_str()) < 0) return false;
  }
  return false;
}

void TSocketSSL::Disconnect() {
  CloseSession();
  TSocket::Disconnect();
}

int32_t TSocketSSL::WaitForData(int32_t TimeoutMs, bool ForRead) {
  if (!ForRead || !SessionActive) return TSocket::WaitForData(TimeoutMs, ForRead);
  int N;
  {
    std::lock_guard<std::mutex> G(Ssh.Lock);
    // Data the session has already decrypted is not on the socket any more. A poll of an
    // empty stream reads packets off the socket, for either stream: output the error
    // stream's poll brought in is found by asking again (a stream holding data reads nothing).
    N = Ssh.ssh_channel_poll(Channel, 0);
    if (N == 0) N = Ssh.ssh_channel_poll(Channel, 1);
    if (N == 0) N = Ssh.ssh_channel_poll(Channel, 0);
  }
  // Data, or an end of the link that ReadBuf will report.
  if (N != 0) return 1;
  return TSocket::WaitForData(TimeoutMs, true);
}

int32_t TSocketSSL::ReadBuf(uint8_t* Buf, int32_t Len) {
  if (Len < 0) Len = 0;
  if (ReadPos >= ReadCount) {
    if (!SessionActive || !Connected) {
      Connected = false;
      return -1;
    }
    ReadPos = 0;
    ReadCount = 0;
    int N;
    std::string Error;
    {
      std::lock_guard<std::mutex> G(Ssh.Lock);
      // The session hands out about one packet a call; the block is filled with what is
      // already there, so the emulator gets large blocks.
      N = 0;
      int R = 0;
      while (N < ReadSize) {
        R = Ssh.ssh_channel_read_nonblocking(Channel, ReadBuffer.data() + N, static_cast<uint32_t>(ReadSize - N), 0);
        if (R <= 0) break;
        N += std::min(R, ReadSize - N);
      }
      // A terminal merges the error stream, but a server may still send it apart.
      if (N == 0 && R == 0)
        R = Ssh.ssh_channel_read_nonblocking(Channel, ReadBuffer.data(), static_cast<uint32_t>(ReadSize), 1);
      // An end after some data is reported by the next read, which finds it again.
      if (N == 0) N = R;
      if (N < 0) Error = SessionError();
    }
    if (N < 0) {
      // Whatever the error, the channel cannot be read again: the call is over.
      if (Connected)
        ReportStatus(StatusKindFailure, std::string("Connection dropped (") +
                                            (N == SSH_EOF ? "End of file" : "Read error") + " " + Error + ")");
      Connected = false;
      return -1;
    }
    ReadCount = std::min(N, ReadSize);
  }
  const int32_t Count = std::min(Len, ReadCount - ReadPos);
  if (Count > 0) {
    std::memcpy(Buf, ReadBuffer.data() + ReadPos, static_cast<size_t>(Count));
    ReadPos += Count;
  }
  return Count;
}

int32_t TSocketSSL::WriteBuf(const uint8_t* Buf, int32_t Len) {
  // A channel the remote side has ended may still take data for a moment; the call is over.
  if (!SessionActive || !Connected) return -1;
  if (Len <= 0) return 0;
  int N;
  std::string Error;
  {
    std::lock_guard<std::mutex> G(Ssh.Lock);
    N = Ssh.ssh_channel_write(Channel, Buf, static_cast<uint32_t>(Len));
    if (N != Len) Error = SessionError();
  }
  if (N != Len) {
    Connected = false;
    ReportStatus(StatusKindFailure, "Write error (" + std::to_string(N) + " " + Error + ")");
    return -1;
  }
  return N;
}

int32_t TSocketSSL::WriteStr(std::string_view S) {
  if (S.size() > static_cast<size_t>(INT32_MAX)) S = S.substr(0, INT32_MAX);
  return WriteBuf(reinterpret_cast<const uint8_t*>(S.data()), static_cast<int32_t>(S.size()));
}

void TSocketSSL::SetWindowSize(uint8_t Cols, uint8_t Rows) {
  TSocket::SetWindowSize(Cols, Rows);
  if (!SessionActive || !Connected || Cols == 0 || Rows == 0) return;
  std::lock_guard<std::mutex> G(Ssh.Lock);
  Ssh.ssh_channel_change_pty_size(Channel, Cols, Rows);
}
