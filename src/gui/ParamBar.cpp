#include "gui/ParamBar.h"

#include <QEvent>
#include <QGridLayout>
#include <QLabel>
#include <QTimer>

#include "gui/Colours.h"
#include "gui/Language.h"
#include "gui/NumericEdit.h"
#include "gui/ParamModel.h"
#include "gui/SpinButton.h"

CParamBar::CParamBar(CParamModel* model, QWidget* parent) : QDockWidget(parent), m_pModel(model) {
  setObjectName(QStringLiteral("paramBar"));
  // Fixed at the right edge: it cannot float, move or be closed on its own.
  setFeatures(QDockWidget::NoDockWidgetFeatures);
  setAllowedAreas(Qt::RightDockWidgetArea);
  setTitleBarWidget(new QWidget(this));
  auto* body = new QWidget(this);
  auto* layout = new QGridLayout(body);
  layout->setHorizontalSpacing(0);
  for (int k = 0; k < kParamFieldCount; ++k) {
    const auto field = static_cast<ParamField>(k);
    const ParamFieldInfo& info = FieldInfo(field);
    auto* label = new QLabel(Tr(info.panelLabel), body);
    QPalette labelColours = label->palette();
    labelColours.setColor(QPalette::WindowText, kLabelTextColour);
    label->setPalette(labelColours);
    m_edits[k] = new CNumericEdit(body);
    m_edits[k]->setObjectName(QStringLiteral("paramField%1").arg(k));
    m_edits[k]->setFixedWidth(72);
    m_edits[k]->installEventFilter(this);
    m_spins[k] = new CSpinButton(m_edits[k], info.spinLow, info.spinHigh, body);
    layout->addWidget(label, 2 * k, 0, 1, 2);
    layout->addWidget(m_edits[k], 2 * k + 1, 0);
    layout->addWidget(m_spins[k], 2 * k + 1, 1);
    connect(m_edits[k], &QLineEdit::textChanged, this, [this, field] { OnChange(field); });
  }
  layout->setRowStretch(2 * kParamFieldCount, 1);
  setWidget(body);
  ShowModel();
  UpdateEnabling();
  UpdateColours();
  connect(model, &CParamModel::paramsChanged, this, [this] {
    if (!m_bWriting) ShowModel();
  });
  connect(model, &CParamModel::styleChanged, this, [this] {
    UpdateEnabling();
    UpdateColours();
  });
}

// The fields outlive this part of the object by a little: they must not call
// back into it meanwhile.
CParamBar::~CParamBar() {
  for (CNumericEdit* edit : m_edits) edit->removeEventFilter(this);
}

void CParamBar::ShowModel() {
  m_bFilling = true;
  for (int k = 0; k < kParamFieldCount; ++k) {
    m_edits[k]->setText(::FieldText(m_pModel->Params(), static_cast<ParamField>(k)));
  }
  m_bFilling = false;
  if (m_pPending != nullptr) {
    m_pPending = nullptr;
    UpdateColours();
  }
}

QString CParamBar::FieldText(ParamField field) const { return Edit(field)->text(); }

void CParamBar::OnChange(ParamField changed) {
  if (m_bFilling) return;
  CParaData read = m_pModel->Params();
  CNumericEdit* pending = nullptr;
  for (ParamField field : kPanelReadOrder) {
    CNumericEdit* edit = Edit(field);
    double value = 0.0;
    std::string message;
    const EntryFault fault =
        CheckEntry(edit->text().toStdString(), FieldInfo(field).rule, &value, &message);
    if (fault == EntryFault::None) {
      StoreField(read, field, value);
      continue;
    }
    // "0" of "0.5" is on its way to a number: the answer waits for a text
    // no typing can mend, or for the field to be left.
    if (field == changed &&
        EntryCanBecomeValid(edit->text().toStdString(), FieldInfo(field).rule)) {
      pending = edit;
      break;
    }
    m_pAnswered = edit;
    m_strAnswered = edit->text();
    AnswerRefusedNumber(edit, fault, message);
    pending = nullptr;
    m_pPending = nullptr;
    UpdateColours();
    return;
  }
  if (m_pPending != pending) {
    m_pPending = pending;
    UpdateColours();
  }
  if (pending != nullptr) return;
  m_bWriting = true;
  m_pModel->Set(read);
  m_bWriting = false;
}

void CParamBar::OnLeave(ParamField left) {
  CNumericEdit* edit = Edit(left);
  const QString text = edit->text();
  double value = 0.0;
  std::string message;
  const EntryFault fault = CheckEntry(text.toStdString(), FieldInfo(left).rule, &value, &message);
  const bool answered = edit == m_pAnswered && text == m_strAnswered;
  // Every field shows the accepted values again, the left one reformatted.
  ShowModel();
  if (fault == EntryFault::None || answered) return;
  m_pAnswered = edit;
  m_strAnswered = edit->text();
  ShowNumberRefusal(window(), fault, message);
  // The field gets the focus back once the focus change under way is over.
  QTimer::singleShot(0, edit, [edit] {
    edit->setFocus(Qt::OtherFocusReason);
    edit->selectAll();
  });
}

bool CParamBar::eventFilter(QObject* watched, QEvent* event) {
  auto* edit = qobject_cast<CNumericEdit*>(watched);
  if (edit != nullptr) {
    if (event->type() == QEvent::FocusIn) {
      m_pFocus = edit;
      UpdateColours();
    } else if (LeavesField(event)) {
      m_pFocus = nullptr;
      for (int k = 0; k < kParamFieldCount; ++k) {
        if (m_edits[k] == edit) OnLeave(static_cast<ParamField>(k));
      }
      UpdateColours();
    }
  }
  return QDockWidget::eventFilter(watched, event);
}

void CParamBar::SetRunning(bool running) {
  m_bRunning = running;
  UpdateEnabling();
}

void CParamBar::UpdateEnabling() {
  for (int k = 0; k < kParamFieldCount; ++k) {
    const bool enabled = !m_bRunning && (static_cast<ParamField>(k) != ParamField::ContourStep ||
                                         m_pModel->Params().m_nDrawStyle == STYLE_CONTOUR);
    m_edits[k]->setEnabled(enabled);
    m_spins[k]->setEnabled(enabled);
  }
}

void CParamBar::UpdateColours() {
  for (CNumericEdit* edit : m_edits) {
    PaintFieldBackground(edit, edit == m_pFocus, m_pModel->Params().m_nDrawStyle,
                         edit == m_pPending);
  }
}
