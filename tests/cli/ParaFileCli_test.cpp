// orvex-cli write and info, run as a user would run them.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <tuple>
#include <vector>

#include "CliRunner.h"

namespace fs = std::filesystem;

namespace {

class CliParaFile : public CliTest {
 protected:
  RunResult Run(const std::vector<std::string>& args) const {
    return CliTest::Run(ORVEX_CLI_PATH, args);
  }
};

TEST_F(CliParaFile, WriteGivesTheDefaultFileAndInfoListsIt) {
  const RunResult write = Run({"write", Path("default.ovx")});
  EXPECT_EQ(write.code, 0);
  EXPECT_EQ(write.out + write.err, "");
  EXPECT_EQ(Slurp(Path("default.ovx")).size(), 135u);
  const RunResult info = Run({"info", Path("default.ovx")});
  EXPECT_EQ(info.code, 0);
  EXPECT_EQ(info.err, "");
  EXPECT_EQ(info.out,
            "m_dUpDownAngle=-20\nm_dLeftRightAngle=30\nm_dRange=12\nm_dZCoef=11\n"
            "m_bPerspective=1\nm_bHiddenLine=1\nm_bShading=1\nm_nMesh=32\n"
            "m_dContourStep=0.050000000000000003\nm_nDrawStyle=0\n"
            "m_strFormula=sin ( sqrt ( x^2 + y^2 ) ) / sqrt ( x^2 + y^2 )\n"
            "m_dZeroByZero=1\nm_nBackColor=0\n");
}

TEST_F(CliParaFile, InfoShowsWhatWriteSetAndTheLoaderKept) {
  const std::tuple<std::vector<std::string>, const char*> cases[] = {
      {{"m_nMesh=100", "m_dRange=3", "m_nMesh=120"}, "m_nMesh=120"},  // the last one wins
      {{"m_dRange=3", "m_dZCoef=0.5"}, "m_dRange=3\nm_dZCoef=0.5"},
      {{"m_nMesh=0"}, "m_nMesh=1"},
      {{"m_nMesh=2147483647"}, "m_nMesh=2000"},
      {{"m_nDrawStyle=9"}, "m_nDrawStyle=9"},
      {{"m_nBackColor=7"}, "m_nBackColor=7"},
      {{"m_dContourStep=-1"}, "m_dContourStep=-1"},
      {{"m_dRange=nan"}, "m_dRange=nan"},
      {{"m_strFormula=\xE8\xA8\x88 x"}, "m_strFormula=\xE8\xA8\x88 x"},
  };
  for (const auto& [sets, line] : cases) {
    SCOPED_TRACE(line);
    std::vector<std::string> args = {"write", Path("odd.ovx")};
    for (const std::string& set : sets) args.insert(args.end(), {"--set", set});
    ASSERT_EQ(Run(args).code, 0);
    const RunResult info = Run({"info", Path("odd.ovx")});
    EXPECT_EQ(info.code, 0);
    EXPECT_NE(info.out.find(std::string("\n") + line + "\n"), std::string::npos) << info.out;
  }
  EXPECT_EQ(Slurp(Path("odd.ovx")).substr(71, 5), "\x04\x8C\x76 x");  // CP932 on disk
}

// Usage errors exit 2 with some text; failed files exit 1 with their message.
TEST_F(CliParaFile, FailuresPrintTheMessageAndWriteNothing) {
  ASSERT_EQ(Run({"write", Path("good.ovx")}).code, 0);
  const std::string good = Slurp(Path("good.ovx")), x = Path("x.ovx"),
                    bad = "予期しないﾌｧｲﾙ形式です。\n";
  std::ofstream(Path("cut.ovx"), std::ios::binary) << good.substr(0, 60);
  std::ofstream(Path("other.ovx"), std::ios::binary) << good.substr(0, 14) + "b" + good.substr(15);
  const std::tuple<std::vector<std::string>, int, std::string> cases[] = {
      {{"write"}, 2, ""},
      {{"write", "--set", "m_nMesh=4"}, 2, ""},
      {{"write", x, "--set"}, 2, ""},
      {{"write", x, "--set", "m_nFoo=1"}, 2, ""},
      {{"write", x, "--set", "m_dRange=1.5.2"}, 2, ""},
      {{"write", x, Path("y.ovx")}, 2, ""},
      {{"info"}, 2, ""},
      {{"info", x, x}, 2, ""},
      {{"write", Path("no/x.ovx")}, 1, Path("no/x.ovx") + " が見つかりませんでした。\n"},
      {{"info", x}, 1, x + " が見つかりませんでした。\n"},
      {{"info", Path("cut.ovx")}, 1, bad},
      {{"info", Path("other.ovx")}, 1, bad},
      {{"info", m_dir.string()}, 1, "ﾄﾞｷｭﾒﾝﾄを開くことに失敗しました。\n"},
  };
  for (const auto& [args, code, err] : cases) {
    SCOPED_TRACE(::testing::PrintToString(args));
    const RunResult run = Run(args);
    EXPECT_EQ(run.code, code);
    EXPECT_EQ(run.out, "");
    EXPECT_TRUE(err.empty() ? !run.err.empty() : run.err == err) << run.err;
    EXPECT_EQ(std::distance(fs::directory_iterator(m_dir), {}), 3);
  }
}

}  // namespace
