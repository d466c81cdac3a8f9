#include "gui/SpinButton.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "core/NumericEntry.h"

CSpinButton::CSpinButton(QLineEdit* buddy, int low, int high, QWidget* parent)
    : QWidget(parent), m_pBuddy(buddy), m_nLow(low), m_nHigh(high) {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  for (const bool up : {true, false}) {
    auto* button = new QToolButton(this);
    button->setArrowType(up ? Qt::UpArrow : Qt::DownArrow);
    button->setAutoRepeat(true);
    button->setFocusPolicy(Qt::NoFocus);
    button->setFixedSize(16, buddy->sizeHint().height() / 2);
    connect(button, &QToolButton::clicked, this, [this, up] { Step(up ? +1 : -1); });
    layout->addWidget(button);
  }
  buddy->installEventFilter(this);
}

void CSpinButton::Step(int direction) {
  if (!isEnabled()) return;
  // From a fraction the step lands on the next whole number in its direction.
  double value = 0.0;
  // A field that holds no number steps to the low end.
  int position = m_nLow - direction;
  if (ParseEntryDouble(m_pBuddy->text().toStdString(), &value) && std::isfinite(value)) {
    const double clamped = std::clamp(value, m_nLow - 1.0, m_nHigh + 1.0);
    position = static_cast<int>(direction > 0 ? std::floor(clamped) : std::ceil(clamped));
  }
  position = std::clamp(position + direction, m_nLow, m_nHigh);
  m_pBuddy->setText(QString::number(position));
}

bool CSpinButton::eventFilter(QObject* watched, QEvent* event) {
  if (watched == m_pBuddy && event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Up || key == Qt::Key_Down) {
      Step(key == Qt::Key_Up ? +1 : -1);
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}
