// OpenSSH's sshd as the remote side of a test: its own host key and log in a temporary
// directory, listening on 127.0.0.1 on a free high port, letting in only a test user that is
// created for it (by password, or by the keys in AuthorizedKeys()) and removed afterwards.
// Never the system's sshd or port 22.
//
//   if (!TSshServer::Usable()) GTEST_SKIP() << TSshServer::SkipReason;
//   TSshServer Server;
//   ASSERT_TRUE(Server.Start());
//
// Needs root (to create the user). The server dies with the test process (parent-death
// signal) and is stopped, and the user removed, when the object goes away.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "net/net_test_util.h"

// Runs a shell command under a 20-second watchdog. Returns its exit code (-1 when it could
// not run or was killed) and what it wrote to standard output.
inline int RunTool(const std::string& Command, std::string* Output = nullptr) {
  FILE* P = popen(("timeout -s KILL 20 sh -c '" + Command + "' 2>/dev/null").c_str(), "r");
  if (!P) return -1;
  std::string Got;
  char Buf[4096];
  size_t N;
  while ((N = fread(Buf, 1, sizeof Buf, P)) > 0) Got.append(Buf, N);
  const int Status = pclose(P);
  if (Output) *Output = Got;
  return WIFEXITED(Status) ? WEXITSTATUS(Status) : -1;
}

class TSshServer {
 public:
  static constexpr const char* SkipReason = "sshd tests need root (they create a test user); skipped";
  static bool Usable() { return geteuid() == 0; }

  TSshServer() {
    char T[] = "/tmp/lx-sshd-XXXXXX";
    if (mkdtemp(T)) Dir = T;
    chmod(Dir.c_str(), 0755);  // the test user reads the files it is given here
    User = "lxssh" + std::to_string(getpid());
  }
  ~TSshServer() {
    Stop();
    if (UserMade) {
      for (int I = 0; I < 50 && RunTool("userdel -f " + User) == 10; ++I)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    std::error_code Ec;
    if (!Dir.empty()) std::filesystem::remove_all(Dir, Ec);
  }
  TSshServer(const TSshServer&) = delete;
  TSshServer& operator=(const TSshServer&) = delete;

  // Starts sshd with Options ("Name=value", added with -o) on the same port each time; a new
  // host key is made on the first start and when NewKey is set.
  bool Start(const std::vector<std::string>& Options = {}, bool NewKey = false) {
    if (Dir.empty() || !MakeUser()) return false;
    mkdir("/run/sshd", 0755);  // sshd's privilege-separation directory
    if (NewKey || !std::filesystem::exists(HostKey())) {
      std::remove(HostKey().c_str());
      std::remove((HostKey() + ".pub").c_str());
      if (RunTool("ssh-keygen -q -t ed25519 -N \"\" -f " + HostKey()) != 0) return false;
    }
    if (Port == 0) Port = FreePort();
    const std::string Log = Dir + "/sshd.log";
    std::remove(Log.c_str());
    std::vector<std::string> Args = {"/usr/sbin/sshd", "-D", "-e", "-f", "/dev/null", "-h", HostKey(),
                                     "-p", std::to_string(Port)};
    // sshd keeps the first value given for an option: the test's own come first.
    std::vector<std::string> All = Options;
    All.insert(All.end(), {"ListenAddress=127.0.0.1", "PidFile=none", "AllowUsers=" + User, "StrictModes=no",
                           "PrintMotd=no", "PrintLastLog=no", "UsePAM=no", "AuthorizedKeysFile=" + AuthorizedKeys()});
    for (const auto& O : All) {
      Args.push_back("-o");
      Args.push_back(O);
    }
    Pid = fork();
    if (Pid == 0) {
      prctl(PR_SET_PDEATHSIG, SIGKILL);
      const int L = open(Log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      if (L >= 0) dup2(L, 2);
      std::vector<char*> Argv;
      for (auto& A : Args) Argv.push_back(A.data());
      Argv.push_back(nullptr);
      execv(Argv[0], Argv.data());
      _exit(127);
    }
    if (Pid < 0) return false;
    // Ready once it says it listens; it may also die at once on a bad option.
    const auto End = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < End) {
      if (ReadFile(Log).find("Server listening") != std::string::npos) return true;
      if (waitpid(Pid, nullptr, WNOHANG) == Pid) {
        Pid = -1;
        return false;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
  }

  void Stop() {
    if (Pid <= 0) return;
    kill(Pid, SIGTERM);
    for (int I = 0; I < 100 && waitpid(Pid, nullptr, WNOHANG) != Pid; ++I)
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    if (kill(Pid, 0) == 0) {
      kill(Pid, SIGKILL);
      waitpid(Pid, nullptr, 0);
    }
    Pid = -1;
  }

  // "SHA256:..." of the current host key, as OpenSSH's own tool prints it.
  std::string Fingerprint() const {
    std::string Out;
    RunTool("ssh-keygen -l -E sha256 -f " + HostKey() + ".pub", &Out);
    const size_t A = Out.find("SHA256:");
    return A == std::string::npos ? std::string() : Out.substr(A, Out.find(' ', A) - A);
  }
  // The "type base64" part of the public key file.
  std::string PublicKey() const {
    std::string K = ReadFile(HostKey() + ".pub");
    const size_t Sp = K.find(' ', K.find(' ') + 1);
    return K.substr(0, Sp);
  }
  std::string Log() const { return ReadFile(Dir + "/sshd.log"); }
  // The public keys that log the test user in, one "type base64" line each.
  std::string AuthorizedKeys() const { return Dir + "/authorized_keys"; }
  // A key pair at Path (and Path.pub) made by OpenSSH's own tool.
  static bool MakeKey(const std::string& Path, const std::string& Passphrase = "", const char* Type = "ed25519") {
    return RunTool(std::string("ssh-keygen -q -t ") + Type + " -N \"" + Passphrase + "\" -f " + Path) == 0;
  }
  std::string HostKey() const { return Dir + "/host_ed25519"; }

  static std::string ReadFile(const std::string& Path) {
    std::ifstream In(Path, std::ios::binary);
    return {std::istreambuf_iterator<char>(In), std::istreambuf_iterator<char>()};
  }

  std::string Dir;
  std::string User;
  std::string Password = "Lantern-Pass-7";
  uint16_t Port = 0;

 private:
  bool MakeUser() {
    if (UserMade) return true;
    const std::string Home = Dir + "/home";
    // Exit code 10: another test holds the password file for a moment.
    int R = 10;
    for (int I = 0; I < 50 && R == 10; ++I) {
      R = RunTool("useradd -M -d " + Home + " -s /bin/sh " + User);
      if (R == 10) std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    if (R != 0) return false;
    UserMade = true;
    std::filesystem::create_directory(Home);
    RunTool("chown " + User + " " + Home);
    R = 1;
    for (int I = 0; I < 50 && R != 0; ++I) {
      R = RunTool("echo " + User + ":" + Password + " | chpasswd");
      if (R != 0) std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return R == 0;
  }

  static uint16_t FreePort() {
    uint16_t P = 0;
    const int S = LoopbackSocket(P, -1);
    if (S >= 0) close(S);
    return P;
  }

  pid_t Pid = -1;
  bool UserMade = false;
};

// OpenSSH's agent on a socket in Dir, for as long as the object (or the test process) lives.
struct TSshAgent {
  explicit TSshAgent(const std::string& Dir) : Socket(Dir + "/agent.sock") {
    Pid = fork();
    if (Pid == 0) {
      prctl(PR_SET_PDEATHSIG, SIGKILL);
      const int Null = open("/dev/null", O_RDWR);
      dup2(Null, 1);
      dup2(Null, 2);
      execlp("ssh-agent", "ssh-agent", "-D", "-a", Socket.c_str(), static_cast<char*>(nullptr));
      _exit(127);
    }
    for (int I = 0; I < 250 && Pid > 0 && !std::filesystem::exists(Socket); ++I)
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  ~TSshAgent() {
    if (Pid <= 0) return;
    kill(Pid, SIGKILL);
    waitpid(Pid, nullptr, 0);
  }
  TSshAgent(const TSshAgent&) = delete;
  TSshAgent& operator=(const TSshAgent&) = delete;
  bool Add(const std::string& Key) const { return RunTool("SSH_AUTH_SOCK=" + Socket + " ssh-add -q " + Key) == 0; }

  std::string Socket;
  pid_t Pid = -1;
};

// A loopback listener that takes connections into its queue and never answers.
struct TSilentListener {
  TSilentListener() : Fd(LoopbackSocket(Port, 4, SOCK_STREAM | SOCK_NONBLOCK)) {}
  ~TSilentListener() { close(Fd); }
  // True when a connection has reached the queue.
  bool Reached() {
    const int C = accept(Fd, nullptr, nullptr);
    if (C < 0) return false;
    close(C);
    return true;
  }
  uint16_t Port = 0;
  int Fd = -1;
};
