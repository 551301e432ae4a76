#include "support/child_run.h"

#include <fcntl.h>
#include <sched.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>

#include "driver/run.h"
#include "io/console.h"
#include "io/interrupt.h"
#include "support/nobody.h"

namespace unv2tessal::support {
namespace {

std::uint32_t exitCode(int wstatus) {
  return WIFEXITED(wstatus)
             ? static_cast<std::uint32_t>(WEXITSTATUS(wstatus))
             : 128u + static_cast<std::uint32_t>(WTERMSIG(wstatus));
}

[[noreturn]] void execBinary(const std::vector<std::string>& args,
                             std::string bin = binaryPath()) {
  std::vector<std::string> copy = args;
  std::vector<char*> argv{bin.data()};
  for (std::string& a : copy) argv.push_back(a.data());
  argv.push_back(nullptr);
  ::execv(bin.c_str(), argv.data());
  ::_exit(127);
}

std::string drain(int fd) {
  std::string s;
  char buf[4096];
  ssize_t got;
  while ((got = ::read(fd, buf, sizeof buf)) != 0) {
    if (got < 0) break;
    s.append(buf, static_cast<std::size_t>(got));
  }
  return s;
}

// What a conversion in a forked child (runConversionHere()) hands back.
struct Counted {
  ThreadCounts* counts = nullptr;  // nullptr: an executable is run
  int pipe[2] = {-1, -1};
};

// In a forked child: the conversion as the executable's main() runs it,
// then the thread counts on `counted`'s pipe; ends the child.
[[noreturn]] void runConversionHere(const Counted& counted) {
  ::signal(SIGPIPE, SIG_IGN);
  installInterruptHandlers();
  resetThreadCounts();
  std::uint32_t status = 0;
  {
    FdConsoleIo io;
    status = runConversion(io, {});
  }
  const ThreadCounts counts = threadCounts();
  ::write(counted.pipe[1], &counts, sizeof counts);
  ::_exit(static_cast<int>(status & 0xFFu));
}

// Runs the executable in `dir` with `input` on standard input (a file
// outside `dir`) and its console on pipes; `setUp` runs in the forked child
// before the exec and returns false when it could not (exit status 126).
// `program` is the executable (the converter when empty). With
// counted.counts, the conversion runs in the child itself instead.
template <class SetUp>
RunResult runBinaryAfter(const std::string& dir, std::string_view input,
                         const std::vector<std::string>& args, SetUp setUp,
                         const std::string& program = binaryPath(),
                         Counted counted = {}) {
  char templ[] = "/tmp/unv2tessal-console-XXXXXX";
  const int in = ::mkstemp(templ);
  ::write(in, input.data(), input.size());
  ::lseek(in, 0, SEEK_SET);
  ::unlink(templ);
  int out[2], err[2];
  if (in < 0 || ::pipe(out) != 0 || ::pipe(err) != 0) return {};
  if (counted.counts != nullptr && ::pipe(counted.pipe) != 0) return {};
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::dup2(in, 0);
    ::dup2(out[1], 1);
    ::dup2(err[1], 2);
    for (int fd : {in, out[0], out[1], err[0], err[1]}) ::close(fd);
    if (!setUp() || ::chdir(dir.c_str()) != 0) ::_exit(126);
    if (counted.counts != nullptr) runConversionHere(counted);
    execBinary(args, program);
  }
  ::close(in);
  ::close(out[1]);
  ::close(err[1]);
  RunResult r;
  r.out = drain(out[0]);  // the error stream holds a line or two at most
  r.err = drain(err[0]);
  ::close(out[0]);
  ::close(err[0]);
  int wstatus = 0;
  ::waitpid(pid, &wstatus, 0);
  r.status = exitCode(wstatus);
  if (counted.counts != nullptr) {
    ::close(counted.pipe[1]);
    *counted.counts = ThreadCounts{};
    ::read(counted.pipe[0], counted.counts, sizeof *counted.counts);
    ::close(counted.pipe[0]);
  }
  return r;
}

}  // namespace

bool keepCpus(int cpus) {
  cpu_set_t allowed, used;
  CPU_ZERO(&allowed);
  CPU_ZERO(&used);
  if (::sched_getaffinity(0, sizeof allowed, &allowed) != 0) return false;
  int taken = 0;
  for (std::size_t cpu = 0; cpu < CPU_SETSIZE && taken < cpus; ++cpu) {
    if (CPU_ISSET(cpu, &allowed)) {
      CPU_SET(cpu, &used);
      ++taken;
    }
  }
  return taken == cpus && ::sched_setaffinity(0, sizeof used, &used) == 0;
}

RunResult runBinaryAsNobody(const std::string& dir, std::string_view input,
                            std::vector<std::string> args) {
  const Nobody who = nobodyFor(binaryPath());
  if (who.program.empty()) return RunResult{126, "", who.why};
  return runBinaryAfter(
      dir, input, args, [&] { return becomeNobody(who); }, who.program);
}

RunResult runBinaryWithFileSizeLimit(const std::string& dir,
                                     std::string_view input,
                                     std::size_t limit) {
  return runBinaryAfter(dir, input, {}, [&] {
    // An ignored SIGXFSZ stays ignored across exec: a write past the limit
    // fails with EFBIG instead of ending the process.
    const rlim_t bytes = static_cast<rlim_t>(limit);
    const rlimit fsize{bytes, bytes};
    return ::signal(SIGXFSZ, SIG_IGN) != SIG_ERR &&
           ::setrlimit(RLIMIT_FSIZE, &fsize) == 0;
  });
}

int usableCpus() {
  cpu_set_t set;
  CPU_ZERO(&set);
  if (::sched_getaffinity(0, sizeof set, &set) != 0) return 1;
  return CPU_COUNT(&set);
}

RunResult runBinaryOnCpus(const std::string& dir, std::string_view input,
                          int cpus, std::size_t fileSizeLimit,
                          ThreadCounts* counts) {
  return runBinaryAfter(
      dir, input, {},
      [&] {
        if (!keepCpus(cpus)) return false;
        if (fileSizeLimit == SIZE_MAX) return true;
        const rlim_t bytes = static_cast<rlim_t>(fileSizeLimit);
        const rlimit fsize{bytes, bytes};
        return ::signal(SIGXFSZ, SIG_IGN) != SIG_ERR &&
               ::setrlimit(RLIMIT_FSIZE, &fsize) == 0;
      },
      binaryPath(), Counted{counts});
}

RunResult runBinarySignalledWhen(const std::string& dir, std::string_view input,
                                 int cpus, const std::function<bool()>& ready,
                                 int signal, bool* signalled,
                                 ThreadCounts* counts) {
  char templ[] = "/tmp/unv2tessal-console-XXXXXX";
  const int in = ::mkstemp(templ);
  ::write(in, input.data(), input.size());
  ::lseek(in, 0, SEEK_SET);
  ::unlink(templ);
  int out[2], err[2];
  Counted counted{counts};
  *signalled = false;
  if (in < 0 || ::pipe(out) != 0 || ::pipe(err) != 0) return {};
  if (counts != nullptr && ::pipe(counted.pipe) != 0) return {};
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::dup2(in, 0);
    ::dup2(out[1], 1);
    ::dup2(err[1], 2);
    for (int fd : {in, out[0], out[1], err[0], err[1]}) ::close(fd);
    if (!keepCpus(cpus) || ::chdir(dir.c_str()) != 0) ::_exit(126);
    if (counts != nullptr) runConversionHere(counted);
    execBinary({});
  }
  ::close(in);
  ::close(out[1]);
  ::close(err[1]);
  int wstatus = 0;
  for (;;) {
    if (::waitpid(pid, &wstatus, WNOHANG) == pid) break;
    if (ready()) {
      *signalled = ::kill(pid, signal) == 0;
      ::waitpid(pid, &wstatus, 0);
      break;
    }
    ::usleep(100);
  }
  RunResult r;
  r.out = drain(out[0]);
  r.err = drain(err[0]);
  ::close(out[0]);
  ::close(err[0]);
  r.status = exitCode(wstatus);
  if (counts != nullptr) {
    ::close(counted.pipe[1]);
    *counts = ThreadCounts{};
    ::read(counted.pipe[0], counts, sizeof *counts);
    ::close(counted.pipe[0]);
  }
  return r;
}

RunResult runBinaryInterrupted(const std::string& dir, std::string_view input,
                               std::string_view prompt, int signal) {
  int in[2], out[2], err[2];
  if (::pipe(in) != 0 || ::pipe(out) != 0 || ::pipe(err) != 0) return {};
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::dup2(in[0], 0);
    ::dup2(out[1], 1);
    ::dup2(err[1], 2);
    for (int fd : {in[0], in[1], out[0], out[1], err[0], err[1]}) ::close(fd);
    if (::chdir(dir.c_str()) != 0) ::_exit(127);
    execBinary({});
  }
  ::close(in[0]);
  ::close(out[1]);
  ::close(err[1]);
  ::write(in[1], input.data(), input.size());
  RunResult r;
  char buf[4096];
  while (r.out.find(prompt) == std::string::npos) {
    const ssize_t got = ::read(out[0], buf, sizeof buf);
    if (got <= 0) break;  // the run ended without asking
    r.out.append(buf, static_cast<std::size_t>(got));
  }
  ::kill(pid, signal);
  // Closed at once: a signal that lands just before the child's read()
  // must not leave that read waiting for a reply that never comes.
  ::close(in[1]);
  r.out += drain(out[0]);
  r.err = drain(err[0]);
  ::close(out[0]);
  ::close(err[0]);
  int wstatus = 0;
  ::waitpid(pid, &wstatus, 0);
  r.status = exitCode(wstatus);
  return r;
}

}  // namespace unv2tessal::support
