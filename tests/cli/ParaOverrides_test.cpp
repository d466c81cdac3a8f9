#include "cli/ParaOverrides.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <sstream>
#include <string>

namespace {

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
