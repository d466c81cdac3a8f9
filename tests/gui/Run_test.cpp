// Runs from the window: what the commands allow in each state, Start and
// Stop with their texts and progress, the rotation buttons, the style
// buttons, and the ways a run is refused or cut short.
#include <QApplication>
#include <QProgressBar>
#include <QTimer>
#include <limits>

#include "GuiTestSupport.h"
#include "core/NumericEntry.h"

namespace {

const QString kComputing = QStringLiteral("計算してます．．．");
const QString kFinished = QStringLiteral("計算は終わりました。");

class RunTest : public GuiTest {
 protected:
  // A quick run of the given style.
  void LaunchWith(int style, int mesh = 8) {
    Launch();
    EditPara([&](CParaData& p) { p.m_nDrawStyle = style, p.m_nMesh = mesh; });
  }
};

TEST_F(RunTest, CommandStatesFollowTheRunAndItsStyle) {
  // 1 = enabled. Columns: no run, mesh run, solid run, contour run.
  const std::tuple<int, int, int, int, int> rows[] = {
      {ID_FILE_OPEN, 1, 0, 0, 0},    {ID_FILE_SAVE, 1, 0, 0, 0},   {ID_FILE_SAVE_AS, 1, 0, 0, 0},
      {ID_SAVE_IMAGE, 1, 0, 0, 0},   {ID_CALC_START, 1, 0, 0, 0},  {ID_CALC_STOP, 0, 1, 1, 1},
      {ID_PARAM_SET, 1, 0, 0, 0},    {ID_DRAW_MESH, 1, 0, 0, 0},   {ID_DRAW_CONTOUR, 1, 0, 0, 0},
      {ID_ROTATE_LEFT, 0, 1, 0, 1},  {ID_ROTATE_UP, 0, 1, 0, 1},   {ID_ROTATE_DOWN, 0, 1, 0, 1},
      {ID_ROTATE_RIGHT, 0, 1, 0, 1}, {ID_TOOL_START, 1, 1, 1, 1},  {ID_TOOL_STOP, 1, 1, 1, 1},
      {ID_FILE_NEW, 1, 1, 1, 1},     {ID_APP_EXIT, 1, 1, 1, 1},    {ID_APP_ABOUT, 1, 1, 1, 1},
      {ID_HELP, 1, 1, 1, 1},         {ID_HELP_FINDER, 1, 1, 1, 1}, {ID_VIEW_PARAMBAR, 1, 1, 1, 1},
  };
  // The run's style (-1: none) and its column.
  const std::tuple<const char*, int, int> cases[] = {
      {"no run", -1, 0},
      {"mesh", STYLE_MESH, 1},
      {"solid", STYLE_SILVER, 2},
      {"contour", STYLE_CONTOUR, 3},
  };
  Launch();
  for (const auto& [name, style, column] : cases) {
    SCOPED_TRACE(name);
    if (style >= 0) {
      EditPara([&](CParaData& p) { p.m_nDrawStyle = style, p.m_nMesh = 8; });
      ASSERT_TRUE(StartAndWaitForPicture());
    }
    for (const auto& [id, idle, mesh, solid, contour] : rows) {
      const int expected[] = {idle, mesh, solid, contour};
      EXPECT_EQ(Enabled(id), expected[column] == 1) << id;
    }
    EXPECT_EQ(Checked(ID_TOOL_START), style >= 0);
    EXPECT_EQ(Checked(ID_TOOL_STOP), style < 0);
    EXPECT_EQ(Frame()->ToolBar()->FormulaBox()->isEnabled(), style < 0);
    ASSERT_TRUE(style < 0 || StopAndWaitForEnd());
  }
}

TEST_F(RunTest, StartAndStopShowTheirTextsAndProgressAndTheStyleButtonsClearTheView) {
  LaunchWith(STYLE_MESH, 500);
  ASSERT_TRUE(StartAndWaitForPicture());
  EXPECT_EQ(std::tuple(g_ShareData.m_nState.load(), Status()->MessageText()),
            std::tuple(DS_RUN_SURFACE, kComputing));
  ASSERT_NE(Status()->Progress(), nullptr);
  EXPECT_EQ(std::pair(Status()->Progress()->minimum(), Status()->Progress()->maximum()),
            std::pair(0, 1001));
  // The timer moves the bar to the end of sampling and building, not past it.
  EXPECT_TRUE(WaitUntil([&] { return Status()->Progress()->value() == 1001; }));
  // Start again changes nothing.
  const QImage picture = View()->ShownPicture();
  View()->OnStart();
  EXPECT_EQ(View()->ShownPicture(), picture);

  Command(ID_CALC_STOP);
  // Until the thread's end is reported, nothing that needs no run comes back.
  if (Frame()->Running()) {
    EXPECT_FALSE(Enabled(ID_CALC_START));
    EXPECT_FALSE(Enabled(ID_CALC_STOP));
  }
  ASSERT_TRUE(WaitUntil([&] { return !Frame()->Running(); }));
  EXPECT_EQ(std::tuple(g_ShareData.m_nState.load(), Status()->MessageText(),
                       Status()->Progress() == nullptr, Enabled(ID_CALC_START)),
            std::tuple(DS_IDLE, kFinished, true, true));
  // The last picture stays, also through a repaint.
  EXPECT_EQ(Paint(), picture);
  // Stop with no run changes nothing.
  Command(ID_TOOL_STOP);
  EXPECT_EQ(Status()->MessageText(), kFinished);

  // The style buttons clear the view to the style's idle colour.
  // The style it already has: no clear.
  Command(ID_DRAW_MESH);
  EXPECT_EQ(Paint(), picture);
  Command(ID_DRAW_CONTOUR);
  EXPECT_EQ(std::tuple(Para().m_nDrawStyle, Checked(ID_DRAW_CONTOUR), Checked(ID_DRAW_MESH)),
            std::tuple(STYLE_CONTOUR, true, false));
  EXPECT_TRUE(Filled(Paint(), kContourIdle));
  EXPECT_EQ(g_ShareData.m_nState.load(), DS_IDLE);
  // Any solid becomes the plain mesh.
  EditPara([&](CParaData& p) { p.m_nDrawStyle = STYLE_GHOST; });
  Command(ID_DRAW_MESH);
  EXPECT_EQ(Para().m_nDrawStyle, STYLE_MESH);
  EXPECT_TRUE(Filled(Paint(), kSurfaceIdle));
}

TEST_F(RunTest, RotationButtonsWrapTheAngleAndRedrawTheRunningPicture) {
  // The command; the angles (up-down, left-right) before and after it.
  const std::tuple<int, double, double, double, double> cases[] = {
      {ID_ROTATE_LEFT, 0, -178, 0, 177},  {ID_ROTATE_LEFT, 0, -175, 0, -180},
      {ID_ROTATE_RIGHT, 0, 180, 0, -175}, {ID_ROTATE_RIGHT, 0, 10, 0, 15},
      {ID_ROTATE_UP, 178, 0, -177, 0},    {ID_ROTATE_DOWN, -178, 0, 177, 0},
  };
  LaunchWith(STYLE_MESH);
  for (const auto& [command, upDown, leftRight, newUpDown, newLeftRight] : cases) {
    SCOPED_TRACE(command);
    EditPara([&](CParaData& p) { p.m_dUpDownAngle = upDown, p.m_dLeftRightAngle = leftRight; });
    ASSERT_TRUE(StartAndWaitForPicture());
    const QImage before = View()->Backing();
    Command(command);
    double shared[2] = {0.0, 0.0};  // what the thread will draw at
    g_ShareData.GetAngles(shared[0], shared[1]);
    EXPECT_EQ(std::tuple(Para().m_dUpDownAngle, Para().m_dLeftRightAngle, shared[0], shared[1]),
              std::tuple(newUpDown, newLeftRight, newUpDown, newLeftRight));
    EXPECT_EQ(Frame()->ParamBar()->FieldText(ParamField::LeftRight),
              QString::fromStdString(FormatEntryDouble(newLeftRight)));
    EXPECT_TRUE(WaitUntil([&] { return View()->Backing() != before; }));
    ASSERT_TRUE(StopAndWaitForEnd());
  }
  // With no run the buttons are off and a command that still arrives is ignored.
  const double leftRight = Para().m_dLeftRightAngle;
  Frame()->Action(ID_ROTATE_LEFT)->setEnabled(true);
  Command(ID_ROTATE_LEFT);
  EXPECT_EQ(Para().m_dLeftRightAngle, leftRight);
}

TEST_F(RunTest, StartRefusesWhatCannotRun) {
  LaunchWith(STYLE_MESH);
  // Each refused Start gives its message; nothing claims a run.
  const auto refused = [&](const QString& message) {
    Command(ID_CALC_START);
    EXPECT_EQ(TakeMessages().join('|'), message);
    EXPECT_EQ(std::tuple(Frame()->Running(), g_ShareData.m_nState.load(),
                         Status()->Progress() == nullptr, Enabled(ID_CALC_START)),
              std::tuple(false, DS_IDLE, true, true));
  };
  // A formula that fails the check (only a file can bring one).
  EditPara([&](CParaData& p) { p.m_strFormula = "x+"; });
  refused("不正な計算式です！");
  // Values only a damaged file holds, with which nothing can be drawn.
  EditPara([&](CParaData& p) { p.m_dRange = std::numeric_limits<double>::quiet_NaN(); });
  refused("ﾊﾟﾗﾒｰﾀに描画できない値があります (角度・計算範囲・Z軸係数)。");
  EditPara([&](CParaData& p) { p.m_dRange = 12.0; });
  // A formula of megabytes from a file would hold the window at Start.
  EditPara([&](CParaData& p) { p.m_strFormula = "x" + std::string(5000, ' '); });
  refused("計算式が長すぎます (4096 ﾊﾞｲﾄまで)。");
  // No thread to be had.
  EditPara([&](CParaData& p) { p.m_strFormula = "x"; });
  View()->FailNextStartForTesting();
  refused("描画ｽﾚｯﾄﾞを開始できませんでした。");
  // A style outside 0..5 starts nothing and says the computation is over.
  EditPara([&](CParaData& p) { p.m_nDrawStyle = 9; });
  refused("");
  EXPECT_EQ(Status()->MessageText(), kFinished);
  EXPECT_TRUE(Filled(Paint(), kSurfaceIdle));

  // A picture that cannot be drawn ends the run and says so where "finished"
  // would stand.
  EditPara([&](CParaData& p) { p.m_nDrawStyle = STYLE_CONTOUR, p.m_strFormula = "x^5"; });
  Command(ID_CALC_START);
  ASSERT_TRUE(WaitUntil([&] { return !Frame()->Running(); }));
  EXPECT_EQ(Status()->MessageText(), QStringLiteral("等高線が多すぎて描けません"));
}

TEST_F(RunTest, NewKeepsARunAndClosingClosesAtOnceAndTheThreadEndsAfter) {
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

}  // namespace
