#include "gui/EntryRules.h"

#include <QFocusEvent>
#include <QLineEdit>

#include "gui/Prompts.h"
#include "gui/Texts.h"

namespace {

const ParamFieldInfo kFields[kParamFieldCount] = {
    {texts::kLabelUpDown, QT_TRANSLATE_NOOP("Orvex", "ﾓﾃﾞﾙ上下角度："), "upDown", kAngleField, -180,
     180},
    {texts::kLabelLeftRight, QT_TRANSLATE_NOOP("Orvex", "ﾓﾃﾞﾙ左右角度："), "leftRight", kAngleField,
     -180, 180},
    {texts::kLabelRange, QT_TRANSLATE_NOOP("Orvex", "計算範囲±："), "range", kScaleField, 1, 100},
    {texts::kLabelZCoef, QT_TRANSLATE_NOOP("Orvex", "Z軸係数："), "zCoef", kScaleField, 1, 100},
    {texts::kLabelMesh, QT_TRANSLATE_NOOP("Orvex", "メッシュ数："), "mesh", kMeshField, 1, 500},
    {texts::kLabelContourStep, QT_TRANSLATE_NOOP("Orvex", "等高線間隔："), "contourStep",
     kContourStepField, 1, 100},
    {texts::kLabelCentreX, QT_TRANSLATE_NOOP("Orvex", "中心 x："), "centreX", kCentreField, -100000,
     100000},
    {texts::kLabelCentreY, QT_TRANSLATE_NOOP("Orvex", "中心 y："), "centreY", kCentreField, -100000,
     100000},
};

double* DoubleOf(CParaData& para, ParamField field) {
  switch (field) {
    case ParamField::UpDown:
      return &para.m_dUpDownAngle;
    case ParamField::LeftRight:
      return &para.m_dLeftRightAngle;
    case ParamField::Range:
      return &para.m_dRange;
    case ParamField::ZCoef:
      return &para.m_dZCoef;
    case ParamField::ContourStep:
      return &para.m_dContourStep;
    case ParamField::CentreX:
      return &para.m_dCentreX;
    case ParamField::CentreY:
      return &para.m_dCentreY;
    case ParamField::Mesh:
      break;
  }
  return nullptr;
}

}  // namespace

const ParamFieldInfo& FieldInfo(ParamField field) { return kFields[static_cast<int>(field)]; }

QString FieldText(const CParaData& para, ParamField field) {
  if (field == ParamField::Mesh) return QString::number(para.m_nMesh);
  CParaData copy = para;
  return QString::fromStdString(FormatEntryDouble(*DoubleOf(copy, field)));
}

void StoreField(CParaData& para, ParamField field, double value) {
  if (field == ParamField::Mesh) {
    para.m_nMesh = static_cast<int>(value);
  } else {
    *DoubleOf(para, field) = value;
  }
}

void ShowNumberRefusal(QWidget* parent, EntryFault fault, const std::string& message) {
  ShowMessage(parent, QString::fromStdString(message),
              fault == EntryFault::NotANumber ? MessageIcon::None : MessageIcon::Warning);
}

void AnswerRefusedNumber(QLineEdit* edit, EntryFault fault, const std::string& message) {
  ShowNumberRefusal(edit->window(), fault, message);
  edit->setFocus(Qt::OtherFocusReason);
  edit->selectAll();
}

bool ReadNumberField(QLineEdit* edit, const NumericField& rule, double* value) {
  std::string message;
  const EntryFault fault = CheckEntry(edit->text().toStdString(), rule, value, &message);
  if (fault == EntryFault::None) return true;
  AnswerRefusedNumber(edit, fault, message);
  return false;
}

bool LeavesField(const QEvent* event) {
  if (event->type() != QEvent::FocusOut) return false;
  const Qt::FocusReason reason = static_cast<const QFocusEvent*>(event)->reason();
  return reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason &&
         reason != Qt::MenuBarFocusReason;
}
