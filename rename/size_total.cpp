#include "size_total.hpp"

#include <cstdint>

#include "copy_folders.hpp"
#include "copy_pass.hpp"
#include "pass_monitor.hpp"

namespace rinomina {
namespace {

// Lists "Originali" until the end, or until `stopped` says the pass is over.
// A folder that cannot be listed leaves the total unknown: the pass lists
// it too, and reports that failure itself.
template <typename Stopped>
void SumSizes(const std::filesystem::path& programFolder, std::u16string_view searchText,
              PassMonitor& monitor, Stopped stopped) {
  try {
    CopyFolders folders(programFolder);  // listing only: it never opens "Modificati"
    std::uint64_t bytes = 0;
    std::u16string name;
    while (folders.NextFile(name)) {
      if (stopped()) return;
      // The files whose names hold the search text are the ones the pass copies.
      if (name.find(searchText) != std::u16string::npos) bytes += folders.CurrentFileSize();
    }
    monitor.SetBytesInAll(bytes);
  } catch (const CopyPassError&) {
  }
}

}  // namespace

#ifdef _GLIBCXX_HAS_GTHREADS

SizeTotal::SizeTotal(const std::filesystem::path& programFolder, std::u16string_view searchText,
                     PassMonitor& monitor)
    : listing_(
          [programFolder, searchText = std::u16string(searchText), &monitor](std::stop_token stop) {
            SumSizes(programFolder, searchText, monitor,
                     [&] { return stop.stop_requested() || monitor.StopRequested(); });
          }) {}

void SizeTotal::Wait() { listing_.join(); }

#else

SizeTotal::SizeTotal(const std::filesystem::path& programFolder, std::u16string_view searchText,
                     PassMonitor& monitor) {
  SumSizes(programFolder, searchText, monitor, [&] { return monitor.StopRequested(); });
}

void SizeTotal::Wait() {}

#endif

}  // namespace rinomina
