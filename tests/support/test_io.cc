#include "support/test_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "driver/run.h"

namespace unv2tessal::support {

ScratchDir::ScratchDir() {
  std::string templ =
      (std::filesystem::temp_directory_path() / "unv2tessal-XXXXXX").string();
  if (::mkdtemp(templ.data()) == nullptr) throw std::runtime_error("mkdtemp");
  path_ = templ;
  previous_ = std::filesystem::current_path().string();
  std::filesystem::current_path(path_);
}

ScratchDir::~ScratchDir() {
  std::error_code ec;
  std::filesystem::current_path(previous_, ec);
  std::filesystem::remove_all(path_, ec);
}

std::string ScratchDir::file(std::string_view name) const {
  return path_ + "/" + std::string(name);
}

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

void writeFile(const std::string& path, std::string_view content) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(content.data(), static_cast<std::streamsize>(content.size()));
}

bool fileExists(const std::string& path) {
  return std::filesystem::exists(path);
}

std::string linkHere(const std::string& path) {
  const std::filesystem::path target = std::filesystem::absolute(path);
  const std::string name = target.filename().string();
  std::filesystem::create_symlink(target, name);
  return name;
}

RunResult runInProcess(std::vector<std::string> replies,
                       std::vector<std::string> args) {
  ScriptedConsole console(std::move(replies));
  RunResult r;
  r.status = runConversion(console, std::move(args));
  r.out = console.out;
  r.err = console.err;
  return r;
}

RunResult runBinary(const std::string& dir, std::string_view input,
                    std::vector<std::string> args,
                    const std::string& stdoutPath) {
  const std::string base = dir + "/.run-" + std::to_string(::getpid());
  writeFile(base + ".in", input);
  const pid_t pid = ::fork();
  if (pid == 0) {
    if (::chdir(dir.c_str()) != 0) ::_exit(127);
    int in = ::open((base + ".in").c_str(), O_RDONLY);
    const std::string outPath = stdoutPath.empty() ? base + ".out" : stdoutPath;
    int out = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    int err =
        ::open((base + ".err").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ::dup2(in, 0);
    ::dup2(out, 1);
    ::dup2(err, 2);
    std::string bin = binaryPath();
    std::vector<char*> argv{bin.data()};
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    ::execv(bin.c_str(), argv.data());
    ::_exit(127);
  }
  int wstatus = 0;
  ::waitpid(pid, &wstatus, 0);
  RunResult r;
  r.status = WIFEXITED(wstatus)
                 ? static_cast<std::uint32_t>(WEXITSTATUS(wstatus))
                 : 128u + static_cast<std::uint32_t>(WTERMSIG(wstatus));
  if (stdoutPath.empty()) r.out = readFile(base + ".out");
  r.err = readFile(base + ".err");
  std::remove((base + ".in").c_str());
  std::remove((base + ".out").c_str());
  std::remove((base + ".err").c_str());
  return r;
}

std::string binaryPath() { return UNV2TESSAL_BINARY; }

std::string testDataDir() { return UNV2TESSAL_TEST_DATA; }

std::string versionInManualPage(const std::string& page) {
  const std::string text = readFile(testDataDir() + "/../../man/" + page);
  const std::string mark = "\"unv2tessal ";
  const std::size_t at = text.find(mark, text.find(".TH "));
  if (at == std::string::npos) return "no version in " + page;
  const std::size_t from = at + mark.size();
  return text.substr(from, text.find('"', from) - from);
}

std::string samplesDir() {
  const char* env = std::getenv("UNV2TESSAL_SAMPLES");
  std::string dir = env != nullptr ? env : UNV2TESSAL_SAMPLES;
  return std::filesystem::is_directory(dir) ? dir : std::string();
}

std::string openingLine(std::string_view name) {
  std::string padded(name);
  padded.resize(64, ' ');
  return " Opening File " + padded + "\r\n";
}

std::string inputFailureReport(int report, const std::string& path) {
  switch (report) {
    case 24:
      return "forrtl: severe (24): end-of-file during read, unit 10, file " +
             path + "\r\n";
    case 64:
      return "forrtl: severe (64): input conversion error, unit 10, file " +
             path + "\r\n";
    default:
      return "forrtl: severe (165): Program Exception - integer overflow\r\n";
  }
}

std::string lines(std::initializer_list<std::string_view> ls) {
  std::string s;
  for (std::string_view l : ls) {
    s += l;
    s += '\n';
  }
  return s;
}

std::vector<std::string> recordsOf(const std::string& text) {
  std::vector<std::string> out;
  std::istringstream in(text);
  for (std::string l; std::getline(in, l);) {
    if (!l.empty() && l.back() == '\r') l.pop_back();
    out.push_back(l);
  }
  return out;
}

std::set<std::string> filesIn(const std::string& dir) {
  std::set<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(dir)) {
    names.insert(e.path().filename().string());
  }
  return names;
}

}  // namespace unv2tessal::support
