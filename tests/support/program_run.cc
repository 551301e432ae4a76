#include "support/program_run.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>

#include "support/nobody.h"

namespace unv2tessal::support {

RunResult runProgram(const std::string& program, const std::string& dir,
                     std::string_view input, std::vector<std::string> args,
                     bool asNobody, const std::string& stdoutPath) {
  Nobody who;
  if (asNobody) {
    who = nobodyFor(program);
    if (who.program.empty()) return RunResult{126, "", who.why};
  }
  char templ[] = "/tmp/unv2tessal-program-XXXXXX";
  const int in = ::mkstemp(templ);
  const std::string base = templ;
  const std::string outPath = stdoutPath.empty() ? base + ".out" : stdoutPath;
  RunResult r;
  if (in < 0 ||
      ::write(in, input.data(), input.size()) !=
          static_cast<ssize_t>(input.size()) ||
      ::lseek(in, 0, SEEK_SET) != 0) {
    r.status = 127;
    return r;
  }
  const int out = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  const int err =
      ::open((base + ".err").c_str(), O_RDWR | O_CREAT | O_TRUNC, 0600);
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::dup2(in, 0);
    ::dup2(out, 1);
    ::dup2(err, 2);
    if (asNobody && !becomeNobody(who)) ::_exit(126);
    if (::chdir(dir.c_str()) != 0) ::_exit(126);
    std::string bin = asNobody ? who.program : program;
    std::vector<char*> argv{bin.data()};
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    ::execv(bin.c_str(), argv.data());
    ::_exit(127);
  }
  int wstatus = 0;
  ::waitpid(pid, &wstatus, 0);
  r.status = WIFEXITED(wstatus)
                 ? static_cast<std::uint32_t>(WEXITSTATUS(wstatus))
                 : 128u + static_cast<std::uint32_t>(WTERMSIG(wstatus));
  ::close(in);
  ::close(out);
  ::close(err);
  if (stdoutPath.empty()) {
    r.out = readFile(outPath);
    ::unlink(outPath.c_str());
  }
  r.err = readFile(base + ".err");
  ::unlink(base.c_str());
  ::unlink((base + ".err").c_str());
  return r;
}

std::string unvprepPath() { return UNVPREP_BINARY; }

}  // namespace unv2tessal::support
