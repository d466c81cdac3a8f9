// orvex-cli write and info, run as a user would run them, and the FIELD=VALUE
// parsing they share with other commands.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "CliRunner.h"
#include "cli/ParaOverrides.h"

namespace fs = std::filesystem;

namespace {

class CliParaFile : public CliTest {
 protected:
  RunResult Run(const std::vector<std::string>& args) const {
    return CliTest::Run(ORVEX_CLI_PATH, args);
  }
};

TEST_F(CliParaFile, WriteGivesTheDefaultFileAndInfoShowsWhatWriteSetAndTheLoaderKept) {
  const RunResult write = Run({"write", Path("default.ovx")});
  EXPECT_EQ(std::tuple(write.code, write.out + write.err), std::tuple(0, ""));
  EXPECT_EQ(Slurp(Path("default.ovx")).size(), 135u);
  const RunResult listing = Run({"info", Path("default.ovx")});
  EXPECT_EQ(std::tuple(listing.code, listing.err), std::tuple(0, ""));
  EXPECT_EQ(listing.out,
            "m_dUpDownAngle=-20\nm_dLeftRightAngle=30\nm_dRange=12\nm_dZCoef=11\n"
            "m_bPerspective=1\nm_bHiddenLine=1\nm_bShading=1\nm_nMesh=32\n"
            "m_dContourStep=0.050000000000000003\nm_nDrawStyle=0\n"
            "m_strFormula=sin ( sqrt ( x^2 + y^2 ) ) / sqrt ( x^2 + y^2 )\n"
            "m_dZeroByZero=1\nm_nBackColor=0\n");

  const std::tuple<std::vector<std::string>, const char*> cases[] = {
      {{"m_nMesh=100", "m_dRange=3", "m_nMesh=120"}, "m_nMesh=120"},  // the last one wins
      {{"m_dRange=3", "m_dZCoef=0.5"}, "m_dRange=3\nm_dZCoef=0.5"},
      {{"m_nMesh=2147483647"}, "m_nMesh=2000"},  // what the loader kept
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

TEST(ParaOverrides, BadAssignmentsAreRefusedAndChangeNothing) {
  const std::string before = FormatParaFields(CParaData());
  for (const char* assignment :
       {"m_nMesh", "=5", "m_nmesh=5", "nMesh=5", "m_nMesh=", "m_nMesh=5x", "m_nMesh= 5",
        "m_nMesh=5 ", "m_nMesh=1.5", "m_nMesh=2147483648", "m_nMesh=-2147483649", "m_bShading=true",
        "m_dRange=", "m_dRange=12,5", "m_dRange=1e999", "m_dRange= 1", "m_dRange=1 ",
        "m_dRange=abc"}) {
    SCOPED_TRACE(assignment);
    CParaData para;
    std::string error;
    EXPECT_FALSE(ApplyParaOverride(para, assignment, &error));
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(FormatParaFields(para), before);
  }
}

// What the listing prints can be fed back to reproduce the set bit for bit.
TEST(ParaOverrides, ListingFedBackReproducesTheSet) {
  CParaData source;
  source.m_dUpDownAngle = 0.1 + 0.2, source.m_dLeftRightAngle = -0.0, source.m_dRange = 5e-324;
  source.m_dZCoef = 1.7976931348623157e308, source.m_bShading = 7, source.m_nMesh = -2147483647 - 1;
  source.m_dContourStep = std::nan(""), source.m_strFormula = "\xEF\xBD\xBC + x";
  source.m_dZeroByZero = INFINITY, source.m_nBackColor = 9;
  CParaData rebuilt;
  std::istringstream lines(FormatParaFields(source));
  std::string line, error;
  while (std::getline(lines, line)) ASSERT_TRUE(ApplyParaOverride(rebuilt, line, &error)) << line;
  EXPECT_EQ(FormatParaFields(rebuilt), FormatParaFields(source));
  EXPECT_EQ(std::bit_cast<std::uint64_t>(rebuilt.m_dLeftRightAngle),
            std::bit_cast<std::uint64_t>(-0.0));
}

}  // namespace
