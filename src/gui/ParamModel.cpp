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
  if (fit == m_options.fit) return;
  m_options.fit = fit;
  emit fitChanged(fit);
}

void CParamModel::SetAxes(bool axes) {
  if (axes == m_options.axes) return;
  m_options.axes = axes;
  emit axesChanged(axes);
}

void CParamModel::SetExtremes(bool extremes) {
  if (extremes == m_options.extremes) return;
  m_options.extremes = extremes;
  emit extremesChanged(extremes);
}

void CParamModel::SetColourByHeight(bool on) {
  if (on == m_bColourByHeight) return;
  m_bColourByHeight = on;
  emit colourChanged();
}

void CParamModel::SetMap(ColourMap map) {
  if (map == m_map) return;
  m_map = map;
  emit colourChanged();
}

void CParamModel::SetFollowTyping(bool on) {
  if (on == m_bFollowTyping) return;
  m_bFollowTyping = on;
  emit followTypingChanged(on);
}

RunOptions CParamModel::Options() const {
  RunOptions options = m_options;
  if (m_bColourByHeight) options.colourMap = m_map;
  return options;
}
