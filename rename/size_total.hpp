// The sizes of the files a pass will copy, summed by a listing of its own
// into its monitor (PassMonitor::Progress::bytesInAll), so that the window
// can show the share done.
//
// Where the standard library has threads, the listing runs beside the
// copies, which do not wait for it: its one stat per file would otherwise
// cost a folder of small files a tenth of the pass. Elsewhere (the Windows
// builds, whose listing brings each size with the name, at no cost) it runs
// before them, in the constructor.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#ifdef _GLIBCXX_HAS_GTHREADS
#include <thread>
#endif

namespace rinomina {

class PassMonitor;

class SizeTotal {
 public:
  SizeTotal(const std::filesystem::path& programFolder, std::u16string_view searchText,
            PassMonitor& monitor);
  // Stops the listing if it is still running, and waits for it.
  ~SizeTotal() = default;

  // Waits for the listing to end: the total is then known.
  void Wait();

 private:
#ifdef _GLIBCXX_HAS_GTHREADS
  std::jthread listing_;
#endif
};

}  // namespace rinomina
