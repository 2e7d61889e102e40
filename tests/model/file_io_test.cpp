#include "model/file_io.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>
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

TEST_F(FileIoTest, UnwritableFolderOrFileKeepsTheTarget) {
  if (::geteuid() == 0) GTEST_SKIP() << "permissions do not bind root";
  fs::create_directory(path("ro"));
  put("ro/a.ico", "old");
  fs::permissions(path("ro"), fs::perms::owner_read | fs::perms::owner_exec);
  EXPECT_FALSE(WriteFileAtomically(path("ro/a.ico"), bytesOf("new")));
  fs::permissions(path("ro"), fs::perms::owner_all);
  EXPECT_EQ(contentOf("ro/a.ico"), "old");
  // A read-only file in a writable folder: a rename could replace it, but its owner protected it.
  put("locked.ico", "old");
  fs::permissions(path("locked.ico"), fs::perms::owner_read);
  std::string why;
  EXPECT_FALSE(WriteFileAtomically(path("locked.ico"), bytesOf("new"), &why));
  EXPECT_EQ(why, std::strerror(EACCES));
  EXPECT_EQ(contentOf("locked.ico"), "old");
  EXPECT_EQ(entries(), (std::vector<std::string>{"locked.ico", "ro"}));
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
