#include "model/file_io.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <cerrno>
#include <cstring>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <fstream>

namespace pf {
namespace {

namespace fs = std::filesystem;

class FileIoTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "pf-file-io-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
  }
  void TearDown() override {
    std::error_code ec;
    fs::permissions(dir_, fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(dir_, ec);
  }
  std::string path(const std::string& name) const { return (dir_ / name).string(); }
  void put(const std::string& name, const std::string& content) const {
    std::ofstream(path(name), std::ios::binary) << content;
  }
  std::string contentOf(const std::string& name) const {
    const auto bytes = ReadWholeFile(path(name));
    return bytes ? std::string(bytes->begin(), bytes->end()) : std::string("<unreadable>");
  }
  std::vector<std::string> entries() const {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir_)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

  fs::path dir_;
};

std::span<const std::uint8_t> bytesOf(const std::string& s) {
  return {reinterpret_cast<const std::uint8_t*>(s.data()), s.size()};
}

TEST_F(FileIoTest, WritesReplacesAndShortensWithoutLeavingTemporaries) {
  ASSERT_TRUE(WriteFileAtomically(path("a.ico"), bytesOf("a much longer first content")));
  EXPECT_EQ(contentOf("a.ico"), "a much longer first content");
  ASSERT_TRUE(WriteFileAtomically(path("a.ico"), bytesOf("short")));
  EXPECT_EQ(contentOf("a.ico"), "short");
  ASSERT_TRUE(WriteFileAtomically(path("empty"), {}));
  EXPECT_EQ(contentOf("empty"), "");
  EXPECT_EQ(entries(), (std::vector<std::string>{"a.ico", "empty"}));
}

TEST_F(FileIoTest, ReplacedFileKeepsItsPermissions) {
  put("p.ini", "old");
  fs::permissions(path("p.ini"), fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  ASSERT_TRUE(WriteFileAtomically(path("p.ini"), bytesOf("new")));
  EXPECT_EQ(fs::status(path("p.ini")).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

TEST_F(FileIoTest, FailedWritesLeaveTheTargetAndNoTemporaries) {
  // A folder where the file should go.
  fs::create_directory(path("taken"));
  put("taken/inside", "keep");
  EXPECT_FALSE(WriteFileAtomically(path("taken"), bytesOf("x")));
  EXPECT_EQ(contentOf("taken/inside"), "keep");
  // A folder that does not exist, and a path naming no file.
  std::string why;
  EXPECT_FALSE(WriteFileAtomically(path("missing/a.ico"), bytesOf("x"), &why));
  EXPECT_EQ(why, std::strerror(ENOENT)) << "the system's description of the failure";
  EXPECT_FALSE(WriteFileAtomically(dir_.string() + "/", bytesOf("x")));

  // The disk filling up mid-write, simulated by a file size limit (which binds root as well).
  put("full.ico", "old content");
  struct rlimit saved {};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
  const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
  struct rlimit small = saved;
  small.rlim_cur = 1000;
  ::setrlimit(RLIMIT_FSIZE, &small);
  const bool written = WriteFileAtomically(path("full.ico"), std::vector<std::uint8_t>(5000, 7));
  ::setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, oldHandler);
  EXPECT_FALSE(written);
  EXPECT_EQ(contentOf("full.ico"), "old content");

  EXPECT_EQ(entries(), (std::vector<std::string>{"full.ico", "taken"}));
}

// Permissions do not bind root: as root, `body` runs in a child process that has become nobody, over a
// folder handed to nobody. True when `body` returned true.
template <class Body>
bool AsOrdinaryUser(const fs::path& folder, Body body) {
  if (::geteuid() != 0) return body();
  constexpr uid_t kNobody = 65534;
  for (const auto& e : fs::recursive_directory_iterator(folder)) {
    if (::lchown(e.path().c_str(), kNobody, kNobody) != 0) return false;
  }
  if (::chown(folder.c_str(), kNobody, kNobody) != 0) return false;
  const pid_t child = ::fork();
  if (child == 0) {
    if (::setgid(kNobody) != 0 || ::setuid(kNobody) != 0) ::_exit(2);
    ::_exit(body() ? 0 : 1);
  }
  int status = 0;
  return child > 0 && ::waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

TEST_F(FileIoTest, UnwritableFolderIsWrittenInPlaceAndAProtectedFileIsKept) {
  ASSERT_EQ(::chmod(dir_.c_str(), 0755), 0);  // nobody must reach into it
  fs::create_directory(path("ro"));
  put("ro/a.ico", "old");
  put("locked.ico", "old");
  fs::permissions(path("locked.ico"), fs::perms::owner_read);
  fs::permissions(path("ro"), fs::perms::owner_read | fs::perms::owner_exec);
  const std::string folder = path("ro"), locked = path("locked.ico"), inRo = path("ro/a.ico");
  EXPECT_TRUE(AsOrdinaryUser(dir_, [&] {
    // A file the user may write in a folder they may not: no temporary file can go beside it, so it is
    // written in place, and the caller hears so.
    WriteMethod how = WriteMethod::Replaced;
    const bool inPlace =
        WriteFileAtomically(inRo, bytesOf("new"), nullptr, &how) && how == WriteMethod::InPlace;
    // Nothing to write in place: a new file in that folder cannot be made at all.
    const bool noNewFile = !WriteFileAtomically(folder + "/b.ico", bytesOf("new"));
    // A read-only file in a writable folder: a rename could replace it, but its owner protected it.
    std::string why;
    const bool refused = !WriteFileAtomically(locked, bytesOf("new"), &why) && why == std::strerror(EACCES);
    return inPlace && noNewFile && refused;
  }));
  fs::permissions(path("ro"), fs::perms::owner_all);
  EXPECT_EQ(contentOf("ro/a.ico"), "new");
  EXPECT_EQ(contentOf("locked.ico"), "old");
  EXPECT_EQ(entries(), (std::vector<std::string>{"locked.ico", "ro"}));
  EXPECT_EQ(std::distance(fs::directory_iterator(path("ro")), fs::directory_iterator()), 1);
}

TEST_F(FileIoTest, SavesThroughSymbolicLinksToTheirTargets) {
  fs::create_directories(path("real/deeper"));
  fs::create_directories(path("links"));
  // Link (name -> target as written), the file that must change: absolute, relative to the link's own
  // folder, and a chain ending in a file not made yet.
  const std::vector<std::pair<std::string, std::string>> links = {{"links/abs", path("real/PF.ini")},
                                                                  {"links/rel", "../real/Pal.pal"},
                                                                  {"links/one", "../real/two"},
                                                                  {"real/two", "deeper/three.wrk"}};
  for (const auto& [link, target] : links) fs::create_symlink(target, path(link));
  put("real/PF.ini", "old");
  put("real/Pal.pal", "old");
  for (const auto& [saved, changed] : {std::pair{"links/abs", "real/PF.ini"},
                                       {"links/rel", "real/Pal.pal"},
                                       {"links/one", "real/deeper/three.wrk"}}) {
    WriteMethod how = WriteMethod::InPlace;
    ASSERT_TRUE(WriteFileAtomically(path(saved), bytesOf("new"), nullptr, &how)) << saved;
    EXPECT_EQ(how, WriteMethod::Replaced) << "all or nothing, beside the target";
    EXPECT_EQ(contentOf(changed), "new") << saved;
  }
  for (const auto& [link, target] : links) EXPECT_EQ(fs::read_symlink(path(link)).string(), target);
  EXPECT_EQ(std::distance(fs::directory_iterator(path("real")), fs::directory_iterator()), 4)
      << "no temporary left";

  // A loop ends in a refusal, not a hang.
  fs::create_symlink("b", path("a"));
  fs::create_symlink("a", path("b"));
  std::string why;
  EXPECT_FALSE(WriteFileAtomically(path("a"), bytesOf("x"), &why));
  EXPECT_EQ(why, std::strerror(ELOOP));
}

TEST_F(FileIoTest, PrivateFilesAreOwnerOnlyAndNeverReachedThroughALink) {
  put("victim", "the user's notes");
  put("open.pfj", "old");
  ::chmod(path("open.pfj").c_str(), 0644);
  fs::create_symlink(path("victim"), path("link.pfj"));
  fs::create_directory(path("folder.pfj"));
  struct Case {
    const char* name;
    int error;  // 0: written
  };
  for (const Case& c :
       {Case{"new.pfj", 0}, Case{"open.pfj", 0}, Case{"link.pfj", ELOOP}, Case{"folder.pfj", EISDIR}}) {
    std::string whyWhole, whyAppended;
    const bool whole = WritePrivateFileAtomically(path(c.name), bytesOf("journal"), &whyWhole);
    const bool appended = WritePrivateFileAt(path(c.name), 7, bytesOf("+"), &whyAppended);
    EXPECT_EQ(whole, c.error == 0) << c.name;
    EXPECT_EQ(appended, c.error == 0) << c.name;
    EXPECT_EQ(ReadWholeFileNoFollow(path(c.name)).has_value(), c.error == 0) << c.name;
    if (c.error == 0) {
      struct stat st {};
      ASSERT_EQ(::lstat(path(c.name).c_str(), &st), 0);
      EXPECT_EQ(st.st_mode & 07777, 0600u) << c.name;
      EXPECT_EQ(contentOf(c.name), "journal+") << c.name;
    } else {
      EXPECT_EQ(whyWhole, std::strerror(c.error)) << c.name;
      EXPECT_EQ(whyAppended, std::strerror(c.error)) << c.name;
    }
  }
  EXPECT_EQ(contentOf("victim"), "the user's notes");
  EXPECT_TRUE(fs::is_symlink(path("link.pfj")));
  EXPECT_EQ(entries(), (std::vector<std::string>{"folder.pfj", "link.pfj", "new.pfj", "open.pfj", "victim"}));
}

TEST_F(FileIoTest, ReadRefusesWhatIsNotAnOrdinaryFileOfSaneSize) {
  put("empty", "");
  ASSERT_TRUE(ReadWholeFile(path("empty")).has_value());
  EXPECT_TRUE(ReadWholeFile(path("empty"))->empty());
  // Each refusal says why, in the system's words.
  std::string why;
  EXPECT_FALSE(ReadWholeFile(path("missing"), &why));
  EXPECT_EQ(why, std::strerror(ENOENT));
  EXPECT_FALSE(ReadWholeFile(dir_.string(), &why));
  EXPECT_EQ(why, std::strerror(EISDIR));
  // A pipe would block a plain read for ever.
  ASSERT_EQ(::mkfifo(path("pipe").c_str(), 0600), 0);
  EXPECT_FALSE(ReadWholeFile(path("pipe")));
  // Sparse, so the test costs no disk space.
  put("huge", "");
  fs::resize_file(path("huge"), kMaxReadSize + 1);
  EXPECT_FALSE(ReadWholeFile(path("huge"), &why));
  EXPECT_EQ(why, std::strerror(EFBIG));

  // A format of fixed length reads its start from any longer file, and refuses the same non-files.
  put("ten", "0123456789");
  EXPECT_EQ(ReadFileStart(path("ten"), 4), (std::vector<std::uint8_t>{'0', '1', '2', '3'}));
  EXPECT_EQ(ReadFileStart(path("ten"), 40)->size(), 10u);
  EXPECT_EQ(ReadFileStart(path("huge"), 2560)->size(), 2560u) << "past the cap, only the start is read";
  EXPECT_FALSE(ReadFileStart(dir_.string(), 10));
  EXPECT_FALSE(ReadFileStart(path("pipe"), 10));
}

TEST(PathParts, SplitAtTheLastSeparator) {
  struct Case {
    std::string path, folder, name;
  };
  for (const Case& c : std::vector<Case>{{"/home/u/a.ico", "/home/u", "a.ico"},
                                         {"a.ico", "", "a.ico"},
                                         {"/a.ico", "", "a.ico"},
                                         {"dir/", "dir", ""},
                                         {"", "", ""},
                                         {"x/y.z/w", "x/y.z", "w"}}) {
    EXPECT_EQ(FolderOf(c.path), c.folder) << c.path;
    EXPECT_EQ(NameAfterLastSeparator(c.path), c.name) << c.path;
  }
}

}  // namespace
}  // namespace pf
