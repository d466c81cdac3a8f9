// The whole window, one test for each command that needs it: what the
// commands allow in each state, Start and Stop with their texts and
// progress, copying, the style and rotation buttons, the view toggles, the
// mouse on the picture, and the parameter dialog, box and sliders wired to
// the view, the menus and the status bar.
#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QKeyEvent>
#include <QMatrix4x4>
#include <QMouseEvent>
#include <QProgressBar>
#include <QRadioButton>
#include <QSlider>
#include <QTimer>
#include <QVector3D>
#include <QWheelEvent>
#include <algorithm>

#include "GuiTestSupport.h"
#include "gui/ParamPane.h"

namespace {

const QString kComputing = QStringLiteral("計算してます．．．");
const QString kFinished = QStringLiteral("計算は終わりました。");
const QString kBadFormula = QStringLiteral("不正な計算式です！");

class WindowTest : public GuiTest {
 protected:
  // Launched with a quick run of the given style waiting for Start.
  void LaunchWith(int style, int mesh = 8) {
    Launch();
    EditPara([&](CParaData& p) { p.m_nDrawStyle = style, p.m_nMesh = mesh; });
    QObject::connect(View(), &COrvexView::pictureShown,
                     [this](bool coarse) { m_shown.push_back(coarse); });
  }
  CFormulaEdit* Box() const { return Frame()->ToolBar()->FormulaBox(); }
  QString IniText() const {
    QFile ini(QPath("orvex.ini"));
    return ini.open(QIODevice::ReadOnly) ? QString::fromUtf8(ini.readAll()) : QString();
  }
  void Mouse(QEvent::Type type, QPoint at, Qt::MouseButtons held,
             Qt::MouseButton button = Qt::NoButton) {
    QMouseEvent event(type, at, View()->mapToGlobal(at), button, held, Qt::NoModifier);
    QApplication::sendEvent(View(), &event);
  }
  // A left drag by `by` in `steps` moves; `pause` ms of events after each.
  void Drag(QPoint by, int steps, int pause = 0) {
    const QPoint from = View()->rect().center();
    Mouse(QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
    for (int k = 1; k <= steps; ++k) {
      Mouse(QEvent::MouseMove, from + by * k / steps, Qt::LeftButton);
      if (pause > 0) QTest::qWait(pause);
    }
    Mouse(QEvent::MouseButtonRelease, from + by, Qt::NoButton, Qt::LeftButton);
  }
  void Wheel(int angle) {
    const QPointF at = View()->rect().center();
    QWheelEvent event(at, View()->mapToGlobal(at), QPoint(), QPoint(0, angle), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(View(), &event);
  }
  // Waits for the next full picture on the view and returns the view's image.
  QImage NextFullPicture() {
    const auto before = static_cast<std::ptrdiff_t>(m_shown.size());
    EXPECT_TRUE(WaitUntil([&] {
      return std::find(m_shown.begin() + before, m_shown.end(), false) != m_shown.end();
    }));
    return View()->Backing().copy();
  }

  std::vector<bool> m_shown;  // coarse or not, for every picture the view took
};

TEST_F(WindowTest, CommandStatesFollowTheRunAndItsStyle) {
  // Enabled ('1') with no run, in a mesh, a solid and a contour run.
  const std::pair<const char*, std::vector<int>> rows[] = {
      {"1000",
       {ID_FILE_OPEN, ID_FILE_SAVE, ID_FILE_SAVE_AS, ID_SAVE_IMAGE, ID_CALC_START, ID_PARAM_SET,
        ID_DRAW_MESH, ID_DRAW_CONTOUR}},
      {"0111", {ID_CALC_STOP, ID_EDIT_COPY}},
      {"0101", {ID_ROTATE_LEFT, ID_ROTATE_UP, ID_ROTATE_DOWN, ID_ROTATE_RIGHT}},
      {"1111",
       {ID_TOOL_START, ID_TOOL_STOP, ID_FILE_NEW, ID_APP_EXIT, ID_APP_ABOUT, ID_HELP,
        ID_HELP_FINDER, ID_VIEW_PARAMBAR}},
  };
  Launch();
  // A bar's menu item is checked while the bar shows.
  EXPECT_TRUE(Checked(ID_VIEW_TOOLBAR) && Checked(ID_VIEW_STATUS_BAR) && Checked(ID_VIEW_PARAMBAR));
  Command(ID_VIEW_TOOLBAR);
  EXPECT_FALSE(Checked(ID_VIEW_TOOLBAR));
  Command(ID_VIEW_TOOLBAR);
  for (const int style : {-1, STYLE_MESH, STYLE_SILVER, STYLE_CONTOUR}) {
    SCOPED_TRACE(style);
    const int column = style < 0 ? 0 : style == STYLE_MESH ? 1 : style == STYLE_SILVER ? 2 : 3;
    if (style >= 0) {
      EditPara([&](CParaData& p) { p.m_nDrawStyle = style, p.m_nMesh = 8; });
      ASSERT_TRUE(StartAndWaitForPicture());
    }
    for (const auto& [enabled, ids] : rows) {
      for (const int id : ids) EXPECT_EQ(Enabled(id), enabled[column] == '1') << id;
    }
    EXPECT_EQ(std::tuple(Checked(ID_TOOL_START), Checked(ID_TOOL_STOP), Box()->isEnabled()),
              std::tuple(style >= 0, style < 0, style < 0));
    ASSERT_TRUE(style < 0 || StopAndWaitForEnd());
  }
}

TEST_F(WindowTest, StartAndStopShowTheirTextsAndProgressAndTheStyleButtonsClearTheView) {
  LaunchWith(STYLE_MESH, 500);
  ASSERT_TRUE(StartAndWaitForPicture());
  EXPECT_EQ(std::tuple(g_ShareData.m_nState.load(), Status()->MessageText()),
            std::tuple(DS_RUN_SURFACE, kComputing));
  ASSERT_NE(Status()->Progress(), nullptr);
  // The timer moves the bar to the end of sampling and building (its count
  // is the run's to test).
  EXPECT_TRUE(
      WaitUntil([&] { return Status()->Progress()->value() == Status()->Progress()->maximum(); }));
  const QImage picture = View()->ShownPicture();
  ASSERT_TRUE(StopAndWaitForEnd());
  EXPECT_EQ(std::tuple(g_ShareData.m_nState.load(), Status()->MessageText(),
                       Status()->Progress() == nullptr, Enabled(ID_CALC_START)),
            std::tuple(DS_IDLE, kFinished, true, true));
  // The last picture stays, also through a repaint.
  EXPECT_EQ(Paint(), picture);
  // Ctrl+C copies it; in the formula box the key copies the box's text: the
  // picture never takes the key from the box.
  QClipboard* clipboard = QApplication::clipboard();
  Frame()->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(Frame()));
  View()->setFocus(Qt::MouseFocusReason);
  QTest::keyClick(View(), Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(clipboard->image().convertToFormat(QImage::Format_RGB32), picture);
  Retype(Box(), DEFAULT_FORMULA);
  Box()->selectAll();
  QTest::keyClick(Box(), Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(std::pair(clipboard->text(), clipboard->image().isNull()),
            std::pair(QString(DEFAULT_FORMULA), true));

  // The style buttons clear the view to the style's idle colour, unless the
  // style is the one it has.
  Command(ID_DRAW_MESH);
  EXPECT_EQ(Paint(), picture);
  Command(ID_DRAW_CONTOUR);
  EXPECT_EQ(std::tuple(Para().m_nDrawStyle, Checked(ID_DRAW_CONTOUR), Checked(ID_DRAW_MESH)),
            std::tuple(STYLE_CONTOUR, true, false));
  EXPECT_TRUE(Filled(Paint(), kContourIdle));
  EXPECT_FALSE(Enabled(ID_EDIT_COPY));  // nothing to copy
}

TEST_F(WindowTest, StartRefusesWhatCannotRunAndRunsTheFormulaJustTyped) {
  LaunchWith(STYLE_MESH);
  // A formula only a file can bring, no thread to be had, a style outside
  // 0..5: each gives its message (the style none) and nothing claims a run.
  // The thread's own refusals are the drawing thread's tests'.
  const std::tuple<std::string, int, bool, QString> refusals[] = {
      {"x+", STYLE_MESH, false, kBadFormula},
      {"x", STYLE_MESH, true, "描画ｽﾚｯﾄﾞを開始できませんでした。"},
      {"x", 9, false, ""},
  };
  for (const auto& [formula, style, noThread, message] : refusals) {
    SCOPED_TRACE(message.toStdString());
    EditPara([&](CParaData& p) { p.m_strFormula = formula, p.m_nDrawStyle = style; });
    if (noThread) View()->FailNextStartForTesting();
    Command(ID_CALC_START);
    EXPECT_EQ(TakeMessages().join('|'), message);
    EXPECT_EQ(std::tuple(Frame()->Running(), g_ShareData.m_nState.load(),
                         Status()->Progress() == nullptr, Enabled(ID_CALC_START)),
              std::tuple(false, DS_IDLE, true, true));
  }
  EXPECT_TRUE(Filled(Paint(), kSurfaceIdle));

  // The box's text is committed first: a passing one runs, a refused one is
  // answered once and the last accepted formula runs.
  EditPara([&](CParaData& p) { p.m_nDrawStyle = STYLE_MESH; });
  Frame()->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(Frame()));
  Retype(Box(), "x*y");
  ASSERT_TRUE(StartAndWaitForPicture());
  EXPECT_EQ(g_ShareData.m_para.m_strFormula, "x*y");
  ASSERT_TRUE(StopAndWaitForEnd());
  Retype(Box(), "x**");
  ASSERT_TRUE(StartAndWaitForPicture());
  EXPECT_EQ(TakeMessages(), QStringList{kBadFormula});
  EXPECT_EQ(std::pair(g_ShareData.m_para.m_strFormula, Box()->text()),
            std::pair(std::string("x*y"), QString("x*y")));
}

TEST_F(WindowTest, NewKeepsARunAndClosingClosesAtOnceAndTheThreadEndsAfter) {
  LaunchWith(STYLE_PLASTIC, 300);
  ASSERT_TRUE(StartAndWaitForPicture());
  const std::vector<std::uint8_t> before = StoreParaData(Para());
  Command(ID_FILE_NEW);
  EXPECT_TRUE(Frame()->Running());
  EXPECT_EQ(Frame()->windowTitle(), Caption("Orvexa"));
  EXPECT_EQ(StoreParaData(Para()), before);
  // The event loop ends with the last window, as the program's does.
  QApplication::setQuitOnLastWindowClosed(true);
  QTimer::singleShot(0, Frame(), [&] { EXPECT_TRUE(Frame()->close()); });
  QTimer guard;
  QObject::connect(&guard, &QTimer::timeout, [] { QApplication::exit(1); });
  guard.start(60000);
  const int code = QApplication::exec();
  QApplication::setQuitOnLastWindowClosed(false);
  EXPECT_EQ(code, 0);
  EXPECT_TRUE(Frame()->isHidden());
  EXPECT_NE(g_ShareData.m_nState.load(), DS_RUN_SURFACE);
  // What main() does next: the view's end joins the stopping thread.
  m_app.reset();
  EXPECT_EQ(g_ShareData.m_nState.load(), DS_IDLE);
}

// A drag outside a run leaves the angles in the set for the next Start and
// the panel; during a mesh run it shows coarse pictures, then one full one.
TEST_F(WindowTest, ADragAndTheRotationButtonsTurnTheModel) {
  LaunchWith(STYLE_MESH, 200);  // above 100: the drag draws from a coarser grid
  const auto panel = [&] {
    return std::pair(Frame()->ParamBar()->FieldText(ParamField::UpDown),
                     Frame()->ParamBar()->FieldText(ParamField::LeftRight));
  };
  Drag(QPoint(100, 40), 10);  // right: left-right grows; down: the near edge tilts down
  EXPECT_EQ(std::pair(Para().m_dUpDownAngle, Para().m_dLeftRightAngle), std::pair(-40.0, 80.0));
  EXPECT_EQ(panel(), std::pair(QString("-40"), QString("80")));
  EXPECT_TRUE(m_shown.empty());

  EditPara([&](CParaData& p) { p.m_dUpDownAngle = -20, p.m_dLeftRightAngle = 30; });
  ASSERT_TRUE(StartAndWaitForPicture());
  m_shown.clear();
  Drag(QPoint(60, -20), 6, 60);
  NextFullPicture();
  EXPECT_GE(std::count(m_shown.begin(), m_shown.end(), true), 1);
  EXPECT_EQ(std::count(m_shown.begin(), m_shown.end(), false), 1);
  EXPECT_FALSE(m_shown.back());
  EXPECT_EQ(std::pair(Para().m_dLeftRightAngle, Para().m_dUpDownAngle), std::pair(60.0, -10.0));
  ASSERT_TRUE(StopAndWaitForEnd());

  // The rotation buttons turn the running picture by 5 degrees, one after
  // another in one run, each across 180 (the wrap itself is the view
  // control's to test). The command; the angles (up-down, left-right) after it.
  const std::tuple<int, double, double> turns[] = {
      {ID_ROTATE_LEFT, 178, 177},
      {ID_ROTATE_RIGHT, 178, -178},
      {ID_ROTATE_UP, -177, -178},
      {ID_ROTATE_DOWN, 178, -178},
  };
  EditPara(
      [&](CParaData& p) { p.m_nMesh = 8, p.m_dUpDownAngle = 178, p.m_dLeftRightAngle = -178; });
  ASSERT_TRUE(StartAndWaitForPicture());
  for (const auto& [command, upDown, leftRight] : turns) {
    SCOPED_TRACE(command);
    const QImage before = View()->Backing();
    Command(command);
    double shared[2] = {0.0, 0.0};  // what the thread will draw at
    g_ShareData.GetAngles(shared[0], shared[1]);
    EXPECT_EQ(std::tuple(Para().m_dUpDownAngle, Para().m_dLeftRightAngle, shared[0], shared[1]),
              std::tuple(upDown, leftRight, upDown, leftRight));
    EXPECT_TRUE(WaitUntil([&] { return View()->Backing() != before; }));
  }
}

// Hovering reads the formula at the grid point under the pointer into a pane
// of its own, while pane 0 says the run is on; off the picture it is empty.
// The wheel zooms the picture and Home restores it (the zoom's steps are the
// view control's to test).
TEST_F(WindowTest, HoveringReadsTheFormulaAndTheWheelZoomsUntilHome) {
  LaunchWith(STYLE_MESH, 16);
  EditPara([&](CParaData& p) { p.m_strFormula = "x+2*y", p.m_dZCoef = 0.5; });
  ASSERT_TRUE(StartAndWaitForPicture());
  // The grid point (3, 6) of the grid (spacing 1.5), with f = 15 at height 7.5;
  // the frame's matrices are column by column, QMatrix4x4 reads rows.
  const auto& frame = View()->LastFrame();
  const QVector3D window = QVector3D(3.0f, 7.5f, 6.0f)
                               .project(QMatrix4x4(frame.modelView.data()).transposed(),
                                        QMatrix4x4(frame.projection.data()).transposed(),
                                        QRect(0, 0, frame.width, frame.height));
  Mouse(QEvent::MouseMove,
        QPoint(static_cast<int>(window.x()), frame.height - 1 - static_cast<int>(window.y())),
        Qt::NoButton);
  EXPECT_EQ(Status()->ReadoutText(), "x=3  y=6  f(x,y)=15");
  EXPECT_EQ(Status()->MessageText(), kComputing);
  Mouse(QEvent::MouseMove, QPoint(2, 2), Qt::NoButton);
  EXPECT_EQ(Status()->ReadoutText(), QString());
  QTest::qWait(50);
  const QImage plain = View()->Backing().copy();
  Wheel(120);
  EXPECT_EQ(std::pair(View()->Zoom(), g_ShareData.GetZoom()), std::pair(1.25, 1.25));
  EXPECT_NE(NextFullPicture(), plain);
  QKeyEvent home(QEvent::KeyPress, Qt::Key_Home, Qt::NoModifier);
  QApplication::sendEvent(View(), &home);
  EXPECT_EQ(std::pair(View()->Zoom(), g_ShareData.GetZoom()), std::pair(1.0, 1.0));
  EXPECT_EQ(NextFullPicture(), plain);
}

// 自動スケール and the reading aids, each on the toolbar. Toggled during a run the box and the
// extremes draw the picture again, the colours and the fit start the run again; the fit pane shows
// a fitted picture's scale; all are kept in the INI file for the next session.
TEST_F(WindowTest, TheViewTogglesChangeTheRunningPictureAndAreKeptBetweenSessions) {
  LaunchWith(STYLE_MESH);
  for (int id : {ID_VIEW_FIT, ID_VIEW_AXES, ID_VIEW_COLOUR, ID_VIEW_EXTREMES})
    EXPECT_TRUE(Frame()->ToolBar()->actions().contains(Frame()->Action(id))) << id;
  EditPara([&](CParaData& p) { p.m_bShading = FALSE; });
  ASSERT_TRUE(StartAndWaitForPicture());
  const QImage plain = View()->Backing();
  std::uint64_t frames = 0;
  QObject::connect(View(), &COrvexView::pictureShown, [&] { ++frames; });
  QObject::connect(View(), &COrvexView::runStarted, [&] { frames = 1000; });
  Command(ID_VIEW_AXES);
  ASSERT_TRUE(WaitUntil([&] { return frames > 0; }));
  EXPECT_LT(frames, 1000u);  // drawn again, not a new run
  const QImage boxed = View()->Backing();
  EXPECT_NE(boxed, plain);
  Command(ID_VIEW_AXES);
  ASSERT_TRUE(WaitUntil([&] { return View()->Backing() != boxed; }));
  EXPECT_EQ(View()->Backing(), plain);
  // A map chosen while the colouring is off waits for it; turned on, the run
  // starts again coloured.
  Command(ID_COLOUR_MAP_FIRST + 2);
  EXPECT_TRUE(Checked(ID_COLOUR_MAP_FIRST + 2));
  EXPECT_EQ(View()->Backing(), plain);
  Command(ID_VIEW_COLOUR);
  ASSERT_TRUE(WaitUntil([&] { return frames >= 1000 && !View()->Backing().isNull(); }));
  ASSERT_TRUE(WaitUntil([&] { return View()->HasPicture() && View()->Backing() != plain; }));
  Command(ID_VIEW_EXTREMES);
  // The default formula at N = 8 fits -0.2707..1.061 into a height of 12.
  Command(ID_VIEW_FIT);
  ASSERT_TRUE(WaitUntil([&] { return View()->LastFrame().fit.has_value(); }));
  EXPECT_EQ(Status()->FitText(), QStringLiteral("自動ｽｹｰﾙ ×9.014  (-0.2707 〜 1.061)"));
  // The stopped picture keeps its pane; a cleared view loses it.
  ASSERT_TRUE(StopAndWaitForEnd());
  EXPECT_NE(Status()->FitText(), QString());
  Command(ID_DRAW_CONTOUR);
  Paint();
  EXPECT_EQ(Status()->FitText(), QString());
  const QString ini = IniText();
  for (const char* line :
       {"Fit=1", "Axes=0", "ColourByHeight=1", "ColourMap=turbo", "Extremes=1"}) {
    EXPECT_TRUE(ini.contains(QString::fromLatin1(line))) << line << "\n" << ini.toStdString();
  }

  Relaunch();
  EXPECT_EQ(std::tuple(Checked(ID_VIEW_FIT), Checked(ID_VIEW_AXES), Checked(ID_VIEW_COLOUR),
                       Checked(ID_VIEW_EXTREMES), Checked(ID_COLOUR_MAP_FIRST + 2)),
            std::tuple(true, false, true, true, true));
  // Turned off outside a run, the fit waits for the next Start.
  Command(ID_VIEW_FIT);
  EXPECT_FALSE(Checked(ID_VIEW_FIT));
  EXPECT_FALSE(Frame()->Running());
  EXPECT_TRUE(IniText().contains(QStringLiteral("Fit=0")));
}

// The dialog's OK reaches the panel, the box and the picture.
TEST_F(WindowTest, TheDialogsEditsReachEveryPart) {
  Launch();
  m_onModal = [](QDialog& dialog) {
    dialog.findChild<QLineEdit*>("mesh")->setText("40");
    dialog.findChild<QLineEdit*>("formula")->setText("x-y");
    dialog.findChild<QRadioButton*>("style5")->click();
    dialog.accept();
    return dialog.result();
  };
  Command(ID_PARAM_SET);
  EXPECT_EQ(std::tuple(Frame()->ParamBar()->FieldText(ParamField::Mesh), Box()->text(),
                       Checked(ID_DRAW_CONTOUR)),
            std::tuple(QString("40"), QString("x-y"), true));
  EXPECT_TRUE(Filled(Paint(), kContourIdle));
}

// A run follows a slider and, with 入力と同時に描画, the typing: new pictures,
// no new run; a refused text leaves the picture.
TEST_F(WindowTest, ARunFollowsSlidersAndTypingWithoutStartingAgain) {
  LaunchWith(STYLE_MESH, 16);
  EditPara([](CParaData& p) {
    p.m_strFormula = "a*x*y/10";
    p.m_params = {FormulaParameter{"a"}};  // 1 on -10..10 by 0.1
  });
  ASSERT_TRUE(StartAndWaitForPicture());
  int runs = 0;
  QObject::connect(View(), &COrvexView::runStarted, [&] { ++runs; });
  QImage before = View()->Backing();
  Frame()->ParamPane()->Rows()[0].slider->setValue(0);
  ASSERT_TRUE(
      WaitUntil([&] { return View()->Backing() != before && !View()->LastFrame().coarse; }));
  EXPECT_EQ(g_ShareData.m_para.m_nMesh, 16);
  EXPECT_FALSE(Box()->isEnabled());

  Command(ID_VIEW_FOLLOW_TYPING);
  ASSERT_TRUE(Box()->isEnabled());
  before = View()->Backing();
  Retype(Box(), "a*x/5");
  ASSERT_TRUE(WaitUntil([&] { return Para().m_strFormula == "a*x/5"; }));
  ASSERT_TRUE(
      WaitUntil([&] { return View()->Backing() != before && !View()->LastFrame().coarse; }));
  before = View()->Backing();
  Retype(Box(), "a*x/");
  QTest::qWait(400);
  EXPECT_EQ(std::pair(Para().m_strFormula, View()->Backing()),
            std::pair(std::string("a*x/5"), before));
  EXPECT_EQ(runs, 0);
  EXPECT_TRUE(Frame()->Running());
}

}  // namespace
