// Whole-file saves: through links, in place when only the file is writable,
// failures that leave every file and name as they were, saves the disk
// refuses part-way, and the messages the parameter files give for them.
#include "core/SafeSave.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "ParaFileTestUtil.h"
#include "Unprivileged.h"
#include "core/ParaFile.h"

namespace fs = std::filesystem;

namespace {

using Listing = std::map<std::string, std::string>;
const std::string kNotFound = " が見つかりませんでした。", kBadName = "無効なﾌｧｲﾙ名です。",
                  kSaveFailed = "ﾄﾞｷｭﾒﾝﾄの保存に失敗しました。";

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
    for (const auto& entry : fs::recursive_directory_iterator(m_dir))
      if (!entry.is_symlink() && entry.is_directory()) chmod(entry.path().c_str(), 0755);
    fs::remove_all(m_dir);
  }

  std::string Path(const std::string& name) const { return (m_dir / name).string(); }
  void Write(const std::string& name, const std::string& text, mode_t mode = 0644) const {
    std::ofstream(Path(name), std::ios::binary) << text;
    ASSERT_EQ(chmod(Path(name).c_str(), mode), 0);
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
      std::ifstream in(entry.path(), std::ios::binary);
      all[entry.path().lexically_relative(m_dir).string()] =
          entry.is_symlink()     ? "-> " + fs::read_symlink(entry.path()).string()
          : entry.is_directory() ? "/"
                                 : std::string(std::istreambuf_iterator<char>(in), {});
    }
    return all;
  }

  fs::path m_dir;
};
using SaveFault = SafeSave;
using ParaFileIo = SafeSave;

// A file is replaced by a new one (renamed over, not written in place) that
// takes the old one's permissions; a link is followed to the file it names,
// each hop relative to its own folder, and the temporary goes beside that
// file. Only a folder that refuses new files has a writable file written in
// place. A folder's name is refused. As nobody, so that the locked folder bites.
TEST_F(SafeSave, WritesThroughLinksAndInPlaceOnlyWhereNoNewFileMayBe) {
  for (const char* folder : {"sub", "locked"}) fs::create_directory(m_dir / folder);
  Write("sub/real", "old, longer", 0606);
  Write("locked/writable", "old, longer", 0666);
  fs::create_symlink("real", m_dir / "sub/hop.lnk");
  fs::create_symlink("sub/hop.lnk", m_dir / "chain.lnk");
  fs::create_symlink("sub/new", m_dir / "dangling.lnk");
  fs::create_symlink("../sub/real", m_dir / "locked/set.lnk");
  ASSERT_EQ(chmod(Path("sub").c_str(), 0777), 0);
  ASSERT_EQ(chmod(Path("locked").c_str(), 0555), 0);
  // The path saved to, the errno, the file that takes the bytes and whether
  // it keeps its inode.
  const std::tuple<std::string, int, std::string, bool> cases[] = {
      {"chain.lnk", 0, "sub/real", false},
      {"dangling.lnk", 0, "sub/new", false},
      {"locked/writable", 0, "locked/writable", true},
      {"locked/absent", EACCES, "", false},
      {"locked/set.lnk", 0, "sub/real", false},
      {"sub/", EINVAL, "", false},
  };
  for (const auto& [name, err, file, inPlace] : cases) {
    SCOPED_TRACE(name);
    Listing expected = List();
    const ino_t old = expected.count(file) != 0 ? Stat(file).st_ino : 0;
    const int result = RunUnprivileged([&] { return SaveFileSafely(Path(name), AsBytes(name)); });
    if (result == kCannotDropRoot) GTEST_SKIP() << "cannot run as nobody here";
    EXPECT_EQ(result, err);
    if (!file.empty()) {
      expected[file] = name;
      EXPECT_EQ(Stat(file).st_ino == old, inPlace);
    }
    EXPECT_EQ(List(), expected);  // no temporary left
  }
  EXPECT_EQ(Stat("sub/real").st_mode & 07777, 0606u);  // the file's bits, not the link's
  EXPECT_EQ(ParaFileErrorMessage(EINVAL, Path("sub/"), ParaFileOp::Save), kBadName);
}

// The injected calls fail with g_err; the write first passes g_budget bytes
// on, as a short write, the way a disk that fills up answers.
std::size_t g_budget = 0;
int g_err = 0;

ssize_t WriteUntilFull(int fd, const void* data, std::size_t count) {
  if (g_budget == 0) {
    errno = g_err;
    return -1;
  }
  const ssize_t n = ::write(fd, data, std::min(count, g_budget));
  if (n > 0) g_budget -= static_cast<std::size_t>(n);
  return n;
}
int FailingFsync(int) { return errno = g_err, -1; }
int FailingRename(const char*, const char*) { return errno = g_err, -1; }

// Each fault must leave the old file byte for byte, no temporary beside it,
// and an errno that picks the user's message.
TEST_F(SaveFault, EveryFailedCallKeepsTheOldFileLeavesNoTemporaryAndNamesTheCause) {
  const std::string path = Path("set.ovx");
  const std::vector<std::uint8_t> old = StoreParaData(SentinelSet());
  Write("set.ovx", std::string(old.begin(), old.end()), 0640);
  const Listing before = List();
  const std::vector<std::uint8_t> bytes = StoreParaData(CParaData());
  const std::string full = path + " へのｱｸｾｽ中にﾃﾞｨｽｸがいっぱいになりました。";
  // Write faults cut the file after 0 .. size - 1 bytes; the flush and the
  // rename come after the whole file.
  const std::tuple<const char*, SaveCalls, int, std::string> cases[] = {
      {"write", {.write = WriteUntilFull}, ENOSPC, full},
      {"write", {.write = WriteUntilFull}, EIO, kSaveFailed},
      {"fsync", {.fsync = FailingFsync}, ENOSPC, full},  // a network file system's late answer
      {"rename", {.rename = FailingRename}, EROFS, path + " へのｱｸｾｽは拒否されました。"},
  };
  // A streamed save hands the same bytes over one at a time.
  const auto byteByByte = [&](SaveStream& stream) {
    for (const std::uint8_t& byte : bytes) {
      if (!stream.Write({&byte, 1})) return;
    }
  };
  for (const auto& [call, calls, err, message] : cases) {
    const bool cutsTheWrite = calls.write == WriteUntilFull;
    for (std::size_t k = 0; k < (cutsTheWrite ? bytes.size() : 1); ++k) {
      for (const bool streamed : {false, true}) {
        SCOPED_TRACE(testing::Message() << call << " errno " << err << " after " << k
                                        << (streamed ? " streamed" : ""));
        g_budget = k;
        g_err = err;
        const int got = streamed ? SaveFileStreamed(path, byteByByte, calls)
                                 : SaveFileSafely(path, bytes, calls);
        EXPECT_EQ(got, err);
        EXPECT_EQ(ParaFileErrorMessage(got, path, ParaFileOp::Save), message);
        ASSERT_EQ(List(), before);
        EXPECT_EQ(Stat("set.ovx").st_mode & 07777, 0640u);
      }
    }
  }
}

TEST_F(ParaFileIo, FailuresGiveTheMessageWithThePathAndChangeNothing) {
  const std::string bad = "予期しないﾌｧｲﾙ形式です。",
                    notOpened = "ﾄﾞｷｭﾒﾝﾄを開くことに失敗しました。";
  fs::create_directory(m_dir / "folder");
  // A FIFO must not hang the open; a file past the size limit is not read.
  ASSERT_EQ(mkfifo(Path("fifo").c_str(), 0600), 0);
  Write("huge", "");
  fs::resize_file(Path("huge"), kMaxParaFileSize + 1);
  // The command line's test holds the other messages of a load.
  const std::tuple<bool, std::string, std::string> cases[] = {
      {false, Path("missing.ovx"), Path("missing.ovx") + kNotFound},
      {false, Path("fifo"), notOpened},
      {false, Path("huge"), bad},
      {true, Path("folder"), kSaveFailed},
  };
  for (const auto& [save, path, message] : cases) {
    SCOPED_TRACE(path);
    CParaData para = SentinelSet();
    std::string error;
    EXPECT_FALSE(save ? SaveParaFile(path, para, &error) : LoadParaFile(path, para, &error));
    EXPECT_EQ(error, message);
    EXPECT_EQ(Fields(para), Fields(SentinelSet()));
  }
  // Nothing written: no file in the folder, no temporary beside the others.
  EXPECT_EQ(std::distance(fs::recursive_directory_iterator(m_dir), {}), 3);
}

}  // namespace
