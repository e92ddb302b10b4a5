#include "suite.hpp"

#include <chrono>
#include <stdexcept>
#include <thread>
#include <vector>

#include "data_set.hpp"
#include "names.hpp"
#include "timing.hpp"

namespace rinomina::bench {
namespace {

using Times = std::array<std::vector<double>, kContenderCount>;

struct SetFolders {
  std::filesystem::path program;
  std::filesystem::path target;    // program / "Modificati"
  std::filesystem::path cpTarget;  // cp's empty destination
};

// Removing a large folder leaves the kernel freeing its files for a while
// after the call returns (RCU callbacks); waiting keeps that work out of the
// next timed run.
void ResetFolder(const std::filesystem::path& folder) {
  MakeEmptyFolder(folder);
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
}

void CheckCopies(const std::filesystem::path& folder, const DataSet& set) {
  if (CountFiles(folder) != set.count) {
    throw std::runtime_error("wrong number of copies in " + folder.string());
  }
}

// The pass or the floor: into an empty "Modificati", then again over it.
// "alone" is the pass one file at a time.
std::vector<std::string> ModeCommand(std::string_view mode, const SetFolders& folders,
                                     const SuiteOptions& options) {
  if (mode == "alone") return {options.self, "pass", folders.program.string(), "alone"};
  if (mode == "watched-alone") {
    return {options.self, "watched-pass", folders.program.string(), "alone"};
  }
  return {options.self, std::string(mode), folders.program.string()};
}

void RunTwice(std::string_view mode, Contender first, const SetFolders& folders, const DataSet& set,
              const SuiteOptions& options, Times& times) {
  ResetFolder(folders.target);
  for (Contender contender : {first, Contender(first + 1)}) {
    times[contender].push_back(TimeCommand(ModeCommand(mode, folders, options)));
    CheckCopies(folders.target, set);
  }
}

// One run of `mode` into an empty "Modificati".
void RunIntoEmptyTarget(std::string_view mode, Contender contender, const SetFolders& folders,
                        const DataSet& set, const SuiteOptions& options, Times& times) {
  ResetFolder(folders.target);
  times[contender].push_back(TimeCommand(ModeCommand(mode, folders, options)));
  CheckCopies(folders.target, set);
}

void RunCp(const SetFolders& folders, const DataSet& set, Times& times) {
  ResetFolder(folders.cpTarget);
  const std::string source = (folders.program / kSourceFolder).string() + "/.";
  times[kCp].push_back(TimeCommand({"cp", "-r", source, folders.cpTarget.string() + "/"}));
  CheckCopies(folders.cpTarget, set);
}

void RunPython(const SetFolders& folders, const DataSet& set, const SuiteOptions& options,
               Times& times) {
  ResetFolder(folders.target);
  times[kPython].push_back(
      TimeCommand({options.python, RINOMINA_BENCH_COPY_LOOP, folders.program.string(),
                   std::string(kSearchText), std::string(kReplacementText)}));
  CheckCopies(folders.target, set);
}

void RunRound(int round, const SetFolders& folders, const DataSet& set, const SuiteOptions& options,
              Times& times) {
  constexpr int kGroups = 8;
  for (int step = 0; step < kGroups; ++step) {
    switch ((round + step) % kGroups) {
      case 0:
        RunTwice("pass", kPassNew, folders, set, options, times);
        break;
      case 1:
        RunCp(folders, set, times);
        break;
      case 2:
        RunTwice("floor", kFloorNew, folders, set, options, times);
        break;
      case 3:
        RunPython(folders, set, options, times);
        break;
      case 4:
        RunIntoEmptyTarget("safe-floor", kSafeFloorNew, folders, set, options, times);
        break;
      case 5:
        RunIntoEmptyTarget("watched-pass", kPassWatched, folders, set, options, times);
        break;
      case 6:
        RunTwice("alone", kAloneNew, folders, set, options, times);
        break;
      case 7:
        RunIntoEmptyTarget("watched-alone", kAloneWatched, folders, set, options, times);
        break;
    }
  }
}

}  // namespace

std::string_view ContenderName(Contender contender) {
  switch (contender) {
    case kPassNew:
      return "RunCopyPass, empty Modificati";
    case kPassReplace:
      return "RunCopyPass, replacing all";
    case kPassWatched:
      return "RunCopyPass, watched, empty";
    case kCp:
      return "cp -r, empty folder";
    case kPython:
      return "Python shutil.copyfile loop";
    case kFloorNew:
      return "floor, empty Modificati";
    case kFloorReplace:
      return "floor, overwriting in place";
    case kSafeFloorNew:
      return "safe floor (O_TMPFILE + linkat)";
    case kCpSync:
      return "cp -r, then sync -f";
    case kAloneNew:
      return "one at a time, empty Modificati";
    case kAloneReplace:
      return "one at a time, replacing all";
    case kAloneWatched:
      return "one at a time, watched, empty";
    default:
      return "";
  }
}

namespace {

// Empties `folder` and writes every pending change of its file system to the
// disk, so that no earlier run's writing is timed in the next one.
void ResetOnDisk(const std::filesystem::path& folder) {
  MakeEmptyFolder(folder);
  TimeCommand({"sync", "-f", folder.string()});
}

void RunDiskRound(int round, const SetFolders& folders, const DataSet& set,
                  const SuiteOptions& options, Times& times) {
  const std::string source = (folders.program / kSourceFolder).string() + "/.";
  const std::string target = folders.cpTarget.string() + "/";
  for (int step = 0; step < 4; ++step) {
    switch ((round + step) % 4) {
      case 0:
        ResetOnDisk(folders.target);
        times[kPassNew].push_back(TimeCommand({options.self, "pass", folders.program.string()}));
        CheckCopies(folders.target, set);
        break;
      case 3:
        ResetOnDisk(folders.target);
        times[kAloneNew].push_back(TimeCommand(ModeCommand("alone", folders, options)));
        CheckCopies(folders.target, set);
        break;
      case 1:
        ResetOnDisk(folders.cpTarget);
        times[kCpSync].push_back(TimeCommand({"cp", "-r", source, target}) +
                                 TimeCommand({"sync", "-f", target}));
        CheckCopies(folders.cpTarget, set);
        break;
      case 2:
        ResetOnDisk(folders.cpTarget);
        times[kCp].push_back(TimeCommand({"cp", "-r", source, target}));
        CheckCopies(folders.cpTarget, set);
        break;
    }
  }
}

void RunSlowRound(int round, const SetFolders& folders, const DataSet& set,
                  const SuiteOptions& options, Times& times) {
  for (int step = 0; step < 3; ++step) {
    switch ((round + step) % 3) {
      case 0:
        RunIntoEmptyTarget("pass", kPassNew, folders, set, options, times);
        break;
      case 1:
        RunIntoEmptyTarget("alone", kAloneNew, folders, set, options, times);
        break;
      case 2:
        RunCp(folders, set, times);
        break;
    }
  }
}

using RoundRunner = void (*)(int round, const SetFolders& folders, const DataSet& set,
                             const SuiteOptions& options, Times& times);

// A warm-up round, then the timed ones, in a folder of its own removed after.
SetResult RunRounds(const DataSet& set, const SuiteOptions& options, const std::string& prefix,
                    RoundRunner runRound) {
  const std::filesystem::path base = options.workFolder / (prefix + set.label);
  const SetFolders folders{base / "program", base / "program" / kTargetFolder, base / "cp_dst"};
  MakeProgramFolder(folders.program, set.count, set.fileSize);
  Times warmUp;
  runRound(0, folders, set, options, warmUp);
  Times times;
  for (int round = 0; round < options.rounds; ++round) {
    runRound(round, folders, set, options, times);
  }
  std::filesystem::remove_all(base);
  return SetResult{set, times};
}

}  // namespace

SetResult RunDataSet(const DataSet& set, const SuiteOptions& options) {
  return RunRounds(set, options, "set_", RunRound);
}

SetResult RunDiskDataSet(const DataSet& set, const SuiteOptions& options) {
  return RunRounds(set, options, "disk_", RunDiskRound);
}

SetResult RunSlowDataSet(const DataSet& set, const SuiteOptions& options) {
  return RunRounds(set, options, "slow_", RunSlowRound);
}

WindowResult MeasureWindowSizes(const DataSet& set, std::span<const unsigned> sizes,
                                const SuiteOptions& options) {
  WindowResult result{set, {0}, {}, {}};
  result.sizes.insert(result.sizes.end(), sizes.begin(), sizes.end());
  result.newFiles.resize(result.sizes.size());
  result.replacing.resize(result.sizes.size());
  const std::filesystem::path program = options.workFolder / "window_sizes";
  MakeProgramFolder(program, set.count, set.fileSize);
  for (int round = -1; round < options.rounds; ++round) {  // -1: the warm-up
    for (std::size_t step = 0; step < result.sizes.size(); ++step) {
      const std::size_t index = (static_cast<std::size_t>(round + 1) + step) % result.sizes.size();
      const unsigned size = result.sizes[index];
      const std::vector<std::string> command{options.self, "pass", program.string(),
                                             size == 0 ? "alone" : std::to_string(size)};
      ResetFolder(program / kTargetFolder);
      const double newFiles = TimeCommand(command);
      const double replacing = TimeCommand(command);
      CheckCopies(program / kTargetFolder, set);
      if (round < 0) continue;
      result.newFiles[index].push_back(newFiles);
      result.replacing[index].push_back(replacing);
    }
  }
  std::filesystem::remove_all(program);
  return result;
}

double SetResult::MedianSeconds(Contender contender) const { return Median(seconds[contender]); }

double SetResult::MedianRatio(Contender over, Contender under) const {
  std::vector<double> ratios;
  for (std::size_t round = 0; round < seconds[over].size(); ++round) {
    ratios.push_back(seconds[over][round] / seconds[under][round]);
  }
  return Median(ratios);
}

PeakUse MeasurePassPeak(std::size_t count, const SuiteOptions& options, const std::string& how) {
  const std::filesystem::path program = options.workFolder / ("memory_" + std::to_string(count));
  MakeProgramFolder(program, count, 0);
  std::vector<std::string> command{options.self, "peak", program.string()};
  if (!how.empty()) command.push_back(how);
  const std::string output = CaptureCommand(command);
  CheckCopies(program / kTargetFolder, DataSet{'m', count, 0});
  std::filesystem::remove_all(program);
  const std::size_t space = output.find(' ');
  return {std::stol(output.substr(0, space)), std::stol(output.substr(space + 1))};
}

}  // namespace rinomina::bench
