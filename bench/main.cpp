// The benchmark program. "run" prints the whole table; the other modes are
// the single runs it times or measures, each in a process of its own:
//
//   rinomina_bench run --work DIR --python PYTHON [--rounds N] [--sets abcdew]
//                      [--place TEXT] [--about TEXT]
//   rinomina_bench slow --work DIR [--rounds N]  the slow-folder set, DIR on the
//                                         slow folder (slow_folder.c)
//   rinomina_bench pass PROGRAM_FOLDER [HOW]  one RunCopyPass; HOW is "alone"
//                                         (one file at a time) or the files in flight
//   rinomina_bench watched-pass PROGRAM_FOLDER [HOW]  one RunCopyPass with a
//                                         monitor read 4 times a second, as the window does
//   rinomina_bench disk --work DIR [--rounds N] [--sets de] [--place TEXT]
//                                         the disk sets, DIR on a disk file system
//   rinomina_bench floor PROGRAM_FOLDER   the bare copy loop
//   rinomina_bench safe-floor PROGRAM_FOLDER  the bare loop through unnamed files
//   rinomina_bench peak PROGRAM_FOLDER [HOW]  one watched pass, then prints VmHWM
//                                         in KiB and the most descriptors seen open
#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <iterator>
#include <map>
#include <mutex>
#include <stdexcept>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "copy_pass.hpp"
#include "floor_copy.hpp"
#include "memory.hpp"
#include "names.hpp"
#include "pass_monitor.hpp"
#include "suite.hpp"
#include "table.hpp"

namespace rinomina::bench {
namespace {

constexpr DataSet kDataSets[] = {
    {'a', 20000, 4 << 10},
    {'b', 200, 1 << 20},
    {'c', 2, 256 << 20},
};
constexpr DataSet kDiskDataSets[] = {
    {'d', 2000, 256 << 10},
    {'e', 2, 256 << 20},
};
// On the slow folder: new files, side by side against one at a time and cp.
constexpr DataSet kSlowDataSet{'f', 1000, 64 << 10};
// The files in flight tried, on tmpfs and on the slow folder.
constexpr DataSet kWindowSet{'w', 20000, 4 << 10};
constexpr unsigned kWindowSizes[] = {2, 3, 4, 6, 8, 12, 16};
constexpr std::size_t kMemorySmall = 1000;
constexpr std::size_t kMemoryLarge = 100000;

CopyOptions ParseHow(int argc, char** argv) {
  CopyOptions options;
  if (argc < 4) return options;
  const std::string how = argv[3];
  if (how == "alone") {
    options.oneAtATime = true;
  } else {
    options.filesInFlight = static_cast<unsigned>(std::stoul(how));
    options.sideBySideEverywhere = true;
  }
  return options;
}

void RunPass(const char* programFolder, const CopyOptions& how) {
  RunCopyPass(programFolder, kSearchText16, kReplacementText16, nullptr, how);
}

// The open descriptors of this process, counted every millisecond while
// it runs; the most seen.
class DescriptorWatch {
 public:
  DescriptorWatch()
      : watch_([this](std::stop_token stop) {
          while (!stop.stop_requested()) {
            const auto count = std::distance(std::filesystem::directory_iterator("/proc/self/fd"),
                                             std::filesystem::directory_iterator());
            most_ = std::max(most_.load(), static_cast<long>(count));
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
          }
        }) {}
  long Most() {
    watch_.request_stop();
    watch_.join();
    return most_;
  }

 private:
  std::atomic<long> most_{0};
  std::jthread watch_;
};

// The pass as the window runs it: with a monitor that another thread reads
// every 250 ms until the pass is over.
void RunWatchedPass(const char* programFolder, const CopyOptions& how) {
  PassMonitor monitor;
  std::mutex mutex;
  std::condition_variable passOver;
  bool over = false;
  int shown = -1;  // what the title would show
  std::thread window([&] {
    std::unique_lock lock(mutex);
    while (!passOver.wait_for(lock, std::chrono::milliseconds(250), [&] { return over; })) {
      shown = PercentDone(monitor.Read());
    }
  });
  RunCopyPass(programFolder, kSearchText16, kReplacementText16, &monitor, how);
  {
    const std::lock_guard lock(mutex);
    over = true;
  }
  passOver.notify_one();
  window.join();
  if (shown > 100) throw std::logic_error("a share over 100 %");
}

// "--name value" pairs, with defaults for the optional ones.
std::map<std::string, std::string> ParseOptions(const std::vector<std::string>& words) {
  std::map<std::string, std::string> options{
      {"--rounds", "7"}, {"--sets", "abcdew"}, {"--place", "a temporary folder"}, {"--about", ""}};
  for (std::size_t index = 0; index + 1 < words.size(); index += 2) {
    options[words[index]] = words[index + 1];
  }
  if (!options.count("--work")) throw std::invalid_argument("needs --work DIR");
  return options;
}

void RunAll(const std::string& self, const std::vector<std::string>& words) {
  auto options = ParseOptions(words);
  if (!options.count("--python")) throw std::invalid_argument("run needs --python PYTHON");
  const SuiteOptions suite{options["--work"], self, options["--python"],
                           std::stoi(options["--rounds"])};
  PrintHeading(options["--place"], options["--about"], suite.rounds);
  for (const DataSet& set : kDataSets) {
    if (options["--sets"].find(set.label) != std::string::npos) {
      PrintDataSet(RunDataSet(set, suite));
    }
  }
  if (options["--sets"].find('w') != std::string::npos) {
    PrintWindowSizes(MeasureWindowSizes(kWindowSet, kWindowSizes, suite));
  }
  // Side by side wherever the data sets are, with the default window.
  const PeakUse small = MeasurePassPeak(kMemorySmall, suite, "16");
  const PeakUse large = MeasurePassPeak(kMemoryLarge, suite, "16");
  const PeakUse largeAlone = MeasurePassPeak(kMemoryLarge, suite, "alone");
  PrintMemory(kMemorySmall, small, kMemoryLarge, large, largeAlone);
}

void RunDisk(const std::string& self, const std::vector<std::string>& words) {
  auto options = ParseOptions(words);
  const SuiteOptions suite{options["--work"], self, "", std::stoi(options["--rounds"])};
  PrintHeading(options["--place"], options["--about"], suite.rounds);
  for (const DataSet& set : kDiskDataSets) {
    if (options["--sets"].find(set.label) != std::string::npos) {
      PrintDiskDataSet(RunDiskDataSet(set, suite));
    }
  }
}

void RunSlow(const std::string& self, const std::vector<std::string>& words) {
  auto options = ParseOptions(words);
  const SuiteOptions suite{options["--work"], self, "", std::stoi(options["--rounds"])};
  PrintHeading(options["--place"], options["--about"], suite.rounds);
  PrintSlowDataSet(RunSlowDataSet(kSlowDataSet, suite));
  PrintWindowSizes(MeasureWindowSizes(kSlowDataSet, kWindowSizes, suite));
}

int Main(int argc, char** argv) {
  const std::string_view mode = argc > 1 ? argv[1] : "";
  if (mode == "run") {
    RunAll(std::filesystem::read_symlink("/proc/self/exe").string(),
           std::vector<std::string>(argv + 2, argv + argc));
  } else if (mode == "disk") {
    RunDisk(std::filesystem::read_symlink("/proc/self/exe").string(),
            std::vector<std::string>(argv + 2, argv + argc));
  } else if (mode == "slow") {
    RunSlow(std::filesystem::read_symlink("/proc/self/exe").string(),
            std::vector<std::string>(argv + 2, argv + argc));
  } else if (argc >= 3 && mode == "pass") {
    RunPass(argv[2], ParseHow(argc, argv));
  } else if (argc >= 3 && mode == "watched-pass") {
    RunWatchedPass(argv[2], ParseHow(argc, argv));
  } else if (argc == 3 && mode == "floor") {
    RunFloorCopy(argv[2]);
  } else if (argc == 3 && mode == "safe-floor") {
    RunSafeFloorCopy(argv[2]);
  } else if (argc >= 3 && mode == "peak") {
    DescriptorWatch descriptors;
    RunWatchedPass(argv[2], ParseHow(argc, argv));
    const long most = descriptors.Most();
    std::printf("%ld %ld\n", PeakResidentKiB(), most);
  } else {
    std::fprintf(stderr,
                 "usage: %s run|disk|slow|pass|watched-pass|floor|safe-floor|peak ... (see "
                 "bench/main.cpp)\n",
                 argv[0]);
    return 2;
  }
  return 0;
}

}  // namespace
}  // namespace rinomina::bench

int main(int argc, char** argv) {
  try {
    return rinomina::bench::Main(argc, argv);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "rinomina_bench: %s\n", error.what());
    return 1;
  }
}
