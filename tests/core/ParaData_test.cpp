#include "core/ParaData.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "ParaFileTestUtil.h"

namespace {

TEST(ParaData, DefaultsAreThoseOfAFreshPlot) {
  const CParaData para;
  EXPECT_EQ(para.m_dUpDownAngle, -20.0);
  EXPECT_EQ(para.m_dLeftRightAngle, 30.0);
  EXPECT_EQ(para.m_dRange, 12.0);
  EXPECT_EQ(para.m_dZCoef, 11.0);
  EXPECT_EQ(para.m_bPerspective, TRUE);
  EXPECT_EQ(para.m_bHiddenLine, TRUE);
  EXPECT_EQ(para.m_bShading, TRUE);
  EXPECT_EQ(para.m_nMesh, 32);
  EXPECT_EQ(para.m_dContourStep, 0.05);
  EXPECT_EQ(para.m_nDrawStyle, STYLE_MESH);
  EXPECT_EQ(para.m_strFormula, "sin ( sqrt ( x^2 + y^2 ) ) / sqrt ( x^2 + y^2 )");
  EXPECT_EQ(para.m_dZeroByZero, 1.0);
  EXPECT_EQ(para.m_nBackColor, BACK_BLACK);
}

TEST(ParaData, AssignmentCopiesEveryField) {
  const CParaData source = SentinelSet();
  CParaData target;
  target = source;
  ExpectSameSet(target, source);
  // The string is copied by value, not shared.
  target.m_strFormula += "+1";
  EXPECT_EQ(source.m_strFormula, "x*y");
}

TEST(ParaData, SelfAssignmentChangesNothing) {
  CParaData para = SentinelSet();
  para.m_strFormula = std::string(300, 'x');  // past any small-string buffer
  const CParaData before = para;
  CParaData& alias = para;
  para = alias;
  ExpectSameSet(para, before);
}

TEST(ParaData, ZeroByZeroIndexIsTheIntegerPartOfValuePlusOne) {
  const struct {
    double value;
    int index;
  } cases[] = {
      {-1.0, 0},
      {0.0, 1},
      {1.0, 2},
      {-0.0, 1},
      {-0.5, 0},
      {0.5, 1},
      {0.999, 1},
      // Values no list item holds still land on an item.
      {-7.0, 0},
      {5.0, 2},
      {std::numeric_limits<double>::infinity(), 2},
      {-std::numeric_limits<double>::infinity(), 0},
      {std::nan(""), 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.value);
    EXPECT_EQ(ZeroByZeroIndex(c.value), c.index);
  }
}

TEST(ParaData, ZeroByZeroValueInvertsTheIndex) {
  for (int index = 0; index <= 2; ++index) {
    SCOPED_TRACE(index);
    EXPECT_EQ(ZeroByZeroValue(index), index - 1.0);
    EXPECT_EQ(ZeroByZeroIndex(ZeroByZeroValue(index)), index);
  }
}

}  // namespace
