// The window's one parameter model: the master parameter set and the window
// settings that travel with a run but never into a parameter file. Every
// change goes through here and is announced; the panel, the formula box, the
// view, the document and the mesh export observe it and report back by
// signals, so none of them needs the frame or each other.
#pragma once

#include <QObject>
#include <string>

#include "core/ParaData.h"

class CParamModel : public QObject {
  Q_OBJECT

 public:
  explicit CParamModel(QObject* parent = nullptr);

  const CParaData& Params() const { return m_para; }
  // An edit: para replaces the set. paramsChanged follows when anything
  // changed, then styleChanged when the style did.
  void Set(const CParaData& para);
  // A parameter file was read: as Set, then loaded(), changed or not.
  void Replace(const CParaData& para);
  void SetStyle(int style);
  void SetAngles(double upDown, double leftRight);
  void SetFormula(const std::string& formula);

  // Runs fit their heights to the data (the 自動スケール toggle).
  bool Fit() const { return m_bFit; }
  void SetFit(bool fit);

 signals:
  void paramsChanged();
  void styleChanged(int style);
  // After a load's paramsChanged: the fields show the file, the picture goes.
  void loaded();
  void fitChanged(bool fit);

 private:
  CParaData m_para;
  bool m_bFit = false;
};
