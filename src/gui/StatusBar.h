// The status bar: pane 0 with messages, command prompts and the note of a
// formula being typed; the progress pane with its bar during a run; the
// readout of the point under the mouse; the fit of the picture on display;
// the clock and the caps-lock indicator.
#pragma once

#include <QStatusBar>

#include "core/Fit.h"

class QLabel;
class QProgressBar;

class CStatusBar : public QStatusBar {
  Q_OBJECT

 public:
  explicit CStatusBar(QWidget* parent);

  // Pane 0's message; a note on show goes.
  void SetMessageText(const QString& text);
  // Pane 0 shows a note over its message until ClearNote() or the next
  // message: a formula fault being typed.
  void ShowNote(const QString& text);
  void ClearNote();
  // What pane 0 shows.
  QString MessageText() const;

  // The progress bar over 0..max, from Start until the run's end.
  void BeginProgress(int max);
  void SetProgress(int value);
  void EndProgress();
  QProgressBar* Progress() const { return m_pProgress; }

  // x, y and f under the mouse; an empty text hides the pane.
  void ShowReadout(const QString& text);
  QString ReadoutText() const;
  // The fit of the picture on display, or none (the pane goes).
  void ShowFit(const SurfaceFit* fit);
  QString FitText() const;

  // The clock and caps lock, on the frame's timer.
  void UpdateIndicators();

 private:
  QLabel* m_pMessagePane = nullptr;
  QString m_strMessage;  // pane 0's text under a note
  QWidget* m_pProgressPane = nullptr;
  QProgressBar* m_pProgress = nullptr;
  QLabel* m_pReadoutPane = nullptr;
  QLabel* m_pFitPane = nullptr;
  QLabel* m_pClockPane = nullptr;
  QLabel* m_pCapsPane = nullptr;
};
