// Helpers shared by the parameter-file tests.
#pragma once

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <string>
#include <vector>

#include "core/ParaData.h"

// Doubles compare by their bits, so NaN and -0.0 survive a round trip or not.
inline void ExpectSameSet(const CParaData& actual, const CParaData& expected) {
  const auto bits = [](double d) { return std::bit_cast<std::uint64_t>(d); };
  EXPECT_EQ(bits(actual.m_dUpDownAngle), bits(expected.m_dUpDownAngle));
  EXPECT_EQ(bits(actual.m_dLeftRightAngle), bits(expected.m_dLeftRightAngle));
  EXPECT_EQ(bits(actual.m_dRange), bits(expected.m_dRange));
  EXPECT_EQ(bits(actual.m_dZCoef), bits(expected.m_dZCoef));
  EXPECT_EQ(actual.m_bPerspective, expected.m_bPerspective);
  EXPECT_EQ(actual.m_bHiddenLine, expected.m_bHiddenLine);
  EXPECT_EQ(actual.m_bShading, expected.m_bShading);
  EXPECT_EQ(actual.m_nMesh, expected.m_nMesh);
  EXPECT_EQ(bits(actual.m_dContourStep), bits(expected.m_dContourStep));
  EXPECT_EQ(actual.m_nDrawStyle, expected.m_nDrawStyle);
  EXPECT_EQ(actual.m_strFormula, expected.m_strFormula);
  EXPECT_EQ(bits(actual.m_dZeroByZero), bits(expected.m_dZeroByZero));
  EXPECT_EQ(actual.m_nBackColor, expected.m_nBackColor);
}

// A set differing from the defaults in every field, to show that a refused
// load leaves its target alone.
inline CParaData SentinelSet() {
  CParaData para;
  para.m_dUpDownAngle = 1.5;
  para.m_dLeftRightAngle = -2.5;
  para.m_dRange = 3.25;
  para.m_dZCoef = 4.75;
  para.m_bPerspective = FALSE;
  para.m_bHiddenLine = FALSE;
  para.m_bShading = FALSE;
  para.m_nMesh = 77;
  para.m_dContourStep = 0.5;
  para.m_nDrawStyle = STYLE_SILVER;
  para.m_strFormula = "x*y";
  para.m_dZeroByZero = -1.0;
  para.m_nBackColor = BACK_KEEP;
  return para;
}

inline std::vector<std::uint8_t> Bytes(const std::string& text) {
  return std::vector<std::uint8_t>(text.begin(), text.end());
}
