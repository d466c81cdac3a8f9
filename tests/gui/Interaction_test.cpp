// The mouse on the picture: a left drag turns the model, the wheel zooms and
// Home resets, hovering reads the value under the pointer into pane 0.
#include <QApplication>
#include <QKeyEvent>
#include <QMatrix4x4>
#include <QMouseEvent>
#include <QRegularExpression>
#include <QVector3D>
#include <QWheelEvent>
#include <algorithm>
#include <vector>

#include "GuiTestSupport.h"

namespace {

const QString kComputing = "計算してます．．．";

class InteractionTest : public GuiTest {
 protected:
  void SetUp() override {
    GuiTest::SetUp();
    Launch();
    QObject::connect(View(), &COrvexView::pictureShown,
                     [this](bool coarse) { m_shown.push_back(coarse); });
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
  void Hover(QPoint at) { Mouse(QEvent::MouseMove, at, Qt::NoButton); }
  void Wheel(int angle) {
    const QPointF at = View()->rect().center();
    QWheelEvent event(at, View()->mapToGlobal(at), QPoint(), QPoint(0, angle), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(View(), &event);
  }
  // Waits for the next full picture on the view and returns the view's image.
  QImage NextFullPicture() {
    const std::size_t before = m_shown.size();
    EXPECT_TRUE(WaitUntil([&] {
      return std::find(m_shown.begin() + static_cast<std::ptrdiff_t>(before), m_shown.end(),
                       false) != m_shown.end();
    }));
    return View()->Backing().copy();
  }
  // The view's pixel that shows model point (x, height, y) in the last picture.
  QPoint PixelOf(const QVector3D& model) const {
    const auto& frame = View()->LastFrame();
    // The frame's matrices are column by column; QMatrix4x4 reads rows.
    const QVector3D window = model.project(QMatrix4x4(frame.modelView.data()).transposed(),
                                           QMatrix4x4(frame.projection.data()).transposed(),
                                           QRect(0, 0, frame.width, frame.height));
    return QPoint(static_cast<int>(window.x()), frame.height - 1 - static_cast<int>(window.y()));
  }

  std::vector<bool> m_shown;  // coarse or not, for every picture the view took
};

TEST_F(InteractionTest, ADragTurnsHalfADegreePerPixelWrapsLikeTheButtonsAndThePanelFollows) {
  // Start angles, the drag, and the angles and panel texts after it.
  const std::tuple<double, double, QPoint, QString, QString> cases[] = {
      {-20.0, 30.0, QPoint(100, 0), "-20", "80"},   // right: left-right grows
      {-20.0, 30.0, QPoint(0, 40), "-40", "30"},    // down: the near edge tilts down
      {0.0, 170.0, QPoint(40, 0), "0", "-170"},     // past 180 wraps
      {-170.0, 0.0, QPoint(-10, 40), "170", "-5"},  // past -180 wraps
  };
  for (const auto& [upDown, leftRight, by, upDownText, leftRightText] : cases) {
    SCOPED_TRACE(leftRightText.toStdString());
    EditPara([&](CParaData& p) { p.m_dUpDownAngle = upDown; });
    EditPara([&](CParaData& p) { p.m_dLeftRightAngle = leftRight; });
    Drag(by, 10);
    // Outside a run the angles wait in the parameter set for the next Start.
    EXPECT_EQ(Para().m_dUpDownAngle, upDownText.toDouble());
    EXPECT_EQ(Para().m_dLeftRightAngle, leftRightText.toDouble());
    EXPECT_EQ(Frame()->ParamBar()->FieldText(ParamField::UpDown), upDownText);
    EXPECT_EQ(Frame()->ParamBar()->FieldText(ParamField::LeftRight), leftRightText);
  }
  EXPECT_TRUE(m_shown.empty());
}

TEST_F(InteractionTest, ADragDuringAMeshRunShowsCoarsePicturesThenTheFullOneOfARotation) {
  EditPara(
      [&](CParaData& p) { p.m_nMesh = 200; });  // above 100: the drag draws from a coarser grid
  ASSERT_TRUE(StartAndWaitForPicture());
  m_shown.clear();
  Drag(QPoint(60, -20), 6, 60);
  const QImage dragged = NextFullPicture();
  ASSERT_FALSE(m_shown.empty());
  // Coarse pictures while the button was down, then exactly one full one.
  EXPECT_GE(std::count(m_shown.begin(), m_shown.end(), true), 1);
  EXPECT_EQ(std::count(m_shown.begin(), m_shown.end(), false), 1);
  EXPECT_FALSE(m_shown.back());
  EXPECT_EQ(Para().m_dLeftRightAngle, 60.0);
  EXPECT_EQ(Para().m_dUpDownAngle, -10.0);

  // A turn away and back with the buttons gives the same angles, drawn in full.
  Command(ID_ROTATE_RIGHT);
  const QImage turned = NextFullPicture();
  Command(ID_ROTATE_LEFT);
  EXPECT_EQ(Para().m_dLeftRightAngle, 60.0);
  const QImage back = NextFullPicture();
  EXPECT_NE(turned, dragged);
  EXPECT_EQ(back, dragged);
}

TEST_F(InteractionTest, TheWheelZoomsThePictureAndHomeRestoresIt) {
  EditPara([&](CParaData& p) { p.m_nMesh = 16; });
  ASSERT_TRUE(StartAndWaitForPicture());
  QTest::qWait(50);
  const QImage plain = View()->Backing().copy();
  Wheel(120);
  EXPECT_EQ(std::pair(View()->Zoom(), g_ShareData.GetZoom()), std::pair(1.25, 1.25));
  const QImage zoomed = NextFullPicture();
  EXPECT_NE(zoomed, plain);
  QKeyEvent home(QEvent::KeyPress, Qt::Key_Home, Qt::NoModifier);
  QApplication::sendEvent(View(), &home);
  EXPECT_EQ(std::pair(View()->Zoom(), g_ShareData.GetZoom()), std::pair(1.0, 1.0));
  EXPECT_EQ(NextFullPicture(), plain);
  // The zoom is the view's: the next run starts with it, also when it was
  // turned between runs.
  ASSERT_TRUE(StopAndWaitForEnd());
  Wheel(-240);
  ASSERT_TRUE(StartAndWaitForPicture());
  EXPECT_EQ(g_ShareData.GetZoom(), 1.0 / 1.5625);
  EXPECT_NE(View()->Backing(), plain);
}

TEST_F(InteractionTest, HoveringASurfaceReadsTheFormulaAtTheGridPointThere) {
  // The formula and Z coefficient, a grid point of the default grid (spacing
  // 0.75), the pixels below its picture the mouse goes to, and the reading.
  // The default peak is 0/0, read as +1; the plane tells y from -y.
  const std::tuple<std::string, double, float, float, int, QString> cases[] = {
      {DEFAULT_FORMULA, 11.0, 0.0f, 0.0f, 2, "x=0  y=0  f(x,y)=1"},
      {"x+2*y", 0.5, 3.0f, 6.0f, 0, "x=3  y=6  f(x,y)=15"},
  };
  for (const auto& [formula, zCoef, x, y, below, reading] : cases) {
    SCOPED_TRACE(formula);
    EditPara([&](CParaData& p) { p.m_strFormula = formula; });
    EditPara([&](CParaData& p) { p.m_dZCoef = zCoef; });
    ASSERT_TRUE(StartAndWaitForPicture());
    // The model holds (x, f times the Z coefficient, y).
    const auto height = static_cast<float>(reading.section('=', -1).toDouble() * Para().m_dZCoef);
    Hover(PixelOf(QVector3D(x, height, y)) + QPoint(0, below));
    EXPECT_EQ(Status()->ReadoutText(), reading);
    // The readout has a pane of its own: pane 0 says the run is on throughout.
    EXPECT_EQ(Status()->MessageText(), kComputing);
    Hover(QPoint(2, 2));
    EXPECT_EQ(Status()->ReadoutText(), QString());
    ASSERT_TRUE(StopAndWaitForEnd());
  }
}

TEST_F(InteractionTest, HoveringAContourLineReadsItsLevel) {
  EditPara([&](CParaData& p) { p.m_dContourStep = 1.0; });
  EditPara([&](CParaData& p) { p.m_nMesh = 20; });
  Command(ID_DRAW_CONTOUR);
  const double spacing = Para().m_dRange / (Para().m_nMesh / 2.0);
  // f = x has its lines along x = L, f = y along y = L: the reading's x or y
  // is the grid's nearest to the line, within half a spacing of the level,
  // whether the heights were scaled by the coefficient or fitted.
  for (const auto& [formula, axis, fit] :
       {std::tuple{"x", 1, false}, std::tuple{"y", 2, false}, std::tuple{"x", 1, true}}) {
    SCOPED_TRACE(std::string(formula) + (fit ? " fitted" : ""));
    EditPara([&](CParaData& p) { p.m_strFormula = formula; });
    Model()->SetFit(fit);
    // A fitted run ignores the coefficient, and so must the reading.
    EditPara([&](CParaData& p) { p.m_dZCoef = fit ? 5.0 : 0.5; });
    ASSERT_TRUE(StartAndWaitForPicture());
    const auto& frame = View()->LastFrame();
    const int row = frame.height / 2;
    int column = 0;
    while (column < frame.width &&
           frame.depth[static_cast<std::size_t>(row * frame.width + column)] >= 1.0f) {
      ++column;
    }
    ASSERT_LT(column, frame.width);
    Hover(QPoint(column, row));
    const QRegularExpressionMatch read =
        QRegularExpression("^x=(\\S+)  y=(\\S+)  f\\(x,y\\)=(\\S+)  等高線=(\\S+)$")
            .match(Status()->ReadoutText());
    ASSERT_TRUE(read.hasMatch()) << Status()->ReadoutText().toStdString();
    const double coordinate = read.captured(axis).toDouble();
    EXPECT_EQ(read.captured(3).toDouble(), coordinate);
    EXPECT_LE(std::abs(read.captured(4).toDouble() - coordinate), spacing / 2 + 0.01);
    ASSERT_TRUE(StopAndWaitForEnd());
  }
}

}  // namespace
