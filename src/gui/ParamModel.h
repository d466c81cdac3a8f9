// The window's one parameter model: the master parameter set and the window
// settings that travel with a run but never into a parameter file. Every
// change goes through here and is announced; the panel, the formula box, the
// view, the document and the mesh export observe it and report back by
// signals, so none of them needs the frame or each other.
#pragma once

#include <QObject>
#include <string>

#include "core/ParaData.h"
#include "core/ShareData.h"

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

  // How pictures are to look, kept in the INI file, never in a parameter file.
  // Runs fit their heights to the data (the 自動スケール toggle).
  bool Fit() const { return m_options.fit; }
  void SetFit(bool fit);
  // The box with numbered axes (軸と目盛) and the marked extremes (最大・最小).
  bool Axes() const { return m_options.axes; }
  void SetAxes(bool axes);
  bool Extremes() const { return m_options.extremes; }
  void SetExtremes(bool extremes);
  // The surface coloured by height (高さで色分け) through the map chosen, which
  // is kept while the colouring is off.
  bool ColourByHeight() const { return m_bColourByHeight; }
  void SetColourByHeight(bool on);
  ColourMap Map() const { return m_map; }
  void SetMap(ColourMap map);
  // The picture follows the formula as it is typed (入力と同時に描画).
  bool FollowTyping() const { return m_bFollowTyping; }
  void SetFollowTyping(bool on);
  // The settings as a run takes them; the zoom is the view's.
  RunOptions Options() const;

 signals:
  void paramsChanged();
  void styleChanged(int style);
  // After a load's paramsChanged: the fields show the file, the picture goes.
  void loaded();
  void fitChanged(bool fit);
  void axesChanged(bool axes);
  void extremesChanged(bool extremes);
  // The colouring went on or off, or the map changed (also while it is off).
  void colourChanged();
  void followTypingChanged(bool on);

 private:
  CParaData m_para;
  RunOptions m_options;
  bool m_bColourByHeight = false;
  ColourMap m_map = ColourMap::Viridis;
  bool m_bFollowTyping = false;
};
