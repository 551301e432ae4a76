#include "support/program_run.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>

#include "support/nobody.h"

namespace unv2tessal::support {
namespace {

// Waits for `pid`; sends options.signal once options.ready() holds.
int awaitChild(pid_t pid, const ProgramRunOptions& options) {
  int wstatus = 0;
  bool sent = false;
  while (options.signal != 0 && !sent) {
    if (::waitpid(pid, &wstatus, WNOHANG) == pid) {
      if (options.signalled != nullptr) *options.signalled = false;
      return wstatus;
    }
    if (options.ready()) {
      ::kill(pid, options.signal);
      sent = true;
    } else {
      ::usleep(100);
    }
  }
  if (options.signalled != nullptr) *options.signalled = sent;
  ::waitpid(pid, &wstatus, 0);
  return wstatus;
}

}  // namespace

RunResult runProgram(const std::string& program, const std::string& dir,
                     std::string_view input, std::vector<std::string> args,
                     const ProgramRunOptions& options) {
  Nobody who;
  if (options.asNobody) {
    who = nobodyFor(program);
    if (who.program.empty()) return RunResult{126, "", who.why};
  }
  char templ[] = "/tmp/unv2tessal-program-XXXXXX";
  const int in = ::mkstemp(templ);
  const std::string base = templ;
  const bool ownStdout = options.stdoutPath.empty() && options.stdoutFd < 0;
  const std::string outPath = ownStdout ? base + ".out" : options.stdoutPath;
  RunResult r;
  if (in < 0 ||
      ::write(in, input.data(), input.size()) !=
          static_cast<ssize_t>(input.size()) ||
      ::lseek(in, 0, SEEK_SET) != 0) {
    r.status = 127;
    return r;
  }
  const int out =
      options.stdoutFd >= 0
          ? ::dup(options.stdoutFd)
          : ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  const int err =
      ::open((base + ".err").c_str(), O_RDWR | O_CREAT | O_TRUNC, 0600);
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::dup2(in, 0);
    ::dup2(out, 1);
    ::dup2(err, 2);
    for (int fd : {in, out, err}) ::close(fd);
    if (options.closeStdin) ::close(0);
    if (options.asNobody && !becomeNobody(who)) ::_exit(126);
    if (options.addressSpace != 0) {
      const rlimit limit{options.addressSpace, options.addressSpace};
      if (::setrlimit(RLIMIT_AS, &limit) != 0) ::_exit(126);
    }
    if (::chdir(dir.c_str()) != 0) ::_exit(126);
    std::string bin = options.asNobody ? who.program : program;
    std::vector<char*> argv{bin.data()};
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    ::execv(bin.c_str(), argv.data());
    ::_exit(127);
  }
  ::close(out);
  const int wstatus = awaitChild(pid, options);
  r.status = WIFEXITED(wstatus)
                 ? static_cast<std::uint32_t>(WEXITSTATUS(wstatus))
                 : 128u + static_cast<std::uint32_t>(WTERMSIG(wstatus));
  ::close(in);
  ::close(err);
  if (ownStdout) {
    r.out = readFile(outPath);
    ::unlink(outPath.c_str());
  }
  r.err = readFile(base + ".err");
  ::unlink(base.c_str());
  ::unlink((base + ".err").c_str());
  return r;
}

std::string unvprepPath() { return UNVPREP_BINARY; }
std::string unvcheckPath() { return UNVCHECK_BINARY; }
std::string tessal2vtkPath() { return TESSAL2VTK_BINARY; }
std::string tessalgridPath() { return TESSALGRID_BINARY; }

}  // namespace unv2tessal::support
