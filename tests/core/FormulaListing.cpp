// Every formula the language accepted before it grew must still compile to the
// same programs, so that a stored file's formula keeps every value it had.
//
//   formula_listing LISTING
//     LISTING (FormulaPrograms.txt, written once by the language before it
//     grew): one formula a line, tab-separated: its parameter names (space-
//     separated), the formula with bytes outside printable ASCII, the tab and
//     the backslash as \xHH, its tokens and postfix list, and its program as
//     compiled and as optimised. The programs are compared, byte for byte:
//     different tokens that compile to the same program read the same.
//     Exits 1 at any difference, or when the listing holds no formula.
#include <bit>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "core/Formula.h"

namespace {

std::string Unescape(const std::string& text) {
  std::string out;
  for (std::size_t k = 0; k < text.size(); ++k) {
    if (text[k] == '\\' && k + 3 < text.size() && text[k + 1] == 'x') {
      out += static_cast<char>(std::stoi(text.substr(k + 2, 2), nullptr, 16));
      k += 3;
    } else {
      out += text[k];
    }
  }
  return out;
}

std::vector<std::string> Split(const std::string& line, char separator) {
  std::vector<std::string> fields;
  std::string field;
  std::istringstream in(line);
  while (std::getline(in, field, separator)) fields.push_back(field);
  if (!line.empty() && line.back() == separator) fields.emplace_back();
  return fields;
}

// Status, result register, register count, parameters, constants by their
// bits, then each instruction as opcode:dst:a:b.
std::string Dump(const FormulaProgram& program) {
  std::string out = std::to_string(static_cast<int>(program.Status())) + " r" +
                    std::to_string(program.ResultRegister()) + " n" +
                    std::to_string(program.RegisterCount()) + " p" +
                    std::to_string(program.ParameterCount()) + " c";
  char hex[20];
  for (const double constant : program.Constants()) {
    std::snprintf(hex, sizeof hex, "%016llX",
                  static_cast<unsigned long long>(std::bit_cast<std::uint64_t>(constant)));
    out += std::string(" ") + hex;
  }
  out += " i";
  for (const FormulaInstr& instr : program.Code()) {
    out += " " + std::to_string(static_cast<int>(instr.op)) + ":" + std::to_string(instr.dst) +
           ":" + std::to_string(instr.a) + ":" + std::to_string(instr.b);
  }
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: formula_listing LISTING\n";
    return 2;
  }
  std::ifstream listing(argv[1]);
  std::size_t compared = 0, differing = 0;
  for (std::string line; std::getline(listing, line);) {
    const std::vector<std::string> fields = Split(line, '\t');
    if (fields.size() != 6) continue;
    const std::string text = Unescape(fields[1]);
    const std::vector<std::string> names = Split(fields[0], ' ');
    std::vector<FormulaParameter> parameters;
    for (const std::string& name : names) parameters.push_back({.name = name});
    std::string got = "refused";
    if (CheckFormula(text, names) == FormulaCheck::Ok) {
      const CFormula formula = CompileFormula(text, parameters);
      got = Dump(formula.Program()) + "\t" + Dump(formula.Program().Optimized());
    }
    const std::string expected = fields[4] + "\t" + fields[5];
    ++compared;
    if (got != expected) {
      ++differing;
      std::cout << "differs: '" << fields[1] << "' with [" << fields[0] << "]\n  was " << expected
                << "\n  now " << got << '\n';
    }
  }
  std::cout << compared << " formulas compared, " << differing << " differ\n";
  return compared > 0 && differing == 0 ? 0 : 1;
}
