#include "table.hpp"

#include <sys/utsname.h>

#include <cstdio>
#include <string>
#include <thread>

namespace rinomina::bench {
namespace {

std::string SizeText(std::size_t bytes) {
  if (bytes >= (1u << 20)) return std::to_string(bytes >> 20) + " MiB";
  return std::to_string(bytes >> 10) + " KiB";
}

void PrintRow(const SetResult& result, Contender contender) {
  const double seconds = result.MedianSeconds(contender);
  const double files = static_cast<double>(result.set.count);
  const double megabytes = files * static_cast<double>(result.set.fileSize) / 1e6;
  std::printf("  %-32s %9.3f %11.0f %9.0f\n", std::string(ContenderName(contender)).c_str(),
              seconds, files / seconds, megabytes / seconds);
}

std::string Title(const SetResult& result) {
  return std::string("(") + result.set.label + ") " + std::to_string(result.set.count) +
         " files of " + SizeText(result.set.fileSize);
}

void PrintSmallFileRatios(const SetResult& result) {
  std::printf(
      "  new files:  pass/cp %.2f (target <= 0.60), pass/floor %.2f (target <= 1.20),\n"
      "              pass/safe floor %.2f (target <= 1.10)\n",
      result.MedianRatio(kPassNew, kCp), result.MedianRatio(kPassNew, kFloorNew),
      result.MedianRatio(kPassNew, kSafeFloorNew));
  std::printf(
      "  replacing:  pass/cp %.2f (target <= 0.90), pass/floor %.2f (target <= 1.75; floor here:\n"
      "              the same bare loop overwriting each target in place with O_TRUNC; the pass\n"
      "              links its copy under a temporary name and renames it over the target,\n"
      "              freeing the old file)\n",
      result.MedianRatio(kPassReplace, kCp), result.MedianRatio(kPassReplace, kFloorReplace));
}

void PrintLargeFileRatios(const SetResult& result) {
  std::printf(
      "  new files:  pass/cp %.2f (target <= 1.05, i.e. at least 0.95 x cp's MB/s), "
      "pass/floor %.2f,\n              pass/safe floor %.2f\n",
      result.MedianRatio(kPassNew, kCp), result.MedianRatio(kPassNew, kFloorNew),
      result.MedianRatio(kPassNew, kSafeFloorNew));
  std::printf("  replacing:  pass/cp %.2f, pass/floor (in place) %.2f\n",
              result.MedianRatio(kPassReplace, kCp),
              result.MedianRatio(kPassReplace, kFloorReplace));
}

}  // namespace

void PrintHeading(std::string_view place, std::string_view about, int rounds) {
  utsname system{};
  uname(&system);
  std::printf("Copy-and-rename benchmark: %s %s, %u CPUs%s%.*s\n", system.sysname, system.release,
              std::thread::hardware_concurrency(), about.empty() ? "" : "; ",
              static_cast<int>(about.size()), about.data());
  std::printf("Data sets in: %.*s\n", static_cast<int>(place.size()), place.data());
  std::printf(
      "Medians of %d rounds (after one warm-up round); each run is a separate process, timed\n"
      "from spawn to exit; the contenders take turns within each round, and each ratio is the\n"
      "median of the rounds' own ratios. MB = 10^6 bytes.\n",
      rounds);
  std::fflush(stdout);
}

void PrintDataSet(const SetResult& result) {
  std::printf("\n%-34s %9s %11s %9s\n", Title(result).c_str(), "time (s)", "files/s", "MB/s");
  for (int contender = 0; contender <= kSafeFloorNew; ++contender) {
    PrintRow(result, Contender(contender));
  }
  if (result.set.fileSize < (1u << 20)) {
    PrintSmallFileRatios(result);
  } else {
    PrintLargeFileRatios(result);
  }
  std::printf(
      "  watched:    pass with progress and stop checks, read 4 times a second by another\n"
      "              thread, first listing included / plain pass %.2f (target <= 1.03)\n",
      result.MedianRatio(kPassWatched, kPassNew));
  std::fflush(stdout);
}

void PrintDiskDataSet(const SetResult& result) {
  std::printf("\n%-34s %9s %11s %9s\n", Title(result).c_str(), "time (s)", "files/s", "MB/s");
  for (Contender contender : {kPassNew, kCpSync, kCp}) PrintRow(result, contender);
  std::printf("  pass/(cp -r, sync -f) %.2f (target <= 1.00), pass/cp -r %.2f\n",
              result.MedianRatio(kPassNew, kCpSync), result.MedianRatio(kPassNew, kCp));
  std::fflush(stdout);
}

void PrintMemory(std::size_t smallCount, long smallKiB, std::size_t largeCount, long largeKiB) {
  std::printf("\nPeak resident memory of one pass (VmHWM, a separate process each)\n");
  std::printf("  %7zu empty files %10ld KiB\n", smallCount, smallKiB);
  std::printf("  %7zu empty files %10ld KiB\n", largeCount, largeKiB);
  std::printf("  difference          %10ld KiB (target <= 1024 KiB)\n", largeKiB - smallKiB);
  std::fflush(stdout);
}

}  // namespace rinomina::bench
