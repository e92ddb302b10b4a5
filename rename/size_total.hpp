// The sizes of the files a pass will copy, summed by a listing of its own
// into its monitor (PassMonitor::Progress::bytesInAll), so that the window
// can show the share done.
//
// Where the standard library has threads, the listing runs beside the
// copies, which do not wait for it: its one stat per file would otherwise
// cost a folder of small files a tenth of the pass. When the pass ends,
// however it ends, the listing is abandoned, never waited for (a folder on a
// slow network may take seconds per stat): its thread owns all it uses and
// writes nothing into the monitor from then on. Elsewhere (the Windows
// builds, whose listing brings each size with the name, at no cost) it runs
// before the copies, in the constructor. Its failures, of any kind, only
// leave the total unknown.
#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

namespace rinomina {

class PassMonitor;

class SizeTotal {
 public:
  SizeTotal(const std::filesystem::path& programFolder, std::u16string_view searchText,
            PassMonitor& monitor);
  // Abandons the listing if it is still running: it writes nothing into the
  // monitor once this returns.
  ~SizeTotal();
  SizeTotal(const SizeTotal&) = delete;
  SizeTotal& operator=(const SizeTotal&) = delete;

 private:
  struct Shared;
  std::shared_ptr<Shared> shared_;
};

}  // namespace rinomina
