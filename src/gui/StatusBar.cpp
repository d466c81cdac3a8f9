#include "gui/StatusBar.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <algorithm>
#include <ctime>

#include "gui/CapsLock.h"
#include "gui/Language.h"
#include "gui/Texts.h"

namespace {

constexpr int kMessagePaneWidth = 224;

QLabel* IndicatorPane(const QString& name, const QString& widest, QWidget* parent) {
  auto* pane = new QLabel(parent);
  pane->setObjectName(name);
  pane->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  pane->setAlignment(Qt::AlignCenter);
  pane->setMinimumWidth(pane->fontMetrics().horizontalAdvance(widest) + 12);
  return pane;
}

}  // namespace

CStatusBar::CStatusBar(QWidget* parent) : QStatusBar(parent) {
  setObjectName(QStringLiteral("statusBar"));
  // Panes 0 and 1 are borderless; the others draw their own.
  setStyleSheet(QStringLiteral("QStatusBar::item { border: none; }"));
  m_strMessage = Tr(texts::kReady);
  m_pMessagePane = new QLabel(m_strMessage, this);
  m_pMessagePane->setObjectName(QStringLiteral("messagePane"));
  m_pMessagePane->setFixedWidth(kMessagePaneWidth);
  m_pProgressPane = new QWidget(this);
  auto* progressLayout = new QHBoxLayout(m_pProgressPane);
  progressLayout->setContentsMargins(0, 1, 0, 1);
  // As tall with the bar as without, so the view keeps its size over a run.
  m_pProgressPane->setFixedHeight(QProgressBar().sizeHint().height() + 2);
  m_pReadoutPane = IndicatorPane(QStringLiteral("readoutPane"), QString(), this);
  m_pReadoutPane->hide();
  m_pFitPane = IndicatorPane(QStringLiteral("fitPane"), QString(), this);
  m_pFitPane->hide();
  m_pClockPane =
      IndicatorPane(QStringLiteral("clockPane"), QString::fromLatin1(texts::kClockWidth), this);
  m_pCapsPane =
      IndicatorPane(QStringLiteral("capsPane"), QString::fromLatin1(texts::kCapsLock), this);
  addWidget(m_pMessagePane);
  addWidget(m_pProgressPane, 1);
  addWidget(m_pReadoutPane);
  addWidget(m_pFitPane);
  addWidget(m_pClockPane);
  addWidget(m_pCapsPane);
  UpdateIndicators();
}

void CStatusBar::SetMessageText(const QString& text) {
  m_strMessage = text;
  ClearNote();
}

void CStatusBar::ShowNote(const QString& text) {
  // A note may be longer than the pane: the pane widens while it shows, at
  // the cost of the stretching pane beside it.
  const int margin = 2 * m_pMessagePane->fontMetrics().averageCharWidth();
  m_pMessagePane->setFixedWidth(
      std::max(kMessagePaneWidth, m_pMessagePane->fontMetrics().horizontalAdvance(text) + margin));
  m_pMessagePane->setText(text);
}

void CStatusBar::ClearNote() {
  m_pMessagePane->setFixedWidth(kMessagePaneWidth);
  m_pMessagePane->setText(m_strMessage);
}

QString CStatusBar::MessageText() const { return m_pMessagePane->text(); }

void CStatusBar::BeginProgress(int max) {
  if (m_pProgress == nullptr) {
    m_pProgress = new QProgressBar(m_pProgressPane);
    m_pProgress->setObjectName(QStringLiteral("progress"));
    m_pProgress->setTextVisible(false);
    m_pProgressPane->layout()->addWidget(m_pProgress);
  }
  m_pProgress->setRange(0, max);
  m_pProgress->setValue(0);
  m_pProgress->show();
}

void CStatusBar::SetProgress(int value) {
  if (m_pProgress != nullptr) m_pProgress->setValue(value);
}

void CStatusBar::EndProgress() {
  delete m_pProgress;
  m_pProgress = nullptr;
}

void CStatusBar::ShowReadout(const QString& text) {
  m_pReadoutPane->setText(text);
  m_pReadoutPane->setVisible(!text.isEmpty());
}

QString CStatusBar::ReadoutText() const { return m_pReadoutPane->text(); }

void CStatusBar::ShowFit(const SurfaceFit* fit) {
  if (fit == nullptr) {
    m_pFitPane->hide();
    m_pFitPane->clear();
    return;
  }
  const auto number = [](double value) { return QString::number(value, 'g', 4); };
  m_pFitPane->setText(
      Tr(texts::kFitStatus).arg(number(fit->factor), number(fit->bottom), number(fit->top)));
  m_pFitPane->show();
}

QString CStatusBar::FitText() const { return m_pFitPane->text(); }

void CStatusBar::UpdateIndicators() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  // "%02d" prints what "%0.2d" does, without the flag the compiler calls void.
  m_pClockPane->setText(
      QString::asprintf("%02d:%02d:%02d", local.tm_hour, local.tm_min, local.tm_sec));
  m_pCapsPane->setText(CapsLockOn() ? QString::fromLatin1(texts::kCapsLock) : QString());
}
