// A JACK server of the test's own (dummy driver, a name of its own), for tests that kill it: the
// shared server other tests use stays up. Clients started here talk to it; so does every JACK
// client the test process makes while Use() is in effect.
#pragma once

#include <csignal>
#include <cstdlib>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace cvtest {

class PrivateJackServer {
 public:
  // periodFrames: frames per cycle at 48 kHz (64 is a live set-up's; larger ones overrun less on a
  // busy machine).
  explicit PrivateJackServer(int periodFrames = 64) : name_("cantovex-test-" + std::to_string(::getpid())) {
    if (std::system("command -v jackd >/dev/null 2>&1") != 0) {
      reason_ = "jackd is not installed";
      return;
    }
    server_ = Spawn({"jackd", "-n", name_, "--no-realtime", "-d", "dummy", "-r", "48000", "-p", std::to_string(periodFrames)});
    for (int i = 0; i < 50 && !Answers(); ++i) ::usleep(100000);
    if (!Answers()) reason_ = "a JACK server of the test's own did not start";
  }
  ~PrivateJackServer() {
    for (pid_t pid : clients_) Stop(pid);
    Kill();
    if (used_) ::unsetenv("JACK_DEFAULT_SERVER");
  }
  PrivateJackServer(const PrivateJackServer&) = delete;
  PrivateJackServer& operator=(const PrivateJackServer&) = delete;

  bool Running() const { return reason_.empty() && server_ > 0; }
  const std::string& Reason() const { return reason_; }
  const std::string& Name() const { return name_; }
  // JACK clients this process makes from now on connect to this server.
  void Use() {
    ::setenv("JACK_DEFAULT_SERVER", name_.c_str(), 1);
    used_ = true;
  }
  // Starts a JACK program (e.g. jack_midi_dump) on this server; waits until the port exists.
  void StartClient(const std::vector<std::string>& argv, const std::string& port) {
    clients_.push_back(Spawn(argv));
    for (int i = 0; i < 50 && !HasPort(port); ++i) ::usleep(100000);
  }
  bool HasPort(const std::string& port) const {
    return std::system(("JACK_DEFAULT_SERVER=" + name_ + " jack_lsp 2>/dev/null | grep -qx '" + port + "'").c_str()) == 0;
  }
  // Ends the server as a user's kill would.
  void Kill() {
    Stop(server_);
    server_ = -1;
  }

 private:
  bool Answers() const { return std::system(("JACK_DEFAULT_SERVER=" + name_ + " jack_lsp >/dev/null 2>&1").c_str()) == 0; }
  pid_t Spawn(const std::vector<std::string>& argv) const {
    const pid_t pid = ::fork();
    if (pid == 0) {
      ::setenv("JACK_DEFAULT_SERVER", name_.c_str(), 1);
      ::setenv("JACK_NO_AUDIO_RESERVATION", "1", 1);
      const int null = ::open("/dev/null", O_RDWR);
      ::dup2(null, 0);
      ::dup2(null, 1);
      ::dup2(null, 2);
      std::vector<char*> args;
      for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
      args.push_back(nullptr);
      ::execvp(args[0], args.data());
      ::_exit(127);
    }
    return pid;
  }
  static void Stop(pid_t pid) {
    if (pid <= 0) return;
    ::kill(pid, SIGTERM);
    int status = 0;
    ::waitpid(pid, &status, 0);
  }

  std::string name_;
  std::string reason_;
  pid_t server_ = -1;
  std::vector<pid_t> clients_;
  bool used_ = false;
};

}  // namespace cvtest
