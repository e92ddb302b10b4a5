// The timed runs of one data set and the memory runs, each in its own process.
#pragma once

#include <array>
#include <cstddef>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace rinomina::bench {

struct DataSet {
  char label;  // 'a', 'b', 'c'
  std::size_t count;
  std::size_t fileSize;
};

// What is timed, in the order the table shows it.
enum Contender {
  kPassNew,       // RunCopyPass into an empty "Modificati"
  kPassReplace,   // RunCopyPass again, replacing every target
  kPassWatched,   // RunCopyPass into an empty "Modificati", watched as the window does
  kCp,            // cp -r Originali/. into an empty folder
  kPython,        // a shutil.copyfile loop with the same renaming
  kFloorNew,      // the floor into an empty "Modificati"
  kFloorReplace,  // the floor again, overwriting every target in place
  kSafeFloorNew,  // the safe floor into an empty "Modificati"
  kAloneNew,      // RunCopyPass one file at a time, into an empty "Modificati"
  kAloneReplace,  // the same again, replacing every target
  kAloneWatched,  // RunCopyPass one file at a time, watched, into an empty "Modificati"
  kCpSync,        // cp -r, then sync -f on the copies' file system (disk sets)
  kContenderCount
};

std::string_view ContenderName(Contender contender);

struct SuiteOptions {
  std::filesystem::path workFolder;  // scratch space for the data sets
  std::string self;                  // this program, run in its child modes
  std::string python;                // the Python interpreter
  int rounds;
};

struct SetResult {
  DataSet set;
  std::array<std::vector<double>, kContenderCount> seconds;  // one per round

  double MedianSeconds(Contender contender) const;
  // The median over the rounds of over's time / under's time in the same
  // round: steadier than a ratio of medians when the machine's load drifts.
  double MedianRatio(Contender over, Contender under) const;
};

// Makes the data set, runs one warm-up round and then `rounds` rounds, each
// contender once per round, alternating, starting with a different one in
// each round. Checks every run's file count. Removes the data set afterwards.
SetResult RunDataSet(const DataSet& set, const SuiteOptions& options);

// The same on a disk file system (`options.workFolder` on it), for the
// durable contenders: the pass (which ends with syncfs), cp -r followed by
// sync -f, and plain cp -r. Pending writes are flushed before each timed run.
SetResult RunDiskDataSet(const DataSet& set, const SuiteOptions& options);

// The same on the slow folder (`options.workFolder` on it): the pass side by
// side and one file at a time, and cp -r, into empty folders.
SetResult RunSlowDataSet(const DataSet& set, const SuiteOptions& options);

// The pass into an empty "Modificati" and replacing, with each number of
// files in flight, one at a time first.
struct WindowResult {
  DataSet set;
  std::vector<unsigned> sizes;                // 0 for one at a time
  std::vector<std::vector<double>> newFiles;  // per size, one per round
  std::vector<std::vector<double>> replacing;
};
WindowResult MeasureWindowSizes(const DataSet& set, std::span<const unsigned> sizes,
                                const SuiteOptions& options);

// Peak resident memory, in KiB, and the most descriptors seen open, of one
// watched pass (`how` as the pass mode takes it, "" for the default) over
// `count` empty files into an empty "Modificati", inside a process of its own.
struct PeakUse {
  long kib;
  long descriptors;
};
PeakUse MeasurePassPeak(std::size_t count, const SuiteOptions& options, const std::string& how);

}  // namespace rinomina::bench
