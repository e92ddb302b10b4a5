// The pass on a POSIX file system: what a kill, a file-size limit, a failing
// close or flush, another file system or a sparse file do to a copy.
#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <map>
#include <thread>

#include "copy_pass.hpp"
#include "messages.hpp"
#include "temp_program_folder.hpp"

// Link-time wraps (-Wl,--wrap) let a test make a close() after writing, or
// the pass's final syncfs(), fail as a network file system or a disk would.
enum class Fault { kNone, kClose, kSyncfs, kFileSize } fault = Fault::kNone;
extern "C" int __real_close(int fd);
extern "C" int __real_syncfs(int fd);
extern "C" int __wrap_close(int fd) {
  const bool written = (::fcntl(fd, F_GETFL) & O_ACCMODE) == O_WRONLY;
  const int result = __real_close(fd);
  if (fault != Fault::kClose || !written) return result;
  errno = EIO;
  return -1;
}
extern "C" int __wrap_syncfs(int fd) {
  if (fault != Fault::kSyncfs) return __real_syncfs(fd);
  errno = EIO;
  return -1;
}

namespace rinomina {
namespace {

namespace fs = std::filesystem;
using test::Copying;
using test::FailingPass;
using test::Pattern;
using test::TempProgramFolder;
using Names = std::set<fs::path>;
const fs::path kShm = "/dev/shm";  // a tmpfs on most systems

// A pass "01" -> "02" meeting `with`, to run in a child process: exits with 0
// on success, with 1 after printing the failure.
[[noreturn]] void PassAndExit(const fs::path& programFolder, Fault with) {
  fault = with;
  const rlimit limit{1 << 20, 1 << 20};
  if (with == Fault::kFileSize) ::setrlimit(RLIMIT_FSIZE, &limit);
  try {
    RunCopyPass(programFolder, u"01", u"02");
  } catch (const CopyPassError& error) {
    std::fputs(error.what(), stderr);
    std::_Exit(1);
  }
  std::_Exit(0);
}

pid_t StartPass(const fs::path& programFolder) {
  const pid_t child = ::fork();
  if (child == 0) PassAndExit(programFolder, Fault::kNone);
  return child;
}

int Wait(pid_t child) {
  int status = -1;
  ::waitpid(child, &status, 0);
  return status;
}

TEST(CopyPassPosixTest, ListsFilesAndLinksToFilesOnly) {
  TempProgramFolder folder;
  folder.AddSource("foto_01.jpg", "foto_01.jpg");
  folder.AddSource("sola_lettura_01", "");
  fs::permissions(folder.source() / "sola_lettura_01", fs::perms(0440));
  fs::create_directory(folder.source() / "cartella_01");
  fs::create_directory_symlink("cartella_01", folder.source() / "collegamento_cartella_01");
  fs::create_symlink("foto_01.jpg", folder.source() / "collegamento_01");
  ASSERT_EQ(::mkfifo((folder.source() / "fifo_01").c_str(), 0600), 0);
  RunCopyPass(folder.root(), u"_01", u"_02");
  EXPECT_EQ(TempProgramFolder::Names(folder.target()),
            (Names{"foto_02.jpg", "sola_lettura_02", "collegamento_02"}));
  EXPECT_FALSE(fs::is_symlink(folder.target() / "collegamento_02"));
  EXPECT_EQ(TempProgramFolder::Contents(folder.target() / "collegamento_02"), "foto_01.jpg");
  const mode_t umask = ::umask(0);
  ::umask(umask);
  EXPECT_EQ(fs::status(folder.target() / "sola_lettura_02").permissions(),
            fs::perms(0440 & ~umask));
}

TEST(CopyPassPosixTest, StopsAtTheFirstFailureKeepingEarlierCopies) {
  TempProgramFolder folder;
  for (const char* name : {"a_01", "b_01", "c_01", "d_01"}) folder.AddSource(name, name);
  fs::create_symlink("nessuno", folder.source() / "rotto_01");  // a link that points nowhere
  EXPECT_EQ(FailingPass(folder.root(), u"_01", u"_02").what(),
            Copying("rotto_01", "rotto_02") + "file o cartella inesistente.");
  Names expected;
  for (const fs::directory_entry& entry : fs::directory_iterator(folder.source())) {
    if (entry.path().filename() == "rotto_01") break;
    expected.insert(entry.path().filename().string().replace(1, 3, "_02"));
  }
  EXPECT_EQ(TempProgramFolder::Names(folder.target()), expected);
}

TEST(CopyPassPosixTest, NamesThatAreNotUtf8KeepTheirBytes) {
  TempProgramFolder folder;
  folder.AddSource("foto_\xFF_01.jpg", "foto");
  RunCopyPass(folder.root(), u"01", u"\u00E0\U0001F600");
  EXPECT_EQ(TempProgramFolder::Names(folder.target()),
            Names{"foto_\xFF_\xC3\xA0\xF0\x9F\x98\x80.jpg"});
}

TEST(CopyPassPosixTest, LinksUnderATargetNameAreReplacedNotWrittenThrough) {
  TempProgramFolder folder;
  folder.AddSource("foto_01.jpg", "foto");
  folder.AddSource("doc_01.txt", "doc");
  TempProgramFolder::Write(folder.root() / "esterno.txt", "esterno");
  fs::create_hard_link(folder.root() / "esterno.txt", folder.target() / "doc_02.txt");
  fs::create_symlink(folder.source() / "foto_01.jpg", folder.target() / "foto_02.jpg");
  RunCopyPass(folder.root(), u"01", u"02");
  EXPECT_EQ(TempProgramFolder::Contents(folder.root() / "esterno.txt"), "esterno");
  EXPECT_EQ(TempProgramFolder::Contents(folder.target() / "doc_02.txt"), "doc");
  EXPECT_FALSE(fs::is_symlink(folder.target() / "foto_02.jpg"));
  EXPECT_EQ(TempProgramFolder::Contents(folder.source() / "foto_01.jpg"), "foto");
}

TEST(CopyPassPosixTest, OneFolderUnderTwoNamesFailsBeforeCopying) {
  TempProgramFolder folder;
  folder.AddSource("foto_01.jpg", "");
  fs::remove(folder.target());
  fs::create_directory_symlink("Originali", folder.target());
  EXPECT_TRUE(test::MessageHas(FailingPass(folder.root(), u"", u"copia_"), "stessa cartella"));
  EXPECT_EQ(TempProgramFolder::Names(folder.source()), Names{"foto_01.jpg"});
}

// Larger than any buffer or chunk of the copy, of odd sizes, and sparse (its
// holes stay holes); across two file systems copy_file_range gives way to
// reading and writing.
TEST(CopyPassPosixTest, LargeAndSparseFilesAreCopiedWholeWithinAndAcrossFileSystems) {
  const std::string large = Pattern((3 << 20) + 1, 1), odd = Pattern(200001, 2);
  for (const bool across : {false, true}) {
    TempProgramFolder folder, other(kShm);
    struct stat status, copy;
    ASSERT_EQ(::stat(other.root().c_str(), &copy) + ::stat(folder.root().c_str(), &status), 0);
    if (across && status.st_dev == copy.st_dev) GTEST_SKIP() << kShm << " is not another disk";
    if (across) fs::remove(folder.target());
    if (across) fs::create_directory_symlink(other.target(), folder.target());
    folder.AddSource("grande_01", large);
    folder.AddSource("dispari_01", odd);
    folder.AddSource("rado_01", "dati");
    fs::resize_file(folder.source() / "rado_01", 16 << 20);
    for (int pass = 0; pass < 2; ++pass) {  // new files, then replacing them
      RunCopyPass(folder.root(), u"01", u"02");
      EXPECT_TRUE(TempProgramFolder::Contents(folder.target() / "grande_02") == large);
      EXPECT_TRUE(TempProgramFolder::Contents(folder.target() / "dispari_02") == odd);
      EXPECT_TRUE(TempProgramFolder::Contents(folder.target() / "rado_02") ==
                  TempProgramFolder::Contents(folder.source() / "rado_01"));
      ASSERT_EQ(::stat((folder.target() / "rado_02").c_str(), &copy), 0);
      EXPECT_LE(copy.st_blocks, 64);
    }
  }
}

// Killed at spread-out instants, new and replacing: every name holds a whole
// copy or what stood there before; the next pass removes the leftovers of
// dead passes (a name lives only between linking and renaming) and nothing
// else.
TEST(CopyPassPosixTest, AKilledPassLeavesOnlyWholeFiles) {
  TempProgramFolder folder(kShm);
  std::map<fs::path, std::string> copies;
  for (unsigned seed = 0; seed < 8; ++seed) {
    const std::string name = "copia_" + std::to_string(seed) + "_";
    copies[name + "02"] = Pattern(8 << 20, seed);
    folder.AddSource(name + "01", copies[name + "02"]);
  }
  const auto start = std::chrono::steady_clock::now();
  ASSERT_EQ(Wait(StartPass(folder.root())), 0);
  const auto whole = std::chrono::steady_clock::now() - start;
  pid_t child = 0;
  for (int round = 0; round < 10; ++round) {
    const bool replacing = round >= 5;
    fs::remove_all(folder.target());
    fs::create_directory(folder.target());
    for (const auto& [name, bytes] : copies) {
      if (replacing) TempProgramFolder::Write(folder.target() / name, "vecchio");
    }
    child = StartPass(folder.root());
    std::this_thread::sleep_for(whole * (round % 5 * 2 + 1) / 10);
    ::kill(child, SIGKILL);
    Wait(child);
    for (const fs::path& name : TempProgramFolder::Names(folder.target())) {
      if (name.string().starts_with(".rinomina-")) continue;
      const std::string contents = TempProgramFolder::Contents(folder.target() / name);
      EXPECT_TRUE(contents == copies.at(name) || (replacing && contents == "vecchio")) << name;
    }
  }
  char host[256] = {};
  ::gethostname(host, sizeof host - 1);
  const std::string ours = ".rinomina-" + std::string(host) + "-";
  Names kept{ours + std::to_string(::getpid()) + "-7.tmp",  // a pass still running
             ours + std::to_string(child) + "-7.tmp.bak", ".rinomina-" + std::to_string(child)};
  for (const auto& [name, bytes] : copies) kept.insert(name);
  for (const fs::path& name : kept) TempProgramFolder::Write(folder.target() / name, "");
  TempProgramFolder::Write(folder.target() / (ours + std::to_string(child) + "-7.tmp"), "");
  RunCopyPass(folder.root(), u"01", u"02");
  EXPECT_EQ(TempProgramFolder::Names(folder.target()), kept);
}

// Each fault stops the pass with its message and leaves no partial file: a
// new target is not there, an old one is intact. Only after a failed flush
// do the copies stay. A file-size limit gives EFBIG, not death by SIGXFSZ.
TEST(CopyPassDeathTest, FaultsAreReportedAndLeaveNoPartialFile) {
  const std::string failed = Copying("a_01", "a_02"), eio = "errore di lettura o scrittura";
  const std::pair<Fault, std::string> cases[] = {
      {Fault::kClose, failed + eio},
      {Fault::kFileSize, failed + "file troppo grande"},
      {Fault::kSyncfs, "Impossibile salvare sul disco i file copiati in \"Modificati\": " + eio},
  };
  for (const auto& [with, message] : cases) {
    for (const bool replacing : {false, true}) {
      TempProgramFolder folder;
      folder.AddSource("a_01", Pattern(2 << 20, 3));
      if (replacing) TempProgramFolder::Write(folder.target() / "a_02", "vecchio");
      EXPECT_EXIT(PassAndExit(folder.root(), with), ::testing::ExitedWithCode(1), message);
      const bool copied = with == Fault::kSyncfs;
      EXPECT_EQ(TempProgramFolder::Names(folder.target()),
                copied || replacing ? Names{"a_02"} : Names{});
      if (copied || replacing) {
        EXPECT_TRUE(TempProgramFolder::Contents(folder.target() / "a_02") ==
                    (copied ? Pattern(2 << 20, 3) : "vecchio"));
      }
    }
  }
}

TEST(CopyPassPosixTest, EveryErrnoACopyCanMeetHasAnItalianReason) {
  for (const int code :
       {EMFILE, ENFILE, EFBIG,  EIO,    EDQUOT,       ELOOP,      ETXTBSY,   EISDIR, ENOTDIR,
        EXDEV,  EPERM,  EBUSY,  EROFS,  ENAMETOOLONG, ENOSPC,     EACCES,    ENOENT, EEXIST,
        EINVAL, ENOMEM, ESTALE, EAGAIN, EINTR,        EOPNOTSUPP, ETIMEDOUT, EILSEQ}) {
    const std::string reason = ReasonText({code, std::system_category()});
    EXPECT_EQ(reason.find(std::strerror(code)), std::string::npos) << reason;
    EXPECT_EQ(reason.find("errore di sistema"), std::string::npos) << reason;
  }
  EXPECT_EQ(ReasonText({4095, std::system_category()}), "errore di sistema 4095");
}

}  // namespace
}  // namespace rinomina
