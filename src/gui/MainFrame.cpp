#include "gui/MainFrame.h"

#include <QAction>
#include <QActionGroup>
#include <QCloseEvent>
#include <QIcon>
#include <QKeyEvent>
#include <QLayout>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QStatusTipEvent>
#include <QTextBrowser>

#include "core/ColourMap.h"
#include "core/ViewControl.h"
#include "gui/Commands.h"
#include "gui/FormulaToolBar.h"
#include "gui/Language.h"
#include "gui/MeshExportCommand.h"
#include "gui/OrvexView.h"
#include "gui/ParamBar.h"
#include "gui/ParamDialog.h"
#include "gui/ParamModel.h"
#include "gui/ParamPane.h"
#include "gui/ProblemTexts.h"
#include "gui/StatusBar.h"
#include "gui/Texts.h"

namespace {

constexpr int kTimerPeriodMs = 200;

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
    case ID_VIEW_AXES:
    case ID_VIEW_COLOUR:
    case ID_VIEW_EXTREMES:
    case ID_VIEW_FOLLOW_TYPING:
      return true;
    default:
      return false;
  }
}

}  // namespace

CMainFrame::CMainFrame() : m_pModel(new CParamModel(this)) {
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
  m_pView = new COrvexView(m_pModel, this);
  setCentralWidget(m_pView);
  m_pMeshExport = new CMeshExportCommand(m_pModel, this);
  m_wndStatusBar = new CStatusBar(this);
  setStatusBar(m_wndStatusBar);
  CreateActions();
  CreateMenus();
  CreateToolBar();
  CreateParamBar();
  ConnectCommands();
  ConnectParts();
  m_timer.setInterval(kTimerPeriodMs);
  connect(&m_timer, &QTimer::timeout, this, &CMainFrame::OnTimer);
  m_timer.start();
  UpdateCommandStates();
  resize(1024, 768);
}

CMainFrame::~CMainFrame() {
  // The parts that watch the model's fields go while the model is whole:
  // hiding them may still send focus events their filters act on.
  delete m_wndToolBar;
  delete m_wndParamBar;
  delete m_pParamPane;
  delete m_pView;
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
  m_pViewMenu->addSeparator();
  m_pViewMenu->addActions({Action(ID_VIEW_AXES), Action(ID_VIEW_COLOUR)});
  QMenu* maps = m_pViewMenu->addMenu(Tr(texts::kMenuColourMap));
  auto* mapGroup = new QActionGroup(this);
  for (std::size_t k = 0; k < kColourMaps.size(); ++k) {
    QAction* map = Action(ID_COLOUR_MAP_FIRST + static_cast<int>(k));
    map->setCheckable(true);
    mapGroup->addAction(map);
    maps->addAction(map);
  }
  m_pViewMenu->addAction(Action(ID_VIEW_EXTREMES));
  m_pViewMenu->addSeparator();
  m_pViewMenu->addAction(Action(ID_VIEW_FOLLOW_TYPING));
  // The panel's flag follows the panel however it was hidden.
  connect(m_pViewMenu, &QMenu::aboutToShow, this, [this] {
    m_bParamBar = !m_wndParamBar->isHidden();
    UpdateCommandStates();
  });

  QMenu* help = menuBar()->addMenu(Tr(texts::kMenuHelp));
  help->addAction(Action(ID_HELP_FINDER));
  help->addSeparator();
  help->addAction(Action(ID_APP_ABOUT));
  for (QMenu* menu : {file, edit, start, m_pViewMenu, maps, help}) menu->installEventFilter(this);
}

void CMainFrame::CreateToolBar() {
  m_wndToolBar = new CFormulaToolBar(m_pModel, this);
  addToolBar(Qt::TopToolBarArea, m_wndToolBar);
  m_wndToolBar->addActions({Action(ID_FILE_OPEN), Action(ID_FILE_SAVE), Action(ID_APP_ABOUT)});
  m_wndToolBar->addSeparator();
  m_wndToolBar->addActions({Action(ID_TOOL_START), Action(ID_TOOL_STOP)});
  m_wndToolBar->addSeparator();
  m_wndToolBar->addActions({Action(ID_DRAW_MESH), Action(ID_DRAW_CONTOUR), Action(ID_VIEW_FIT),
                            Action(ID_VIEW_AXES), Action(ID_VIEW_COLOUR),
                            Action(ID_VIEW_EXTREMES)});
  m_wndToolBar->addSeparator();
  m_wndToolBar->AddFormulaBox();
  m_wndToolBar->addSeparator();
  m_wndToolBar->addActions({Action(ID_ROTATE_LEFT), Action(ID_ROTATE_UP), Action(ID_ROTATE_DOWN),
                            Action(ID_ROTATE_RIGHT)});
}

void CMainFrame::CreateParamBar() {
  m_wndParamBar = new CParamBar(m_pModel, this);
  addDockWidget(Qt::RightDockWidgetArea, m_wndParamBar);
  // Shown when the view first paints (ApplyParamBar).
  m_wndParamBar->hide();
  // Under the view and the panel, as wide as the window and no taller than
  // its rows: shown while the formula has parameters.
  m_pParamPane = new CParamPane(m_pModel, this);
  addDockWidget(Qt::BottomDockWidgetArea, m_pParamPane);
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
  on(ID_EXPORT_MESH, [this] {
    CommitTyping();
    m_pMeshExport->Run();
  });
  on(ID_EDIT_COPY, [this] { m_pView->OnCopyImage(); });
  for (int id : {ID_ROTATE_LEFT, ID_ROTATE_UP, ID_ROTATE_DOWN, ID_ROTATE_RIGHT}) {
    on(id, [this, id] { OnRotate(id); });
  }
  on(ID_PARAM_SET, [this] { OnParamSet(); });
  on(ID_DRAW_MESH, [this] { OnDrawStyle(STYLE_MESH); });
  on(ID_DRAW_CONTOUR, [this] { OnDrawStyle(STYLE_CONTOUR); });
  on(ID_VIEW_PARAMBAR, [this] { OnViewParamBar(); });
  on(ID_VIEW_FIT, [this] { m_pModel->SetFit(!m_pModel->Fit()); });
  on(ID_VIEW_AXES, [this] { m_pModel->SetAxes(!m_pModel->Axes()); });
  on(ID_VIEW_COLOUR, [this] { m_pModel->SetColourByHeight(!m_pModel->ColourByHeight()); });
  on(ID_VIEW_EXTREMES, [this] { m_pModel->SetExtremes(!m_pModel->Extremes()); });
  on(ID_VIEW_FOLLOW_TYPING, [this] { m_pModel->SetFollowTyping(!m_pModel->FollowTyping()); });
  for (std::size_t k = 0; k < kColourMaps.size(); ++k) {
    on(ID_COLOUR_MAP_FIRST + static_cast<int>(k), [this, k] { m_pModel->SetMap(kColourMaps[k]); });
  }
  on(ID_VIEW_TOOLBAR, [this] {
    m_wndToolBar->setVisible(m_wndToolBar->isHidden());
    UpdateCommandStates();
  });
  on(ID_VIEW_STATUS_BAR, [this] {
    m_wndStatusBar->setVisible(m_wndStatusBar->isHidden());
    UpdateCommandStates();
  });
  for (int id : {ID_HELP_FINDER, ID_HELP, ID_CONTEXT_HELP}) on(id, [this] { ShowHelp(); });
  on(ID_APP_EXIT, [this] { close(); });
}

void CMainFrame::ConnectParts() {
  connect(m_pModel, &CParamModel::paramsChanged, this, &CMainFrame::UpdateCommandStates);
  for (const auto changed :
       {&CParamModel::fitChanged, &CParamModel::axesChanged, &CParamModel::extremesChanged}) {
    connect(m_pModel, changed, this, &CMainFrame::UpdateCommandStates);
  }
  connect(m_pModel, &CParamModel::colourChanged, this, &CMainFrame::UpdateCommandStates);
  connect(m_pModel, &CParamModel::followTypingChanged, this, [this](bool on) {
    m_wndToolBar->SetFollowTyping(on);
    UpdateCommandStates();
  });
  m_wndToolBar->SetFollowTyping(m_pModel->FollowTyping());
  connect(m_pView, &COrvexView::fullResampleTook, m_wndToolBar, &CFormulaToolBar::ResampleTook);

  // Not from inside the paint: showing the panel changes the layout.
  connect(m_pView, &COrvexView::firstPainted, this, &CMainFrame::ApplyParamBar,
          Qt::QueuedConnection);
  connect(m_pView, &COrvexView::runStarted, this, [this](int progressMax) {
    m_wndStatusBar->SetMessageText(Tr(texts::kComputing));
    m_wndStatusBar->BeginProgress(progressMax);
  });
  connect(m_pView, &COrvexView::runEnded, this, [this](RunProblem problem) {
    m_wndStatusBar->EndProgress();
    m_wndStatusBar->SetMessageText(RunEndText(problem));
    UpdateCommandStates();
  });
  connect(m_pView, &COrvexView::stateChanged, this, &CMainFrame::UpdateCommandStates);
  connect(m_pView, &COrvexView::fitShown, m_wndStatusBar, &CStatusBar::ShowFit);
  connect(m_pView, &COrvexView::readoutChanged, m_wndStatusBar, &CStatusBar::ShowReadout);

  connect(m_wndToolBar, &CFormulaToolBar::noteChanged, this, [this](const QString& note) {
    note.isEmpty() ? m_wndStatusBar->ClearNote() : m_wndStatusBar->ShowNote(note);
  });

  connect(m_pMeshExport, &CMeshExportCommand::started, this, [this] {
    m_wndStatusBar->SetMessageText(Tr(texts::kExportingMesh));
    UpdateCommandStates();
  });
  connect(m_pMeshExport, &CMeshExportCommand::finished, this, [this](bool ok) {
    m_wndStatusBar->SetMessageText(ok ? Tr(texts::kMeshExported) : IdleText());
    UpdateCommandStates();
  });
}

bool CMainFrame::Running() const { return m_pView->IsBusy(); }

void CMainFrame::UpdateCommandStates() {
  const bool running = Running();
  const int style = m_pModel->Params().m_nDrawStyle;
  for (int id : {ID_FILE_OPEN, ID_FILE_SAVE, ID_FILE_SAVE_AS, ID_SAVE_IMAGE, ID_CALC_START,
                 ID_PARAM_SET, ID_DRAW_MESH, ID_DRAW_CONTOUR}) {
    Action(id)->setEnabled(!running);
  }
  Action(ID_CALC_STOP)->setEnabled(m_pView->IsStoppable());
  // Samples a copy of the parameters on a thread of its own: a drawing run is no obstacle.
  Action(ID_EXPORT_MESH)->setEnabled(!m_pMeshExport->Busy());
  // Copying reads only the view's own image, so a run does not stop it.
  Action(ID_EDIT_COPY)->setEnabled(m_pView->HasPicture());
  const bool rotate = m_pView->IsTurnable();
  for (int id : {ID_ROTATE_LEFT, ID_ROTATE_UP, ID_ROTATE_DOWN, ID_ROTATE_RIGHT}) {
    Action(id)->setEnabled(rotate);
  }
  Action(ID_TOOL_START)->setChecked(running);
  Action(ID_TOOL_STOP)->setChecked(!running);
  Action(ID_DRAW_MESH)->setChecked(style == STYLE_MESH);
  Action(ID_DRAW_CONTOUR)->setChecked(style == STYLE_CONTOUR);
  Action(ID_VIEW_TOOLBAR)->setChecked(!m_wndToolBar->isHidden());
  Action(ID_VIEW_STATUS_BAR)->setChecked(!m_wndStatusBar->isHidden());
  Action(ID_VIEW_PARAMBAR)->setChecked(!m_wndParamBar->isHidden());
  Action(ID_VIEW_FIT)->setChecked(m_pModel->Fit());
  Action(ID_VIEW_AXES)->setChecked(m_pModel->Axes());
  Action(ID_VIEW_COLOUR)->setChecked(m_pModel->ColourByHeight());
  Action(ID_VIEW_EXTREMES)->setChecked(m_pModel->Extremes());
  Action(ID_VIEW_FOLLOW_TYPING)->setChecked(m_pModel->FollowTyping());
  for (std::size_t k = 0; k < kColourMaps.size(); ++k) {
    Action(ID_COLOUR_MAP_FIRST + static_cast<int>(k))
        ->setChecked(m_pModel->Map() == kColourMaps[k]);
  }
  // Typing reaches a run on only when the picture follows it.
  m_wndToolBar->FormulaBox()->setEnabled(!running || m_pModel->FollowTyping());
  m_wndParamBar->SetRunning(running);
}

void CMainFrame::ApplyParamBar() {
  if (m_bParamBar && m_wndParamBar->isHidden()) {
    m_wndParamBar->show();
    // The view's new width holds from now on, for a Start that follows.
    layout()->activate();
  } else if (!m_bParamBar && !m_wndParamBar->isHidden()) {
    m_wndParamBar->hide();
  }
  UpdateCommandStates();
}

void CMainFrame::CommitTyping() {
  // The formula box and the panel's fields take what was typed into them
  // when they lose the focus.
  m_pView->setFocus(Qt::OtherFocusReason);
}

void CMainFrame::OnParamSet() {
  if (Running()) return;
  CommitTyping();
  CParamDialog dialog(m_pModel->Params(), this);
  dialog.DoModal();
  // After Cancel the set comes back with only the background choice made.
  m_pModel->Set(dialog.Edited());
}

void CMainFrame::OnTimer() {
  m_wndStatusBar->UpdateIndicators();
  if (m_pView->IsStoppable()) {
    m_wndStatusBar->SetProgress(m_pView->Progress());
    m_pView->Tick();
  }
  UpdateCommandStates();
}

void CMainFrame::OnRotate(int id) {
  // The solids turn by themselves; only a mesh or contour run follows the buttons.
  if (!m_pView->IsTurnable()) return;
  double upDown = m_pModel->Params().m_dUpDownAngle;
  double leftRight = m_pModel->Params().m_dLeftRightAngle;
  switch (id) {
    case ID_ROTATE_LEFT:
    case ID_ROTATE_RIGHT:
      leftRight = TurnAngle(leftRight, id == ID_ROTATE_LEFT ? -kRotationStep : kRotationStep);
      break;
    default:
      upDown = TurnAngle(upDown, id == ID_ROTATE_UP ? kRotationStep : -kRotationStep);
      break;
  }
  m_pModel->SetAngles(upDown, leftRight);
}

void CMainFrame::OnDrawStyle(int style) {
  // Disabled while a thread is alive, whose style must not change under it.
  if (!Running()) m_pModel->SetStyle(style);
  UpdateCommandStates();
}

void CMainFrame::OnViewParamBar() {
  m_bParamBar = !m_bParamBar;
  ApplyParamBar();
}

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

void CMainFrame::ShowHelp() {
  if (m_pHelp == nullptr) {
    m_pHelp = new QTextBrowser(this);
    m_pHelp->setWindowFlag(Qt::Window);
    m_pHelp->setObjectName(QStringLiteral("help"));
    m_pHelp->setWindowTitle(Tr(texts::kHelpTitle));
    m_pHelp->setSource(QUrl(HelpPage()));
    m_pHelp->resize(760, 640);
    // Closes with Esc and Ctrl+W, as other windows of its kind do.
    m_pHelp->installEventFilter(this);
  }
  m_pHelp->show();
  m_pHelp->raise();
  m_pHelp->activateWindow();
}

QString CMainFrame::IdleText() const {
  return Tr(m_pMeshExport->Busy() ? texts::kExportingMesh
            : Running()           ? texts::kComputing
                                  : texts::kReady);
}

bool CMainFrame::event(QEvent* event) {
  // A highlighted menu item or button puts its prompt into pane 0; when the
  // highlight goes, the idle text comes back, which reads "computing" while a
  // run is on and "exporting" while a mesh is being written.
  if (event->type() == QEvent::StatusTip) {
    const QString tip = static_cast<QStatusTipEvent*>(event)->tip();
    m_wndStatusBar->SetMessageText(tip.isEmpty() ? IdleText() : tip);
    m_bDisabledPrompt = false;
    return true;
  }
  return QMainWindow::event(event);
}

bool CMainFrame::eventFilter(QObject* watched, QEvent* event) {
  if (watched == m_pHelp && event->type() == QEvent::KeyPress) {
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Escape || key->keyCombination() == (Qt::CTRL | Qt::Key_W)) {
      m_pHelp->close();
      return true;
    }
  }
  auto* menu = qobject_cast<QMenu*>(watched);
  if (menu != nullptr && event->type() == QEvent::MouseMove) {
    // After the menu has handled the move, which clears the prompt of an
    // enabled item it leaves.
    const QPoint at = static_cast<QMouseEvent*>(event)->position().toPoint();
    QMetaObject::invokeMethod(
        this,
        [this, menu = QPointer<QMenu>(menu), at] {
          if (menu != nullptr) ShowDisabledPrompt(menu, at);
        },
        Qt::QueuedConnection);
  } else if (menu != nullptr && event->type() == QEvent::Hide && m_bDisabledPrompt) {
    m_wndStatusBar->SetMessageText(IdleText());
    m_bDisabledPrompt = false;
  }
  return QMainWindow::eventFilter(watched, event);
}

void CMainFrame::ShowDisabledPrompt(QMenu* menu, QPoint position) {
  if (!menu->isVisible()) return;
  const QAction* action = menu->actionAt(position);
  if (action != nullptr && !action->isEnabled() && !action->statusTip().isEmpty()) {
    m_wndStatusBar->SetMessageText(action->statusTip());
    m_bDisabledPrompt = true;
  } else if (m_bDisabledPrompt &&
             (action == nullptr || action->isSeparator() || !action->isEnabled())) {
    m_wndStatusBar->SetMessageText(IdleText());
    m_bDisabledPrompt = false;
  }
}

void CMainFrame::closeEvent(QCloseEvent* event) {
  if (m_pHelp != nullptr) m_pHelp->close();
  // The window closes at once, also during a run: the run is asked to stop,
  // and the view joins its thread when it goes, so the process ends when the
  // thread has ended.
  m_pView->OnStop();
  QMainWindow::closeEvent(event);
}
