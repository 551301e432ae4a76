#ifndef UNV2TESSAL_TESTS_SUPPORT_NOBODY_H_
#define UNV2TESSAL_TESTS_SUPPORT_NOBODY_H_

#include <sys/types.h>

#include <string>

namespace unv2tessal::support {

/// The one way a test runs a program as user "nobody" (root may write any
/// file, so a test of a refused write must give up root first).
struct Nobody {
  uid_t uid = 65534;
  gid_t gid = 65534;
  /// The program to execute: a copy of the one asked for, in a folder under
  /// /tmp that "nobody" may enter, since the build tree may lie in a folder
  /// it cannot (a clone in a 0700 home folder). Empty when it cannot be
  /// had; `why` then says why, for the test's skip message.
  std::string program;
  std::string why;
};

/// Looks up user "nobody" and makes (once per program and test process) the
/// copy of `program` that it may execute. Call in the parent, before fork.
Nobody nobodyFor(const std::string& program);

/// Drops the supplementary groups, then becomes `who`'s group and user.
/// Call in the forked child; returns false when a step failed.
bool becomeNobody(const Nobody& who);

}  // namespace unv2tessal::support

#endif  // UNV2TESSAL_TESTS_SUPPORT_NOBODY_H_
