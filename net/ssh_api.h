// libssh is opened at run time, never linked: every call goes through Ssh, the one table of
// entry points. Without the library the program runs and refuses SSH entries. The libssh
// headers are used for types, constants and prototypes only.
#pragma once

#include <libssh/libssh.h>

#include <mutex>
#include <string>
#include <vector>

// Every libssh function the program may call, in the order they are looked up.
#define LX_SSH_ENTRIES(X)                                                                       \
  X(ssh_init) X(ssh_finalize) X(ssh_new) X(ssh_free) X(ssh_options_set) X(ssh_connect)          \
  X(ssh_disconnect) X(ssh_get_error) X(ssh_get_error_code) X(ssh_set_blocking)                  \
  X(ssh_get_server_publickey) X(ssh_key_free) X(ssh_key_type) X(ssh_key_type_to_char)           \
  X(ssh_pki_export_pubkey_base64) X(ssh_get_publickey_hash) X(ssh_get_fingerprint_hash)         \
  X(ssh_clean_pubkey_hash) X(ssh_string_free_char) X(ssh_userauth_none) X(ssh_userauth_list)    \
  X(ssh_userauth_password) X(ssh_userauth_kbdint) X(ssh_userauth_kbdint_getnprompts)            \
  X(ssh_userauth_kbdint_setanswer) X(ssh_userauth_agent) X(ssh_userauth_try_publickey)          \
  X(ssh_userauth_publickey) X(ssh_pki_import_pubkey_file) X(ssh_pki_import_privkey_file)         \
  X(ssh_pki_import_pubkey_base64) X(ssh_key_type_from_name)                                      \
  X(ssh_channel_new) X(ssh_channel_open_session)                                                 \
  X(ssh_channel_request_pty_size) X(ssh_channel_request_shell) X(ssh_channel_read_nonblocking)  \
  X(ssh_channel_poll) X(ssh_channel_write) X(ssh_channel_change_pty_size) X(ssh_channel_close)  \
  X(ssh_channel_free) X(ssh_version)

struct TSSHEntryTable {
#define LX_SSH_FIELD(name) decltype(&::name) name = nullptr;
  LX_SSH_ENTRIES(LX_SSH_FIELD)
#undef LX_SSH_FIELD
  void* Handle = nullptr;
  // True once the library is open, every entry resolved and ssh_init has succeeded.
  bool Loaded = false;
  // The first entry point that did not resolve in the last load, empty when none.
  std::string MissingEntry;
  // Versions before 0.10 close a descriptor handed to a session themselves; later ones leave
  // it to the program.
  bool ClosesDescriptor = false;
  // Every read, write, poll, window change and close on any session runs under this lock,
  // so that no session is ever used from two threads at once.
  std::mutex Lock;
};

// The program-wide libssh entry table (a loader table like the SDL one).
extern TSSHEntryTable Ssh;

const std::vector<const char*>& SSHEntryNames();
// The places tried, in order: a private copy under libs/, then the run-time name, then the
// development name.
const std::vector<std::string>& SSHLibraryCandidates();

// Opens the first loadable candidate, resolves every entry point and initialises the library.
// Any failure leaves the library unloaded and Ssh.Loaded false. Returns Ssh.Loaded.
bool LoadSSH(const std::vector<std::string>& Candidates);
bool LoadSSH();
// Ends the library (when initialised) and unloads it.
void UnloadSSH();

// True when SSH connections can be made in this run.
inline bool SSHLibraryLoaded() { return Ssh.Loaded; }

// Loads libssh for the lifetime of the program.
class TSSHLibrary {
 public:
  TSSHLibrary() { LoadSSH(); }
  ~TSSHLibrary() { UnloadSSH(); }
  TSSHLibrary(const TSSHLibrary&) = delete;
  TSSHLibrary& operator=(const TSSHLibrary&) = delete;
  bool Loaded() const { return Ssh.Loaded; }
};
