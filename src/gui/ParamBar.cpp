#include "gui/ParamBar.h"

#include <QFocusEvent>
#include <QGridLayout>
#include <QLabel>

#include "gui/Colours.h"
#include "gui/Language.h"
#include "gui/MainFrame.h"
#include "gui/NumericEdit.h"
#include "gui/Prompts.h"
#include "gui/SpinButton.h"
#include "gui/Texts.h"

namespace {

struct FieldInfo {
  const char* label;
  NumericField field;
  int spinLow, spinHigh;
};

const FieldInfo kFields[CParamBar::kFieldCount] = {
    {texts::kLabelUpDown, kAngleField, -180, 180}, {texts::kLabelLeftRight, kAngleField, -180, 180},
    {texts::kLabelRange, kScaleField, 1, 100},     {texts::kLabelZCoef, kScaleField, 1, 100},
    {texts::kLabelMesh, kMeshField, 1, 500},       {texts::kLabelContourStep, kScaleField, 1, 100},
};

// The order the fields are read in, which is not the order they are shown in.
const CParamBar::Field kExchangeOrder[] = {CParamBar::Range,  CParamBar::ZCoef,
                                           CParamBar::Mesh,   CParamBar::LeftRight,
                                           CParamBar::UpDown, CParamBar::ContourStep};

double* FieldOf(CParaData& para, CParamBar::Field field) {
  switch (field) {
    case CParamBar::UpDown:
      return &para.m_dUpDownAngle;
    case CParamBar::LeftRight:
      return &para.m_dLeftRightAngle;
    case CParamBar::Range:
      return &para.m_dRange;
    case CParamBar::ZCoef:
      return &para.m_dZCoef;
    case CParamBar::ContourStep:
      return &para.m_dContourStep;
    default:
      return nullptr;
  }
}

}  // namespace

CParamBar::CParamBar(CMainFrame* frame) : QDockWidget(frame), m_pFrame(frame) {
  setObjectName(QStringLiteral("paramBar"));
  // Fixed at the right edge: it cannot float, move or be closed on its own.
  setFeatures(QDockWidget::NoDockWidgetFeatures);
  setAllowedAreas(Qt::RightDockWidgetArea);
  setTitleBarWidget(new QWidget(this));
  auto* body = new QWidget(this);
  auto* layout = new QGridLayout(body);
  layout->setHorizontalSpacing(0);
  for (int k = 0; k < kFieldCount; ++k) {
    auto* label = new QLabel(Tr(kFields[k].label), body);
    QPalette labelColours = label->palette();
    labelColours.setColor(QPalette::WindowText, kLabelTextColour);
    label->setPalette(labelColours);
    m_edits[k] = new CNumericEdit(body);
    m_edits[k]->setObjectName(QStringLiteral("paramField%1").arg(k));
    m_edits[k]->setFixedWidth(72);
    m_edits[k]->installEventFilter(this);
    m_spins[k] = new CSpinButton(m_edits[k], kFields[k].spinLow, kFields[k].spinHigh, body);
    layout->addWidget(label, 2 * k, 0, 1, 2);
    layout->addWidget(m_edits[k], 2 * k + 1, 0);
    layout->addWidget(m_spins[k], 2 * k + 1, 1);
    connect(m_edits[k], &QLineEdit::textChanged, this, [this] { OnChange(); });
  }
  layout->setRowStretch(2 * kFieldCount, 1);
  setWidget(body);
  SetParams(CParaData());
  UpdateColours();
}

// The fields outlive this part of the object by a little: they must not call
// back into it meanwhile.
CParamBar::~CParamBar() {
  for (CNumericEdit* edit : m_edits) edit->removeEventFilter(this);
}

int CParamBar::SetParams(const CParaData& para) {
  m_bFilling = true;
  for (int k = 0; k < kFieldCount; ++k) {
    const auto field = static_cast<Field>(k);
    CParaData copy = para;
    const QString text = field == Mesh
                             ? QString::number(para.m_nMesh)
                             : QString::fromStdString(FormatEntryDouble(*FieldOf(copy, field)));
    m_edits[k]->setText(text);
  }
  m_bFilling = false;
  return 0;
}

int CParamBar::GetParams(CParaData& para) {
  CParaData read = para;
  for (Field field : kExchangeOrder) {
    double value = 0.0;
    std::string message;
    const EntryFault fault =
        CheckEntry(m_edits[field]->text().toStdString(), kFields[field].field, &value, &message);
    if (fault != EntryFault::None) {
      ShowMessage(m_pFrame, QString::fromStdString(message),
                  fault == EntryFault::NotANumber ? MessageIcon::None : MessageIcon::Warning);
      // The text stays as typed, not selected: the next key goes on with the
      // number ("0" of "0.5" is refused, "0.5" is not) instead of replacing it.
      m_edits[field]->setFocus(Qt::OtherFocusReason);
      return -1;
    }
    if (field == Mesh) {
      read.m_nMesh = static_cast<int>(value);
    } else {
      *FieldOf(read, field) = value;
    }
  }
  para = read;
  return 0;
}

QString CParamBar::FieldText(Field field) const { return m_edits[field]->text(); }

void CParamBar::OnChange() {
  // Filling the fields is not an edit; nor is anything before the frame is built.
  if (m_bFilling || !m_pFrame->m_bReady) return;
  GetParams(m_pFrame->m_para);
}

bool CParamBar::eventFilter(QObject* watched, QEvent* event) {
  auto* edit = qobject_cast<CNumericEdit*>(watched);
  if (edit != nullptr && m_pFrame->m_bReady) {
    if (event->type() == QEvent::FocusIn) {
      m_pFocus = edit;
      UpdateColours();
    } else if (event->type() == QEvent::FocusOut) {
      // A message box or another window taking over is not leaving the
      // field: the user goes on typing in it afterwards.
      const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
      if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) {
        SetParams(m_pFrame->m_para);
        m_pFocus = nullptr;
        UpdateColours();
      }
    }
  }
  return QDockWidget::eventFilter(watched, event);
}

void CParamBar::UpdateEnabling(bool running, int runningStyle) {
  for (int k = 0; k < kFieldCount; ++k) {
    const bool enabled = !running && (k != ContourStep || runningStyle == STYLE_CONTOUR);
    m_edits[k]->setEnabled(enabled);
    m_spins[k]->setEnabled(enabled);
  }
}

void CParamBar::UpdateColours() {
  for (CNumericEdit* edit : m_edits) {
    PaintFieldBackground(edit, edit == m_pFocus, m_pFrame->m_para.m_nDrawStyle);
  }
}
