// Whole-file saves: through links, in place when only the file is writable,
// and failures that leave every file and name as they were.
#include "core/SafeSave.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>

#include "Unprivileged.h"

namespace fs = std::filesystem;

namespace {

using Listing = std::map<std::string, std::string>;

std::span<const std::uint8_t> AsBytes(const std::string& text) {
  return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

class SafeSave : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "orvex-safesave-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    m_dir = pattern;
    MakeTraversableByOthers(m_dir);
  }
  void TearDown() override {
    // Folders locked by a test must let their entries go again.
    for (const auto& entry : fs::recursive_directory_iterator(m_dir)) {
      if (!entry.is_symlink() && entry.is_directory()) chmod(entry.path().c_str(), 0755);
    }
    fs::remove_all(m_dir);
  }

  std::string Path(const std::string& name) const { return (m_dir / name).string(); }
  void Write(const std::string& name, const std::string& text, mode_t mode) const {
    std::ofstream(Path(name), std::ios::binary) << text;
    ASSERT_EQ(chmod(Path(name).c_str(), mode), 0);
  }
  std::string Read(const std::string& name) const {
    std::ifstream in(Path(name), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  void Link(const std::string& name, const std::string& target) const {
    fs::create_symlink(target, m_dir / name);
  }
  struct stat Stat(const std::string& name) const {
    struct stat info {};
    EXPECT_EQ(stat(Path(name).c_str(), &info), 0) << name;
    return info;
  }
  // Every name below the test folder with a file's bytes, a link's target or
  // "/" for a folder: a stray temporary shows here too.
  Listing List() const {
    Listing all;
    for (const auto& entry : fs::recursive_directory_iterator(m_dir)) {
      const std::string name = entry.path().lexically_relative(m_dir).string();
      all[name] = entry.is_symlink()     ? "-> " + fs::read_symlink(entry.path()).string()
                  : entry.is_directory() ? "/"
                                         : Read(name);
    }
    return all;
  }

  fs::path m_dir;
};

TEST_F(SafeSave, ReplacesTheFileByANewOneWithTheOldPermissions) {
  ASSERT_EQ(SaveFileSafely(Path("set"), AsBytes("first, longer")), 0);
  ASSERT_EQ(chmod(Path("set").c_str(), 0604), 0);
  const ino_t old = Stat("set").st_ino;
  ASSERT_EQ(SaveFileSafely(Path("set"), AsBytes("second")), 0);
  EXPECT_NE(Stat("set").st_ino, old);  // renamed over, not written in place
  EXPECT_EQ(Stat("set").st_mode & 07777, 0604u);
  EXPECT_EQ(List(), (Listing{{"set", "second"}}));
}

TEST_F(SafeSave, SavesThroughLinksIntoTheFileTheyName) {
  fs::create_directory(m_dir / "sub");
  Write("sub/real", "old", 0604);
  Link("absolute.lnk", Path("sub/real"));
  Link("relative.lnk", "sub/real");
  Link("sub/hop.lnk", "real");  // relative to sub/, not to the first link's folder
  Link("chain.lnk", "sub/hop.lnk");
  Link("dangling.lnk", "sub/new");
  const struct {
    std::string link, file;
  } cases[] = {{"absolute.lnk", "sub/real"},
               {"relative.lnk", "sub/real"},
               {"chain.lnk", "sub/real"},
               {"dangling.lnk", "sub/new"}};
  Listing expected = List();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.link);
    ASSERT_EQ(SaveFileSafely(Path(c.link), AsBytes("via " + c.link)), 0);
    expected[c.file] = "via " + c.link;
    EXPECT_EQ(List(), expected);
  }
  EXPECT_EQ(Stat("sub/real").st_mode & 07777, 0604u);  // the file's bits, not the link's
}

TEST_F(SafeSave, FailuresChangeNothingAndGiveTheCause) {
  fs::create_directory(m_dir / "folder");
  Write("folder/inside", "kept", 0644);
  Write("plain", "plain", 0644);
  Link("loop.lnk", "loop.lnk");
  Link("lost.lnk", "nowhere/set");
  const struct {
    std::string path;
    int err;
  } cases[] = {
      {Path("folder"), EISDIR},
      {Path("nowhere/set"), ENOENT},
      {Path("lost.lnk"), ENOENT},
      {Path("plain/set"), ENOTDIR},
      {Path("loop.lnk"), ELOOP},
      {Path("folder/"), EINVAL},
      {"", EINVAL},
  };
  const Listing before = List();
  for (const auto& c : cases) {
    EXPECT_EQ(SaveFileSafely(c.path, AsBytes("new")), c.err) << c.path;
    EXPECT_EQ(List(), before) << c.path;
  }
}

// If the temporary went beside the link, the locked folder would refuse it and
// the file would be written in place, keeping its inode.
TEST_F(SafeSave, TheTemporaryGoesBesideTheFileALinkNames) {
  fs::create_directories(m_dir / "locked");
  fs::create_directories(m_dir / "open");
  Write("open/set", "old", 0666);
  Link("locked/set.lnk", "../open/set");
  ASSERT_EQ(chmod(Path("open").c_str(), 0777), 0);
  ASSERT_EQ(chmod(Path("locked").c_str(), 0555), 0);
  Listing expected = List();
  expected["open/set"] = "new";
  const ino_t old = Stat("open/set").st_ino;
  const int result =
      RunUnprivileged([&] { return SaveFileSafely(Path("locked/set.lnk"), AsBytes("new")); });
  if (result == kCannotDropRoot) GTEST_SKIP() << "cannot run as nobody here";
  EXPECT_EQ(result, 0);
  EXPECT_NE(Stat("open/set").st_ino, old);
  EXPECT_EQ(List(), expected);
}

TEST_F(SafeSave, InALockedFolderOnlyAWritableFileIsWrittenInPlace) {
  fs::create_directory(m_dir / "locked");
  Write("locked/writable", "old, longer", 0666);
  Write("locked/readonly", "old, longer", 0444);
  ASSERT_EQ(chmod(Path("locked").c_str(), 0555), 0);
  const struct {
    std::string name;
    int err;
  } cases[] = {{"locked/writable", 0}, {"locked/readonly", EACCES}, {"locked/absent", EACCES}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Listing expected = List();
    const ino_t old = c.err == 0 ? Stat(c.name).st_ino : 0;
    const int result =
        RunUnprivileged([&] { return SaveFileSafely(Path(c.name), AsBytes("new")); });
    if (result == kCannotDropRoot) GTEST_SKIP() << "cannot run as nobody here";
    EXPECT_EQ(result, c.err);
    if (c.err == 0) {
      expected[c.name] = "new";
      EXPECT_EQ(Stat(c.name).st_ino, old);
    }
    EXPECT_EQ(List(), expected);
  }
}

}  // namespace
