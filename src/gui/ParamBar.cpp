#include "gui/ParamBar.h"

#include <QLabel>
#include <QVBoxLayout>

#include "gui/Texts.h"

CParamBar::CParamBar(QWidget* parent) : QDockWidget(parent) {
  setObjectName(QStringLiteral("paramBar"));
  // Fixed at the right edge: it cannot float, move or be closed on its own.
  setFeatures(QDockWidget::NoDockWidgetFeatures);
  setAllowedAreas(Qt::RightDockWidgetArea);
  setTitleBarWidget(new QWidget(this));
  auto* body = new QWidget(this);
  auto* layout = new QVBoxLayout(body);
  const char* const labels[] = {texts::kLabelUpDown, texts::kLabelLeftRight,
                                texts::kLabelRange,  texts::kLabelZCoef,
                                texts::kLabelMesh,   texts::kLabelContourStep};
  for (std::size_t k = 0; k < m_fields.size(); ++k) {
    auto* label = new QLabel(QString::fromUtf8(labels[k]), body);
    m_fields[k] = new QLineEdit(body);
    m_fields[k]->setReadOnly(true);
    m_fields[k]->setFixedWidth(80);
    layout->addWidget(label);
    layout->addWidget(m_fields[k]);
  }
  layout->addStretch(1);
  setWidget(body);
}

void CParamBar::SetParams(const CParaData& para) {
  m_fields[0]->setText(FormatNumber(para.m_dUpDownAngle));
  m_fields[1]->setText(FormatNumber(para.m_dLeftRightAngle));
  m_fields[2]->setText(FormatNumber(para.m_dRange));
  m_fields[3]->setText(FormatNumber(para.m_dZCoef));
  m_fields[4]->setText(QString::number(para.m_nMesh));
  m_fields[5]->setText(FormatNumber(para.m_dContourStep));
}

QString FormatNumber(double value) { return QString::asprintf("%.*g", 15, value); }
