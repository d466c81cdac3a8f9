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
#include "core/ParaFile.h"

namespace fs = std::filesystem;

namespace {

class CliParaFile : public CliTest {
 protected:
  RunResult Run(const std::vector<std::string>& args) const {
    return CliTest::Run(ORVEX_CLI_PATH, args);
  }
};

// write stores the default set with its assignments as the program's files
// hold it (the formula in CP932); info lists the fields the loader kept.
TEST_F(CliParaFile, WriteStoresTheSetAndInfoListsWhatTheLoaderKept) {
  const RunResult write = Run({"write", Path("set.ovx"), "--set", "m_strFormula=\xE8\xA8\x88 x"});
  EXPECT_EQ(std::tuple(write.code, write.out + write.err), std::tuple(0, ""));
  CParaData written;
  written.m_strFormula = "\xE8\xA8\x88 x";
  const std::vector<std::uint8_t> stored = StoreParaData(written);
  EXPECT_EQ(Slurp(Path("set.ovx")), std::string(stored.begin(), stored.end()));
  const RunResult listing = Run({"info", Path("set.ovx")});
  EXPECT_EQ(std::tuple(listing.code, listing.out, listing.err),
            std::tuple(0, FormatParaFields(written), ""));
  // Parameters follow the object unchanged and are listed after the fields;
  // a block that cannot be read costs only them.
  const RunResult params = Run({"write", Path("params.ovx"), "--set", "m_strFormula=\xE8\xA8\x88 x",
                                "--param", "a=1.5", "--param", "Theta=37", "--param", "A=-0.25"});
  EXPECT_EQ(std::tuple(params.code, params.out + params.err), std::tuple(0, ""));
  const std::string withParams = Slurp(Path("params.ovx"));
  EXPECT_EQ(withParams.substr(0, stored.size()), std::string(stored.begin(), stored.end()));
  EXPECT_EQ(Run({"info", Path("params.ovx")}).out, listing.out + "a=-0.25\nTheta=37\n");
  std::ofstream(Path("cut.ovx"), std::ios::binary) << withParams.substr(0, withParams.size() - 1);
  const RunResult cut = Run({"info", Path("cut.ovx")});
  EXPECT_EQ(
      std::tuple(cut.code, cut.out, cut.err),
      std::tuple(0, listing.out, "ﾌｧｲﾙの拡張部分が壊れています。ﾊﾟﾗﾒｰﾀ以外を読み込みました。\n"));

  // The centre's two fields come after the background colour's.
  ASSERT_EQ(Run({"write", Path("odd.ovx"), "--set", "m_dCentreY=-0.5"}).code, 0);
  EXPECT_NE(
      Run({"info", Path("odd.ovx")}).out.find("\nm_nBackColor=0\nm_dCentreX=0\nm_dCentreY=-0.5\n"),
      std::string::npos);
}

// Usage errors exit 2 with some text; failed files exit 1 with their message.
TEST_F(CliParaFile, FailuresPrintTheMessageAndWriteNothing) {
  ASSERT_EQ(Run({"write", Path("good.ovx")}).code, 0);
  const std::string good = Slurp(Path("good.ovx")), x = Path("x.ovx"),
                    bad = "予期しないﾌｧｲﾙ形式です。\n";
  std::ofstream(Path("cut.ovx"), std::ios::binary) << good.substr(0, 60);
  const std::tuple<std::vector<std::string>, int, std::string> cases[] = {
      {{"write"}, 2, ""},
      {{"info", x}, 1, x + " が見つかりませんでした。\n"},
      {{"info", Path("cut.ovx")}, 1, bad},
      {{"info", m_dir.string()}, 1, "ﾄﾞｷｭﾒﾝﾄを開くことに失敗しました。\n"},
  };
  for (const auto& [args, code, err] : cases) {
    SCOPED_TRACE(::testing::PrintToString(args));
    const RunResult run = Run(args);
    EXPECT_EQ(run.code, code);
    EXPECT_EQ(run.out, "");
    EXPECT_TRUE(err.empty() ? !run.err.empty() : run.err == err) << run.err;
    EXPECT_EQ(std::distance(fs::directory_iterator(m_dir), {}), 2);
  }
}

// A parameter samples as its value written into the formula would, from the
// command line or from a file, in every command that samples.
TEST_F(CliParaFile, ParametersSampleAsTheirValuesInEveryCommand) {
  ASSERT_EQ(Run({"write", Path("a.ovx"), "--set", "m_nMesh=4", "--set", "m_strFormula=a*x+B",
                 "--param", "a=2", "--param", "b=0.5"})
                .code,
            0);
  const std::vector<std::string> written = {"--set", "m_nMesh=4", "--set", "m_strFormula=3*x+0.5"};
  const std::vector<std::string> variants[] = {
      {"--set", "m_nMesh=4", "--set", "m_strFormula=a*x+B", "--param", "a=3", "--param", "b=.5"},
      {Path("a.ovx"), "--param", "A=3"},
  };
  const std::tuple<std::string, std::vector<std::string>, std::string> commands[] = {
      {"sample", {}, ""},
      {"export", {"-o", Path("out.obj")}, Path("out.obj")},
      {"render", {"--size", "40x30", "-o", Path("out.png")}, Path("out.png")},
  };
  for (const auto& [command, rest, output] : commands) {
    SCOPED_TRACE(command);
    const auto run = [&](const std::vector<std::string>& set) {
      std::vector<std::string> args = {command};
      args.insert(args.end(), set.begin(), set.end());
      args.insert(args.end(), rest.begin(), rest.end());
      const RunResult result = Run(args);
      return std::tuple(result.code, result.out, result.err, output.empty() ? "" : Slurp(output));
    };
    const auto expected = run(written);
    ASSERT_EQ(std::get<0>(expected), 0) << std::get<2>(expected);
    for (const std::vector<std::string>& variant : variants) EXPECT_EQ(run(variant), expected);
  }
}

// Settings between the bars (the spaces are part of them); parameters with no
// value, a name that is none or the language's, a value not finite, or a 65th
// (which names the language has is the core's to test).
TEST(ParaOverrides, BadAssignmentsAreRefusedAndChangeNothing) {
  CParaData full;
  for (int k = 0; k < 64; ++k) full.m_params.push_back({"p" + std::to_string(k), 0.0});
  std::vector<std::pair<bool, std::string>> cases;
  std::istringstream settings(
      "m_nMesh|m_nmesh=5|m_nMesh=|m_nMesh=5x|m_nMesh= 5|m_nMesh=5 |m_nMesh=1.5|m_bShading=true|"
      "m_nMesh=2147483648|m_nMesh=-2147483649|m_dRange=|m_dRange=12,5|m_dRange= 1|m_dRange=1e999|"
      "m_dCentreX=inf|m_dCentreY=nan");
  for (std::string setting; std::getline(settings, setting, '|');)
    cases.emplace_back(false, setting);
  for (const char* param : {"a", "1a=1", "x=1", "a=nan", "a=1e999", "q=1"})
    cases.emplace_back(true, param);
  for (const auto& [param, assignment] : cases) {
    SCOPED_TRACE(assignment);
    const CParaData before = assignment == "q=1" ? full : CParaData{};
    CParaData para = before;
    std::string error;
    EXPECT_FALSE(param ? ApplyParamOverride(para, assignment, &error)
                       : ApplyParaOverride(para, assignment, &error));
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(para, before);
  }
}

// A new parameter gets a slider around its value; an existing one, found in
// any letter case, keeps its name, step and mode, and its range widens only
// when the value falls outside.
TEST(ParaOverrides, ParametersAreAddedOrSetInAnyLetterCase) {
  CParaData para;
  // An older file's E, a word the language took later, stays settable.
  para.m_params = {{"Rate", 0.5, -1.0, 1.0, 0.01, PlayMode::Once}, {"E", 2.0}};
  std::string error;
  for (const char* assignment : {"rATE=-0.75", "k=37", "K=0.5", "RATE=5", "e=3"})
    ASSERT_TRUE(ApplyParamOverride(para, assignment, &error)) << assignment << ": " << error;
  const std::vector<FormulaParameter> expected = {
      {"Rate", 5.0, -10.0, 10.0, 0.01, PlayMode::Once}, {"E", 3.0}, {"k", 0.5, -50.0, 50.0, 0.5}};
  EXPECT_EQ(para.m_params, expected);
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
