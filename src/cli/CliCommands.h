// The commands of orvex-cli. Each takes the arguments after the command name
// and returns the process exit code.
#pragma once

#include <string>
#include <vector>

using CliArgs = std::vector<std::string>;

int CmdCheck(const CliArgs& args);   // CmdFormula.cpp
int CmdEval(const CliArgs& args);    // CmdFormula.cpp
int CmdWrite(const CliArgs& args);   // CmdParaFile.cpp
int CmdInfo(const CliArgs& args);    // CmdParaFile.cpp
int CmdRender(const CliArgs& args);  // CmdRender.cpp
int CmdSample(const CliArgs& args);  // CmdRender.cpp
int CmdExport(const CliArgs& args);  // CmdExport.cpp
