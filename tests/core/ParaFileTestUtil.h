// Helpers shared by the parameter-file tests and fuzz_parafile.
#pragma once

#include <bit>
#include <cstdint>
#include <string>
#include <tuple>
#include <vector>

#include "core/ParaData.h"

// Every field and formula parameter, doubles by their bits, so NaN and -0.0
// survive a round trip or not.
inline auto Fields(const CParaData& p) {
  const auto b = [](double d) { return std::bit_cast<std::uint64_t>(d); };
  std::vector<
      std::tuple<std::string, std::uint64_t, std::uint64_t, std::uint64_t, std::uint64_t, PlayMode>>
      params;
  for (const FormulaParameter& q : p.m_params)
    params.emplace_back(q.name, b(q.value), b(q.min), b(q.max), b(q.step), q.play);
  return std::tuple(b(p.m_dUpDownAngle), b(p.m_dLeftRightAngle), b(p.m_dRange), b(p.m_dZCoef),
                    p.m_bPerspective, p.m_bHiddenLine, p.m_bShading, p.m_nMesh, b(p.m_dContourStep),
                    p.m_nDrawStyle, p.m_strFormula, b(p.m_dZeroByZero), p.m_nBackColor, params,
                    b(p.m_dCentreX), b(p.m_dCentreY));
}

// Differs from the defaults and from anything plausible in every field, to show
// a refused load leaves its target alone.
inline CParaData SentinelSet() {
  CParaData p;
  p.m_dUpDownAngle = 1.5, p.m_dLeftRightAngle = -2.5, p.m_dRange = 3.25, p.m_dZCoef = 4.75;
  p.m_bPerspective = 7, p.m_bHiddenLine = 8, p.m_bShading = 9;
  p.m_nMesh = 77, p.m_dContourStep = 0.5, p.m_nDrawStyle = 11;
  p.m_strFormula = "x*y", p.m_dZeroByZero = -1.0, p.m_nBackColor = 12;
  p.m_params = {{"k", 2.0, -3.0, 3.0, 0.25, PlayMode::Once}};
  p.m_dCentreX = 0.75, p.m_dCentreY = -1.25;
  return p;
}

inline std::vector<std::uint8_t> Bytes(const std::string& text) {
  return std::vector<std::uint8_t>(text.begin(), text.end());
}
