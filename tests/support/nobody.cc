#include "support/nobody.h"

#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <system_error>

namespace unv2tessal::support {
namespace {

namespace fs = std::filesystem;

// The folder of the copies, removed when the test process ends.
class CopyFolder {
 public:
  ~CopyFolder() {
    std::error_code ec;
    if (!path_.empty()) fs::remove_all(path_, ec);
  }

  // The copy of `program`, made on first use; "" with *why set on failure.
  std::string copyOf(const std::string& program, std::string* why) {
    const auto found = copies_.find(program);
    if (found != copies_.end()) return found->second;
    if (path_.empty() && !make(why)) return "";
    const fs::path copy = fs::path(path_) / std::to_string(copies_.size()) /
                          fs::path(program).filename();
    std::error_code ec;
    fs::create_directory(copy.parent_path(), ec);
    if (!ec) fs::copy_file(program, copy, ec);
    if (!ec) {
      fs::permissions(copy.parent_path(), fs::perms(0755), ec);
    }
    if (!ec) fs::permissions(copy, fs::perms(0755), ec);
    if (ec) {
      *why = "cannot copy " + program + " for user nobody: " + ec.message();
      return "";
    }
    return copies_[program] = copy.string();
  }

 private:
  bool make(std::string* why) {
    std::string templ = "/tmp/unv2tessal-nobody-XXXXXX";
    if (::mkdtemp(templ.data()) == nullptr ||
        ::chmod(templ.c_str(), 0755) != 0) {
      *why = "cannot make a folder under /tmp for user nobody";
      return false;
    }
    path_ = templ;
    return true;
  }

  std::string path_;
  std::map<std::string, std::string> copies_;
};

}  // namespace

Nobody nobodyFor(const std::string& program) {
  static CopyFolder folder;
  Nobody who;
  if (::geteuid() != 0) {
    who.why = "needs root to run as user nobody";
    return who;
  }
  if (const passwd* entry = ::getpwnam("nobody"); entry != nullptr) {
    who.uid = entry->pw_uid;
    who.gid = entry->pw_gid;
  }
  who.program = folder.copyOf(program, &who.why);
  return who;
}

bool becomeNobody(const Nobody& who) {
  return ::setgroups(0, nullptr) == 0 && ::setgid(who.gid) == 0 &&
         ::setuid(who.uid) == 0;
}

}  // namespace unv2tessal::support
