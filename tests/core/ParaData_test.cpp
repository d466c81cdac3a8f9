#include "core/ParaData.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "ParaFileTestUtil.h"

namespace {

TEST(ParaData, AssignmentCopiesEveryFieldAndSurvivesSelfAssignment) {
  const CParaData source = SentinelSet();
  CParaData target;
  target = source;
  ExpectSameSet(target, source);
  target.m_strFormula = std::string(300, 'x');  // past any small-string buffer
  const CParaData before = target;
  CParaData& alias = target;
  target = alias;
  ExpectSameSet(target, before);
  EXPECT_EQ(source.m_strFormula, "x*y");
}

TEST(ParaData, ZeroByZeroIndexHasAnItemOnlyForTheListsThreeValues) {
  const double inf = std::numeric_limits<double>::infinity();
  const struct {
    double value;
    int index;
  } cases[] = {{-1.0, 0},   {0.0, 1},   {1.0, 2},  {-0.0, 1}, {-0.5, -1}, {0.5, -1},
               {0.999, -1}, {-7.0, -1}, {5.0, -1}, {inf, -1}, {-inf, -1}, {std::nan(""), -1}};
  for (const auto& c : cases) EXPECT_EQ(ZeroByZeroIndex(c.value), c.index) << c.value;
  for (int index = 0; index <= 2; ++index) EXPECT_EQ(ZeroByZeroValue(index), index - 1.0);
}

}  // namespace
