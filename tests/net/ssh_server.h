// OpenSSH's sshd as the remote side of a test, on 127.0.0.1 on a free high port, with its own
// host key and log in a temporary directory, letting in only a test user it creates (needs
// root; check Usable()) and removes afterwards. Never the system's sshd or port 22.
#pragma once

#include <fcntl.h>
#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "net/net_test_util.h"

// Runs a tool again while it fails with exit code 10 (another test holds the password file),
// or with AnyFailure while it fails at all; five seconds at most.
inline int RunUntil(const std::string& Command, bool AnyFailure = false) {
  int R = -1;
  for (int I = 0; I < 50 && (R = RunTool(Command)) != 0 && (AnyFailure || R == 10); ++I)
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  return R;
}

class TSshServer {
 public:
  static constexpr const char* SkipReason = "sshd tests need root (they create a test user); skipped";
  static bool Usable() { return geteuid() == 0; }

  TSshServer() : Dir(Temp.Dir()), User("lxssh" + std::to_string(getpid())) {
    chmod(Dir.c_str(), 0755);  // the test user reads the files it is given here
  }
  ~TSshServer() {
    Sshd.Stop();
    if (UserMade) RunUntil("userdel -f " + User);
  }

  // Starts sshd with Options ("Name=value", added with -o) on the same port each time; a new
  // host key is made on the first start and when NewKey is set.
  bool Start(const std::vector<std::string>& Options = {}, bool NewKey = false) {
    if (Dir.empty() || !MakeUser()) return false;
    mkdir("/run/sshd", 0755);  // sshd's privilege-separation directory
    if (NewKey || !std::filesystem::exists(HostKey())) {
      std::filesystem::remove(HostKey());
      std::filesystem::remove(HostKey() + ".pub");
      if (!MakeKey(HostKey())) return false;
    }
    if (Port == 0) close(LoopbackSocket(Port, -1));
    std::vector<std::string> Args = {"/usr/sbin/sshd", "-D", "-e", "-f", "/dev/null", "-h", HostKey(),
                                     "-p", std::to_string(Port)};
    // sshd keeps the first value given for an option: the test's own come first.
    std::vector<std::string> All = Options;
    All.insert(All.end(), {"ListenAddress=127.0.0.1", "PidFile=none", "AllowUsers=" + User, "StrictModes=no",
                           "PrintMotd=no", "PrintLastLog=no", "UsePAM=no", "AuthorizedKeysFile=" + AuthorizedKeys()});
    for (const auto& O : All) Args.insert(Args.end(), {"-o", O});
    const int L = open((Dir + "/sshd.log").c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    const bool Started = L >= 0 && Sshd.Start(Args, {-1, -1, L});
    if (L >= 0) close(L);
    // Ready once it says it listens; it may also die at once on a bad option.
    for (int I = 0; I < 500 && Started && !Sshd.Exited(); ++I) {
      if (Log().find("Server listening") != std::string::npos) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
  }
  void Stop() { Sshd.Stop(); }

  // "SHA256:..." of the current host key, as OpenSSH's own tool prints it.
  std::string Fingerprint() const { return FingerprintOf(HostKey()); }
  static std::string FingerprintOf(const std::string& Key) {
    std::string Out;
    RunTool("ssh-keygen -l -E sha256 -f " + Key + ".pub", &Out);
    const size_t A = Out.find("SHA256:");
    return A == std::string::npos ? std::string() : Out.substr(A, Out.find(' ', A) - A);
  }
  // The "type base64" part of the public key file.
  std::string PublicKey() const {
    const std::string K = ReadFileText(HostKey() + ".pub");
    return K.substr(0, K.find(' ', K.find(' ') + 1));
  }
  std::string Log() const { return ReadFileText(Dir + "/sshd.log"); }
  // The public keys that log the test user in, one "type base64" line each.
  std::string AuthorizedKeys() const { return Dir + "/authorized_keys"; }
  // A key pair at Path (and Path.pub) made by OpenSSH's own tool.
  static bool MakeKey(const std::string& Path, const std::string& Passphrase = "", const char* Type = "ed25519") {
    return RunTool(std::string("ssh-keygen -q -t ") + Type + " -N \"" + Passphrase + "\" -f " + Path) == 0;
  }
  std::string HostKey() const { return Dir + "/host_ed25519"; }

 private:
  TTempDir Temp;  // first: Dir is made from it

 public:
  std::string Dir, User, Password = "Lantern-Pass-7";
  uint16_t Port = 0;

 private:
  bool MakeUser() {
    if (UserMade) return true;
    const std::string Home = Dir + "/home";
    if (RunUntil("useradd -M -d " + Home + " -s /bin/sh " + User) != 0) return false;
    UserMade = true;
    std::filesystem::create_directory(Home);
    RunTool("chown " + User + " " + Home);
    return RunUntil("echo " + User + ":" + Password + " | chpasswd", true) == 0;
  }

  bool UserMade = false;
  TChild Sshd;
};

// OpenSSH's agent on a socket in Dir, for as long as the object (or the test process) lives.
struct TSshAgent {
  explicit TSshAgent(const std::string& Dir) : Socket(Dir + "/agent.sock") {
    const int Null = open("/dev/null", O_RDWR | O_CLOEXEC);
    Agent.Start({"ssh-agent", "-D", "-a", Socket}, {-1, Null, Null});
    close(Null);
    for (int I = 0; I < 250 && !std::filesystem::exists(Socket); ++I)
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  bool Add(const std::string& Key) const { return RunTool("SSH_AUTH_SOCK=" + Socket + " ssh-add -q " + Key) == 0; }

  std::string Socket;
  TChild Agent;
};
