// CopyFolders on every platform: a few workers write the copies side by side
// while the listing goes on, and the pass's own thread names them strictly
// in listing order, so that what the user sees is a pass copying one file
// after another: a failure at file k leaves files 1..k-1 named and reports
// file k; a later copy of the same new name wins; a stop keeps what was
// named. Copies written and never named are discarded. Where the platform's
// steps say side by side gains nothing (a local disk on Linux), and for
// large files, the copies go one at a time.
//
// The copies in flight sit in a ring of `window` slots in listing order:
// the pass fills the slot after the newest, a worker takes the oldest slot
// not taken yet, and the pass names the oldest one once its worker is done.
// Only the pass's thread touches a slot's copy outside a worker's Write.
#include <algorithm>
#include <atomic>
#include <exception>
#include <mutex>
#include <system_error>
#include <utility>
#include <vector>

#include "copy_folders.hpp"
#include "copy_steps.hpp"
#include "messages.hpp"
#include "pass_monitor.hpp"
#include "worker_threads.hpp"

namespace rinomina {
namespace {

// Files in flight when the options leave it open, and workers at most.
// Measured (scripts/bench, 2 shared CPUs): on the slow folder 2 to 16 files
// in flight gain alike (1,000 x 64 KiB in 0.66-0.75 x the time of one at a
// time): creating, linking and renaming in one folder wait on its lock in
// the kernel, so once opening, writing and closing hide behind them nothing
// more is won. On tmpfs the copies themselves barely overlap, and what
// counts is how rarely a thread sleeps and is woken: handing over and naming
// in runs of half the window, 4 in flight took 1.6 x the time of one at a
// time on 20,000 x 4 KiB, 16 about the same time.
constexpr unsigned kFilesInFlight = 16;
constexpr unsigned kWorkers = 4;

// A file this large is copied alone, the others drained first, as it was
// before: the disk is busy enough with it, and side by side it would only
// spread its writes.
constexpr std::uint64_t kLargeFile = std::uint64_t{8} << 20;

struct Slot {
  std::unique_ptr<PendingCopy> copy;
  std::exception_ptr failure;
  std::atomic<bool> written{false};
  Semaphore done{0};  // released once per Write of this slot's copy
};

}  // namespace

struct CopyFolders::State {
  std::unique_ptr<CopySteps> steps;
  PassMonitor* monitor;  // may be null
  bool oneAtATime;
  bool sideBySideEverywhere;
  unsigned window;
  std::unique_ptr<CopyWriter> ownWriter;  // the pass's thread's, for large files

  std::vector<std::unique_ptr<Slot>> slots;
  std::uint64_t queued = 0;     // copies handed to the workers (the pass's thread only)
  std::uint64_t named = 0;      // of them, named or discarded (the pass's thread only)
  std::uint64_t announced = 0;  // of them, announced to the workers (the pass's thread only)
  Mutex mutex;
  std::uint64_t taken = 0;  // of them, taken by a worker (guarded)
  bool quit = false;        // the workers end (guarded)
  Semaphore work{0};        // one per copy announced, one per worker at the end
  std::vector<std::unique_ptr<CopyWriter>> writers;
  std::vector<std::unique_ptr<WorkerThread>> workers;

  State(const std::filesystem::path& programFolder, PassMonitor* passMonitor,
        const CopyOptions& options)
      : steps(MakeCopySteps(programFolder, passMonitor)),
        monitor(passMonitor),
        oneAtATime(options.oneAtATime),
        sideBySideEverywhere(options.sideBySideEverywhere),
        window(options.filesInFlight != 0 ? options.filesInFlight : kFilesInFlight) {}
  // The workers end before the copies they may be writing are discarded,
  // and those before the steps close the folders under them.
  ~State() {
    EndWorkers();
    slots.clear();
  }

  Slot& SlotOf(std::uint64_t copy) { return *slots[copy % window]; }
  bool StartWorkers();
  void EndWorkers();
  void Work(CopyWriter& writer);
  void Queue(std::unique_ptr<PendingCopy> copy);
  void Announce();
  void NameOldest();
  void NameWritten() {
    while (named < queued && SlotOf(named).written.load(std::memory_order_acquire)) NameOldest();
  }
  void NameAll() {
    while (named < queued) NameOldest();
  }
  void CopyAlone(PendingCopy& copy) {
    NameAll();
    if (!ownWriter) ownWriter = steps->NewWriter();
    ownWriter->Write(copy);
    steps->Name(copy);
  }
};

// Where the system gives fewer threads (a process limit), fewer workers
// write; with none, the files go one at a time.
bool CopyFolders::State::StartWorkers() {
  for (unsigned i = 0; i < window; ++i) slots.push_back(std::make_unique<Slot>());
  for (unsigned i = 0; i < std::min(window, kWorkers); ++i) {
    writers.push_back(steps->NewWriter());
    CopyWriter* writer = writers.back().get();
    try {
      workers.push_back(std::make_unique<WorkerThread>([this, writer] { Work(*writer); }));
    } catch (const std::system_error&) {
      writers.pop_back();
      break;
    }
  }
  oneAtATime = workers.empty();
  return !oneAtATime;
}

void CopyFolders::State::EndWorkers() {
  {
    const std::lock_guard<Mutex> lock(mutex);
    quit = true;
  }
  work.Release(static_cast<unsigned>(workers.size()));
  for (const std::unique_ptr<WorkerThread>& worker : workers) worker->Join();
}

// A worker: takes the oldest copy not taken yet and writes it, until the end.
void CopyFolders::State::Work(CopyWriter& writer) {
  for (;;) {
    work.Acquire();
    Slot* slot;
    {
      const std::lock_guard<Mutex> lock(mutex);
      if (quit) return;
      slot = &SlotOf(taken++);
    }
    try {
      writer.Write(*slot->copy);
    } catch (...) {
      slot->failure = std::current_exception();
    }
    slot->written.store(true, std::memory_order_release);
    slot->done.Release();
  }
}

// Hands copies to the workers and names them in runs of half the window, so
// that on a fast disk neither side wakes the other for every file: a thread
// put to sleep and woken costs more than a small file's copy on tmpfs.
void CopyFolders::State::Queue(std::unique_ptr<PendingCopy> copy) {
  if (workers.empty() && !StartWorkers()) return CopyAlone(*copy);
  if (queued - named == window) {
    const std::uint64_t until = named + std::max(window / 2, 1u);
    while (named < until) NameOldest();
  }
  Slot& slot = SlotOf(queued);
  slot.copy = std::move(copy);
  slot.written.store(false, std::memory_order_relaxed);
  ++queued;
  if (queued - announced >= std::max(window / 2, 1u)) Announce();
  NameWritten();
}

void CopyFolders::State::Announce() {
  if (queued == announced) return;
  work.Release(static_cast<unsigned>(queued - announced));
  announced = queued;
}

// Waits for the oldest copy in flight and names it, or throws its failure.
// Either way its slot is free again; a copy not named is discarded.
void CopyFolders::State::NameOldest() {
  Announce();  // the copy waited for may not be handed over yet
  Slot& slot = SlotOf(named++);
  slot.done.Acquire();
  const std::unique_ptr<PendingCopy> copy = std::move(slot.copy);
  if (slot.failure) std::rethrow_exception(std::exchange(slot.failure, nullptr));
  if (monitor && monitor->StopRequested()) throw PassStopped();
  steps->Name(*copy);
}

CopyFolders::CopyFolders(const std::filesystem::path& programFolder, PassMonitor* monitor,
                         const CopyOptions& options)
    : state_(std::make_unique<State>(programFolder, monitor, options)) {}

CopyFolders::~CopyFolders() = default;

bool CopyFolders::NextFile(std::u16string& name) {
  State& state = *state_;
  bool listed;
  try {
    listed = state.steps->NextFile(name);
  } catch (const CopyPassError&) {
    state.NameAll();  // a listing that fails: the files before are copied, as one at a time
    throw;
  }
  // A copy that fails to be named here ends the pass: the later ones, in
  // flight, must not be named after it.
  if (listed) {
    state.NameWritten();
    return true;
  }
  state.NameAll();
  state.steps->Flush();
  return false;
}

std::uint64_t CopyFolders::CurrentFileSize() { return state_->steps->CurrentFileSize(); }

void CopyFolders::CopyCurrentFile(std::u16string_view newName) {
  State& state = *state_;
  std::unique_ptr<PendingCopy> copy;
  try {
    copy = state.steps->Prepare(newName);
  } catch (const CopyPassError&) {
    state.NameAll();
    throw;
  }
  const bool sideBySide = state.sideBySideEverywhere || state.steps->SideBySideHelps();
  if (state.oneAtATime || !sideBySide || state.steps->CurrentFileSize() >= kLargeFile) {
    state.CopyAlone(*copy);
  } else {
    state.Queue(std::move(copy));
  }
}

void CopyFolders::NameCopiesMade() { state_->NameAll(); }

}  // namespace rinomina
