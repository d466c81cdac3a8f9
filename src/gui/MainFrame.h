// The program's one top-level window. It owns the parameter model and the
// parts that show and edit it (the view, the toolbar with the formula box,
// the parameter panel, the status bar, the mesh export, the help window),
// and wires them together: the parts know the model, not the frame or each
// other. Every command's enabled and checked state is set in one place,
// UpdateCommandStates(), from whether a drawing thread is alive and from the
// style.
#pragma once

#include <QHash>
#include <QMainWindow>
#include <QPointer>
#include <QTimer>
#include <array>

#include "gui/CommandIds.h"

class QAction;
class QMenu;
class QTextBrowser;
class CFormulaToolBar;
class CMeshExportCommand;
class COrvexView;
class CParamBar;
class CParamModel;
class CParamPane;
class CStatusBar;

class CMainFrame : public QMainWindow {
  Q_OBJECT

 public:
  CMainFrame();
  ~CMainFrame() override;

  CParamModel* Model() const { return m_pModel; }
  COrvexView* View() const { return m_pView; }
  CFormulaToolBar* ToolBar() const { return m_wndToolBar; }
  CParamBar* ParamBar() const { return m_wndParamBar; }
  CParamPane* ParamPane() const { return m_pParamPane; }
  CStatusBar* StatusBar() const { return m_wndStatusBar; }
  CMeshExportCommand* MeshExport() const { return m_pMeshExport; }
  // The action of a command id; null for an id without one.
  QAction* Action(int id) const { return m_actions.value(id); }
  QAction* RecentAction(int index) const { return m_recent[static_cast<std::size_t>(index)]; }

  // A drawing thread is alive: from Start until its end has been reported.
  bool Running() const;
  // Moves the focus to the view, so a field being typed in commits its text.
  void CommitTyping();
  void SetCaption(const QString& documentTitle);
  void SetRecentFiles(const QStringList& files);
  void ShowHelp();

 signals:
  void recentFileChosen(const QString& path);

 protected:
  bool event(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void CreateActions();
  void CreateMenus();
  void CreateToolBar();
  void CreateParamBar();
  void ConnectCommands();
  void ConnectParts();

  void UpdateCommandStates();
  // Shows or hides the panel by m_bParamBar.
  void ApplyParamBar();
  void OnTimer();
  void OnRotate(int id);
  void OnDrawStyle(int style);
  void OnViewParamBar();
  void OnParamSet();
  // Pane 0 when no prompt shows: computing, exporting or ready.
  QString IdleText() const;
  // A disabled menu item's prompt shows while the mouse is on it, as an
  // enabled one's does.
  void ShowDisabledPrompt(QMenu* menu, QPoint position);

  CParamModel* m_pModel;
  COrvexView* m_pView = nullptr;
  CFormulaToolBar* m_wndToolBar = nullptr;
  CParamBar* m_wndParamBar = nullptr;
  CParamPane* m_pParamPane = nullptr;
  CStatusBar* m_wndStatusBar = nullptr;
  CMeshExportCommand* m_pMeshExport = nullptr;
  // The panel is to be shown; follows the panel however it was hidden.
  bool m_bParamBar = true;
  bool m_bDisabledPrompt = false;
  QHash<int, QAction*> m_actions;
  std::array<QAction*, kRecentFileCount> m_recent{};
  QAction* m_pRecentPlaceholder = nullptr;
  QMenu* m_pViewMenu = nullptr;
  QTimer m_timer;
  QPointer<QTextBrowser> m_pHelp;
};
