// An Xvfb of the tests' own, so that a suite on the X11 platform never draws
// on the user's display: it picks a free display itself and names it on a
// pipe once it takes connections; it ends with the tests, also on a crash.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QByteArray>
#include <string>

class PrivateXServer {
 public:
  PrivateXServer() {
    int ready[2];
    if (pipe2(ready, O_CLOEXEC) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
      prctl(PR_SET_PDEATHSIG, SIGTERM);
      fcntl(ready[1], F_SETFD, 0);
      const std::string fd = std::to_string(ready[1]);
      execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1280x1024x24", "-nolisten", "tcp",
             static_cast<char*>(nullptr));
      _exit(127);
    }
    close(ready[1]);
    // The number and its newline come in two writes; the second fails if the
    // pipe is closed in between, and the server with it.
    QByteArray number;
    pollfd wait{ready[0], POLLIN, 0};
    char c = 0;
    while (pid_ > 0 && !number.endsWith('\n') && poll(&wait, 1, 20000) == 1 && read(ready[0], &c, 1) == 1)
      number += c;
    if (number.endsWith('\n')) display_ = ":" + number.trimmed();
    close(ready[0]);
  }
  ~PrivateXServer() {
    if (pid_ <= 0) return;
    kill(pid_, SIGTERM);
    for (int i = 0; i < 50; ++i, usleep(100000))
      if (waitpid(pid_, nullptr, WNOHANG) != 0) return;
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
  PrivateXServer(const PrivateXServer&) = delete;
  PrivateXServer& operator=(const PrivateXServer&) = delete;

  QByteArray Display() const { return display_; }

 private:
  pid_t pid_ = -1;
  QByteArray display_;
};
