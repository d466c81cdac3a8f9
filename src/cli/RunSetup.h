// What the commands that sample a formula share: the parameter set of a run
// from a file and overrides, and the output's kind from its name.
#pragma once

#include <string>
#include <vector>

#include "core/Formula.h"
#include "core/ParaData.h"

// Where a run's parameter set comes from: the file's set (or the defaults,
// for an empty file name), then the FIELD=VALUE overrides and the NAME=VALUE
// formula parameters, each in order.
struct RunSource {
  std::string file;
  std::vector<std::string> overrides;
  std::vector<std::string> params;
};

// The source's set, and its formula compiled with its parameters. A file
// whose block cannot be read gives its warning on standard error, naming the
// command, and the run goes on. Returns 0, or the exit code after a message
// on standard error naming the command.
int PrepareRun(const char* command, const RunSource& source, CParaData* para, CFormula* formula);

// Whether text ends in suffix (lower case), in any letter case.
bool EndsWith(const std::string& text, const char* suffix);
