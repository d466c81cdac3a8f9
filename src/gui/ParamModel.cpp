#include "gui/ParamModel.h"

CParamModel::CParamModel(QObject* parent) : QObject(parent) {}

void CParamModel::Set(const CParaData& para) {
  if (para == m_para) return;
  const bool styleChanges = para.m_nDrawStyle != m_para.m_nDrawStyle;
  m_para = para;
  emit paramsChanged();
  if (styleChanges) emit styleChanged(m_para.m_nDrawStyle);
}

void CParamModel::Replace(const CParaData& para) {
  Set(para);
  emit loaded();
}

void CParamModel::SetStyle(int style) {
  CParaData para = m_para;
  para.m_nDrawStyle = style;
  Set(para);
}

void CParamModel::SetAngles(double upDown, double leftRight) {
  CParaData para = m_para;
  para.m_dUpDownAngle = upDown;
  para.m_dLeftRightAngle = leftRight;
  Set(para);
}

void CParamModel::SetFormula(const std::string& formula) {
  CParaData para = m_para;
  para.m_strFormula = formula;
  Set(para);
}

void CParamModel::SetFit(bool fit) {
  if (fit == m_bFit) return;
  m_bFit = fit;
  emit fitChanged(fit);
}
