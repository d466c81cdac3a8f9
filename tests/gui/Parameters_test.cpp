// Named parameters in the window: the pane of sliders and the formula box's
// offer of sliders, each alone against a model; then a run that follows a
// slider and the typing without starting again.
#include <QComboBox>
#include <QSlider>
#include <QToolButton>

#include "GuiTestSupport.h"
#include "gui/NumericEdit.h"
#include "gui/ParamPane.h"

namespace {

FormulaParameter Parameter(const char* name, double value, double min, double max, double step,
                           PlayMode play = PlayMode::Loop) {
  FormulaParameter p;
  p.name = name, p.value = value, p.min = min, p.max = max, p.step = step, p.play = play;
  return p;
}

class ParamPaneTest : public WidgetTest {
 protected:
  void SetUp() override {
    WidgetTest::SetUp();
    EditPara([](CParaData& p) {
      p.m_strFormula = "a*x+b";
      p.m_params = {Parameter("a", 1, -10, 10, 0.5), Parameter("b", 0, 0, 1, 0.25)};
    });
    m_pane = new CParamPane(&m_model, &m_host);
    Host(m_pane);
  }
  const CParamPane::Row& Row(std::size_t k) const { return m_pane->Rows()[k]; }
  double Value(std::size_t k) const { return Para().m_params[k].value; }
  CParamPane* m_pane = nullptr;
};

// A slider or a typed value goes into the model at once, within the range;
// a value from elsewhere moves the slider. The rows follow the list.
TEST_F(ParamPaneTest, SlidersAndValuesWriteTheModelWithinTheirRange) {
  ASSERT_EQ(m_pane->Rows().size(), 2u);
  EXPECT_EQ(std::tuple(Row(0).slider->maximum(), Row(0).slider->value()), std::tuple(40, 22));
  Row(0).slider->setValue(30);
  EXPECT_EQ(Value(0), 5.0);
  Retype(Row(1).value, "0.75");
  Leave();
  EXPECT_EQ(std::tuple(Value(1), Row(1).slider->value()), std::tuple(0.75, 3));
  Retype(Row(1).value, "2");
  Leave();
  EXPECT_EQ(TakeMessages(), QStringList{"0 から 1 までの数字を入力してください。"});
  EXPECT_EQ(Value(1), 0.75);
  EditPara([](CParaData& p) { p.m_params[0].value = -10; });
  EXPECT_EQ(Row(0).slider->value(), 0);
  // A narrower range clamps the value; a range that is no range is refused.
  Retype(Row(0).max, "-20");
  Leave();
  EXPECT_EQ(TakeMessages(), QStringList{"最小は最大より小さく、刻みは 0 より大きくしてください。"});
  Retype(Row(1).min, "0.8");
  Leave();
  EXPECT_EQ(std::tuple(Para().m_params[1].min, Value(1)), std::tuple(0.8, 0.8));
  EditPara([](CParaData& p) { p.m_params.pop_back(); });
  EXPECT_EQ(m_pane->Rows().size(), 1u);
  EditPara([](CParaData& p) { p.m_params.clear(); });
  EXPECT_TRUE(m_pane->isHidden());
}

// Playing moves a step a frame: round again, back and forth, or once to the
// end, where it stops.
TEST_F(ParamPaneTest, PlayingStepsByTheMode) {
  const struct {
    PlayMode mode;
    double start;
    std::vector<double> values;
  } cases[] = {
      {PlayMode::Loop, 0.5, {0.75, 1.0, 0.0, 0.25}},
      {PlayMode::BackAndForth, 0.5, {0.75, 1.0, 0.75, 0.5}},
      {PlayMode::Once, 0.5, {0.75, 1.0, 1.0}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.mode));
    EditPara([&](CParaData& p) { p.m_params[1].value = c.start, p.m_params[1].play = c.mode; });
    Row(1).play->setChecked(true);
    for (double value : c.values) {
      m_pane->Advance(1);
      EXPECT_EQ(Value(1), value);
    }
    EXPECT_EQ(Row(1).play->isChecked(), c.mode != PlayMode::Once);
    Row(1).play->setChecked(false);
  }
}

class SliderOfferTest : public WidgetTest {
 protected:
  void SetUp() override {
    WidgetTest::SetUp();
    m_bar = new CFormulaToolBar(&m_model, &m_host);
    m_bar->AddFormulaBox();
    m_host.resize(900, 100);  // room for the box and its offer, as the window has
    Host(m_bar);
  }
  CFormulaToolBar* m_bar = nullptr;
};

// New names in the box are offered sliders; a click or Enter makes them at
// 1 on -10..10, and the formula passes with them.
TEST_F(SliderOfferTest, NewNamesGetSlidersAtOneByAClickOrEnter) {
  CFormulaEdit* box = m_bar->FormulaBox();
  QToolButton* offer = m_bar->AddSliderButton();
  Retype(box, "a*sin(b2*x)");
  EXPECT_TRUE(box->Faulty());
  // The bar lays its items out again when it next handles its events.
  EXPECT_TRUE(WaitUntil([&] { return offer->isVisible(); }));
  EXPECT_EQ(offer->text(), "ｽﾗｲﾀﾞｰを追加: a, b2");
  offer->click();
  ASSERT_EQ(Para().m_params.size(), 2u);
  EXPECT_EQ(Para().m_params[1], Parameter("b2", 1, -10, 10, 0.1));
  EXPECT_FALSE(box->Faulty());
  EXPECT_TRUE(WaitUntil([&] { return !offer->isVisible(); }));
  Retype(box, "A*c+b2");  // a name in another case is the same parameter
  QTest::keyClick(box, Qt::Key_Return);
  EXPECT_EQ(Para().m_params.size(), 3u);
  EXPECT_EQ(Para().m_strFormula, "A*c+b2");
  EXPECT_TRUE(m_messages.empty());
}

class ParameterRunTest : public GuiTest {};

// A run follows a slider and, with 入力と同時に描画, the typing: new pictures,
// no new run; a refused text leaves the picture.
TEST_F(ParameterRunTest, ARunFollowsSlidersAndTypingWithoutStartingAgain) {
  Launch();
  EditPara([](CParaData& p) {
    p.m_nMesh = 16, p.m_strFormula = "a*x*y/10", p.m_params = {Parameter("a", 1, -10, 10, 0.1)};
  });
  ASSERT_TRUE(StartAndWaitForPicture());
  int runs = 0;
  QObject::connect(View(), &COrvexView::runStarted, [&] { ++runs; });
  QImage before = View()->Backing();
  Frame()->ParamPane()->Rows()[0].slider->setValue(0);
  ASSERT_TRUE(
      WaitUntil([&] { return View()->Backing() != before && !View()->LastFrame().coarse; }));
  EXPECT_EQ(g_ShareData.m_para.m_nMesh, 16);
  EXPECT_FALSE(Frame()->ToolBar()->FormulaBox()->isEnabled());

  Command(ID_VIEW_FOLLOW_TYPING);
  CFormulaEdit* box = Frame()->ToolBar()->FormulaBox();
  ASSERT_TRUE(box->isEnabled());
  before = View()->Backing();
  Retype(box, "a*x/5");
  ASSERT_TRUE(WaitUntil([&] { return Para().m_strFormula == "a*x/5"; }));
  ASSERT_TRUE(
      WaitUntil([&] { return View()->Backing() != before && !View()->LastFrame().coarse; }));
  before = View()->Backing();
  Retype(box, "a*x/");
  QTest::qWait(400);
  EXPECT_EQ(std::pair(Para().m_strFormula, View()->Backing()),
            std::pair(std::string("a*x/5"), before));
  EXPECT_EQ(runs, 0);
  EXPECT_TRUE(Frame()->Running());
}

}  // namespace
