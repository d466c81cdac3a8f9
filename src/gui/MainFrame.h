// The program's one top-level window: the master parameter set, the menus,
// the toolbar with the formula box, the parameter panel, the status bar and
// the 200 ms timer. Every command's enabled and checked state is set in one
// place, UpdateCommandStates(), from whether a drawing thread is alive and
// from the style.
#pragma once

#include <QHash>
#include <QMainWindow>
#include <QPointer>
#include <QTimer>
#include <array>

#include "core/Fit.h"
#include "core/ParaData.h"
#include "core/ShareData.h"
#include "gui/CommandIds.h"

class QAction;
class QLabel;
class QMenu;
class QProgressBar;
class QTextBrowser;
class CFormulaToolBar;
class CParamBar;
class COrvexView;
class CMeshExportCommand;

class CMainFrame : public QMainWindow {
  Q_OBJECT

 public:
  CMainFrame();
  ~CMainFrame() override;

  // Reached directly by the view, the document and the bars.
  CParaData m_para;
  CParamBar* m_wndParamBar = nullptr;
  CFormulaToolBar* m_wndToolBar = nullptr;
  bool m_bReady = false;
  QProgressBar* m_pProgress = nullptr;
  bool m_bParamBar = true;
  // Runs fit their heights to the data (the 自動スケール toggle).
  bool m_bFit = false;

  COrvexView* View() const { return m_pView; }
  CMeshExportCommand* MeshExport() const { return m_pMeshExport; }
  // The action of a command id; null for an id without one.
  QAction* Action(int id) const { return m_actions.value(id); }
  QAction* RecentAction(int index) const { return m_recent[static_cast<std::size_t>(index)]; }

  // Brings the panel in line with m_bParamBar, filling it first when shown.
  void ApplyParamBar();
  // Start: the progress bar over 0..2N+1 and the computing message.
  void BeginProgress();
  // The drawing thread has ended and been joined: the progress bar goes, the
  // finished message (or why there is no picture) shows, and the not-running
  // commands come back.
  void OnRunEnded(RunProblem problem);
  void UpdateCommandStates();
  // A drawing thread is alive: from Start until its end has been reported.
  bool Running() const;
  // Panel and formula box from m_para, as after a load.
  void RefreshBars();
  // The formula box and the panel in the colours of m_para's style.
  void RefreshStyleColours();
  // Moves the focus to the view, so the formula box commits what was typed.
  void CommitTyping();
  // A mouse drag in the view moved by (dx, dy) pixels: the angles turn, in
  // m_para, in the shared block and in the panel; the view asks for the redraw.
  void OnDrag(int dx, int dy);
  void SetCaption(const QString& documentTitle);
  void SetRecentFiles(const QStringList& files);
  // Pane 0.
  void SetMessageText(const QString& text);
  // Pane 0 shows a note over its message until ClearNote(), or until the
  // next message: the value under the mouse, a formula fault being typed.
  void ShowNote(const QString& text);
  void ClearNote();
  // What pane 0 shows.
  QString MessageText() const;
  // The fit pane shows the fit of the picture on display, or goes (null).
  void ShowFit(const SurfaceFit* fit);
  QString FitText() const;
  void ShowHelp();

 signals:
  void recentFileChosen(const QString& path);
  // The user turned the fit on or off.
  void fitToggled(bool fit);

 protected:
  bool event(QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void CreateActions();
  void CreateMenus();
  void CreateToolBar();
  void CreateStatusBar();
  void CreateParamBar();
  void ConnectCommands();

  void OnTimer();
  void OnRotate(int id);
  void OnDrawStyle(int style);
  void OnViewParamBar();
  void OnFit();
  void OnParamSet();
  bool RotationAllowed() const;
  void UpdateStatusPanes();

  COrvexView* m_pView = nullptr;
  CMeshExportCommand* m_pMeshExport = nullptr;
  QHash<int, QAction*> m_actions;
  std::array<QAction*, kRecentFileCount> m_recent{};
  QAction* m_pRecentPlaceholder = nullptr;
  QMenu* m_pViewMenu = nullptr;
  QLabel* m_pMessagePane = nullptr;
  QString m_strMessage;  // pane 0's text under a note
  QWidget* m_pProgressPane = nullptr;
  QLabel* m_pFitPane = nullptr;
  QLabel* m_pClockPane = nullptr;
  QLabel* m_pCapsPane = nullptr;
  QTimer m_timer;
  QPointer<QTextBrowser> m_pHelp;
};
