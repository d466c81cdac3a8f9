// Parameter fields and formula parameters by name, for command lines:
// FIELD=VALUE and NAME=VALUE assignments in, and the same listings out.
#pragma once

#include <string>

#include "core/ParaData.h"

// Sets one field from "FIELD=VALUE", FIELD being a member name such as m_nMesh.
// Doubles take the whole VALUE as strtod reads it (nan and inf included);
// integers and switches the whole VALUE as a decimal int; the formula takes
// VALUE as UTF-8 text. No range is checked, so that any value a file can hold
// can be written. The window's centre, m_dCentreX and m_dCentreY, takes a
// finite number only: a file holds no other. On false *error says why and
// para is unchanged.
bool ApplyParaOverride(CParaData& para, const std::string& assignment, std::string* error);

// The thirteen fields in declaration order, one "FIELD=VALUE\n" line each:
// doubles with %.17g, switches and integers as decimal integers, the formula
// as its UTF-8 text; then, for a centre other than (0, 0), m_dCentreX and
// m_dCentreY, both, with %.17g.
std::string FormatParaFields(const CParaData& para);

// Sets one formula parameter from "NAME=VALUE": the parameter of that name in
// any letter case takes the value, or a new one is added with the slider a
// new parameter at that value gets (SliderRangeFor). A value outside an
// existing parameter's range widens the range as far as that slider reaches.
// NAME must be able to name a parameter and be stored (IsFormulaParameterName,
// IsParameterName); VALUE is a finite number as ParseDouble reads it. On false
// *error says why and para is unchanged.
bool ApplyParamOverride(CParaData& para, const std::string& assignment, std::string* error);

// The formula parameters in the set's order, one "NAME=VALUE\n" line each,
// the value with %.17g.
std::string FormatFormulaParameters(const CParaData& para);
