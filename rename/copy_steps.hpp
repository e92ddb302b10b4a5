// The steps each platform gives the side-by-side copies
// (side_by_side_copies.cpp): listing "Originali", writing a copy that has no
// final name yet (on a worker thread), giving it its name (in listing
// order, on the pass's thread), and discarding a copy that will not be named.
//
//   steps.NextFile(name)          pass's thread, one listed file after another
//   copy = steps.Prepare(newName) pass's thread: what a worker needs
//   writer.Write(*copy)           a worker: the data into an unnamed copy
//   steps.Name(*copy)             pass's thread, in listing order
//   copy.reset()                  discards it if it was not named
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

namespace rinomina {

class PassMonitor;

// One listed file on its way to its new name; each platform derives its own.
// Destroying one that was written and not named discards its copy (closes
// the unnamed file, deletes the hidden temporary). Destroyed on the pass's
// thread, never while a worker writes it.
class PendingCopy {
 public:
  virtual ~PendingCopy() = default;
};

// Writes copies on one thread; holds what that thread needs (a buffer, the
// state of one file's copy). One per worker, one for the pass's own thread.
class CopyWriter {
 public:
  virtual ~CopyWriter() = default;
  // Writes the data of `copy`'s source into a copy with no final name yet.
  // Fails with CopyPassError (PassStopped when the monitor asked for a stop
  // during the copy), leaving nothing behind. Several writers write at once,
  // beside the pass's thread calling CopySteps: what they share is guarded.
  virtual void Write(PendingCopy& copy) = 0;
};

class CopySteps {
 public:
  // After a failure, makes the copies named so far durable where the
  // platform needs it, silently.
  virtual ~CopySteps() = default;

  // CopyFolders::NextFile without the flush at the end.
  virtual bool NextFile(std::u16string& name) = 0;
  // CopyFolders::CurrentFileSize.
  virtual std::uint64_t CurrentFileSize() = 0;
  // What a writer needs to copy the file NextFile last gave under `newName`,
  // after the checks that read no data (a name the platform cannot hold,
  // "Modificati" missing or the same folder as "Originali"), which throw
  // CopyPassError. Nothing is written yet.
  virtual std::unique_ptr<PendingCopy> Prepare(std::u16string_view newName) = 0;
  virtual std::unique_ptr<CopyWriter> NewWriter() = 0;
  // Whether copying small files side by side gains anything on these
  // folders, once Prepare has opened "Modificati": where each file waits on
  // the network or a file-system daemon it does; where a file's copy is all
  // processor time (a local disk's page cache, tmpfs) the threads only add
  // their hand-overs.
  virtual bool SideBySideHelps() const { return true; }
  // Gives the written `copy` its new name, replacing what stood there; on
  // failure (CopyPassError) nothing new is left and the old target is intact.
  virtual void Name(PendingCopy& copy) = 0;
  // Makes the named copies durable where the platform needs it; throws
  // CopyPassError. Called once, after the last name.
  virtual void Flush() = 0;
};

// The platform's steps (posix_copy_folders.cpp, win32_copy_folders.cpp).
// Opens nothing beyond what the listing needs; a missing "Originali" lists
// nothing.
std::unique_ptr<CopySteps> MakeCopySteps(const std::filesystem::path& programFolder,
                                         PassMonitor* monitor);

}  // namespace rinomina
