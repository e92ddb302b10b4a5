// What a pass running on a thread of its own shares with the window that
// started it: how far it has got, and whether it should stop. Every member
// may be called from any thread at any time.
//
//   PassMonitor monitor;
//   worker thread:  RunCopyPass(folder, u"01", u"02", &monitor);
//   window thread:  a timer reads monitor.Read() a few times a second;
//                   a close request calls monitor.RequestStop().
//
// The pass only counts, which costs it one atomic addition per chunk of data;
// the window decides how often it looks.
#pragma once

#include <atomic>
#include <cstdint>

namespace rinomina {

class PassMonitor {
 public:
  struct Progress {
    std::uint64_t bytesDone = 0;
    // The sizes of the files to copy, summed by a first listing; 0 until it
    // is known, and when there is nothing to copy.
    std::uint64_t bytesInAll = 0;
  };

  // The window's side.
  void RequestStop() noexcept { stop_.store(true, std::memory_order_relaxed); }
  Progress Read() const noexcept {
    return {done_.load(std::memory_order_relaxed), inAll_.load(std::memory_order_relaxed)};
  }

  // The pass's side.
  bool StopRequested() const noexcept { return stop_.load(std::memory_order_relaxed); }
  void SetBytesInAll(std::uint64_t bytes) noexcept {
    inAll_.store(bytes, std::memory_order_relaxed);
  }
  void AddBytesDone(std::uint64_t bytes) noexcept {
    done_.fetch_add(bytes, std::memory_order_relaxed);
  }
  // The pass ended well: everything to copy is done, whatever the counts
  // say (sources cut after the listing, a listing not over yet). Where the
  // total is known the share is then 100; where it is not, the bytes copied
  // become it. A failed or stopped pass keeps its real share.
  void Complete() noexcept {
    const std::uint64_t done = done_.load(std::memory_order_relaxed);
    const std::uint64_t inAll = inAll_.load(std::memory_order_relaxed);
    if (inAll == 0) inAll_.store(done, std::memory_order_relaxed);
    if (done < inAll) done_.store(inAll, std::memory_order_relaxed);
  }

 private:
  // The pass adds to done_ after every file while other threads read stop_:
  // a cache line apart, neither slows the other. Padding rather than
  // alignas, which would need an aligned allocator Windows XP lacks.
  std::atomic<bool> stop_{false};
  [[maybe_unused]] char cacheLine_[64];
  std::atomic<std::uint64_t> done_{0};
  std::atomic<std::uint64_t> inAll_{0};
};

// The share of the bytes done, 0 to 100, rounded down; nothing to show
// (-1) while the total is unknown or 0. Files that grew while they were
// copied never take it past 100.
constexpr int PercentDone(PassMonitor::Progress progress) {
  if (progress.bytesInAll == 0) return -1;
  if (progress.bytesDone >= progress.bytesInAll) return 100;
  return static_cast<int>(progress.bytesDone * 100 / progress.bytesInAll);
}

}  // namespace rinomina
