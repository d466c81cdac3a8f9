#include "cli/ParaOverrides.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <sstream>
#include <string>

namespace {

std::string Fields(const CParaData& para) { return FormatParaFields(para); }

TEST(ParaOverrides, EveryFieldIsSetByItsName) {
  const struct {
    const char* assignment;
    void (*expect)(const CParaData&);
  } cases[] = {
      {"m_dUpDownAngle=45.5", [](const CParaData& p) { EXPECT_EQ(p.m_dUpDownAngle, 45.5); }},
      {"m_dLeftRightAngle=-180", [](const CParaData& p) { EXPECT_EQ(p.m_dLeftRightAngle, -180); }},
      {"m_dRange=1e2", [](const CParaData& p) { EXPECT_EQ(p.m_dRange, 100.0); }},
      {"m_dZCoef=0x1p-2", [](const CParaData& p) { EXPECT_EQ(p.m_dZCoef, 0.25); }},
      {"m_bPerspective=0", [](const CParaData& p) { EXPECT_EQ(p.m_bPerspective, 0); }},
      {"m_bHiddenLine=5", [](const CParaData& p) { EXPECT_EQ(p.m_bHiddenLine, 5); }},
      {"m_bShading=-1", [](const CParaData& p) { EXPECT_EQ(p.m_bShading, -1); }},
      {"m_nMesh=2147483647", [](const CParaData& p) { EXPECT_EQ(p.m_nMesh, 2147483647); }},
      {"m_nMesh=-2147483648", [](const CParaData& p) { EXPECT_EQ(p.m_nMesh, -2147483647 - 1); }},
      {"m_dContourStep=nan", [](const CParaData& p) { EXPECT_TRUE(std::isnan(p.m_dContourStep)); }},
      {"m_nDrawStyle=5", [](const CParaData& p) { EXPECT_EQ(p.m_nDrawStyle, STYLE_CONTOUR); }},
      {"m_strFormula=x=y", [](const CParaData& p) { EXPECT_EQ(p.m_strFormula, "x=y"); }},
      {"m_strFormula=", [](const CParaData& p) { EXPECT_EQ(p.m_strFormula, ""); }},
      {"m_strFormula=\xE8\xA8\x88 x",
       [](const CParaData& p) { EXPECT_EQ(p.m_strFormula, "\xE8\xA8\x88 x"); }},
      {"m_dZeroByZero=-inf", [](const CParaData& p) { EXPECT_EQ(p.m_dZeroByZero, -INFINITY); }},
      {"m_nBackColor=2", [](const CParaData& p) { EXPECT_EQ(p.m_nBackColor, BACK_KEEP); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.assignment);
    CParaData para;
    std::string error;
    ASSERT_TRUE(ApplyParaOverride(para, c.assignment, &error)) << error;
    c.expect(para);
  }
}

TEST(ParaOverrides, BadAssignmentsAreRefusedAndChangeNothing) {
  const char* const cases[] = {
      "m_nMesh",    // no value
      "=5",         // no name
      "m_nmesh=5",  // names are case-sensitive
      "nMesh=5",
      "m_nMesh=",    // empty value
      "m_nMesh=5x",  // trailing text
      "m_nMesh= 5",  // leading blank
      "m_nMesh=5 ",
      "m_nMesh=1.5",         // not an integer
      "m_nMesh=2147483648",  // past int
      "m_nMesh=-2147483649",
      "m_nMesh=99999999999999999999",
      "m_bShading=true",
      "m_dRange=",
      "m_dRange=12,5",
      "m_dRange=1e999",  // overflows to infinity
      "m_dRange= 1",
      "m_dRange=1 ",
      "m_dRange=abc",
  };
  const std::string before = Fields(CParaData());
  for (const char* assignment : cases) {
    SCOPED_TRACE(assignment);
    CParaData para;
    std::string error;
    EXPECT_FALSE(ApplyParaOverride(para, assignment, &error));
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(Fields(para), before);
  }
}

TEST(ParaOverrides, DefaultSetIsListedInDeclarationOrder) {
  EXPECT_EQ(Fields(CParaData()),
            "m_dUpDownAngle=-20\n"
            "m_dLeftRightAngle=30\n"
            "m_dRange=12\n"
            "m_dZCoef=11\n"
            "m_bPerspective=1\n"
            "m_bHiddenLine=1\n"
            "m_bShading=1\n"
            "m_nMesh=32\n"
            "m_dContourStep=0.050000000000000003\n"
            "m_nDrawStyle=0\n"
            "m_strFormula=sin ( sqrt ( x^2 + y^2 ) ) / sqrt ( x^2 + y^2 )\n"
            "m_dZeroByZero=1\n"
            "m_nBackColor=0\n");
}

// What the listing prints can be fed back to reproduce the set bit for bit.
TEST(ParaOverrides, ListingFedBackReproducesTheSet) {
  CParaData source;
  source.m_dUpDownAngle = 0.1 + 0.2;
  source.m_dLeftRightAngle = -0.0;
  source.m_dRange = 5e-324;
  source.m_dZCoef = 1.7976931348623157e308;
  source.m_bShading = 7;
  source.m_nMesh = -3;
  source.m_dContourStep = std::nan("");
  source.m_strFormula = "\xEF\xBD\xBC + x";
  source.m_dZeroByZero = INFINITY;
  source.m_nBackColor = 9;
  CParaData rebuilt;
  rebuilt.m_dZCoef = 1.0;
  std::istringstream lines(Fields(source));
  std::string line;
  while (std::getline(lines, line)) {
    std::string error;
    ASSERT_TRUE(ApplyParaOverride(rebuilt, line, &error)) << line << ": " << error;
  }
  EXPECT_EQ(Fields(rebuilt), Fields(source));
  EXPECT_EQ(std::bit_cast<std::uint64_t>(rebuilt.m_dLeftRightAngle),
            std::bit_cast<std::uint64_t>(-0.0));
}

}  // namespace
