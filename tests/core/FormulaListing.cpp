// What a formula compiles to, one line per formula, so that a change to the
// language can be held against the programs it produced before.
//
//   formula_listing list < INPUT > LISTING
//     INPUT: one formula a line, "NAMES<TAB>FORMULA", NAMES the parameter list
//     (space-separated, may be empty; "?" for the names the formula would
//     have as parameters), FORMULA escaped as Escape() writes it. Writes a
//     listing line, with the list, for each formula the check accepts.
//   formula_listing compare LISTING
//     Compiles each listed formula again with its list: it must still pass the
//     check and give the same token, postfix and program lines, byte for byte.
//     Exits 1 at any difference, or when the listing holds no formula.
#include <bit>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "FormulaReference.h"
#include "core/Formula.h"

namespace {

// Bytes outside printable ASCII, the tab and the backslash as \xHH, so that
// a line holds one formula whatever bytes it has.
std::string Escape(const std::string& text) {
  std::string out;
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte >= 0x7F || c == '\\') {
      char hex[5];
      std::snprintf(hex, sizeof hex, "\\x%02X", byte);
      out += hex;
    } else {
      out += c;
    }
  }
  return out;
}

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

std::string Join(const std::vector<std::string>& parts) {
  std::string out;
  for (const std::string& part : parts) out += (out.empty() ? "" : " ") + part;
  return out;
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

// The fields after the formula and its list: tokens, postfix list, the
// program as compiled and optimised. "" when the check refuses the formula.
std::string Fields(const std::string& text, const std::vector<std::string>& names) {
  if (CheckFormula(text, names) != FormulaCheck::Ok) return {};
  const CFormula formula = Compiled(text, names);
  return Escape(Join(formula.Tokens())) + "\t" + Escape(Join(formula.Postfix())) + "\t" +
         Dump(formula.Program()) + "\t" + Dump(formula.Program().Optimized());
}

int List() {
  std::string line;
  std::size_t refused = 0;
  while (std::getline(std::cin, line)) {
    const std::vector<std::string> input = Split(line, '\t');
    if (input.size() != 2) continue;
    const std::string text = Unescape(input[1]);
    const std::vector<std::string> names =
        input[0] == "?" ? FormulaParameterCandidates(text) : Split(input[0], ' ');
    const std::string fields = Fields(text, names);
    if (fields.empty()) {
      ++refused;
      continue;
    }
    std::cout << Join(names) << '\t' << Escape(text) << '\t' << fields << '\n';
  }
  std::cerr << refused << " refused formulas left out\n";
  return 0;
}

int Compare(const char* path) {
  std::ifstream listing(path);
  std::string line;
  std::size_t compared = 0, differing = 0;
  while (std::getline(listing, line)) {
    const std::vector<std::string> fields = Split(line, '\t');
    if (fields.size() < 2) continue;
    const std::string text = Unescape(fields[1]);
    const std::string expected = line.substr(fields[0].size() + fields[1].size() + 2);
    const std::string got = Fields(text, Split(fields[0], ' '));
    ++compared;
    if (got != expected) {
      ++differing;
      std::cout << "differs: '" << fields[1] << "' with [" << fields[0] << "]\n  was " << expected
                << "\n  now " << (got.empty() ? "refused" : got) << '\n';
    }
  }
  std::cout << compared << " formulas compared, " << differing << " differ\n";
  return compared > 0 && differing == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string mode = argc > 1 ? argv[1] : "";
  if (mode == "list" && argc == 2) return List();
  if (mode == "compare" && argc == 3) return Compare(argv[2]);
  std::cerr << "usage: formula_listing list < INPUT | formula_listing compare LISTING\n";
  return 2;
}
