#include "gui/MainFrame.h"

#include <QAction>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QMenuBar>
#include <QProgressBar>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTextBrowser>
#include <algorithm>
#include <ctime>

#include "core/ShareData.h"
#include "core/ViewControl.h"
#include "gui/CapsLock.h"
#include "gui/Commands.h"
#include "gui/FormulaToolBar.h"
#include "gui/Language.h"
#include "gui/MeshExportCommand.h"
#include "gui/OrvexView.h"
#include "gui/ParamBar.h"
#include "gui/ParamDialog.h"
#include "gui/Texts.h"
#include "render/DrawingRun.h"

namespace {

constexpr int kTimerPeriodMs = 200;
constexpr int kMessagePaneWidth = 224;

// Buttons that show a state rather than run once.
bool IsCheckable(int id) {
  switch (id) {
    case ID_TOOL_START:
    case ID_TOOL_STOP:
    case ID_DRAW_MESH:
    case ID_DRAW_CONTOUR:
    case ID_VIEW_TOOLBAR:
    case ID_VIEW_STATUS_BAR:
    case ID_VIEW_PARAMBAR:
    case ID_VIEW_FIT:
      return true;
    default:
      return false;
  }
}

QLabel* IndicatorPane(const QString& widest, QWidget* parent) {
  auto* pane = new QLabel(parent);
  pane->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  pane->setAlignment(Qt::AlignCenter);
  pane->setMinimumWidth(pane->fontMetrics().horizontalAdvance(widest) + 12);
  return pane;
}

}  // namespace

CMainFrame::CMainFrame() {
  // The images and the help page live in the static library's resources,
  // which the linker keeps only when asked for.
  Q_INIT_RESOURCE(orvex);
  setObjectName(QStringLiteral("mainFrame"));
  // Every size, so a small icon is the drawing made for it, not a shrunk one.
  QIcon icon;
  for (int size : {16, 24, 32, 48, 64, 128, 256}) {
    icon.addFile(QStringLiteral(":/icons/orvex-%1.png").arg(size), QSize(size, size));
  }
  setWindowIcon(icon);
  m_pView = new COrvexView(this);
  setCentralWidget(m_pView);
  m_pMeshExport = new CMeshExportCommand(this);
  CreateActions();
  CreateMenus();
  CreateStatusBar();
  CreateToolBar();
  CreateParamBar();
  ConnectCommands();
  m_timer.setInterval(kTimerPeriodMs);
  connect(&m_timer, &QTimer::timeout, this, &CMainFrame::OnTimer);
  m_timer.start();
  UpdateStatusPanes();
  UpdateCommandStates();
  m_bReady = true;
  RefreshStyleColours();
  resize(1024, 768);
}

CMainFrame::~CMainFrame() {
  // The bars watch their fields' focus and reach into this frame; they go
  // while it is whole, before the base class hides and deletes the children.
  m_bReady = false;
  delete m_wndToolBar;
  delete m_wndParamBar;
}

void CMainFrame::CreateActions() {
  for (const CommandInfo& command : CommandTable()) {
    if (command.id == IDC_FORMULA) continue;  // the formula box is a widget
    auto* action = new QAction(Tr(command.text), this);
    action->setData(command.id);
    action->setObjectName(QStringLiteral("command%1").arg(command.id));
    if (*command.prompt != '\0') action->setStatusTip(Tr(command.prompt));
    if (*command.tip != '\0') action->setToolTip(Tr(command.tip));
    if (*command.key != '\0') action->setShortcut(QKeySequence(QString::fromLatin1(command.key)));
    if (*command.icon != '\0') action->setIcon(QIcon(QString::fromLatin1(command.icon)));
    action->setCheckable(IsCheckable(command.id));
    // Keys work whether or not the bar or menu carrying the command is shown.
    addAction(action);
    m_actions.insert(command.id, action);
  }
  for (std::size_t k = 0; k < m_recent.size(); ++k) {
    m_recent[k] = new QAction(this);
    m_recent[k]->setStatusTip(Tr(texts::kRecentPrompt));
    m_recent[k]->setVisible(false);
    connect(m_recent[k], &QAction::triggered, this,
            [this, k] { emit recentFileChosen(m_recent[k]->data().toString()); });
  }
  m_pRecentPlaceholder = new QAction(Tr(texts::kRecentPlaceholder), this);
  m_pRecentPlaceholder->setEnabled(false);
}

void CMainFrame::CreateMenus() {
  QMenu* file = menuBar()->addMenu(Tr(texts::kMenuFile));
  file->addActions({Action(ID_FILE_OPEN), Action(ID_FILE_SAVE_AS), Action(ID_SAVE_IMAGE),
                    Action(ID_EXPORT_MESH)});
  file->addSeparator();
  file->addAction(m_pRecentPlaceholder);
  for (QAction* recent : m_recent) file->addAction(recent);
  file->addSeparator();
  file->addAction(Action(ID_APP_EXIT));

  QMenu* edit = menuBar()->addMenu(Tr(texts::kMenuEdit));
  edit->addAction(Action(ID_EDIT_COPY));

  QMenu* start = menuBar()->addMenu(Tr(texts::kMenuStart));
  start->addActions({Action(ID_CALC_START), Action(ID_CALC_STOP)});
  start->addSeparator();
  start->addAction(Action(ID_PARAM_SET));

  m_pViewMenu = menuBar()->addMenu(Tr(texts::kMenuView));
  m_pViewMenu->addActions(
      {Action(ID_VIEW_TOOLBAR), Action(ID_VIEW_STATUS_BAR), Action(ID_VIEW_PARAMBAR)});
  m_pViewMenu->addSeparator();
  m_pViewMenu->addAction(Action(ID_VIEW_FIT));
  // The panel's flag follows the panel however it was hidden.
  connect(m_pViewMenu, &QMenu::aboutToShow, this, [this] {
    m_bParamBar = !m_wndParamBar->isHidden();
    UpdateCommandStates();
  });

  QMenu* help = menuBar()->addMenu(Tr(texts::kMenuHelp));
  help->addAction(Action(ID_HELP_FINDER));
  help->addSeparator();
  help->addAction(Action(ID_APP_ABOUT));
}

void CMainFrame::CreateToolBar() {
  m_wndToolBar = new CFormulaToolBar(this);
  addToolBar(Qt::TopToolBarArea, m_wndToolBar);
  m_wndToolBar->addActions({Action(ID_FILE_OPEN), Action(ID_FILE_SAVE), Action(ID_APP_ABOUT)});
  m_wndToolBar->addSeparator();
  m_wndToolBar->addActions({Action(ID_TOOL_START), Action(ID_TOOL_STOP)});
  m_wndToolBar->addSeparator();
  m_wndToolBar->addActions({Action(ID_DRAW_MESH), Action(ID_DRAW_CONTOUR), Action(ID_VIEW_FIT)});
  m_wndToolBar->addSeparator();
  m_wndToolBar->AddFormulaBox();
  m_wndToolBar->addSeparator();
  m_wndToolBar->addActions({Action(ID_ROTATE_LEFT), Action(ID_ROTATE_UP), Action(ID_ROTATE_DOWN),
                            Action(ID_ROTATE_RIGHT)});
  m_wndToolBar->SetParams(m_para);
}

void CMainFrame::CreateStatusBar() {
  QStatusBar* bar = statusBar();
  bar->setObjectName(QStringLiteral("statusBar"));
  // Panes 0 and 1 are borderless; the clock and caps-lock panes draw their own.
  bar->setStyleSheet(QStringLiteral("QStatusBar::item { border: none; }"));
  m_strMessage = Tr(texts::kReady);
  m_pMessagePane = new QLabel(m_strMessage, bar);
  m_pMessagePane->setObjectName(QStringLiteral("messagePane"));
  m_pMessagePane->setFixedWidth(kMessagePaneWidth);
  m_pProgressPane = new QWidget(bar);
  auto* progressLayout = new QHBoxLayout(m_pProgressPane);
  progressLayout->setContentsMargins(0, 1, 0, 1);
  // As tall with the bar as without, so the view keeps its size over a run.
  m_pProgressPane->setFixedHeight(QProgressBar().sizeHint().height() + 2);
  m_pFitPane = IndicatorPane(QString(), bar);
  m_pFitPane->setObjectName(QStringLiteral("fitPane"));
  m_pFitPane->hide();
  m_pClockPane = IndicatorPane(QString::fromLatin1(texts::kClockWidth), bar);
  m_pClockPane->setObjectName(QStringLiteral("clockPane"));
  m_pCapsPane = IndicatorPane(QString::fromLatin1(texts::kCapsLock), bar);
  m_pCapsPane->setObjectName(QStringLiteral("capsPane"));
  bar->addWidget(m_pMessagePane);
  bar->addWidget(m_pProgressPane, 1);
  bar->addWidget(m_pFitPane);
  bar->addWidget(m_pClockPane);
  bar->addWidget(m_pCapsPane);
}

void CMainFrame::CreateParamBar() {
  m_wndParamBar = new CParamBar(this);
  addDockWidget(Qt::RightDockWidgetArea, m_wndParamBar);
  // Shown when the view first paints (ApplyParamBar).
  m_wndParamBar->hide();
  m_wndParamBar->SetParams(m_para);
}

void CMainFrame::ConnectCommands() {
  const auto on = [this](int id, auto handler) {
    connect(Action(id), &QAction::triggered, this, handler);
  };
  on(ID_CALC_START, [this] { m_pView->OnStart(); });
  on(ID_TOOL_START, [this] { m_pView->OnStart(); });
  on(ID_CALC_STOP, [this] { m_pView->OnStop(); });
  on(ID_TOOL_STOP, [this] { m_pView->OnStop(); });
  on(ID_SAVE_IMAGE, [this] { m_pView->OnSaveImage(); });
  on(ID_EXPORT_MESH, [this] { m_pMeshExport->Run(); });
  on(ID_EDIT_COPY, [this] { m_pView->OnCopyImage(); });
  for (int id : {ID_ROTATE_LEFT, ID_ROTATE_UP, ID_ROTATE_DOWN, ID_ROTATE_RIGHT}) {
    on(id, [this, id] { OnRotate(id); });
  }
  on(ID_PARAM_SET, [this] { OnParamSet(); });
  on(ID_DRAW_MESH, [this] { OnDrawStyle(STYLE_MESH); });
  on(ID_DRAW_CONTOUR, [this] { OnDrawStyle(STYLE_CONTOUR); });
  on(ID_VIEW_PARAMBAR, [this] { OnViewParamBar(); });
  on(ID_VIEW_FIT, [this] { OnFit(); });
  on(ID_VIEW_TOOLBAR, [this] {
    m_wndToolBar->setVisible(m_wndToolBar->isHidden());
    UpdateCommandStates();
  });
  on(ID_VIEW_STATUS_BAR, [this] {
    statusBar()->setVisible(statusBar()->isHidden());
    UpdateCommandStates();
  });
  for (int id : {ID_HELP_FINDER, ID_HELP, ID_CONTEXT_HELP}) on(id, [this] { ShowHelp(); });
  on(ID_APP_EXIT, [this] { close(); });
}

bool CMainFrame::Running() const { return m_pView->IsBusy(); }

bool CMainFrame::RotationAllowed() const {
  // The solids turn by themselves; only the mesh and the contour lines follow
  // the buttons.
  const int state = g_ShareData.m_nState.load();
  return Running() && ((state == DS_RUN_SURFACE && g_ShareData.m_para.m_nDrawStyle == STYLE_MESH) ||
                       state == DS_RUN_CONTOUR);
}

void CMainFrame::UpdateCommandStates() {
  const bool running = Running();
  for (int id : {ID_FILE_OPEN, ID_FILE_SAVE, ID_FILE_SAVE_AS, ID_SAVE_IMAGE, ID_CALC_START,
                 ID_PARAM_SET, ID_DRAW_MESH, ID_DRAW_CONTOUR}) {
    Action(id)->setEnabled(!running);
  }
  Action(ID_CALC_STOP)->setEnabled(running && IsRunning(g_ShareData.m_nState.load()));
  // Samples a copy of the parameters on a thread of its own: a drawing run is no obstacle.
  Action(ID_EXPORT_MESH)->setEnabled(!m_pMeshExport->Busy());
  // Copying reads only the view's own image, so a run does not stop it.
  Action(ID_EDIT_COPY)->setEnabled(m_pView->HasPicture());
  const bool rotate = RotationAllowed();
  for (int id : {ID_ROTATE_LEFT, ID_ROTATE_UP, ID_ROTATE_DOWN, ID_ROTATE_RIGHT}) {
    Action(id)->setEnabled(rotate);
  }
  Action(ID_TOOL_START)->setChecked(running);
  Action(ID_TOOL_STOP)->setChecked(!running);
  Action(ID_DRAW_MESH)->setChecked(m_para.m_nDrawStyle == STYLE_MESH);
  Action(ID_DRAW_CONTOUR)->setChecked(m_para.m_nDrawStyle == STYLE_CONTOUR);
  Action(ID_VIEW_TOOLBAR)->setChecked(!m_wndToolBar->isHidden());
  Action(ID_VIEW_STATUS_BAR)->setChecked(!statusBar()->isHidden());
  Action(ID_VIEW_PARAMBAR)->setChecked(!m_wndParamBar->isHidden());
  Action(ID_VIEW_FIT)->setChecked(m_bFit);
  m_wndToolBar->FormulaBox()->setEnabled(!running);
  m_wndParamBar->UpdateEnabling(running, m_para.m_nDrawStyle);
}

void CMainFrame::ApplyParamBar() {
  m_wndParamBar->update();
  if (m_bParamBar) {
    m_wndParamBar->SetParams(m_para);
    if (m_wndParamBar->isHidden()) {
      m_wndParamBar->show();
      // The view's new width holds from now on, for a Start that follows.
      layout()->activate();
    }
  } else if (!m_wndParamBar->isHidden()) {
    m_wndParamBar->hide();
  }
  UpdateCommandStates();
}

void CMainFrame::RefreshBars() {
  m_wndToolBar->SetParams(m_para);
  m_wndParamBar->SetParams(m_para);
  RefreshStyleColours();
}

void CMainFrame::RefreshStyleColours() {
  m_wndToolBar->UpdateColours();
  m_wndParamBar->UpdateColours();
  UpdateCommandStates();
}

void CMainFrame::CommitTyping() {
  // The formula box and the panel's fields take what was typed into them
  // when they lose the focus.
  m_pView->setFocus(Qt::OtherFocusReason);
}

void CMainFrame::OnParamSet() {
  if (Running()) return;
  CParamDialog dialog(this);
  CommitTyping();
  dialog.m_dUpDownAngle = m_para.m_dUpDownAngle;
  dialog.m_dLeftRightAngle = m_para.m_dLeftRightAngle;
  dialog.m_dRange = m_para.m_dRange;
  dialog.m_dZCoef = m_para.m_dZCoef;
  dialog.m_nMesh = m_para.m_nMesh;
  dialog.m_strFormula = m_para.m_strFormula;
  dialog.m_dContourStep = m_para.m_dContourStep;
  dialog.m_nDrawStyle = m_para.m_nDrawStyle;
  dialog.m_bPerspective = m_para.m_bPerspective;
  dialog.m_bHiddenLine = m_para.m_bHiddenLine;
  dialog.m_bShading = m_para.m_bShading;
  dialog.m_nZeroByZero = ZeroByZeroIndex(m_para.m_dZeroByZero);
  if (dialog.DoModal() != QDialog::Accepted) return;
  m_para.m_dUpDownAngle = dialog.m_dUpDownAngle;
  m_para.m_dLeftRightAngle = dialog.m_dLeftRightAngle;
  m_para.m_dRange = dialog.m_dRange;
  m_para.m_dZCoef = dialog.m_dZCoef;
  m_para.m_nMesh = dialog.m_nMesh;
  m_para.m_strFormula = dialog.m_strFormula;
  m_para.m_dContourStep = dialog.m_dContourStep;
  m_para.m_bPerspective = dialog.m_bPerspective;
  m_para.m_bHiddenLine = dialog.m_bHiddenLine;
  m_para.m_bShading = dialog.m_bShading;
  // A value off the list stays unless an item was chosen.
  if (dialog.m_nZeroByZero >= 0) m_para.m_dZeroByZero = ZeroByZeroValue(dialog.m_nZeroByZero);
  m_wndParamBar->SetParams(m_para);
  m_wndToolBar->SetParams(m_para);
  if (dialog.m_nDrawStyle >= 0 && dialog.m_nDrawStyle != m_para.m_nDrawStyle) {
    m_para.m_nDrawStyle = dialog.m_nDrawStyle;
    g_ShareData.m_para.m_nDrawStyle = dialog.m_nDrawStyle;
    ApplyParamBar();
    g_ShareData.m_nState.store(DS_CLEAR);
    m_pView->update();
    RefreshStyleColours();
  }
}

void CMainFrame::BeginProgress() {
  if (m_pProgress == nullptr) {
    m_pProgress = new QProgressBar(m_pProgressPane);
    m_pProgress->setObjectName(QStringLiteral("progress"));
    m_pProgress->setTextVisible(false);
    m_pProgressPane->layout()->addWidget(m_pProgress);
  }
  SetMessageText(Tr(texts::kComputing));
  m_pProgress->setRange(0, DrawingRun::ProgressMaxFor(m_para.m_nMesh));
  m_pProgress->setValue(0);
  m_pProgress->show();
}

void CMainFrame::OnRunEnded(RunProblem problem) {
  if (m_pProgress != nullptr) {
    delete m_pProgress;
    m_pProgress = nullptr;
  }
  SetMessageText(Tr(problem == RunProblem::None ? texts::kFinished : RunProblemMessage(problem)));
  UpdateCommandStates();
}

void CMainFrame::OnTimer() {
  UpdateStatusPanes();
  if (IsRunning(g_ShareData.m_nState.load())) m_pView->Tick();
  UpdateCommandStates();
}

void CMainFrame::UpdateStatusPanes() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  // "%02d" prints what "%0.2d" does, without the flag the compiler calls void.
  m_pClockPane->setText(
      QString::asprintf("%02d:%02d:%02d", local.tm_hour, local.tm_min, local.tm_sec));
  m_pCapsPane->setText(CapsLockOn() ? QString::fromLatin1(texts::kCapsLock) : QString());
  if (m_pProgress != nullptr && Running()) m_pProgress->setValue(m_pView->Progress());
}

void CMainFrame::OnRotate(int id) {
  if (!RotationAllowed()) return;
  switch (id) {
    case ID_ROTATE_LEFT:
    case ID_ROTATE_RIGHT:
      m_para.m_dLeftRightAngle = TurnAngle(m_para.m_dLeftRightAngle,
                                           id == ID_ROTATE_LEFT ? -kRotationStep : kRotationStep);
      g_ShareData.SetLeftRightAngle(m_para.m_dLeftRightAngle);
      break;
    default:
      m_para.m_dUpDownAngle =
          TurnAngle(m_para.m_dUpDownAngle, id == ID_ROTATE_UP ? kRotationStep : -kRotationStep);
      g_ShareData.SetUpDownAngle(m_para.m_dUpDownAngle);
      break;
  }
  m_wndParamBar->SetParams(m_para);
  m_pView->Rotate();
}

void CMainFrame::OnDrag(int dx, int dy) {
  // Dragging down tilts the near edge down, as the down button does.
  m_para.m_dLeftRightAngle = DragAngle(m_para.m_dLeftRightAngle, dx);
  m_para.m_dUpDownAngle = DragAngle(m_para.m_dUpDownAngle, -dy);
  g_ShareData.SetAngles(m_para.m_dUpDownAngle, m_para.m_dLeftRightAngle);
  m_wndParamBar->SetParams(m_para);
}

void CMainFrame::OnDrawStyle(int style) {
  // Disabled while a thread is alive, so g_ShareData is free to write.
  if (!Running() && m_para.m_nDrawStyle != style) {
    m_para.m_nDrawStyle = style;
    g_ShareData.m_para.m_nDrawStyle = style;
    g_ShareData.m_nState.store(DS_CLEAR);
    ApplyParamBar();
    m_pView->update();
    RefreshStyleColours();
  }
  UpdateCommandStates();
}

void CMainFrame::OnViewParamBar() {
  m_bParamBar = !m_bParamBar;
  ApplyParamBar();
  m_pView->update();
}

void CMainFrame::OnFit() {
  m_bFit = !m_bFit;
  UpdateCommandStates();
  emit fitToggled(m_bFit);
  m_pView->OnFitChanged();
}

void CMainFrame::ShowFit(const SurfaceFit* fit) {
  if (fit == nullptr) {
    m_pFitPane->hide();
    m_pFitPane->clear();
    return;
  }
  const auto number = [](double value) { return QString::number(value, 'g', 4); };
  m_pFitPane->setText(Tr(texts::kFitStatus)
                          .arg(number(fit->factor), number(fit->bottom), number(fit->top)));
  m_pFitPane->show();
}

QString CMainFrame::FitText() const { return m_pFitPane->text(); }

void CMainFrame::SetCaption(const QString& documentTitle) {
  setWindowTitle(documentTitle + QString::fromUtf8(texts::kCaptionSeparator) +
                 Tr(texts::kWindowTitle));
}

void CMainFrame::SetRecentFiles(const QStringList& files) {
  for (std::size_t k = 0; k < m_recent.size(); ++k) {
    const bool used = static_cast<qsizetype>(k) < files.size();
    m_recent[k]->setVisible(used);
    if (!used) continue;
    const QString& path = files[static_cast<qsizetype>(k)];
    m_recent[k]->setText(QStringLiteral("&%1 %2").arg(k + 1).arg(path));
    m_recent[k]->setData(path);
  }
  m_pRecentPlaceholder->setVisible(files.isEmpty());
}

void CMainFrame::SetMessageText(const QString& text) {
  m_strMessage = text;
  ClearNote();
}

void CMainFrame::ShowNote(const QString& text) {
  // A note may be longer than the pane: the pane widens while it shows, at
  // the cost of the stretching pane beside it.
  const int margin = 2 * m_pMessagePane->fontMetrics().averageCharWidth();
  m_pMessagePane->setFixedWidth(
      std::max(kMessagePaneWidth, m_pMessagePane->fontMetrics().horizontalAdvance(text) + margin));
  m_pMessagePane->setText(text);
}

void CMainFrame::ClearNote() {
  m_pMessagePane->setFixedWidth(kMessagePaneWidth);
  m_pMessagePane->setText(m_strMessage);
}

QString CMainFrame::MessageText() const { return m_pMessagePane->text(); }

void CMainFrame::ShowHelp() {
  if (m_pHelp == nullptr) {
    m_pHelp = new QTextBrowser(this);
    m_pHelp->setWindowFlag(Qt::Window);
    m_pHelp->setObjectName(QStringLiteral("help"));
    m_pHelp->setWindowTitle(Tr(texts::kHelpTitle));
    m_pHelp->setSource(QUrl(HelpPage()));
    m_pHelp->resize(760, 640);
  }
  m_pHelp->show();
  m_pHelp->raise();
  m_pHelp->activateWindow();
}

bool CMainFrame::event(QEvent* event) {
  // A highlighted menu item or button puts its prompt into pane 0; when the
  // highlight goes, the idle text comes back, which reads "computing" while a
  // run is on and "exporting" while a mesh is being written.
  if (event->type() == QEvent::StatusTip) {
    const QString tip = static_cast<QStatusTipEvent*>(event)->tip();
    if (!tip.isEmpty()) {
      SetMessageText(tip);
    } else {
      SetMessageText(Tr(m_pMeshExport->Busy() ? texts::kExportingMesh
                        : Running()             ? texts::kComputing
                                                : texts::kReady));
    }
    return true;
  }
  return QMainWindow::event(event);
}

void CMainFrame::closeEvent(QCloseEvent* event) {
  if (m_pHelp != nullptr) m_pHelp->close();
  // The window closes at once, also during a run: the run is asked to stop,
  // and the view joins its thread when it goes, so the process ends when the
  // thread has ended.
  m_pView->OnStop();
  QMainWindow::closeEvent(event);
}
