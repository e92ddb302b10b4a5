// The pass on a POSIX file system: what users keep in their folders, and what
// a kill, a file-size limit, a failing close or flush do to a copy.
#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "messages.hpp"
#include "temp_program_folder.hpp"

// Link-time wraps (-Wl,--wrap) let a test make a close() after writing, or
// the pass's final syncfs(), fail as a network file system or a disk would.
enum class Fault { kNone, kClose, kSyncfs, kFileSize } fault = Fault::kNone;
extern "C" int __real_close(int fd);
extern "C" int __real_syncfs(int fd);
extern "C" int __wrap_close(int fd) {
  const bool failing = fault == Fault::kClose && (::fcntl(fd, F_GETFL) & O_ACCMODE) == O_WRONLY;
  const int result = __real_close(fd);
  return failing ? (errno = EIO, -1) : result;
}
extern "C" int __wrap_syncfs(int fd) {
  return fault == Fault::kSyncfs ? (errno = EIO, -1) : __real_syncfs(fd);
}
// An ordinary user may not link a file by its descriptor on kernels before
// 6.10; here too, so that the way through /proc is what runs as one.
extern "C" int __real_linkat(int from, const char* path, int to, const char* name, int flags);
extern "C" int __wrap_linkat(int from, const char* path, int to, const char* name, int flags) {
  if ((flags & AT_EMPTY_PATH) && ::geteuid() != 0) return errno = ENOENT, -1;
  return __real_linkat(from, path, to, name, flags);
}

namespace rinomina::test {
namespace {

const fs::path kShm = "/dev/shm";  // a tmpfs on most systems

// For a child process: meets `with` in a pass "01" -> "02", prints its
// failure and exits with 1.
[[noreturn]] void FailingPassAndExit(const fs::path& programFolder, Fault with) {
  fault = with;
  const rlimit limit{1 << 20, 1 << 20};
  if (with == Fault::kFileSize) ::setrlimit(RLIMIT_FSIZE, &limit);
  std::fputs(FailingPass(programFolder, u"01", u"02").c_str(), stderr);
  std::_Exit(1);
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
      RunCopyPass(folder.root(), u"01", u"02");
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
  for (unsigned seed = 0; seed < 8; ++seed) {
    folder.AddSource("copia_" + std::to_string(seed) + "_01", Pattern(8 << 20, seed));
    copies["copia_" + std::to_string(seed) + "_02"] = Summary(Pattern(8 << 20, seed));
  }
  const auto start = std::chrono::steady_clock::now();
  RunCopyPass(folder.root(), u"01", u"02");
  const auto whole = std::chrono::steady_clock::now() - start;
  pid_t child = 0;
  for (int round = 0; round < 10; ++round) {
    for (const auto& [name, contents] : copies) {
      fs::remove(folder.target() / name);
      if (round >= 5) Write(folder.target() / name, "vecchio");
    }
    if ((child = ::fork()) == 0) {  // a pass that never returns into the tests
      [&]() noexcept { RunCopyPass(folder.root(), u"01", u"02"); }();  // a failure aborts
      std::_Exit(0);
    }
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
               {ours + dead + "-7.tmp.bak", ""},
               {ours + dead + "-7x.tmp", ""},
               {".rinomina-" + dead + "-7.tmp", ""}};
  for (const auto& [name, contents] : kept) Write(folder.target() / name, "");
  Write(folder.target() / (ours + dead + "-7.tmp"), "");
  RunCopyPass(folder.root(), u"01", u"02");
  kept.insert(copies.begin(), copies.end());
  EXPECT_EQ(ListFolder(folder.target()), kept);
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
      while (monitor.Read().bytesDone < (20u << 20)) std::this_thread::yield();
      monitor.RequestStop();
    });
    std::error_code code;
    try {
      RunCopyPass(folder.root(), u"01", u"02", &monitor);
    } catch (const CopyPassError& error) {
      code = error.code();
    }
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
// do the copies stay. A file-size limit gives EFBIG, not death by SIGXFSZ.
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
      EXPECT_EXIT(FailingPassAndExit(folder.root(), with), ::testing::ExitedWithCode(1), message);
      const Listing left = with == Fault::kSyncfs ? Listing{{"a_02", Summary(Pattern(2 << 20, 3))}}
                           : replacing            ? Listing{{"a_02", "vecchio"}}
                                                  : Listing{};
      EXPECT_EQ(ListFolder(folder.target()), left);
    }
  }
}

TEST(CopyPassPosixTest, EveryErrnoACopyCanMeetHasAnItalianReason) {
  for (const int code :
       {EMFILE, ENFILE, EFBIG,  EIO,    EDQUOT,       ELOOP,      ETXTBSY,   EISDIR, ENOTDIR,
        EXDEV,  EPERM,  EBUSY,  EROFS,  ENAMETOOLONG, ENOSPC,     EACCES,    ENOENT, EEXIST,
        EINVAL, ENOMEM, ESTALE, EAGAIN, EINTR,        EOPNOTSUPP, ETIMEDOUT, EILSEQ}) {
    const std::string reason = ReasonText({code, std::system_category()});
    EXPECT_EQ(reason.find("errore di sistema"), std::string::npos) << reason;
  }
  EXPECT_EQ(ReasonText({4095, std::system_category()}), "errore di sistema 4095");
}

}  // namespace
}  // namespace rinomina::test
