// What the commands that sample a formula share: the parameter set of a run
// from a file and overrides, and the output's kind from its name.
#pragma once

#include <string>
#include <vector>

#include "core/Formula.h"
#include "core/ParaData.h"

// The file's set (or the defaults, for an empty file name) with the
// overrides applied in order, and its formula compiled. Returns 0, or the
// exit code after a message on standard error naming the command.
int PrepareRun(const char* command, const std::string& file,
               const std::vector<std::string>& overrides, CParaData* para, CFormula* formula);

// Whether text ends in suffix (lower case), in any letter case.
bool EndsWith(const std::string& text, const char* suffix);
