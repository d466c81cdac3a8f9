// The rules the window's entry fields share, kept in one place so that the
// panel, the dialog and the formula box cannot drift apart: the eight numeric
// fields (their checks, spin ranges and labels), how a refused number is
// answered, and what counts as leaving a field.
#pragma once

#include <array>

#include "core/NumericEntry.h"
#include "core/ParaData.h"

class QEvent;
class QLineEdit;
class QString;
class QWidget;

// The numeric fields of the parameter set, in the panel's order.
enum class ParamField { UpDown, LeftRight, Range, ZCoef, Mesh, ContourStep, CentreX, CentreY };
inline constexpr int kParamFieldCount = 8;

struct ParamFieldInfo {
  const char* panelLabel;
  const char* dialogLabel;
  const char* dialogName;  // the dialog's object name for the field
  NumericField rule;
  int spinLow, spinHigh;
};
const ParamFieldInfo& FieldInfo(ParamField field);
// The order the panel reads its fields in, which is not the order it shows
// them in. The dialog reads the same fields with the formula between them.
inline constexpr std::array<ParamField, kParamFieldCount> kPanelReadOrder = {
    ParamField::Range,  ParamField::ZCoef,       ParamField::Mesh,    ParamField::LeftRight,
    ParamField::UpDown, ParamField::ContourStep, ParamField::CentreX, ParamField::CentreY};

// The field's value in para, as the field shows it ("%.*g" at 15 digits, the
// mesh count as an integer).
QString FieldText(const CParaData& para, ParamField field);
void StoreField(CParaData& para, ParamField field, double value);

// A refused number's message: no icon for the two "type a number" messages,
// the warning for a value out of range.
void ShowNumberRefusal(QWidget* parent, EntryFault fault, const std::string& message);
// The answer to a refused number: its message, then the focus back in the
// field with its whole text selected, so the next key replaces it.
void AnswerRefusedNumber(QLineEdit* edit, EntryFault fault, const std::string& message);
// Reads edit by rule into *value; false after answering a refusal.
bool ReadNumberField(QLineEdit* edit, const NumericField& rule, double* value);

// A focus loss that leaves the field: not a message box, a menu or another
// window taking the focus for a while, after which the user goes on typing.
bool LeavesField(const QEvent* event);
