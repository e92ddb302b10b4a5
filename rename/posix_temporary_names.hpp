// Hidden names for copies still being written, where a file system has no
// unnamed files: ".rinomina-HOST-PID-N.tmp" says which machine and process
// wrote it. The writer holds an open file description lock on it from its
// creation to its rename; the lock ends with the process, whatever ends it,
// and is seen across PID namespaces (and by NFS clients that share locks).
// A later pass removes a leftover only when its host is this one, its
// process is gone, and it can take a lock on it; where the file system
// refuses all locks (ENOLCK), when it has not changed for ten minutes instead.
#pragma once

#include <string>
#include <string_view>

namespace rinomina {

// Locks `file` (open for writing) as the copy of a running pass. False when
// another process holds a lock on it: a cleanup examining it may remove it.
// A file system without locks gives true; the name is then the only guard.
bool LockTemporary(int file);

class TemporaryNames {
 public:
  TemporaryNames();

  // A name of this process not handed out before.
  std::string Next();

  // Removes from `folder` the regular files with such names that this
  // machine's processes no longer running left behind, and no process holds
  // a lock on (where locks are refused: unchanged for ten minutes). Nothing
  // else, and nothing when the folder cannot be listed or a file cannot be
  // locked: a leftover kept is harmless.
  void RemoveLeftovers(int folder) const;

 private:
  bool IsLeftover(std::string_view name) const;

  std::string hostPrefix_;  // ".rinomina-HOST-"
  std::string prefix_;      // hostPrefix_ + "PID-"
  unsigned counter_ = 0;
};

}  // namespace rinomina
