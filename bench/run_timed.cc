// Runs a command several times and reports the median wall time and the
// peak resident memory of the child (getrusage through wait4), so that the
// converter and `cat` are timed the same way.
//
//   run_timed [--runs R] [--stdin FILE] [--dir DIR] [--remove PATH]...
//             -- COMMAND [ARGS...]
//
// Standard output of the command goes to /dev/null; standard error stays.
// Paths given with --remove are deleted before every run (outside the timed
// span), so each run creates its output files afresh. Prints
// "median_s <s> min_s <s> max_s <s> peak_rss_kib <KiB>" and exits 1 when a
// run does not end with status 0.

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace unv2tessal {
namespace {

struct Options {
  int runs = 5;
  std::string stdinPath = "/dev/null";
  std::string dir = ".";
  std::vector<std::string> remove;
  std::vector<char*> command;
};

struct Sample {
  double seconds;
  long peakKib;
};

[[noreturn]] void usage() {
  std::fprintf(stderr,
               "usage: run_timed [--runs R] [--stdin FILE] [--dir DIR] "
               "[--remove PATH]... -- COMMAND [ARGS...]\n");
  std::exit(2);
}

Options parseOptions(int argc, char** argv) {
  Options o;
  int k = 1;
  for (; k < argc; ++k) {
    const std::string_view a = argv[k];
    if (a == "--") {
      ++k;
      break;
    }
    if (k + 1 >= argc) usage();
    if (a == "--runs") {
      o.runs = std::atoi(argv[++k]);
    } else if (a == "--stdin") {
      o.stdinPath = argv[++k];
    } else if (a == "--dir") {
      o.dir = argv[++k];
    } else if (a == "--remove") {
      o.remove.emplace_back(argv[++k]);
    } else {
      usage();
    }
  }
  for (; k < argc; ++k) o.command.push_back(argv[k]);
  if (o.command.empty() || o.runs < 1) usage();
  o.command.push_back(nullptr);
  return o;
}

double now() {
  timespec t{};
  clock_gettime(CLOCK_MONOTONIC, &t);
  return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

// Child side: the working folder, standard input from the file, standard
// output to /dev/null, then the command.
[[noreturn]] void startChild(const Options& o) {
  if (chdir(o.dir.c_str()) != 0) _exit(126);
  const int in = open(o.stdinPath.c_str(), O_RDONLY);
  const int out = open("/dev/null", O_WRONLY);
  if (in < 0 || out < 0) _exit(126);
  dup2(in, 0);
  dup2(out, 1);
  execvp(o.command[0], o.command.data());
  _exit(127);
}

Sample runOnce(const Options& o) {
  for (const std::string& p : o.remove) unlink(p.c_str());
  // Each run starts with no writeback pending from the one before: a single
  // conversion on an idle disk, not the tail of the previous run's output.
  if (!o.remove.empty()) sync();
  const double start = now();
  const pid_t pid = fork();
  if (pid < 0) {
    std::perror("fork");
    std::exit(1);
  }
  if (pid == 0) startChild(o);
  int status = 0;
  rusage usage{};
  if (wait4(pid, &status, 0, &usage) != pid) {
    std::perror("wait4");
    std::exit(1);
  }
  const double seconds = now() - start;
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    std::fprintf(stderr, "run_timed: %s ended with status %d\n", o.command[0],
                 status);
    std::exit(1);
  }
  return {seconds, usage.ru_maxrss};
}

}  // namespace
}  // namespace unv2tessal

int main(int argc, char** argv) {
  using namespace unv2tessal;
  const Options o = parseOptions(argc, argv);
  std::vector<double> times;
  long peak = 0;
  for (int r = 0; r < o.runs; ++r) {
    const Sample s = runOnce(o);
    times.push_back(s.seconds);
    peak = std::max(peak, s.peakKib);
  }
  std::sort(times.begin(), times.end());
  const std::size_t n = times.size();
  const double median =
      n % 2 != 0 ? times[n / 2] : (times[n / 2 - 1] + times[n / 2]) / 2;
  std::printf("median_s %.4f min_s %.4f max_s %.4f peak_rss_kib %ld\n", median,
              times.front(), times.back(), peak);
  return 0;
}
