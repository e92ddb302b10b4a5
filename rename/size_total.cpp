#include "size_total.hpp"

#include <atomic>
#include <cstdint>
#include <optional>

#ifdef _GLIBCXX_HAS_GTHREADS
#include <mutex>
#include <system_error>
#include <thread>
#endif

#include "copy_steps.hpp"
#include "pass_monitor.hpp"

namespace rinomina {
namespace {

// Lists "Originali" until the end, or until `stopped` says the pass is over.
// Nothing when the listing fails, whatever the failure: a folder that cannot
// be listed is listed by the pass too, which reports that itself.
template <typename Stopped>
std::optional<std::uint64_t> SumSizes(const std::filesystem::path& programFolder,
                                      std::u16string_view searchText, Stopped stopped) noexcept {
  try {
    // The platform's listing alone: no copies, no workers, "Modificati" never opened.
    const std::unique_ptr<CopySteps> folders = MakeCopySteps(programFolder, nullptr);
    std::uint64_t bytes = 0;
    std::u16string name;
    while (folders->NextFile(name)) {
      if (stopped()) return std::nullopt;
      // The files whose names hold the search text are the ones the pass copies.
      if (name.find(searchText) != std::u16string::npos) bytes += folders->CurrentFileSize();
    }
    return bytes;
  } catch (...) {
    return std::nullopt;
  }
}

}  // namespace

#ifdef _GLIBCXX_HAS_GTHREADS

// What the pass and its listing share; the last of the two to end frees it.
struct SizeTotal::Shared {
  std::atomic<bool> abandoned{false};
  std::mutex mutex;
  PassMonitor* monitor = nullptr;  // under `mutex`; null once abandoned
};

SizeTotal::SizeTotal(const std::filesystem::path& programFolder, std::u16string_view searchText,
                     PassMonitor& monitor)
    : shared_(std::make_shared<Shared>()) {
  shared_->monitor = &monitor;
  auto list = [shared = shared_, programFolder, searchText = std::u16string(searchText)] {
    const std::optional<std::uint64_t> bytes =
        SumSizes(programFolder, searchText, [&] { return shared->abandoned.load(); });
    const std::lock_guard lock(shared->mutex);
    if (bytes && shared->monitor) shared->monitor->SetBytesInAll(*bytes);
  };
  try {
    std::thread(std::move(list)).detach();
  } catch (const std::system_error&) {
    // No thread to spare: the pass goes on without a total.
  }
}

SizeTotal::~SizeTotal() {
  shared_->abandoned = true;
  const std::lock_guard lock(shared_->mutex);
  shared_->monitor = nullptr;
}

#else

struct SizeTotal::Shared {};

SizeTotal::SizeTotal(const std::filesystem::path& programFolder, std::u16string_view searchText,
                     PassMonitor& monitor) {
  const std::optional<std::uint64_t> bytes =
      SumSizes(programFolder, searchText, [&] { return monitor.StopRequested(); });
  if (bytes) monitor.SetBytesInAll(*bytes);
}

SizeTotal::~SizeTotal() = default;

#endif

}  // namespace rinomina
