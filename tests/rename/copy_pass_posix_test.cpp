// The pass on a POSIX file system: what users keep in their folders, and what
// a kill, a file-size limit, a failing close or flush, a source cut short and
// a pass in another PID namespace do to a copy.
//
// RINOMINA_TEST_REFUSE_TMPFILE=EOPNOTSUPP (or EISDIR) runs every test with
// unnamed files refused, as FAT, exFAT and FUSE file systems refuse them (or
// as older kernels do): the pass then writes named temporary files.
#include <fcntl.h>
#include <sched.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <thread>
#include <vector>

#include "messages.hpp"
#include "temp_program_folder.hpp"

// Link-time wraps (-Wl,--wrap) let a test make a close() after writing, or
// the pass's final syncfs(), fail as a network file system or a disk would,
// and count the flushes.
enum class Fault { kNone, kClose, kSyncfs, kFileSize } fault = Fault::kNone;
int syncfsCalls = 0;
extern "C" int __real_close(int fd);
extern "C" int __real_syncfs(int fd);
std::function<void()> onWrittenClose;  // after each close of a file open for writing
extern "C" int __wrap_close(int fd) {
  const bool written = (::fcntl(fd, F_GETFL) & O_ACCMODE) == O_WRONLY;
  const bool failing = fault == Fault::kClose && written;
  const int result = __real_close(fd);
  if (written && onWrittenClose) onWrittenClose();
  return failing ? (errno = EIO, -1) : result;
}
extern "C" int __wrap_syncfs(int fd) {
  ++syncfsCalls;
  return fault == Fault::kSyncfs ? (errno = EIO, -1) : __real_syncfs(fd);
}
// The errno an O_TMPFILE open fails with, 0 for none.
int refuseTmpfile = [] {
  const char* name = std::getenv("RINOMINA_TEST_REFUSE_TMPFILE");
  if (name == nullptr) return 0;
  return std::strcmp(name, "EISDIR") == 0 ? EISDIR : EOPNOTSUPP;
}();
// A fault at one file, by name, set before a pass and read by its threads:
// its source's open, or its naming (linked or renamed to the name) fails; or
// the open requests a stop from `stopping`.
std::string failOpening, failNaming, stopOpening;
rinomina::PassMonitor* stopping = nullptr;
extern "C" int __real_openat(int folder, const char* path, int flags, ...);
extern "C" int __wrap_openat(int folder, const char* path, int flags, ...) {
  const bool tmpfile = (flags & O_TMPFILE) == O_TMPFILE;
  if (tmpfile && refuseTmpfile != 0) return errno = refuseTmpfile, -1;
  if (path == failOpening) return errno = EIO, -1;
  if (path == stopOpening) stopping->RequestStop();
  std::va_list arguments;
  va_start(arguments, flags);
  const mode_t mode = tmpfile || (flags & O_CREAT) ? va_arg(arguments, mode_t) : 0;
  va_end(arguments);
  return __real_openat(folder, path, flags, mode);
}
// Called after each lseek of the pass (sparse sources only), with its whence.
std::function<void(int)> onSeek;
extern "C" off_t __real_lseek(int fd, off_t offset, int whence);
extern "C" off_t __wrap_lseek(int fd, off_t offset, int whence) {
  const off_t result = __real_lseek(fd, offset, whence);
  const int error = errno;
  if (onSeek) onSeek(whence);
  return errno = error, result;
}
// An ordinary user may not link a file by its descriptor on kernels before
// 6.10; here too, so that the way through /proc is what runs as one.
extern "C" int __real_linkat(int from, const char* path, int to, const char* name, int flags);
extern "C" int __wrap_linkat(int from, const char* path, int to, const char* name, int flags) {
  if ((flags & AT_EMPTY_PATH) && ::geteuid() != 0) return errno = ENOENT, -1;
  if (name == failNaming) return errno = EIO, -1;
  return __real_linkat(from, path, to, name, flags);
}
extern "C" int __real_renameat(int from, const char* path, int to, const char* name);
extern "C" int __wrap_renameat(int from, const char* path, int to, const char* name) {
  if (name == failNaming) return errno = EIO, -1;
  return __real_renameat(from, path, to, name);
}

namespace rinomina::test {
namespace {

const fs::path kShm = "/dev/shm";  // a tmpfs on most systems

// Ends a child process at once, with what it ran counted in a coverage build
// (std::_Exit skips the counters' own exit handler).
extern "C" void __gcov_dump() __attribute__((weak));
[[noreturn]] void ExitChild(int status) {
  if (__gcov_dump != nullptr) __gcov_dump();
  std::_Exit(status);
}

// For a child process: a pass "01" -> "02" that meets `with`. Exits with 0,
// or prints its failure and exits with 1 (2 if the copies were not flushed).
[[noreturn]] void PassAndExit(const fs::path& programFolder, Fault with = Fault::kNone) {
  fault = with;
  const rlimit limit{1 << 20, 1 << 20};
  if (with == Fault::kFileSize) ::setrlimit(RLIMIT_FSIZE, &limit);
  try {
    Pass(programFolder, u"01", u"02");
  } catch (const CopyPassError& error) {
    std::fputs(error.what(), stderr);
    ExitChild(syncfsCalls == 1 ? 1 : 2);
  }
  ExitChild(0);
}

// A file of 16 MiB whose data are 1 MiB at its start.
fs::path AddSparseSource(const TempProgramFolder& folder) {
  const fs::path file = folder.AddSource("rado_01", Pattern(1 << 20, 4));
  fs::resize_file(file, 16 << 20);
  return file;
}

// What users have, copied new and then over its own copies, on one file
// system and across two (where copy_file_range gives way to reading and
// writing): sizes beyond any buffer or chunk, a sparse file whose holes stay
// holes, a name that is not UTF-8, a read-only file, a link to a file (copied
// as a file); folders, links to them and FIFOs are left out; links under a
// target name are replaced, never written through. "Modificati" may be a link
// to a folder, but one to "Originali" fails before copying.
TEST(CopyPassPosixTest, CopiesWhatUsersHaveWithinAndAcrossFileSystems) {
  const std::string large = Pattern((3 << 20) + 1, 1), odd = Pattern(200001, 2);
  const Listing copies{{"grande_02", Summary(large)},
                       {"dispari_02", Summary(odd)},
                       {"collegamento_02", Summary(large)},
                       {"sola_lettura_02", "r"},
                       {"\xFF_02", "x"},
                       {"rado_02", Summary("dati" + std::string((16 << 20) - 4, 0))}};
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
    fs::create_directory_symlink("Originali", folder.target());
    EXPECT_PRED_FORMAT2(::testing::IsSubstring, "stessa cartella",
                        FailingPass(folder.root(), u"", u"copia_"));
    fs::remove(folder.target());
    fs::create_directory_symlink(other.target(), folder.target());
    const fs::path outside = Write(other.root() / "esterno", "esterno");
    fs::create_hard_link(outside, folder.target() / "dispari_02");
    fs::create_symlink(outside, folder.target() / "grande_02");
    for (int pass = 0; pass < 2; ++pass) {  // new files, then replacing them
      Pass(folder.root(), u"01", u"02");
      EXPECT_EQ(ListFolder(folder.target()), copies);
      ASSERT_EQ(::lstat((folder.target() / "rado_02").c_str(), &copy), 0);
      EXPECT_LE(copy.st_blocks, 64);
    }
    EXPECT_EQ(Contents(outside), "esterno");
  }
}

// Killed at spread-out instants, new and replacing: every name holds a whole
// copy or what stood there before. The next pass removes what dead passes
// left (a name lives only between linking and renaming) and nothing else.
TEST(CopyPassPosixTest, AKilledPassLeavesOnlyWholeFiles) {
  TempProgramFolder folder(kShm);
  Listing copies;
  // Large files copied alone, and between them small ones copied side by side.
  for (unsigned seed = 0; seed < 8 * 13; ++seed) {
    const std::string contents = Pattern(seed % 13 == 0 ? 8 << 20 : 64 << 10, seed);
    folder.AddSource("copia_01_" + std::to_string(seed), contents);
    copies["copia_02_" + std::to_string(seed)] = Summary(contents);
  }
  const auto start = std::chrono::steady_clock::now();
  Pass(folder.root(), u"01", u"02");
  const auto whole = std::chrono::steady_clock::now() - start;
  pid_t child = 0;
  for (int round = 0; round < 10; ++round) {
    for (const auto& [name, contents] : copies) {
      fs::remove(folder.target() / name);
      if (round >= 5) Write(folder.target() / name, "vecchio");
    }
    if ((child = ::fork()) == 0) PassAndExit(folder.root());
    std::this_thread::sleep_for(whole * (round % 5 * 2 + 1) / 10);
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    for (const auto& [name, contents] : ListFolder(folder.target())) {
      if (name.string().starts_with(".rinomina-")) continue;
      EXPECT_TRUE(contents == copies.at(name) || (round >= 5 && contents == "vecchio")) << name;
    }
  }
  char host[256] = {};
  ::gethostname(host, sizeof host - 1);
  const std::string ours = ".rinomina-" + std::string(host) + "-", dead = std::to_string(child);
  Listing kept{{ours + std::to_string(::getpid()) + "-7.tmp", ""},  // a pass still running
               {ours + "1-7.tmp", ""},  // init's: to an ordinary user, kill() gives EPERM
               {ours + dead + "-7.tmp.bak", ""},
               {ours + dead + "-7x.tmp", ""},
               {".rinomina-" + dead + "-7.tmp", ""}};
  for (const auto& [name, contents] : kept) Write(folder.target() / name, "");
  Write(folder.target() / (ours + dead + "-7.tmp"), "");
  Pass(folder.root(), u"01", u"02");
  kept.insert(copies.begin(), copies.end());
  EXPECT_EQ(ListFolder(folder.target()), kept);
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
    for (int i = kFiles - 1; i >= 0; --i) {  // tmpfs lists the newest first
      std::string name = "f" + std::to_string(i + 2) + "_01";
      if (kind == kNameCheck && i == k) name = ".rinomina-01.tmp";
      if (kind == kCollision && (i == k || i == other)) name = i == k ? "01c02" : "02c01";
      folder.AddSource(name, Pattern(3000 + i, i));
    }
    std::vector<std::string> listed;  // as the pass lists them
    for (const auto& entry : fs::directory_iterator(folder.source()))
      listed.push_back(entry.path().filename());
    const auto renamed = [](std::string name) { return name.replace(name.find("01"), 2, "02"); };
    const int at =
        kind == kCollision ? kFiles
        : kind == kNameCheck
            ? static_cast<int>(std::find(listed.begin(), listed.end(), ".rinomina-01.tmp") -
                               listed.begin())
            : k;
    PassMonitor monitor;
    if (kind == kOpen) failOpening = listed[at];
    if (kind == kNaming) failNaming = renamed(listed[at]);
    if (kind == kStop) stopOpening = listed[at], stopping = &monitor;
    std::string message;
    if (kind != kCollision) message = FailedPass(folder.root(), u"01", u"02", &monitor).what();
    if (kind == kCollision) Pass(folder.root(), u"01", u"02", &monitor);
    failOpening = failNaming = stopOpening = "";
    const Listing copied = ListFolder(folder.target());
    std::vector<Listing> before{{}};  // files 1..i named, for every i < at
    for (int i = 0; i < at; ++i) {
      before.push_back(before.back());
      before.back()[renamed(listed[i])] = Summary(Contents(folder.source() / listed[i]));
    }
    if (kind == kStop) {
      EXPECT_NE(std::find(before.begin(), before.end(), copied), before.end()) << k;
      EXPECT_EQ(message, PassStopped().what());
      continue;
    }
    EXPECT_EQ(copied, before.back()) << kind << " " << k;
    if (kind == kCollision) continue;
    EXPECT_EQ(message,
              Copying(listed[at], renamed(listed[at])) +
                  (kind == kNameCheck ? "il nome è riservato ai file temporanei del programma."
                                      : "errore di lettura o scrittura sul disco."));
  }
}

// A stop requested in the middle of a large file: the files before it stay
// whole, the one being copied is dropped (no new name, no temporary file, the
// old target intact), and nothing after it is copied.
TEST(CopyPassPosixTest, AStopMidFileKeepsWholeCopiesOnly) {
  for (const bool replacing : {false, true}) {
    TempProgramFolder folder(kShm);
    folder.AddSource("a_01", Pattern(1 << 20, 1));
    folder.AddSource("b_01", Pattern(64 << 20, 2));
    folder.AddSource("c_01", Pattern(1 << 20, 3));
    if (replacing) Write(folder.target() / "b_02", "vecchio");
    PassMonitor monitor;
    std::thread watcher([&monitor] {
      // Stop once a few chunks of the large file are done.
      const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(1);
      while (monitor.Read().bytesDone < (20u << 20)) {
        if (std::chrono::steady_clock::now() > deadline) {
          ADD_FAILURE() << "the pass never reached 20 MiB";
          break;
        }
        std::this_thread::yield();
      }
      monitor.RequestStop();
    });
    const std::error_code code = FailedPass(folder.root(), u"01", u"02", &monitor).code();
    watcher.join();
    EXPECT_EQ(code, std::errc::operation_canceled);
    EXPECT_LT(monitor.Read().bytesDone, monitor.Read().bytesInAll);
    // The files listed before the large one are copied, none after it.
    Listing copies;
    if (replacing) copies["b_02"] = "vecchio";
    for (const auto& entry : fs::directory_iterator(folder.source())) {
      const std::string name = entry.path().filename().string();
      if (name == "b_01") break;
      copies[name.substr(0, 2) + "02"] = Summary(Contents(entry.path()));
    }
    EXPECT_EQ(ListFolder(folder.target()), copies);
  }
}

// Each fault stops the pass with its message and leaves no partial file: a
// new target is not there, an old one is intact. Only after a failed flush
// do the copies stay; the copies are flushed after a failure too. A
// file-size limit gives EFBIG, not death by SIGXFSZ.
TEST(CopyPassDeathTest, FaultsAreReportedAndLeaveNoPartialFile) {
  const std::string failed = Copying("a_01", "a_02"), eio = "errore di lettura o scrittura";
  const std::pair<Fault, std::string> cases[] = {
      {Fault::kClose, failed + eio},
      {Fault::kFileSize, failed + "file troppo grande"},
      {Fault::kSyncfs, "Impossibile salvare sul disco i file copiati in \"Modificati\": " + eio}};
  for (const auto& [with, message] : cases) {
    for (const bool replacing : {false, true}) {
      TempProgramFolder folder;
      folder.AddSource("a_01", Pattern(2 << 20, 3));
      if (replacing) Write(folder.target() / "a_02", "vecchio");
      EXPECT_EXIT(PassAndExit(folder.root(), with), ::testing::ExitedWithCode(1), message);
      Listing left;
      if (with == Fault::kSyncfs || replacing)
        left["a_02"] = with == Fault::kSyncfs ? Summary(Pattern(2 << 20, 3)) : "vecchio";
      EXPECT_EQ(ListFolder(folder.target()), left);
    }
  }
}

// Sources that cannot be copied under their new names stop the pass, which
// writes nothing: a link that cannot be followed; a replacement ending in
// half a character before the escape of a byte that is not UTF-8 (the two
// would pass for one character nobody typed). An "Originali" that cannot be
// opened stops the pass too.
TEST(CopyPassPosixTest, SourcesThatCannotBeCopiedStopThePass) {
  const std::tuple<std::string, std::u16string_view, std::u16string_view, std::string> cases[] = {
      {"rotto_01", u"01", u"02", Copying("rotto_01", "rotto_02") + "file o cartella inesistente."},
      {"a\x80_01", u"a", u"b\xD800",
       Copying("a\xEF\xBF\xBD_01", "b\xF0\x90\x82\x80_01") +
           "il nuovo nome contiene caratteri non validi."}};
  for (const auto& [source, searchText, replacementText, message] : cases) {
    TempProgramFolder folder;
    if (source.starts_with("rotto"))
      fs::create_symlink("mancante", folder.source() / source);
    else
      folder.AddSource(source, "");
    EXPECT_EQ(FailingPass(folder.root(), searchText, replacementText), message);
    EXPECT_EQ(ListFolder(folder.target()), Listing{});
  }
  TempProgramFolder folder;  // an "Originali" that cannot be opened stops it at once
  fs::remove(folder.source());
  fs::create_symlink("Originali", folder.source());
  EXPECT_EQ(FailingPass(folder.root(), u"", u""),
            "Impossibile aprire la cartella \"Originali\": troppi collegamenti simbolici.");
}

// A sparse source cut short while it is copied: the copy holds what the
// source holds at the end, not its first size zero-filled.
TEST(CopyPassPosixTest, ASparseSourceCutWhileCopiedGivesWhatItHoldsAtTheEnd) {
  TempProgramFolder folder;
  const fs::path source = AddSparseSource(folder);
  onSeek = [&](int whence) {
    if (whence == SEEK_HOLE) ::truncate(source.c_str(), 512 << 10);
  };
  Pass(folder.root(), u"01", u"02");
  onSeek = nullptr;
  EXPECT_EQ(Summary(Contents(folder.target() / "rado_02")), Summary(Pattern(512 << 10, 4)));
}

// A pass on a folder without unnamed files (a USB stick), held in the middle
// of a copy, while a second pass with the same host name runs in another PID
// namespace (a container), where the first one's process id means nothing:
// the second leaves the first one's temporary file alone, both complete.
TEST(CopyPassPosixTest, APassInAnotherPidNamespaceLeavesARunningPassAlone) {
  if (::geteuid() != 0) GTEST_SKIP() << "a PID namespace of its own needs root";
  // Held while it writes its first copy, and once written, until renamed.
  for (const bool written : {false, true}) {
    TempProgramFolder folder;
    const fs::path sparse = AddSparseSource(folder);
    folder.AddSource("denso_01", "denso");
    const int refused = std::exchange(refuseTmpfile, EOPNOTSUPP);
    const pid_t held = ::fork();
    if (held == 0) {
      std::atomic<bool> stopped = false;
      const auto stop = [&] {
        if (!stopped.exchange(true)) ::kill(::getpid(), SIGSTOP);
      };
      onSeek = [&](int) { written ? void() : stop(); };
      onWrittenClose = [&] { written ? stop() : void(); };
      PassAndExit(folder.root());
    }
    int status = 0, heldStatus = 0;
    ASSERT_EQ(::waitpid(held, &status, WUNTRACED), held);
    ASSERT_TRUE(WIFSTOPPED(status));
    const pid_t other = ::fork();
    if (other == 0) {
      if (::unshare(CLONE_NEWPID) != 0) ExitChild(2);
      const pid_t inner = ::fork();  // process 1 of the new namespace
      if (inner == 0) PassAndExit(folder.root());
      ::waitpid(inner, &status, 0);
      ExitChild(WIFEXITED(status) ? WEXITSTATUS(status) : 3);
    }
    ::waitpid(other, &status, 0);
    ::kill(held, SIGCONT);
    ::waitpid(held, &heldStatus, 0);
    refuseTmpfile = refused;
    EXPECT_EQ(status, 0);
    EXPECT_EQ(heldStatus, 0) << written;
    EXPECT_EQ(ListFolder(folder.target()),
              (Listing{{"rado_02", Summary(Contents(sparse))}, {"denso_02", "denso"}}));
  }
}

// Every errno of the reason table has its own Italian reason.
TEST(CopyPassPosixTest, EveryErrnoACopyCanMeetHasItsItalianReason) {
  const std::pair<std::vector<int>, std::string_view> cases[] = {
      {{ENOENT}, "file o cartella inesistente"},
      {{EACCES, EPERM}, "accesso negato"},
      {{ENOSPC}, "spazio esaurito sul disco"},
      {{ENAMETOOLONG}, "nome troppo lungo"},
      {{EROFS}, "file system di sola lettura"},
      {{EISDIR}, "esiste già una cartella con quel nome"},
      {{ENOTDIR}, "una parte del percorso non è una cartella"},
      {{ELOOP}, "troppi collegamenti simbolici"},
      {{EFBIG}, "file troppo grande"},
      {{EIO}, "errore di lettura o scrittura sul disco"},
      {{EINVAL}, "nome o operazione non validi"},
      {{EMFILE}, "troppi file aperti dal programma"},
      {{ENFILE}, "troppi file aperti nel sistema"},
      {{EDQUOT}, "quota del disco superata"},
      {{ETXTBSY}, "il file è un programma in esecuzione"},
      {{EXDEV}, "operazione non possibile tra dischi diversi"},
      {{EBUSY}, "file o disco occupato"},
      {{EEXIST}, "esiste già un file con quel nome"},
      {{ENOMEM, ENOBUFS}, "memoria insufficiente"},
      {{ESTALE}, "il file nella cartella di rete non è più valido"},
      {{EAGAIN}, "risorsa momentaneamente non disponibile"},
      {{EINTR}, "operazione interrotta"},
      {{EOVERFLOW}, "file troppo grande per questa operazione"},
      {{ENXIO, ENODEV}, "dispositivo inesistente"},
      {{ENOMEDIUM}, "nessun disco nell'unità"},
      {{EOPNOTSUPP, ENOSYS}, "operazione non supportata dal file system"},
      {{EILSEQ}, "nome con caratteri non validi"},
      {{EMLINK}, "troppi collegamenti al file"},
      {{ENOLCK}, "nessun blocco disponibile sul file"},
      {{EUCLEAN}, "file system danneggiato"},
      {{EREMOTEIO}, "errore di lettura o scrittura sul disco di rete"},
      {{ETIMEDOUT}, "il disco di rete non risponde"},
      {{ENOTCONN, ECONNRESET, ECONNABORTED, EHOSTDOWN, EHOSTUNREACH, ENETDOWN, ENETUNREACH},
       "connessione di rete interrotta"},
      {{EPROTO, 4095}, ""}};
  for (const auto& [codes, reason] : cases) {
    for (const int code : codes) {
      EXPECT_EQ(ReasonText({code, std::system_category()}),
                reason.empty() ? "errore di sistema " + std::to_string(code) : std::string(reason))
          << code;
    }
  }
}

}  // namespace
}  // namespace rinomina::test
