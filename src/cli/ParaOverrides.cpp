#include "cli/ParaOverrides.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <utility>
#include <variant>

#include "cli/Numbers.h"
#include "core/Formula.h"
#include "core/ParaFile.h"
#include "core/Ticks.h"

namespace {

using FieldPointer = std::variant<double CParaData::*, int CParaData::*, std::string CParaData::*>;

struct Field {
  const char* name;
  FieldPointer member;
};

const Field kFields[] = {
    {"m_dUpDownAngle", &CParaData::m_dUpDownAngle},
    {"m_dLeftRightAngle", &CParaData::m_dLeftRightAngle},
    {"m_dRange", &CParaData::m_dRange},
    {"m_dZCoef", &CParaData::m_dZCoef},
    {"m_bPerspective", &CParaData::m_bPerspective},
    {"m_bHiddenLine", &CParaData::m_bHiddenLine},
    {"m_bShading", &CParaData::m_bShading},
    {"m_nMesh", &CParaData::m_nMesh},
    {"m_dContourStep", &CParaData::m_dContourStep},
    {"m_nDrawStyle", &CParaData::m_nDrawStyle},
    {"m_strFormula", &CParaData::m_strFormula},
    {"m_dZeroByZero", &CParaData::m_dZeroByZero},
    {"m_nBackColor", &CParaData::m_nBackColor},
};

// Beyond the thirteen: the window's centre, which a file holds only finite.
const std::pair<const char*, double CParaData::*> kCentreFields[] = {
    {"m_dCentreX", &CParaData::m_dCentreX},
    {"m_dCentreY", &CParaData::m_dCentreY},
};

std::string Number(double value) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%.17g", value);
  return buffer;
}

}  // namespace

bool ApplyParaOverride(CParaData& para, const std::string& assignment, std::string* error) {
  const std::size_t equals = assignment.find('=');
  if (equals == std::string::npos) {
    *error = "expected FIELD=VALUE, got '" + assignment + "'";
    return false;
  }
  const std::string name = assignment.substr(0, equals);
  const std::string value = assignment.substr(equals + 1);
  for (const Field& field : kFields) {
    if (name != field.name) continue;
    if (const auto* d = std::get_if<double CParaData::*>(&field.member)) {
      if (!ParseDouble(value, &(para.**d))) {
        *error = "bad number for " + name + ": '" + value + "'";
        return false;
      }
    } else if (const auto* n = std::get_if<int CParaData::*>(&field.member)) {
      if (!ParseInt(value, &(para.**n))) {
        *error = "bad integer for " + name + ": '" + value + "'";
        return false;
      }
    } else {
      para.*std::get<std::string CParaData::*>(field.member) = value;
    }
    return true;
  }
  for (const auto& [fieldName, member] : kCentreFields) {
    if (name != fieldName) continue;
    double centre = 0.0;
    if (!ParseDouble(value, &centre) || !std::isfinite(centre)) {
      *error = "bad number for " + name + " (a finite number): '" + value + "'";
      return false;
    }
    para.*member = centre;
    return true;
  }
  *error = "unknown parameter '" + name + "'";
  return false;
}

std::string FormatParaFields(const CParaData& para) {
  std::string out;
  for (const Field& field : kFields) {
    out += field.name;
    out += '=';
    if (const auto* d = std::get_if<double CParaData::*>(&field.member)) {
      out += Number(para.**d);
    } else if (const auto* n = std::get_if<int CParaData::*>(&field.member)) {
      out += std::to_string(para.**n);
    } else {
      out += para.*std::get<std::string CParaData::*>(field.member);
    }
    out += '\n';
  }
  if (para.m_dCentreX != 0.0 || para.m_dCentreY != 0.0) {
    for (const auto& [name, member] : kCentreFields)
      out += std::string(name) + "=" + Number(para.*member) + "\n";
  }
  return out;
}

bool ApplyParamOverride(CParaData& para, const std::string& assignment, std::string* error) {
  const std::size_t equals = assignment.find('=');
  if (equals == std::string::npos) {
    *error = "expected NAME=VALUE, got '" + assignment + "'";
    return false;
  }
  const std::string name = assignment.substr(0, equals);
  const std::string text = assignment.substr(equals + 1);
  auto existing = para.m_params.begin();
  while (existing != para.m_params.end() && !SameParameterName(existing->name, name)) ++existing;
  // A word the language took later (an older file's E) stays settable where
  // the set already has it as a parameter.
  const bool known = existing != para.m_params.end();
  if (!IsParameterName(name) || (!known && !IsFormulaParameterName(name))) {
    *error = "'" + name + "' cannot name a parameter (a letter, then letters and digits, up to " +
             std::to_string(kMaxParameterNameBytes) + ", and no word of the formula language)";
    return false;
  }
  double value = 0.0;
  if (!ParseDouble(text, &value) || !std::isfinite(value)) {
    *error = "bad value for parameter " + name + ": '" + text + "'";
    return false;
  }
  const SliderRange slider = SliderRangeFor(value);
  FormulaParameter param{name, value, slider.min, slider.max, slider.step};
  if (known) {
    param = *existing;
    param.value = value;
    if (value < param.min || value > param.max) {
      param.min = std::min(param.min, slider.min);
      param.max = std::max(param.max, slider.max);
    }
  } else if (para.m_params.size() == kMaxFormulaParameters) {
    *error = "more than " + std::to_string(kMaxFormulaParameters) + " parameters";
    return false;
  }
  if (!IsStorableParameter(param) || value < param.min || value > param.max) {
    *error = "no slider range holds the value of parameter " + name + ": '" + text + "'";
    return false;
  }
  if (existing != para.m_params.end()) {
    *existing = param;
  } else {
    para.m_params.push_back(param);
  }
  return true;
}

std::string FormatFormulaParameters(const CParaData& para) {
  std::string out;
  for (const FormulaParameter& param : para.m_params)
    out += param.name + "=" + Number(param.value) + "\n";
  return out;
}
