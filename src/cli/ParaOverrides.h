// Parameter fields by name, for command lines: FIELD=VALUE assignments in, and
// FIELD=VALUE listings out.
#pragma once

#include <string>

#include "core/ParaData.h"

// Sets one field from "FIELD=VALUE", FIELD being a member name such as m_nMesh.
// Doubles take the whole VALUE as strtod reads it (nan and inf included);
// integers and switches the whole VALUE as a decimal int; the formula takes
// VALUE as UTF-8 text. No range is checked, so that any value a file can hold
// can be written. On false *error says why and para is unchanged.
bool ApplyParaOverride(CParaData& para, const std::string& assignment, std::string* error);

// The thirteen fields in declaration order, one "FIELD=VALUE\n" line each:
// doubles with %.17g, switches and integers as decimal integers, the formula
// as its UTF-8 text.
std::string FormatParaFields(const CParaData& para);
