// Hidden names for copies still being written, where a file system has no
// unnamed files: ".rinomina-HOST-PID-N.tmp" says which machine and process
// wrote it, so a later pass can tell a leftover of a killed pass from the
// file of a pass still running (on this machine or, in a network folder, on
// another one).
#pragma once

#include <string>
#include <string_view>

namespace rinomina {

class TemporaryNames {
 public:
  TemporaryNames();

  // A name of this process not handed out before.
  std::string Next();

  // Removes from `folder` the regular files with such names that this
  // machine's processes no longer running left behind. Nothing else, and
  // nothing when the folder cannot be listed: a leftover kept is harmless.
  void RemoveLeftovers(int folder) const;

 private:
  bool IsLeftover(std::string_view name) const;

  std::string hostPrefix_;  // ".rinomina-HOST-"
  std::string prefix_;      // hostPrefix_ + "PID-"
  unsigned counter_ = 0;
};

}  // namespace rinomina
