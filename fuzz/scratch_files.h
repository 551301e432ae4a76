#ifndef UNV2TESSAL_FUZZ_SCRATCH_FILES_H_
#define UNV2TESSAL_FUZZ_SCRATCH_FILES_H_

// What the universal-file fuzz targets share: a fault that stops the fuzzer
// under the target's name, and the scratch directory under /tmp where each
// run writes its files.

#include <dirent.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

namespace unv2tessal::fuzzing {

[[noreturn]] inline void fault(const char* target, const std::string& what) {
  std::fprintf(stderr, "%s: %s\n", target, what.c_str());
  std::abort();
}

inline std::string readWhole(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

/// Writes the fuzzer's input to file `path` and returns it as a string.
inline std::string writeInput(std::string_view path, const std::uint8_t* data,
                              std::size_t size) {
  std::string input(reinterpret_cast<const char*>(data), size);
  std::ofstream f(std::string(path), std::ios::binary);
  f.write(input.data(), static_cast<std::streamsize>(input.size()));
  return input;
}

/// The names in the current directory.
inline std::vector<std::string> directoryEntries(const char* target) {
  DIR* d = ::opendir(".");
  if (d == nullptr) fault(target, "cannot list the scratch directory");
  std::vector<std::string> names;
  while (dirent* e = ::readdir(d)) {
    const std::string n = e->d_name;
    if (n != "." && n != "..") names.push_back(n);
  }
  ::closedir(d);
  return names;
}

inline void clearDirectory(const char* target) {
  for (const std::string& n : directoryEntries(target)) ::unlink(n.c_str());
}

/// Makes the target's scratch directory (/tmp/TARGET-XXXXXX, once) the
/// current directory while it lives: only while a run lasts, since
/// libFuzzer reads its corpus by relative paths.
class InScratchDirectory {
 public:
  explicit InScratchDirectory(const char* target) : target_(target) {
    static std::string scratch;
    if (scratch.empty()) {
      std::string templ = std::string("/tmp/") + target + "-XXXXXX";
      if (::mkdtemp(templ.data()) == nullptr) {
        fault(target, "cannot make the scratch directory");
      }
      scratch = templ;
    }
    char here[4096];
    if (::getcwd(here, sizeof here) == nullptr) fault(target, "getcwd");
    previous_ = here;
    if (::chdir(scratch.c_str()) != 0) {
      fault(target, "cannot enter the scratch directory");
    }
  }
  ~InScratchDirectory() {
    if (::chdir(previous_.c_str()) != 0) {
      fault(target_, "cannot leave the scratch directory");
    }
  }
  InScratchDirectory(const InScratchDirectory&) = delete;
  InScratchDirectory& operator=(const InScratchDirectory&) = delete;

 private:
  const char* target_;
  std::string previous_;
};

/// One run of a universal-file target: in its scratch directory, emptied,
/// with the fuzzer's input written to file `path`.
struct ScratchRun {
  ScratchRun(const char* target, std::string_view path,
             const std::uint8_t* data, std::size_t size)
      : scratch(target) {
    clearDirectory(target);
    input = writeInput(path, data, size);
  }
  InScratchDirectory scratch;
  std::string input;
};

}  // namespace unv2tessal::fuzzing

#endif  // UNV2TESSAL_FUZZ_SCRATCH_FILES_H_
