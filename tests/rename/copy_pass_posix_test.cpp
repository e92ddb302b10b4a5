// The pass on a POSIX file system: what users keep in their folders, and what
// a kill, a file-size limit, a failing close or flush, a source cut short and
// a pass in another PID namespace do to a copy.
//
// RINOMINA_TEST_REFUSE_TMPFILE=EOPNOTSUPP (or EISDIR) runs every test with
// unnamed files refused, as FAT, exFAT and FUSE file systems refuse them (or
// as older kernels do): the pass then writes named temporary files.
#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <functional>
#include <thread>

#include "messages.hpp"
#include "temp_program_folder.hpp"

// Link-time wraps (-Wl,--wrap) make the pass's calls fail on demand, as a
// network file system or a disk would: the errno each gives, 0 for none.
// The variadic openat and fcntl are wrapped with their last argument named:
// on the ABIs this runs on (x86-64, AArch64 Linux) it travels as a named one.
#define WRAP(type, name, ...)                 \
  extern "C" type __real_##name(__VA_ARGS__); \
  extern "C" type __wrap_##name(__VA_ARGS__)
// Also: every lock refused (NFS without its lock service); the clock moved on
// by `clockShift` seconds, so that a file written now looks older.
int closeFails = 0, flushFails = 0, datesFail = 0, sizeLimited = 0, locksRefused = 0,
    clockShift = 0, flushes = 0;
int Fail(int code) { return errno = code, -1; }
// Unnamed (O_TMPFILE) files refused as the environment says.
const char* const refusal = std::getenv("RINOMINA_TEST_REFUSE_TMPFILE");
const int refuseTmpfile = !refusal ? 0 : std::strcmp(refusal, "EISDIR") ? EOPNOTSUPP : EISDIR;
// The named temporary file the pass created last: its writer must still hold
// its lock once the copy is closed, until the rename, or another pass's
// cleanup could take it for a leftover. A close that released it fails.
thread_local std::pair<int, std::string> temporary;  // its folder and name, for each worker
WRAP(int, openat, int folder, const char* path, int flags, mode_t mode);
WRAP(int, close, int fd) {
  const bool writer = (::fcntl(fd, F_GETFL) & O_ACCMODE) == O_WRONLY;
  const int result = __real_close(fd);
  const std::string name = writer ? std::exchange(temporary.second, "") : "";
  const int probe = name.empty() ? -1 : __real_openat(temporary.first, name.c_str(), O_RDONLY, 0);
  struct flock lock = {F_RDLCK, SEEK_SET, 0, 0, 0};
  const bool unlocked = probe >= 0 && ::fcntl(probe, F_OFD_SETLK, &lock) == 0;
  if (probe >= 0) __real_close(probe);
  return unlocked ? Fail(ENOLCK) : writer && closeFails ? Fail(closeFails) : result;
}
WRAP(int, syncfs, int fd) { return ++flushes, flushFails ? Fail(flushFails) : __real_syncfs(fd); }
WRAP(int, futimens, int fd, const timespec times[2]) {
  return datesFail ? Fail(datesFail) : __real_futimens(fd, times);
}
WRAP(int, fcntl, int fd, int command, void* arg) {
  return locksRefused && command == F_OFD_SETLK ? Fail(ENOLCK) : __real_fcntl(fd, command, arg);
}
WRAP(int, clock_gettime, clockid_t clock, timespec* now) {
  const int result = __real_clock_gettime(clock, now);
  return now->tv_sec += clock == CLOCK_REALTIME ? clockShift : 0, result;
}
// Waits at most 10 s for `done`; whether it came.
bool WaitUntil(const std::function<bool()>& done) {
  for (int waited = 0; waited < 10000 && !done(); ++waited) ::usleep(1000);
  return done();
}
// The listing that sums the sizes (on its own thread) meets "lento_01": its
// stat is held while `holdListing` is set (a slow network folder); with
// `throwInListing` its next allocation fails; `listingEnded` tells when the
// thread is gone. With `waitBeforeOpen` 1 (2) the pass's next openat waits
// until the listing is held (has ended).
const std::thread::id testThread = std::this_thread::get_id();
std::atomic<bool> holdListing, listingHeld, listingEnded, throwInListing;
std::atomic<int> waitBeforeOpen{0};
thread_local bool failAllocation = false;
// Over malloc, as the library's own, whose operator delete then frees it.
void* operator new(std::size_t size) {
  void* memory = std::exchange(failAllocation, false) ? nullptr : std::malloc(size ? size : 1);
  return memory != nullptr ? memory : throw std::bad_alloc();
}
WRAP(int, fstatat, int folder, const char* name, struct stat* status, int flags) {
  if (std::strcmp(name, "lento_01") == 0 && std::this_thread::get_id() != testThread) {
    thread_local const std::shared_ptr<void> end(nullptr, [](void*) { listingEnded = true; });
    failAllocation = throwInListing;
    listingHeld = holdListing.load();
    WaitUntil([] { return !holdListing; });
    listingHeld = false;
  }
  return __real_fstatat(folder, name, status, flags);
}
// A fault at one file, by name, set before a pass and read by its threads:
// its source's open, or its naming (linked or renamed to the name) fails; or
// the open requests a stop from `stopping`.
std::string failOpening, failNaming, stopOpening;
rinomina::PassMonitor* stopping = nullptr;
WRAP(int, openat, int folder, const char* path, int flags, mode_t mode) {
  if (const int wait = waitBeforeOpen.exchange(0))
    WaitUntil([wait] { return (wait == 1 ? listingHeld : listingEnded).load(); });
  const bool tmpfile = (flags & O_TMPFILE) == O_TMPFILE;
  if (tmpfile && refuseTmpfile != 0) return Fail(refuseTmpfile);
  if (path == failOpening) return Fail(EIO);
  if (path == stopOpening) stopping->RequestStop();
  const int fd = __real_openat(folder, path, flags, mode);
  if (fd >= 0 && (flags & O_CREAT) && std::string_view(path).starts_with(".rinomina-"))
    temporary = {folder, path};
  return fd;
}
// Called after each lseek of the pass (sparse sources only), with its whence.
std::function<void(int)> onSeek;
WRAP(off_t, lseek, int fd, off_t offset, int whence) {
  const off_t result = __real_lseek(fd, offset, whence);
  if (onSeek) onSeek(whence);  // which sets no errno: it makes no failing call
  return result;
}
// An ordinary user may not link a file by its descriptor on kernels before
// 6.10; here too, so that the way through /proc is what runs as one.
WRAP(int, linkat, int from, const char* path, int to, const char* name, int flags) {
  if ((flags & AT_EMPTY_PATH) && ::geteuid() != 0) return Fail(ENOENT);
  return name == failNaming ? Fail(EIO) : __real_linkat(from, path, to, name, flags);
}
WRAP(int, renameat, int from, const char* path, int to, const char* name) {
  return name == failNaming ? Fail(EIO) : __real_renameat(from, path, to, name);
}

namespace rinomina::test {
namespace {

const fs::path kShm = "/dev/shm";  // a tmpfs on most systems
// A date of 2001 (access, modification), to the nanosecond.
const timespec kLongAgo[2] = {{1000000000, 1}, {1000000000, 123456789}};
// How this machine's passes begin the names of their temporary files.
const std::string kOurs = [] {
  char host[256] = {};
  ::gethostname(host, sizeof host - 1);
  return ".rinomina-" + std::string(host) + "-";
}();

// Ends a child process at once, with what it ran counted in a coverage build
// (std::_Exit skips the counters' own exit handler).
extern "C" void __gcov_dump() __attribute__((weak));
[[noreturn]] void ExitChild(int status) {
  if (__gcov_dump != nullptr) __gcov_dump();
  std::_Exit(status);
}

// For a child process: a pass "01" -> "02" whose `fault` (a wrap's errno, or
// `sizeLimited` for a file-size limit) is EIO. Exits with 0, or prints its
// failure and exits with 1 (2 if the copies were not flushed).
[[noreturn]] void PassAndExit(const fs::path& programFolder, int* fault = nullptr) try {
  ::alarm(60);  // a pass that hangs ends by SIGALRM, which the waiting test reports
  if (fault != nullptr) *fault = EIO;
  if (const rlimit limit{1 << 20, 1 << 20}; sizeLimited != 0) ::setrlimit(RLIMIT_FSIZE, &limit);
  Pass(programFolder, u"01", u"02");
  ExitChild(0);
} catch (const CopyPassError& error) {
  std::fputs(error.what(), stderr);
  ExitChild(flushes == 1 ? 1 : 2);
}

// What users have, copied new and then over its own copies, on one file
// system and across two (where copy_file_range gives way to reading and
// writing): sizes beyond any buffer or chunk, a sparse file whose holes stay
// holes, a name that is not UTF-8, a read-only file, a link to a file (copied
// as a file); folders, links to them and FIFOs are left out; links under a
// target name are replaced, never written through. "Modificati" may be a link
// to a folder (one to "Originali": AKilledPassLeavesOnlyWholeFiles). Each
// copy has its source's modification time, to the nanosecond, and is
// accessed now.
TEST(CopyPassPosixTest, CopiesWhatUsersHaveWithinAndAcrossFileSystems) {
  const std::string large = Pattern((3 << 20) + 1, 1), odd = Pattern(200001, 2), l = Summary(large),
                    o = Summary(odd), sparse = Summary("dati" + std::string((16 << 20) - 4, 0));
  const Listing copies{{"grande_02", l},         {"dispari_02", o}, {"collegamento_02", l},
                       {"sola_lettura_02", "r"}, {"\xFF_02", "x"},  {"rado_02", sparse}};
  for (const bool across : {false, true}) {
    TempProgramFolder folder, other(across ? kShm : fs::temp_directory_path());
    struct stat status, copy;
    ASSERT_EQ(::stat(other.root().c_str(), &copy) + ::stat(folder.root().c_str(), &status), 0);
    if (across && status.st_dev == copy.st_dev) GTEST_SKIP() << kShm << " is not another disk";
    folder.AddSource("grande_01", large);
    folder.AddSource("dispari_01", odd);
    fs::permissions(folder.AddSource("sola_lettura_01", "r"), fs::perms(0440));
    folder.AddSource("\xFF_01", "x");
    fs::resize_file(folder.AddSource("rado_01", "dati"), 16 << 20);
    fs::create_symlink("grande_01", folder.source() / "collegamento_01");
    fs::create_directory(folder.source() / "cartella_01");
    fs::create_directory_symlink("cartella_01", folder.source() / "collegamento_cartella_01");
    ASSERT_EQ(::mkfifo((folder.source() / "fifo_01").c_str(), 0600), 0);
    fs::remove(folder.target());
    fs::create_directory_symlink(other.target(), folder.target());
    const fs::path outside = Write(other.root() / "esterno", "esterno");
    fs::create_hard_link(outside, folder.target() / "dispari_02");
    fs::create_symlink(outside, folder.target() / "grande_02");
    for (const auto& entry : fs::directory_iterator(folder.source()))
      ::utimensat(AT_FDCWD, entry.path().c_str(), kLongAgo, 0);
    for (int pass = 0; pass < 2; ++pass) {  // new files, then replacing them
      Pass(folder.root(), u"01", u"02");
      for (const auto& [name, contents] : copies)  // dates before reads change access times
        EXPECT_TRUE(::stat((folder.target() / name).c_str(), &copy) == 0 &&
                    std::memcmp(&copy.st_mtim, &kLongAgo[1], sizeof(timespec)) == 0 &&
                    copy.st_atim.tv_sec > kLongAgo[0].tv_sec)
            << name;
      EXPECT_EQ(ListFolder(folder.target()), copies);
      EXPECT_TRUE(::lstat((folder.target() / "rado_02").c_str(), &copy) == 0 &&
                  copy.st_blocks <= 64);
    }
    EXPECT_EQ(Contents(outside), "esterno");
  }
}

// Killed at spread-out instants, new and replacing: every name holds a whole
// copy or what stood there before. The next pass removes what dead passes
// left (a name lives only between linking and renaming) and nothing else:
// not a running pass's (this process's; init's, whose kill() gives an
// ordinary user EPERM; one with a lock, from another PID namespace), not
// names written otherwise than a pass writes them, not a link.
TEST(CopyPassPosixTest, AKilledPassLeavesOnlyWholeFiles) {
  TempProgramFolder folder(kShm);
  Listing copies;
  // Large files copied alone, and between them small ones copied side by side.
  for (unsigned seed = 0; seed < 8 * 13; ++seed)
    copies["copia_02_" + std::to_string(seed)] = Summary(Contents(folder.AddSource(
        "copia_01_" + std::to_string(seed), Pattern(seed % 13 == 0 ? 8 << 20 : 64 << 10, seed))));
  const auto start = std::chrono::steady_clock::now();
  Pass(folder.root(), u"01", u"02");
  const auto whole = std::chrono::steady_clock::now() - start;
  pid_t child = 0;
  for (int round = 0; round < 10; ++round) {
    for (const auto& [name, contents] : copies)
      round < 5 ? void(fs::remove(folder.target() / name))
                : void(Write(folder.target() / name, "vecchio"));
    if ((child = ::fork()) == 0) PassAndExit(folder.root());
    std::this_thread::sleep_for(whole * (round % 5 * 2 + 1) / 10);
    ::kill(child, SIGKILL), ::waitpid(child, nullptr, 0);
    for (const auto& [name, contents] : ListFolder(folder.target()))
      EXPECT_TRUE(name.string().starts_with(".rinomina-") || contents == copies.at(name) ||
                  (round >= 5 && contents == "vecchio"))
          << name;
  }
  const std::string dead = std::to_string(child), leftover = kOurs + dead + "-7.tmp";
  Listing kept = copies;
  for (const std::string& name :
       {kOurs + std::to_string(::getpid()) + "-7.tmp", kOurs + "1-7.tmp", leftover + ".bak",
        kOurs + dead + "-7x.tmp", kOurs + "0" + dead + "-7.tmp", kOurs + dead + "-07.tmp",
        ".rinomina-" + dead + "-7.tmp", kOurs + dead + "-1009.tmp"})
    Write(folder.target() / name, kept[name] = "");
  Write(folder.target() / leftover, "");
  fs::create_symlink(copies.begin()->first, folder.target() / (kOurs + dead + "-1008.tmp"));
  kept[kOurs + dead + "-1008.tmp"] = copies.begin()->second;
  const int running = ::open((folder.target() / (kOurs + dead + "-1009.tmp")).c_str(), O_RDWR);
  struct flock lock = {F_WRLCK, SEEK_SET, 0, 0, 0};
  ASSERT_EQ(::fcntl(running, F_OFD_SETLK, &lock), 0);
  Pass(folder.root(), u"01", u"02");
  ::close(running);
  EXPECT_EQ(ListFolder(folder.target()), kept);
  // One folder under both names: refused before any cleanup, which would take
  // a source named like a leftover while the error says nothing was copied.
  fs::remove_all(folder.target());
  fs::create_directory_symlink("Originali", folder.target());
  Write(folder.source() / leftover, "");
  EXPECT_NE(FailingPass(folder.root(), u"", u"x").find("stessa cartella"), std::string::npos);
  EXPECT_TRUE(fs::exists(folder.source() / leftover));
}

// Copies are written side by side but named in listing order: a fault at the
// k-th listed file, for every k, leaves files 1..k-1 named, nothing else (no
// temporary), and the message of file k, whether it strikes a worker (the
// source's open), the naming (link or rename) or the pass's own name check;
// a stop leaves some of files 1..k-1. Of two sources with one new name, the
// later wins, far apart or adjacent.
TEST(CopyPassPosixTest, CopiesAreNamedInListingOrder) {
  enum Kind { kOpen, kNaming, kNameCheck, kStop, kCollision };
  constexpr int kFiles = 30;
  std::vector<std::tuple<Kind, int, int>> rows{{kCollision, 0, kFiles - 1}, {kCollision, 14, 15}};
  for (int k = 0; k < kFiles; ++k) rows.emplace_back(Kind(k % 4), k, -1);
  for (const auto& [kind, k, other] : rows) {
    TempProgramFolder folder(kShm);
    for (int i = kFiles - 1; i >= 0; --i) {  // tmpfs lists the newest first: i-th
      std::string name = "f" + std::to_string(i + 2).append("_01");
      if (kind == kNameCheck && i == k) name = ".rinomina-01.tmp";
      if (kind == kCollision && (i == k || i == other)) name = i == k ? "01c02" : "02c01";
      folder.AddSource(name, Pattern(3000 + i, i));
    }
    std::vector<std::string> listed;  // as the pass lists them
    for (const auto& entry : fs::directory_iterator(folder.source()))
      listed.push_back(entry.path().filename());
    const auto faulty =
        kind == kNameCheck ? std::ranges::find(listed, ".rinomina-01.tmp") : listed.begin() + k;
    const int at = kind == kCollision ? kFiles : faulty - listed.begin();
    const std::string file = listed[at % kFiles], copy = Renamed(file);
    PassMonitor monitor;
    stopping = &monitor;
    std::string* const faults[] = {&failOpening, &failNaming, nullptr, &stopOpening, nullptr};
    if (faults[kind] != nullptr) *faults[kind] = kind == kNaming ? copy : file;
    const std::string message = FailedPass(folder.root(), u"01", u"02", &monitor).what();
    failOpening = failNaming = stopOpening = "";
    const Listing copied = ListFolder(folder.target());
    Listing named;  // files 1..k-1, as many as were copied after a stop
    for (int i = 0; i < at && (kind != kStop || i < int(copied.size())); ++i)
      named[Renamed(listed[i])] = Summary(Contents(folder.source() / listed[i]));
    EXPECT_EQ(copied, named) << kind << " " << k;
    const std::string reason = kind == kNameCheck
                                   ? "il nome è riservato ai file temporanei del programma."
                                   : "errore di lettura o scrittura sul disco.";
    EXPECT_EQ(message, kind == kCollision ? ""
                       : kind == kStop    ? PassStopped().what()
                                          : Copying(file, copy) + reason);
  }
}

// A stop requested in the middle of a large file: the files before it stay
// whole, the one being copied is dropped (no new name, no temporary file, the
// old target intact), and nothing after it is copied.
TEST(CopyPassPosixTest, AStopMidFileKeepsWholeCopiesOnly) {
  for (const bool replacing : {false, true}) {
    TempProgramFolder folder(kShm);
    for (const char name : {'a', 'b', 'c'})
      folder.AddSource(name + std::string("_01"), Pattern(name == 'b' ? 64 << 20 : 1 << 20, name));
    Listing copies;  // the files listed before the large one, none after it
    if (replacing) Write(folder.target() / "b_02", copies["b_02"] = "vecchio");
    for (fs::directory_iterator entry(folder.source()); entry->path().filename() != "b_01"; ++entry)
      copies[entry->path().filename().string().substr(0, 2) + "02"] = Summary(Contents(*entry));
    PassMonitor monitor;
    // Stops once a few chunks of the large file are done and the total is known.
    std::jthread watcher([&] {
      WaitUntil(
          [&] { return monitor.Read().bytesDone >= (20u << 20) && monitor.Read().bytesInAll; });
      monitor.RequestStop();
    });
    EXPECT_EQ(FailedPass(folder.root(), u"01", u"02", &monitor).code(),
              std::errc::operation_canceled);
    EXPECT_LT(monitor.Read().bytesDone, monitor.Read().bytesInAll);  // a stop keeps its share
    EXPECT_EQ(ListFolder(folder.target()), copies);
  }
}

// Each fault stops the pass with its message and leaves no partial file: a
// new target is not there, an old one is intact. Only after a failed flush
// do the copies stay; the copies are flushed after a failure too. A
// file-size limit gives EFBIG, not death by SIGXFSZ. A date that cannot be
// set for a reason other than a refusal is a failure.
TEST(CopyPassDeathTest, FaultsAreReportedAndLeaveNoPartialFile) {
  const std::string failed = Copying("a_01", "a_02"), eio = "errore di lettura o scrittura";
  const std::pair<int*, std::string> cases[] = {
      {&closeFails, failed + eio},
      {&sizeLimited, failed + "file troppo grande"},
      {&datesFail, failed + eio},
      {&flushFails, "Impossibile salvare sul disco i file copiati in \"Modificati\": " + eio}};
  for (const auto& [fault, message] : cases) {
    for (const bool replacing : {false, true}) {
      TempProgramFolder folder;
      const std::string copy = Summary(Contents(folder.AddSource("a_01", Pattern(2 << 20, 3))));
      if (replacing) Write(folder.target() / "a_02", "vecchio");
      EXPECT_EXIT(PassAndExit(folder.root(), fault), ::testing::ExitedWithCode(1), message);
      const std::string left = fault == &flushFails ? copy : replacing ? "vecchio" : "";
      EXPECT_EQ(ListFolder(folder.target()), (left.empty() ? Listing{} : Listing{{"a_02", left}}));
    }
  }
}

// Folders that refuse to set dates (EPERM, ENOSYS: some FUSE and network
// folders) get their copies all the same. Where every lock is refused (NFS
// without its lock service), a leftover goes only when this machine's process
// that wrote it is gone (not another PC's, not this process's) and it has not
// changed for ten minutes, whatever its modification time (a copy takes its
// source's, maybe years old). A sparse source cut short while it is copied,
// after the sizes were summed, gives what it holds at the end, not its first
// size zero-filled, and the pass, which ended well, shows 100 %.
TEST(CopyPassPosixTest, FoldersRefusingDatesOrLocksAndSourcesCutShort) {
  TempProgramFolder folder;
  const fs::path source = folder.AddSource("rado_01", Pattern(1 << 20, 4));
  fs::resize_file(source, 16 << 20);  // 1 MiB of data, then a hole
  const std::string dead = kOurs + "2147483647-1.tmp";
  Listing kept{{"rado_02", Summary(Pattern(512 << 10, 4))}};
  for (const std::string& name : {dead, std::string(".rinomina-altro-2147483647-1.tmp"),
                                  kOurs + std::to_string(::getpid()) + "-1.tmp"})
    ::utimensat(AT_FDCWD, Write(folder.target() / name, kept[name] = "parte").c_str(), kLongAgo, 0);
  PassMonitor monitor;
  onSeek = [&](int whence) {
    WaitUntil([&] { return monitor.Read().bytesInAll != 0; });
    if (whence == SEEK_HOLE) ::truncate(source.c_str(), 512 << 10);
  };
  locksRefused = true, clockShift = 9 * 60, datesFail = ENOSYS;  // written lately
  Pass(folder.root(), u"01", u"02", &monitor);
  EXPECT_EQ(std::pair(monitor.Read().bytesInAll, PercentDone(monitor.Read())),
            std::pair(std::uint64_t(16 << 20), 100));
  EXPECT_EQ(ListFolder(folder.target()), kept);
  onSeek = nullptr, clockShift = 11 * 60, datesFail = EPERM;
  Pass(folder.root(), u"01", u"02");
  kept.erase(dead);
  EXPECT_EQ(ListFolder(folder.target()), kept);
  locksRefused = false, clockShift = datesFail = 0;
}

// Sources that cannot be copied under their new names stop the pass, which
// writes nothing: a replacement ending in half a character before the escape
// of a byte that is not UTF-8 (the two would pass for one character nobody
// typed); a link that cannot be followed. The listing that sums the sizes is
// never waited for: a pass that fails while its stat hangs (a slow network
// folder) ends at once, and the listing then writes nothing into the monitor.
// Whatever the listing throws ends in its own thread; the pass ends well all
// the same. An "Originali" that cannot be opened stops the pass too.
TEST(CopyPassPosixTest, BadSourcesStopThePassWhichNeitherWaitsForNorFallsWithItsListing) {
  TempProgramFolder folder;
  folder.AddSource("vero", "lento");  // lento_01 a link: its stat comes before its name
  fs::create_symlink("vero", folder.source() / "lento_01");
  folder.AddSource("a\x80_01", "");
  fs::create_symlink("mancante", folder.source() / "rotto_01");
  EXPECT_EQ(FailingPass(folder.root(), u"a", u"b\xD800"),
            Copying("a\xEF\xBF\xBD_01", "b\xF0\x90\x82\x80_01") +
                "il nuovo nome contiene caratteri non validi.");
  EXPECT_EQ(ListFolder(folder.target()), Listing{});
  PassMonitor monitor, watched;
  holdListing = true, waitBeforeOpen = 1;
  EXPECT_EQ(FailedPass(folder.root(), u"01", u"02", &monitor).what(),
            Copying("rotto_01", "rotto_02") + "file o cartella inesistente.");
  EXPECT_TRUE(listingHeld) << "the pass waited for its listing";
  holdListing = false;
  EXPECT_TRUE(WaitUntil([] { return listingEnded.load(); })) << "the listing never ended";
  EXPECT_EQ(monitor.Read().bytesInAll, 0u);
  fs::remove(folder.source() / "rotto_01");
  throwInListing = true, listingEnded = false, waitBeforeOpen = 2;  // the listing meets its fault
  EXPECT_EXIT((Pass(folder.root(), u"01", u"02", &watched),
               ExitChild(PercentDone(watched.Read()) == 100 ? 0 : 1)),
              ::testing::ExitedWithCode(0), "");
  throwInListing = false, waitBeforeOpen = 0;
  fs::remove_all(folder.source());
  fs::create_symlink("Originali", folder.source());
  EXPECT_EQ(FailingPass(folder.root(), u"", u""),
            "Impossibile aprire la cartella \"Originali\": troppi collegamenti simbolici.");
}

// Every errno a copy can meet, those of one meaning together. One the program
// does not know reads as the fall-back.
TEST(CopyPassPosixTest, EveryErrnoACopyCanMeetHasAnItalianReasonOfItsOwn) {
  ExpectItalianReasonsOfTheirOwn(
      {ENOENT,  ENOSPC,    ENAMETOOLONG, EROFS,  EISDIR,  EXDEV,     ENOTDIR,
       ELOOP,   EFBIG,     EIO,          EINVAL, EMFILE,  ENFILE,    EDQUOT,
       ETXTBSY, EBUSY,     EEXIST,       ESTALE, EAGAIN,  EINTR,     EOVERFLOW,
       EILSEQ,  ENOMEDIUM, EMLINK,       ENOLCK, EUCLEAN, EREMOTEIO, ETIMEDOUT},
      {{EACCES, EPERM},
       {ENOMEM, ENOBUFS},
       {ENXIO, ENODEV},
       {EOPNOTSUPP, ENOSYS},
       {ENOTCONN, ECONNRESET, ECONNABORTED, EHOSTDOWN, EHOSTUNREACH, ENETDOWN, ENETUNREACH}});
  EXPECT_EQ(ReasonText({EPROTO, std::system_category()}),
            "errore di sistema " + std::to_string(EPROTO));
}

}  // namespace
}  // namespace rinomina::test
