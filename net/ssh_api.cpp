#include "net/ssh_api.h"

#include <dlfcn.h>

TSSHEntryTable Ssh;

const std::vector<const char*>& SSHEntryNames() {
#define LX_SSH_NAME(name) #name,
  static const std::vector<const char*> Names = {LX_SSH_ENTRIES(LX_SSH_NAME)};
#undef LX_SSH_NAME
  return Names;
}

const std::vector<std::string>& SSHLibraryCandidates() {
  static const std::vector<std::string> Names = {"libs/libssh.so.4", "libssh.so.4", "libssh.so"};
  return Names;
}

namespace {

void ClearEntries() {
#define LX_SSH_CLEAR(name) Ssh.name = nullptr;
  LX_SSH_ENTRIES(LX_SSH_CLEAR)
#undef LX_SSH_CLEAR
  if (Ssh.Handle) dlclose(Ssh.Handle);
  Ssh.Handle = nullptr;
  Ssh.Loaded = false;
}

}  // namespace

void UnloadSSH() {
  if (Ssh.Loaded) Ssh.ssh_finalize();
  ClearEntries();
}

bool LoadSSH(const std::vector<std::string>& Candidates) {
  UnloadSSH();
  Ssh.MissingEntry.clear();
  for (const std::string& Name : Candidates) {
    Ssh.Handle = dlopen(Name.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (Ssh.Handle) break;
  }
  if (!Ssh.Handle) return false;
  // Every name is looked up even after one is missing; the first missing one is kept.
#define LX_SSH_RESOLVE(name)                                                      \
  Ssh.name = reinterpret_cast<decltype(Ssh.name)>(dlsym(Ssh.Handle, #name));      \
  if (!Ssh.name && Ssh.MissingEntry.empty()) Ssh.MissingEntry = #name;
  LX_SSH_ENTRIES(LX_SSH_RESOLVE)
#undef LX_SSH_RESOLVE
  if (!Ssh.MissingEntry.empty() || Ssh.ssh_init() != 0) {
    ClearEntries();
    return false;
  }
  Ssh.ClosesDescriptor = Ssh.ssh_version(SSH_VERSION_INT(0, 10, 0)) == nullptr;
  Ssh.Loaded = true;
  return true;
}

bool LoadSSH() { return LoadSSH(SSHLibraryCandidates()); }
