// The parameter panel at the right edge: the six most used numbers of the
// frame's parameter set, one field each.
#pragma once

#include <QDockWidget>
#include <QLineEdit>
#include <array>

#include "core/ParaData.h"

class CParamBar : public QDockWidget {
  Q_OBJECT

 public:
  explicit CParamBar(QWidget* parent);

  void SetParams(const CParaData& para);
  // The fields in panel order: up-down, left-right, range, Z coefficient,
  // mesh count, contour interval.
  QString FieldText(int index) const { return m_fields[static_cast<std::size_t>(index)]->text(); }

 private:
  std::array<QLineEdit*, 6> m_fields{};
};

// "%.*g" at 15 significant digits: how the panel and the dialog show a number.
QString FormatNumber(double value);
