#include "net/socket_ssl.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <vector>

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

// The user's own keys, in the order OpenSSH tries them.
constexpr const char* OwnKeys[] = {"id_ed25519", "id_ecdsa", "id_rsa"};

// A secret leaves memory as soon as it has been used.
void Wipe(std::string& S) {
  explicit_bzero(S.data(), S.size());
  S.clear();
}

// "SHA256:..." of a key, as OpenSSH shows it; empty when it cannot be made.
std::string FingerprintOf(ssh_key Key) {
  std::string Fingerprint;
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
  return Fingerprint;
}

std::string FingerprintOf(const std::string& Type, const std::string& Base64) {
  ssh_key Key = nullptr;
  if (Ssh.ssh_pki_import_pubkey_base64(Base64.c_str(), Ssh.ssh_key_type_from_name(Type.c_str()), &Key) != SSH_OK ||
      !Key)
    return {};
  std::string F = FingerprintOf(Key);
  Ssh.ssh_key_free(Key);
  return F;
}

// Frees a libssh key when it goes out of scope.
struct TKey {
  ssh_key K = nullptr;
  ~TKey() {
    if (K) Ssh.ssh_key_free(K);
  }
};

// What the library's passphrase callback needs: the one question per key, and the answer
// for as long as one import runs (the library may ask more than once while it decodes).
struct TPassphrase {
  const TSSHPrompts* Prompts = nullptr;
  std::string Name;
  bool Asked = false;
  bool Given = false;
  std::string Answer;
  ~TPassphrase() { Wipe(Answer); }
};

int AskPassphrase(const char*, char* Buf, size_t Len, int, int, void* User) {
  auto& P = *static_cast<TPassphrase*>(User);
  if (!P.Asked) {
    P.Asked = true;
    P.Given = P.Prompts->AskSecret && P.Prompts->AskSecret("Passphrase for " + P.Name + ":", P.Answer);
  }
  if (!P.Given || P.Answer.size() >= Len) return -1;
  std::memcpy(Buf, P.Answer.c_str(), P.Answer.size() + 1);
  return 0;
}

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
  C->AgentSocket = AgentSocket;
  C->KeyDir = KeyDir;
  C->KeyFile = KeyFile;
  C->HostsFile = HostsFile;
  C->AskNewHost = AskNewHost;
  C->Prompts = Prompts;
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
  HostKeyRefused = false;
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
  // Without its own socket the library would look for the agent in our environment.
  UseAgent = !AgentSocket.empty() &&
             Ssh.ssh_options_set(Session, SSH_OPTIONS_IDENTITY_AGENT, AgentSocket.c_str()) == SSH_OK;

  if (Aborted || Ssh.ssh_connect(Session) != SSH_OK) return SetupFailed("Error activating session");
  if (Aborted) return SetupFailed("Error activating session");
  if (!CheckHostKey(Host_, Port)) return false;
  if (Aborted || !Authenticate(Host_)) return SetupFailed("Authentication failed");

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

bool TSocketSSL::AcceptHostKey(const THostKeyQuestion& Q) {
  return Prompts.AcceptHostKey && Prompts.AcceptHostKey(Q) && !Aborted;
}

bool TSocketSSL::CheckHostKey(const std::string& Host_, uint16_t Port) {
  TKey Key;
  if (Ssh.ssh_get_server_publickey(Session, &Key.K) != SSH_OK || !Key.K) return SetupFailed("Cannot check host key");
  const std::string Type = LibText(Ssh.ssh_key_type_to_char(Ssh.ssh_key_type(Key.K)));
  std::string Base64;
  char* B64 = nullptr;
  if (Ssh.ssh_pki_export_pubkey_base64(Key.K, &B64) == SSH_OK && B64) {
    Base64 = B64;
    Ssh.ssh_string_free_char(B64);
  }
  if (Type.empty() || Base64.empty() || HostsFile.empty()) return SetupFailed("Cannot check host key");

  const std::string Name = KnownHostName(Host_, Port);
  const THostKeyLookup L = LookupHostKey(HostsFile, Name, Type, Base64);
  THostKeyQuestion Q{Host_ + ":" + std::to_string(Port), "", FingerprintOf(Key.K)};
  switch (L.Result) {
    case THostKeyMatch::Match:
      return true;
    case THostKeyMatch::Unknown:
      // First call to this system: its key is trusted from now on.
      if (AskNewHost && !AcceptHostKey(Q)) return SetupFailed("Host key not accepted");
      if (!RecordHostKey(HostsFile, Name, Type, Base64))
        ReportStatus(StatusKindFailure, "Cannot record host key in " + HostsFile);
      return true;
    case THostKeyMatch::Changed:
      Q.OldFingerprint = FingerprintOf(L.KeyType, L.KeyBase64);
      if (!AcceptHostKey(Q)) {
        HostKeyRefused = true;
        return SetupFailed("Host key changed - refused");
      }
      // Accepted for this call even when it cannot be kept; the next call asks again.
      if (!ReplaceHostKey(HostsFile, L.Line, L.KeyType, L.KeyBase64, Type, Base64))
        ReportStatus(StatusKindFailure, "Cannot record host key in " + HostsFile);
      return true;
    case THostKeyMatch::Unreadable:
      break;
  }
  return SetupFailed("Cannot check host key");
}

int TSocketSSL::TryKeyFile(const std::string& File) {
  // Only plain files are opened: a pipe or device in their place would hold the login up.
  auto IsFile = [](const std::string& Name) {
    struct stat St {};
    return stat(Name.c_str(), &St) == 0 && S_ISREG(St.st_mode);
  };
  if (!IsFile(File)) return SSH_AUTH_DENIED;
  // The public half (beside the key, or in a key of OpenSSH's own format) is offered first,
  // so that no passphrase is asked for a key the server would not take.
  TKey Public;
  const std::string PublicFile = File + ".pub";
  if (!(IsFile(PublicFile) && Ssh.ssh_pki_import_pubkey_file(PublicFile.c_str(), &Public.K) == SSH_OK) &&
      Ssh.ssh_pki_import_pubkey_file(File.c_str(), &Public.K) != SSH_OK)
    Public.K = nullptr;
  if (Public.K) {
    const int R = Ssh.ssh_userauth_try_publickey(Session, nullptr, Public.K);
    if (R != SSH_AUTH_SUCCESS) return R;
  }
  if (Aborted) return SSH_AUTH_ERROR;
  TKey Private;
  {
    TPassphrase P;
    P.Prompts = &Prompts;
    P.Name = File.substr(File.find_last_of('/') + 1);
    if (Ssh.ssh_pki_import_privkey_file(File.c_str(), nullptr, AskPassphrase, &P, &Private.K) != SSH_OK)
      return SSH_AUTH_DENIED;  // a wrong passphrase, ESC, or no key at all
  }
  if (Aborted) return SSH_AUTH_ERROR;
  return Ssh.ssh_userauth_publickey(Session, nullptr, Private.K);
}

int TSocketSSL::TryKeys() {
  int Last = SSH_AUTH_DENIED;
  if (UseAgent) {
    Last = Ssh.ssh_userauth_agent(Session, nullptr);
    if (Last == SSH_AUTH_SUCCESS || Last == SSH_AUTH_PARTIAL) return Last;
    // An agent that is gone or broken only loses its own keys.
    Last = SSH_AUTH_DENIED;
  }
  std::vector<std::string> Files;
  if (!KeyDir.empty())
    for (const char* Name : OwnKeys) Files.push_back(KeyDir + Name);
  if (!KeyFile.empty() && std::find(Files.begin(), Files.end(), KeyFile) == Files.end()) Files.push_back(KeyFile);
  for (const std::string& File : Files) {
    if (Aborted) return SSH_AUTH_ERROR;
    Last = TryKeyFile(File);
    if (Last != SSH_AUTH_DENIED) return Last;
  }
  return Last;
}

bool TSocketSSL::Authenticate(const std::string& Host_) {
  int R = Ssh.ssh_userauth_none(Session, nullptr);
  if (R == SSH_AUTH_SUCCESS) return true;
  if (R == SSH_AUTH_ERROR) return false;
  int Methods = Ssh.ssh_userauth_list(Session, nullptr);
  if (Methods & SSH_AUTH_METHOD_PUBLICKEY) {
    R = TryKeys();
    if (R == SSH_AUTH_SUCCESS) return true;
    if (R == SSH_AUTH_ERROR || Aborted) return false;
    Methods = Ssh.ssh_userauth_list(Session, nullptr);
  }
  if (!(Methods & (SSH_AUTH_METHOD_PASSWORD | SSH_AUTH_METHOD_INTERACTIVE))) return false;
  // An entry without a password has it asked for now; what is typed is used for this login.
  std::string Secret = Password;
  if (Secret.empty() &&
      !(Prompts.AskSecret && Prompts.AskSecret("Password for " + UserName + "@" + Host_ + ":", Secret)))
    return false;
  bool Ok = false;
  if (Methods & SSH_AUTH_METHOD_PASSWORD) {
    Ok = !Aborted && Ssh.ssh_userauth_password(Session, nullptr, Secret.c_str()) == SSH_AUTH_SUCCESS;
  } else {
    // Keyboard-interactive only: every question is answered with the password.
    for (int Round = 0; Round < MaxAuthRounds && !Ok && !Aborted; ++Round) {
      R = Ssh.ssh_userauth_kbdint(Session, nullptr, nullptr);
      Ok = R == SSH_AUTH_SUCCESS;
      if (R != SSH_AUTH_INFO) break;
      const int N = Ssh.ssh_userauth_kbdint_getnprompts(Session);
      if (N < 0 || N > MaxPrompts) break;
      bool Answered = true;
      for (int I = 0; I < N && Answered; ++I)
        Answered = Ssh.ssh_userauth_kbdint_setanswer(Session, static_cast<unsigned>(I), Secret.c_str()) >= 0;
      if (!Answered) break;
    }
  }
  Wipe(Secret);
  return Ok;
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
