// The toolbar with the formula box in place of its eighth button. The box's
// text is a working copy: it goes into the model only when the box loses the
// focus (or Enter is pressed) with a text that passes the formula check. A
// text that fails is answered with the check's message once, and the box
// shows the formula in use again; Ctrl+Z brings the refused text back.
#pragma once

#include <QToolBar>
#include <string>
#include <vector>

#include "gui/FormulaEdit.h"

class CParamModel;
class QAction;
class QTimer;
class QToolButton;

class CFormulaToolBar : public QToolBar {
  Q_OBJECT

 public:
  CFormulaToolBar(CParamModel* model, QWidget* parent);
  ~CFormulaToolBar() override;

  // Puts the box after the actions added so far, with its button that
  // offers sliders for new names; the frame adds the rest.
  void AddFormulaBox();
  CFormulaEdit* FormulaBox() const { return m_pFormulaBox; }
  // "ｽﾗｲﾀﾞｰを追加: a", shown while the box's text names what could be parameters.
  QToolButton* AddSliderButton() const { return m_pAddSlider; }
  // The picture follows the typing (入力と同時に描画): a passing text goes into
  // the model after a pause in the typing, longer when a full resample took
  // long at the run's mesh count.
  void SetFollowTyping(bool on) { m_bFollowTyping = on; }
  void ResampleTook(int ms);

 signals:
  // The fault of the formula being typed, for pane 0; empty when it goes.
  void noteChanged(const QString& note);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // Shows the model's formula, as after a load or the dialog's OK.
  void ShowModelFormula();
  // Leaving the box or pressing Enter: the model takes the text, or the
  // refusal is answered and the formula in use comes back.
  void Commit();
  void UpdateColours();
  void ShowFault();
  // The names of the box's text that could be parameters but are not yet.
  std::vector<std::string> NewNames() const;
  // Sliders at 1 for the new names: the model's list grows.
  void AddSliders();

  CParamModel* m_pModel;
  CFormulaEdit* m_pFormulaBox;
  // The formula the box last took from the model or gave to it: a change of
  // the model's other fields leaves what is being typed alone.
  std::string m_strShown;
  bool m_bFocused = false;
  bool m_bFaultShown = false;
  QToolButton* m_pAddSlider;
  QAction* m_pAddSliderAction = nullptr;
  bool m_bFollowTyping = false;
  QTimer* m_pTypingPause;
};
