#include "table.hpp"

#include <sys/utsname.h>

#include <cstdio>
#include <string>
#include <thread>

#include "timing.hpp"

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

void PrintSideBySideRatios(const SetResult& result, double newTarget, double replaceTarget) {
  std::printf(
      "  pass (side by side where it gains) / one at a time: new files %.2f (target <= %.2f),\n"
      "              replacing %.2f (target <= %.2f), watched %.2f\n",
      result.MedianRatio(kPassNew, kAloneNew), newTarget,
      result.MedianRatio(kPassReplace, kAloneReplace), replaceTarget,
      result.MedianRatio(kPassWatched, kAloneWatched));
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
  for (int contender = 0; contender <= kAloneWatched; ++contender) {
    PrintRow(result, Contender(contender));
  }
  if (result.set.fileSize < (1u << 20)) {
    PrintSmallFileRatios(result);
    PrintSideBySideRatios(result, 0.80, 0.90);
  } else {
    PrintLargeFileRatios(result);
    PrintSideBySideRatios(result, 1.03, 1.03);
  }
  std::printf(
      "  watched:    pass with progress and stop checks, read 4 times a second by another\n"
      "              thread, first listing included / plain pass %.2f (target <= 1.03)\n",
      result.MedianRatio(kPassWatched, kPassNew));
  std::fflush(stdout);
}

void PrintDiskDataSet(const SetResult& result) {
  std::printf("\n%-34s %9s %11s %9s\n", Title(result).c_str(), "time (s)", "files/s", "MB/s");
  for (Contender contender : {kPassNew, kAloneNew, kCpSync, kCp}) PrintRow(result, contender);
  std::printf("  pass/(cp -r, sync -f) %.2f (target <= 1.00), pass/cp -r %.2f\n",
              result.MedianRatio(kPassNew, kCpSync), result.MedianRatio(kPassNew, kCp));
  std::printf("  pass (side by side where it gains) / one at a time %.2f (target <= 1.03)\n",
              result.MedianRatio(kPassNew, kAloneNew));
  std::fflush(stdout);
}

void PrintSlowDataSet(const SetResult& result) {
  std::printf("\n%-34s %9s %11s %9s\n", Title(result).c_str(), "time (s)", "files/s", "MB/s");
  for (Contender contender : {kPassNew, kAloneNew, kCp}) PrintRow(result, contender);
  std::printf(
      "  side by side / one at a time %.2f (target <= 0.70), side by side / cp -r %.2f "
      "(target < 1.00)\n",
      result.MedianRatio(kPassNew, kAloneNew), result.MedianRatio(kPassNew, kCp));
  std::fflush(stdout);
}

void PrintWindowSizes(const WindowResult& result) {
  std::printf("\n%s: the pass by files in flight (medians, s)\n", Title({result.set, {}}).c_str());
  std::printf("  %-14s %9s %9s %9s %9s\n", "files in flight", "new", "/alone", "replacing",
              "/alone");
  const double aloneNew = Median(result.newFiles[0]);
  const double aloneReplacing = Median(result.replacing[0]);
  for (std::size_t index = 0; index < result.sizes.size(); ++index) {
    const double newFiles = Median(result.newFiles[index]);
    const double replacing = Median(result.replacing[index]);
    const std::string size =
        result.sizes[index] == 0 ? std::string("1 (alone)") : std::to_string(result.sizes[index]);
    std::printf("  %-14s %9.3f %9.2f %9.3f %9.2f\n", size.c_str(), newFiles, newFiles / aloneNew,
                replacing, replacing / aloneReplacing);
  }
  std::fflush(stdout);
}

void PrintMemory(std::size_t smallCount, PeakUse small, std::size_t largeCount, PeakUse large,
                 PeakUse largeAlone) {
  std::printf(
      "\nPeak resident memory and most open descriptors of one pass (VmHWM, a separate process "
      "each)\n");
  std::printf("  %7zu, side by side         %10ld KiB %5ld descriptors\n", smallCount, small.kib,
              small.descriptors);
  std::printf("  %7zu, side by side         %10ld KiB %5ld descriptors\n", largeCount, large.kib,
              large.descriptors);
  std::printf("  %7zu, one at a time        %10ld KiB %5ld descriptors\n", largeCount,
              largeAlone.kib, largeAlone.descriptors);
  std::printf("  difference, small to large    %10ld KiB (target <= 1024 KiB)\n",
              large.kib - small.kib);
  std::printf("  side by side - one at a time  %10ld KiB (target <= 8192 KiB)\n",
              large.kib - largeAlone.kib);
  std::fflush(stdout);
}

}  // namespace rinomina::bench
