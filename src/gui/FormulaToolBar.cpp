#include "gui/FormulaToolBar.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QTimer>
#include <QToolButton>

#include "core/ParaFile.h"
#include "core/Ticks.h"
#include "gui/Colours.h"
#include "gui/CommandIds.h"
#include "gui/Commands.h"
#include "gui/EntryRules.h"
#include "gui/Language.h"
#include "gui/ParamModel.h"
#include "gui/Prompts.h"
#include "gui/Texts.h"

namespace {

constexpr int kFormulaBoxWidth = 304;
// The pause in the typing after which the picture follows the text; when a
// full resample at the run's mesh count takes longer than kSlowResampleMs,
// the longer pause, so that typing is not held up by pictures.
constexpr int kTypingPauseMs = 200;
constexpr int kSlowTypingPauseMs = 1000;
constexpr int kSlowResampleMs = 300;
constexpr char kTooManySliders[] =
    QT_TRANSLATE_NOOP("Orvex", "ｽﾗｲﾀﾞｰは 64 個まで、名前は 32 文字までです。");

}  // namespace

CFormulaToolBar::CFormulaToolBar(CParamModel* model, QWidget* parent)
    : QToolBar(parent),
      m_pModel(model),
      m_pFormulaBox(new CFormulaEdit(this)),
      m_pAddSlider(new QToolButton(this)),
      m_pTypingPause(new QTimer(this)) {
  setObjectName(QStringLiteral("toolBar"));
  setIconSize(QSize(16, 16));
  setMovable(false);
  setFloatable(false);
  m_pFormulaBox->setObjectName(QStringLiteral("formulaBox"));
  m_pFormulaBox->setFixedWidth(kFormulaBoxWidth);
  const CommandInfo& command = FindCommand(IDC_FORMULA);
  m_pFormulaBox->setToolTip(Tr(command.tip));
  m_pFormulaBox->setStatusTip(Tr(command.prompt));
  m_pFormulaBox->installEventFilter(this);
  // Enter with new names gives them sliders first, so the text passes.
  connect(m_pFormulaBox, &QLineEdit::returnPressed, this, [this] {
    if (!NewNames().empty()) AddSliders();
    Commit();
  });
  connect(m_pFormulaBox, &CFormulaEdit::checked, this, [this] {
    UpdateColours();
    ShowFault();
    const std::vector<std::string> names = NewNames();
    QStringList shown;
    for (const std::string& name : names) shown << QString::fromStdString(name);
    m_pAddSlider->setText(
        Tr(QT_TRANSLATE_NOOP("Orvex", "ｽﾗｲﾀﾞｰを追加: %1")).arg(shown.join(QStringLiteral(", "))));
    if (m_pAddSliderAction != nullptr) m_pAddSliderAction->setVisible(!names.empty());
    if (m_bFollowTyping && !m_pFormulaBox->Faulty()) m_pTypingPause->start();
  });
  m_pAddSlider->setObjectName(QStringLiteral("addSlider"));
  connect(m_pAddSlider, &QToolButton::clicked, this, &CFormulaToolBar::AddSliders);
  m_pTypingPause->setSingleShot(true);
  m_pTypingPause->setInterval(kTypingPauseMs);
  connect(m_pTypingPause, &QTimer::timeout, this, [this] {
    const std::string text = m_pFormulaBox->text().toStdString();
    if (!m_pFormulaBox->Faulty() &&
        FormulaEntryRefusal(text, m_pFormulaBox->ParameterNames()).empty()) {
      m_strShown = text;
      m_pModel->SetFormula(text);
    }
  });
  ShowModelFormula();
  connect(model, &CParamModel::paramsChanged, this, [this] {
    m_pFormulaBox->SetParameterNames(FormulaParameterNames(m_pModel->Params()));
    if (m_pModel->Params().m_strFormula != m_strShown) ShowModelFormula();
  });
  m_pFormulaBox->SetParameterNames(FormulaParameterNames(m_pModel->Params()));
  connect(model, &CParamModel::loaded, this, &CFormulaToolBar::ShowModelFormula);
  connect(model, &CParamModel::styleChanged, this, &CFormulaToolBar::UpdateColours);
}

// The box outlives this part of the object by a little: it must not call
// back into it meanwhile.
CFormulaToolBar::~CFormulaToolBar() { m_pFormulaBox->removeEventFilter(this); }

void CFormulaToolBar::AddFormulaBox() {
  addWidget(m_pFormulaBox);
  m_pAddSliderAction = addWidget(m_pAddSlider);
  m_pAddSliderAction->setVisible(!NewNames().empty());
}

std::vector<std::string> CFormulaToolBar::NewNames() const {
  return FormulaParameterCandidates(m_pFormulaBox->text().toStdString(),
                                    m_pFormulaBox->ParameterNames());
}

void CFormulaToolBar::AddSliders() {
  CParaData para = m_pModel->Params();
  for (const std::string& name : NewNames()) {
    // What a parameter file can keep; beyond it the slider would be lost at the next save.
    if (name.size() > kMaxParameterNameBytes || para.m_params.size() >= kMaxFormulaParameters) {
      ShowMessage(window(), QString::fromUtf8(kTooManySliders));
      break;
    }
    FormulaParameter parameter;
    parameter.name = name;
    parameter.value = 1.0;
    const SliderRange range = SliderRangeFor(parameter.value);
    parameter.min = range.min;
    parameter.max = range.max;
    parameter.step = range.step;
    para.m_params.push_back(parameter);
  }
  m_pModel->Set(para);
}

void CFormulaToolBar::ResampleTook(int ms) {
  m_pTypingPause->setInterval(ms > kSlowResampleMs ? kSlowTypingPauseMs : kTypingPauseMs);
}

void CFormulaToolBar::ShowModelFormula() {
  m_strShown = m_pModel->Params().m_strFormula;
  m_pFormulaBox->setText(QString::fromStdString(m_strShown));
  m_pFormulaBox->setCursorPosition(0);
}

void CFormulaToolBar::Commit() {
  const std::string text = m_pFormulaBox->text().toStdString();
  // The formula in use, as the box was given it (a file's may be longer than
  // typing allows): nothing to take over, nothing to refuse.
  if (text == m_pModel->Params().m_strFormula) return;
  const std::string refusal = FormulaEntryRefusal(text, m_pFormulaBox->ParameterNames());
  if (refusal.empty()) {
    m_strShown = text;
    m_pModel->SetFormula(text);
    return;
  }
  ShowMessage(window(), QString::fromStdString(refusal));
  m_pFormulaBox->ReplaceUndoably(QString::fromStdString(m_pModel->Params().m_strFormula));
  // Back into the box once the focus change under way is over, so the user
  // can take the typing back with Ctrl+Z and mend it.
  QTimer::singleShot(0, m_pFormulaBox,
                     [box = m_pFormulaBox] { box->setFocus(Qt::OtherFocusReason); });
}

void CFormulaToolBar::ShowFault() {
  // The note is for the one typing: a formula put in by a load or by the
  // dialog only tints the box.
  const QString note = m_pFormulaBox->Note();
  if (!note.isEmpty() && m_pFormulaBox->hasFocus()) {
    emit noteChanged(note);
    m_bFaultShown = true;
  } else if (m_bFaultShown) {
    emit noteChanged(QString());
    m_bFaultShown = false;
  }
}

bool CFormulaToolBar::eventFilter(QObject* watched, QEvent* event) {
  if (watched == m_pFormulaBox) {
    if (event->type() == QEvent::FocusIn) {
      m_bFocused = true;
      UpdateColours();
      ShowFault();
    } else if (LeavesField(event)) {
      m_bFocused = false;
      Commit();
      UpdateColours();
      ShowFault();
    } else if (event->type() == QEvent::KeyPress &&
               static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
      m_pFormulaBox->ReplaceUndoably(QString::fromStdString(m_pModel->Params().m_strFormula));
      return true;
    }
  }
  return QToolBar::eventFilter(watched, event);
}

void CFormulaToolBar::UpdateColours() {
  PaintFieldBackground(m_pFormulaBox, m_bFocused, m_pModel->Params().m_nDrawStyle,
                       m_pFormulaBox->Faulty());
}
