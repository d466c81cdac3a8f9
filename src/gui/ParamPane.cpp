#include "gui/ParamPane.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QSlider>
#include <QSpinBox>
#include <QTimer>
#include <QToolButton>
#include <algorithm>
#include <cmath>

#include "core/NumericEntry.h"
#include "gui/EntryRules.h"
#include "gui/Language.h"
#include "gui/NumericEdit.h"
#include "gui/ParamModel.h"
#include "gui/Prompts.h"

namespace {

// A slider this fine is finer than a mouse can move it; steps beyond are
// reached through the value field.
constexpr int kMaxPositions = 100000;
constexpr int kDefaultSpeed = 10;

const char* const kModeNames[] = {QT_TRANSLATE_NOOP("Orvex", "ループ"),
                                  QT_TRANSLATE_NOOP("Orvex", "往復"),
                                  QT_TRANSLATE_NOOP("Orvex", "1回")};
const char* const kHeadings[] = {QT_TRANSLATE_NOOP("Orvex", "名前"),
                                 "",
                                 QT_TRANSLATE_NOOP("Orvex", "値"),
                                 QT_TRANSLATE_NOOP("Orvex", "最小"),
                                 QT_TRANSLATE_NOOP("Orvex", "最大"),
                                 QT_TRANSLATE_NOOP("Orvex", "刻み"),
                                 "",
                                 "",
                                 QT_TRANSLATE_NOOP("Orvex", "速さ")};
constexpr char kBadRange[] =
    QT_TRANSLATE_NOOP("Orvex", "最小は最大より小さく、刻みは 0 より大きくしてください。");

int Positions(const FormulaParameter& p) {
  const double count = std::round((p.max - p.min) / p.step);
  return std::isfinite(count)
             ? static_cast<int>(std::clamp(count, 1.0, static_cast<double>(kMaxPositions)))
             : 1;
}

int PositionOf(const FormulaParameter& p) {
  const double at = std::round((p.value - p.min) / p.step);
  return std::isfinite(at)
             ? static_cast<int>(std::clamp(at, 0.0, static_cast<double>(Positions(p))))
             : 0;
}

QString Text(double value) { return QString::fromStdString(FormatEntryDouble(value)); }

CNumericEdit* SmallField(QWidget* parent, const char* name, std::size_t k) {
  auto* edit = new CNumericEdit(parent);
  edit->setObjectName(QStringLiteral("%1%2").arg(QLatin1String(name)).arg(k));
  edit->setFixedWidth(64);
  return edit;
}

}  // namespace

CParamPane::CParamPane(CParamModel* model, QWidget* parent) : QDockWidget(parent), m_pModel(model) {
  setObjectName(QStringLiteral("paramPane"));
  setFeatures(QDockWidget::NoDockWidgetFeatures);
  setAllowedAreas(Qt::BottomDockWidgetArea);
  setTitleBarWidget(new QWidget(this));
  m_pBody = new QWidget(this);
  m_pGrid = new QGridLayout(m_pBody);
  setWidget(m_pBody);
  Rebuild();
  connect(model, &CParamModel::paramsChanged, this, &CParamPane::FollowModel);
}

CParamPane::~CParamPane() = default;

void CParamPane::FollowModel() {
  if (m_bShowing) return;
  std::vector<std::string> names;
  for (const FormulaParameter& p : m_pModel->Params().m_params) names.push_back(p.name);
  if (names != m_names) {
    Rebuild();
  } else {
    ShowValues();
  }
}

void CParamPane::Rebuild() {
  for (Row& row : m_rows) {
    for (QWidget* w :
         std::initializer_list<QWidget*>{row.name, row.slider, row.value, row.min, row.max,
                                         row.step, row.play, row.mode, row.speed, row.remove}) {
      delete w;
    }
    delete row.timer;
  }
  m_rows.clear();
  while (QLayoutItem* item = m_pGrid->takeAt(0)) {
    delete item->widget();
    delete item;
  }
  const std::vector<FormulaParameter>& params = m_pModel->Params().m_params;
  m_names.clear();
  for (const FormulaParameter& p : params) m_names.push_back(p.name);
  if (!params.empty()) {
    for (int column = 0; column < static_cast<int>(std::size(kHeadings)); ++column) {
      if (*kHeadings[column] != '\0') {
        m_pGrid->addWidget(new QLabel(Tr(kHeadings[column]), m_pBody), 0, column);
      }
    }
  }
  for (std::size_t k = 0; k < params.size(); ++k) AddRow(k);
  // The slider takes what width the row leaves; the pane is as tall as its rows.
  m_pGrid->setColumnStretch(1, 1);
  m_pBody->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
  ShowValues();
  setVisible(!params.empty());
}

void CParamPane::AddRow(std::size_t k) {
  Row row;
  QWidget* body = m_pBody;
  row.name = new QLabel(QString::fromStdString(m_pModel->Params().m_params[k].name), body);
  row.slider = new QSlider(Qt::Horizontal, body);
  row.slider->setObjectName(QStringLiteral("slider%1").arg(k));
  row.slider->setMinimumWidth(160);
  row.value = SmallField(body, "value", k);
  row.min = SmallField(body, "min", k);
  row.max = SmallField(body, "max", k);
  row.step = SmallField(body, "step", k);
  row.play = new QToolButton(body);
  row.play->setObjectName(QStringLiteral("play%1").arg(k));
  row.play->setCheckable(true);
  row.play->setText(QStringLiteral("\u25B6"));
  row.play->setToolTip(Tr(QT_TRANSLATE_NOOP("Orvex", "再生")));
  row.mode = new QComboBox(body);
  for (const char* mode : kModeNames) row.mode->addItem(Tr(mode));
  row.speed = new QSpinBox(body);
  row.speed->setRange(1, 30);
  row.speed->setValue(kDefaultSpeed);
  row.speed->setSuffix(Tr(QT_TRANSLATE_NOOP("Orvex", "/秒")));
  row.remove = new QToolButton(body);
  row.remove->setText(QStringLiteral("\u00D7"));
  row.remove->setToolTip(Tr(QT_TRANSLATE_NOOP("Orvex", "ｽﾗｲﾀﾞｰを削除")));
  row.timer = new QTimer(this);
  const int line = static_cast<int>(k) + 1;
  int column = 0;
  for (QWidget* w :
       std::initializer_list<QWidget*>{row.name, row.slider, row.value, row.min, row.max, row.step,
                                       row.play, row.mode, row.speed, row.remove}) {
    m_pGrid->addWidget(w, line, column++);
  }
  connect(row.slider, &QSlider::valueChanged, this, [this, k](int at) { OnSlider(k, at); });
  connect(row.value, &QLineEdit::editingFinished, this, [this, k] { OnValueTyped(k); });
  for (CNumericEdit* edit : {row.min, row.max, row.step}) {
    connect(edit, &QLineEdit::editingFinished, this, [this, k] { OnRangeTyped(k); });
  }
  connect(row.play, &QToolButton::toggled, this, [this, k](bool on) { OnPlay(k, on); });
  connect(row.mode, &QComboBox::activated, this, [this, k](int mode) {
    FormulaParameter p = m_pModel->Params().m_params[k];
    p.play = static_cast<PlayMode>(mode);
    Store(k, p);
  });
  connect(row.speed, &QSpinBox::valueChanged, this,
          [this, k](int speed) { m_rows[k].timer->setInterval(1000 / speed); });
  connect(row.timer, &QTimer::timeout, this, [this, k] { Advance(k); });
  connect(row.remove, &QToolButton::clicked, this, [this, k] {
    CParaData para = m_pModel->Params();
    para.m_params.erase(para.m_params.begin() + static_cast<std::ptrdiff_t>(k));
    // After this click's handling: the row and its button go with the rebuild.
    QTimer::singleShot(0, this, [this, para] { m_pModel->Set(para); });
  });
  m_rows.push_back(row);
}

void CParamPane::ShowValues() {
  m_bShowing = true;
  const std::vector<FormulaParameter>& params = m_pModel->Params().m_params;
  for (std::size_t k = 0; k < m_rows.size() && k < params.size(); ++k) {
    const FormulaParameter& p = params[k];
    Row& row = m_rows[k];
    row.slider->setRange(0, Positions(p));
    row.slider->setValue(PositionOf(p));
    if (!row.value->hasFocus()) row.value->setText(Text(p.value));
    row.min->setText(Text(p.min));
    row.max->setText(Text(p.max));
    row.step->setText(Text(p.step));
    row.mode->setCurrentIndex(static_cast<int>(p.play));
  }
  m_bShowing = false;
}

void CParamPane::Store(std::size_t k, const FormulaParameter& parameter) {
  CParaData para = m_pModel->Params();
  if (k >= para.m_params.size()) return;
  para.m_params[k] = parameter;
  m_pModel->Set(para);
}

void CParamPane::OnSlider(std::size_t k, int position) {
  if (m_bShowing) return;
  FormulaParameter p = m_pModel->Params().m_params[k];
  p.value = std::min(p.max, p.min + position * p.step);
  Store(k, p);
}

void CParamPane::OnValueTyped(std::size_t k) {
  FormulaParameter p = m_pModel->Params().m_params[k];
  double value = 0.0;
  std::string message;
  const NumericField rule{false, p.min, p.max};
  const EntryFault fault =
      CheckEntry(m_rows[k].value->text().toStdString(), rule, &value, &message);
  if (fault != EntryFault::None) {
    AnswerRefusedNumber(m_rows[k].value, fault, message);
    return;
  }
  p.value = value;
  Store(k, p);
}

void CParamPane::OnRangeTyped(std::size_t k) {
  const Row& row = m_rows[k];
  FormulaParameter p = m_pModel->Params().m_params[k];
  double min = 0.0;
  double max = 0.0;
  double step = 0.0;
  if (!ParseEntryDouble(row.min->text().toStdString(), &min) ||
      !ParseEntryDouble(row.max->text().toStdString(), &max) ||
      !ParseEntryDouble(row.step->text().toStdString(), &step) || !(min < max) || !(step > 0.0) ||
      !std::isfinite(min) || !std::isfinite(max)) {
    // Unchanged: nothing to answer for.
    if (Text(min) == Text(p.min) && Text(max) == Text(p.max) && Text(step) == Text(p.step)) return;
    ShowMessage(window(), QString::fromUtf8(kBadRange));
    ShowValues();
    return;
  }
  p.min = min;
  p.max = max;
  p.step = step;
  // The value stays within its slider.
  p.value = std::clamp(p.value, min, max);
  Store(k, p);
}

void CParamPane::OnPlay(std::size_t k, bool on) {
  Row& row = m_rows[k];
  row.play->setText(on ? QStringLiteral("\u25A0") : QStringLiteral("\u25B6"));
  if (on) {
    row.direction = 1;
    row.timer->start(1000 / row.speed->value());
  } else {
    row.timer->stop();
  }
}

void CParamPane::Advance(std::size_t k) {
  Row& row = m_rows[k];
  FormulaParameter p = m_pModel->Params().m_params[k];
  double next = p.value + row.direction * p.step;
  switch (p.play) {
    case PlayMode::Loop:
      if (next > p.max + p.step / 2) next = p.min;
      break;
    case PlayMode::BackAndForth:
      // At an end it turns: the next step goes back from there.
      if (next > p.max + p.step / 2 || next < p.min - p.step / 2) {
        row.direction = -row.direction;
        next = p.value + row.direction * p.step;
      }
      break;
    case PlayMode::Once:
      if (next >= p.max) {
        next = p.max;
        row.play->setChecked(false);
      }
      break;
  }
  p.value = std::clamp(next, p.min, p.max);
  Store(k, p);
}
