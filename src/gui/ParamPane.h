// The parameter pane: one row for each named parameter of the model's set
// ("a" in a*sin(x)): its name, a slider, the value, the slider's min, max and
// step, a play button with its mode (loop, back and forth, once) and speed.
// A slider or a typed value goes into the model at once, so a run on follows
// it; playing moves the value one step a frame.
#pragma once

#include <QDockWidget>
#include <vector>

#include "core/ParaData.h"

class QComboBox;
class QGridLayout;
class QLabel;
class QLineEdit;
class QSlider;
class QSpinBox;
class QTimer;
class QToolButton;
class CNumericEdit;
class CParamModel;

class CParamPane : public QDockWidget {
  Q_OBJECT

 public:
  CParamPane(CParamModel* model, QWidget* parent);
  ~CParamPane() override;

  // The controls of the row of parameter k, in the model's order.
  struct Row {
    QLabel* name = nullptr;
    QSlider* slider = nullptr;
    CNumericEdit* value = nullptr;
    CNumericEdit* min = nullptr;
    CNumericEdit* max = nullptr;
    CNumericEdit* step = nullptr;
    QToolButton* play = nullptr;
    QComboBox* mode = nullptr;
    QSpinBox* speed = nullptr;  // steps a second while playing
    QToolButton* remove = nullptr;
    QTimer* timer = nullptr;
    int direction = 1;  // back and forth: which way the next step goes
  };
  const std::vector<Row>& Rows() const { return m_rows; }

  // One frame of playing row k (the timer's tick): a step on, turning or
  // stopping at the ends by the row's mode.
  void Advance(std::size_t k);

 private:
  // Rows for the model's parameters when their names changed; otherwise the
  // rows show the new values in place, so a slider being dragged stays held.
  void FollowModel();
  void Rebuild();
  void ShowValues();
  void AddRow(std::size_t k);
  // Writes parameter k's new state into the model.
  void Store(std::size_t k, const FormulaParameter& parameter);
  void OnSlider(std::size_t k, int position);
  void OnValueTyped(std::size_t k);
  void OnRangeTyped(std::size_t k);
  void OnPlay(std::size_t k, bool on);

  CParamModel* m_pModel;
  QWidget* m_pBody = nullptr;
  QGridLayout* m_pGrid = nullptr;
  std::vector<Row> m_rows;
  // The names the rows were built for.
  std::vector<std::string> m_names;
  bool m_bShowing = false;
};
