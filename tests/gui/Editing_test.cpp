// Editing the parameters: the formula box with its offer of sliders, the
// parameter panel with its numeric fields and spins, the parameter dialog
// and the pane of sliders, each built alone against a parameter model.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QInputMethodEvent>
#include <QLabel>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QTest>
#include <QToolButton>

#include "GuiTestSupport.h"
#include "gui/NumericEdit.h"
#include "gui/ParamDialog.h"
#include "gui/ParamPane.h"
#include "gui/SpinButton.h"

namespace {

const QString kNotANumber = "数字を入力してください。";
const QString kScaleRange = "0.01 から 100 までの数字を入力してください。";
const QString kAngleRange = "-180 から 180 までの数字を入力してください。";
const QString kMeshRange = "1 から 500 までの整数を入力してください。";
const QString kBadFormula = "不正な計算式です！";
const QString kTooLong = "128 文字以内で入力してください。";
const QColor kFocused(220, 200, 192);
const QColor kFault(244, 170, 170);

QColor Base(QWidget* widget) { return widget->palette().color(QPalette::Active, QPalette::Base); }

class FormulaBoxTest : public WidgetTest {
 protected:
  void SetUp() override {
    WidgetTest::SetUp();
    m_bar = new CFormulaToolBar(&m_model, &m_host);
    m_bar->AddFormulaBox();
    QObject::connect(m_bar, &CFormulaToolBar::noteChanged,
                     [this](const QString& note) { m_note = note; });
    Host(m_bar);
  }
  CFormulaEdit* Box() const { return m_bar->FormulaBox(); }
  QString Formula() const { return QString::fromStdString(Para().m_strFormula); }

  CFormulaToolBar* m_bar = nullptr;
  QString m_note;  // what pane 0 would show over its message
};

TEST_F(FormulaBoxTest, FaultsShowWhileTypingAndOnlyAPassingFormulaIsTaken) {
  // The text typed, the note meanwhile, and for a refused text the message.
  const std::tuple<QString, QString, bool> cases[] = {
      {"x*y", "", false},
      {"x+", kBadFormula + " (3 文字目)", true},  // a missing operand: one past the end
      // Taken, with a word on how it reads.
      {"exp(-x^2-y^2)", "-x^2 は (-x)^2 と読みます。-(x^2) と書けます (5 文字目)", false},
  };
  QString accepted = DEFAULT_FORMULA;
  for (const auto& [typed, note, refused] : cases) {
    SCOPED_TRACE(typed.toStdString());
    Retype(Box(), typed);
    EXPECT_EQ(m_note, note);
    EXPECT_EQ(Base(Box()), refused ? kFault : kFocused);
    EXPECT_EQ(Formula(), accepted);  // not before leaving
    Leave();
    if (!refused) accepted = typed;
    // The message once, and the box shows the formula in use.
    EXPECT_EQ(TakeMessages().join('|'), refused ? note.section(" (", 0, 0) : "");
    EXPECT_EQ(std::pair(Formula(), Box()->text()), std::pair(accepted, accepted));
    EXPECT_EQ(m_note, "");
    if (refused) {
      EXPECT_TRUE(WaitUntil([&] { return Box()->hasFocus(); }));
    }
  }
}

class PanelTest : public WidgetTest {
 protected:
  void SetUp() override {
    WidgetTest::SetUp();
    m_panel = new CParamBar(&m_model, &m_host);
    Host(m_panel);
  }
  CNumericEdit* Field(ParamField field) const { return m_panel->Edit(field); }
  // Every field's text, in the panel's order.
  QStringList Texts() const {
    QStringList texts;
    for (int k = 0; k < kParamFieldCount; ++k) texts << Field(static_cast<ParamField>(k))->text();
    return texts;
  }
  CParamBar* m_panel = nullptr;
};

// The box takes no more bytes than a file stores, and never half a character;
// a longer formula from a file can be shortened or changed at its length.
TEST_F(FormulaBoxTest, TheByteLimitStopsGrowthOnly) {
  const QString ascii(126, 'x');
  Retype(Box(), ascii);
  for (const QString committed : {"あ", "い"}) {  // two bytes each: the first reaches 128
    QInputMethodEvent event;
    event.setCommitString(committed);
    QApplication::sendEvent(Box(), &event);
  }
  QTest::keyClick(Box(), Qt::Key_Y);
  EXPECT_EQ(Box()->text(), ascii + "あ");
  EditPara([&](CParaData& p) { p.m_strFormula = std::string(130, 'x'); });
  Box()->setFocus(Qt::MouseFocusReason);
  Box()->end(false);
  QTest::keyClick(Box(), Qt::Key_Backspace);
  Box()->cursorBackward(true);
  QTest::keyClick(Box(), Qt::Key_Y);  // replaces the selected x
  QTest::keyClick(Box(), Qt::Key_Y);
  EXPECT_EQ(Box()->text(), QString(128, 'x') + "y");
}

// A text no typing can mend is answered at once, its field keeps the focus
// with the whole text selected, and nothing is stored.
TEST_F(PanelTest, ATextNoTypingCanMendIsAnsweredAtOnceAndNothingIsStored) {
  // Out of range, and no number (the fields' rules are core's to test).
  const std::tuple<ParamField, QString, QString> cases[] = {
      {ParamField::UpDown, "181", kAngleRange},
      {ParamField::CentreY, "1-", kNotANumber},
  };
  const CParaData before = Para();
  for (const auto& [field, typed, message] : cases) {
    SCOPED_TRACE(typed.toStdString());
    Retype(Field(field), typed, false);
    EXPECT_EQ(TakeMessages(), QStringList{message});
    EXPECT_TRUE(Para() == before);
    EXPECT_TRUE(Field(field)->hasFocus());
    EXPECT_EQ(Field(field)->selectedText(), typed);
    Leave();  // answered already: the accepted values come back, silently
    EXPECT_EQ(Texts(), QStringList({"-20", "30", "12", "11", "32", "0.05", "0", "0"}));
    EXPECT_TRUE(m_messages.empty());
  }
}

// A text on its way to a number is tinted, not answered, while it is typed,
// and each acceptable step is stored at once. Leaving a field shows the
// accepted values in every field; a text not yet a number is answered then,
// and its field gets the focus back.
TEST_F(PanelTest, TypingStoresEachNumberAndLeavingAnswersWhatTheFieldStillHolds) {
  Retype(Field(ParamField::Range), "");
  EXPECT_EQ(Base(Field(ParamField::Range)), kFault);
  QTest::keyClicks(Field(ParamField::Range), "5.50");
  EXPECT_EQ(std::pair(Para().m_dRange, m_messages), std::pair(5.5, QStringList()));
  EXPECT_EQ(Base(Field(ParamField::Range)), kFocused);
  Retype(Field(ParamField::ZCoef), "0");
  EXPECT_TRUE(m_messages.empty());
  Field(ParamField::Mesh)->setFocus(Qt::TabFocusReason);
  EXPECT_EQ(TakeMessages(), QStringList{kScaleRange});
  EXPECT_EQ(Texts(), QStringList({"-20", "30", "5.5", "11", "32", "0.05", "0", "0"}));
  ASSERT_TRUE(WaitUntil([&] { return Field(ParamField::ZCoef)->hasFocus(); }));
  EXPECT_EQ(Field(ParamField::ZCoef)->selectedText(), "11");
  Leave();
  EXPECT_TRUE(m_messages.empty());
}

TEST_F(PanelTest, SpinsStepWholeNumbersWithinTheirRangeAndStoreEachStep) {
  // The arrows as the mouse finds them: the upper one up, the lower one down.
  const auto arrows = m_panel->Spin(ParamField::Mesh)->findChildren<QToolButton*>();
  ASSERT_EQ(arrows.size(), 2);
  QTest::mouseClick(arrows[0], Qt::LeftButton);
  QTest::mouseClick(arrows[0], Qt::LeftButton);
  QTest::mouseClick(arrows[1], Qt::LeftButton);
  EXPECT_EQ(Para().m_nMesh, 33);
  Retype(Field(ParamField::Mesh), "500");
  m_panel->Spin(ParamField::Mesh)->StepUp();
  EXPECT_EQ(m_panel->FieldText(ParamField::Mesh), "500");
  // From a fraction to the next whole number, at least the spin's low end.
  EditPara([](CParaData& p) { p.m_nDrawStyle = STYLE_CONTOUR; });
  m_panel->Spin(ParamField::ContourStep)->StepUp();
  EXPECT_EQ(Para().m_dContourStep, 1.0);
  EXPECT_TRUE(m_messages.empty());
}

class DialogTest : public WidgetTest {
 protected:
  // Runs the dialog on the model's set: edit acts on it as a user would, then
  // it is closed with OK or Cancel; the model takes what it gives back.
  void RunDialog(bool ok, const std::function<void(CParamDialog&)>& edit) {
    m_onModal = [edit, ok](QDialog& dialog) {
      auto& params = static_cast<CParamDialog&>(dialog);
      params.show();
      params.activateWindow();
      EXPECT_TRUE(QTest::qWaitForWindowActive(&params));
      edit(params);
      ok ? params.accept() : params.reject();
      return params.result();
    };
    CParamDialog dialog(Para(), &m_host);
    dialog.DoModal();
    m_model.Set(dialog.Edited());
  }
  template <typename T>
  static T* Control(CParamDialog& dialog, const char* name) {
    return dialog.findChild<T*>(QString::fromLatin1(name));
  }
  static void Set(CParamDialog& dialog, const char* name, const QString& text) {
    Control<QLineEdit>(dialog, name)->setText(text);
  }
};

// With every field wrong, OK names the first in reading order, each by its
// own rule (whose bounds are core's to test).
TEST_F(DialogTest, OkNamesTheFirstWrongFieldInReadingOrder) {
  // Every field wrong; each round checks the one named, then gives it the
  // next text: a right one, or for the formula a second wrong one.
  const std::tuple<const char*, QString, QString, QString> order[] = {
      {"range", "", kNotANumber, "3"},
      {"zCoef", "0", kScaleRange, "3"},
      {"mesh", "501", kMeshRange, "40"},
      {"formula", QString(129, 'x'), kTooLong, "x+"},
      {"contourStep", "100.5", kScaleRange, "0.5"},
      {"leftRight", "181", kAngleRange, "10"},
      {"upDown", "-0", kNotANumber, "-10"},
      {"formula", "x+", kBadFormula, "x*y"},
  };
  RunDialog(true, [&](CParamDialog& dialog) {
    // Backwards, so that the formula starts with its first wrong text.
    for (auto step = std::rbegin(order); step != std::rend(order); ++step)
      Set(dialog, std::get<0>(*step), std::get<1>(*step));
    for (const auto& [name, wrong, message, next] : order) {
      SCOPED_TRACE(name);
      EXPECT_FALSE(dialog.DoDataExchange(true));
      EXPECT_EQ(TakeMessages(), QStringList{message});
      // The focus goes to the field, with its text selected, unless the
      // style has it disabled (only its spin can mend it then).
      auto* field = Control<QLineEdit>(dialog, name);
      EXPECT_TRUE(field->hasFocus() || !field->isEnabled());
      if (field->isEnabled() && message != kBadFormula) {
        EXPECT_EQ(field->selectedText(), wrong);
      }
      // The formula field tints a refused formula and tells where it fails.
      if (message == kBadFormula) {
        EXPECT_EQ(Control<QLabel>(dialog, "formulaFault")->text(), kBadFormula + " (3 文字目)");
        EXPECT_EQ(Base(field), kFault);
        EXPECT_EQ(field->cursorPosition(), 2);
      }
      Set(dialog, name, next);
    }
  });
  EXPECT_TRUE(m_messages.empty());
  EXPECT_EQ(std::tuple(Para().m_dRange, Para().m_nMesh, Para().m_dUpDownAngle, Para().m_strFormula),
            std::tuple(3.0, 40, -10.0, std::string("x*y")));
}

TEST_F(DialogTest, TheStyleDecidesWhichControlsApply) {
  RunDialog(true, [&](CParamDialog& dialog) {
    auto* shading = Control<QCheckBox>(dialog, "shading");
    const auto choose = [&](int style) {
      Control<QRadioButton>(dialog, QStringLiteral("style%1").arg(style).toLatin1())->click();
    };
    // Which of shading, hidden-line, contour interval and angles apply.
    const auto applying = [&] {
      std::string on;
      for (const char* name : {"shading", "hiddenLine", "contourStep", "upDown"})
        on += Control<QWidget>(dialog, name)->isEnabled() ? name[0] : '-';
      return on;
    };
    EXPECT_EQ(applying(), "s--u");  // defaults: mesh with shading on, so no hidden-line
    Set(dialog, "formula", "x*y");  // a passing formula keeps the plain field
    EXPECT_EQ(Control<QLineEdit>(dialog, "formula")->palette().color(QPalette::Base),
              dialog.palette().color(QPalette::Base));
    shading->click();
    EXPECT_EQ(applying(), "sh-u");
    EXPECT_TRUE(Control<QCheckBox>(dialog, "hiddenLine")->isChecked());
    shading->click();
    EXPECT_EQ(applying(), "s--u");
    choose(STYLE_SILVER);
    EXPECT_EQ(applying(), "---u");
    choose(STYLE_CONTOUR);
    EXPECT_EQ(applying(), "--cu");
    shading->setChecked(false);  // as a file could have it
    choose(STYLE_MESH);
    EXPECT_EQ(applying(), "sh-u");
    choose(STYLE_GHOST);
  });
  // Hidden-line kept its state while disabled and is returned.
  EXPECT_EQ(std::tuple(Para().m_nDrawStyle, Para().m_bHiddenLine, Para().m_bShading),
            std::tuple(STYLE_GHOST, TRUE, FALSE));
}

// The 0/0 value stored shows as its item, none when it is no item of the
// list; the item chosen goes back with OK. Cancel keeps only the background.
TEST_F(DialogTest, ZeroByZeroAndBackgroundTravelBothWays) {
  // The value stored, the item shown, the item chosen (-1: none), the value after OK.
  const std::tuple<double, int, int, double> cases[] = {
      {1.0, 2, 0, -1.0},
      {0.5, -1, -1, 0.5},
      {7.0, -1, 1, 0.0},
  };
  for (const auto& [stored, shown, chosen, result] : cases) {
    SCOPED_TRACE(stored);
    EditPara([&](CParaData& p) { p.m_dZeroByZero = stored; });
    RunDialog(true, [&](CParamDialog& dialog) {
      auto* list = Control<QComboBox>(dialog, "zeroByZero");
      EXPECT_EQ(list->currentIndex(), shown);
      if (chosen >= 0) list->setCurrentIndex(chosen);
    });
    EXPECT_EQ(Para().m_dZeroByZero, result);
  }
  CParaData expected = Para();
  expected.m_nBackColor = BACK_WHITE;
  RunDialog(false, [&](CParamDialog& dialog) {
    Control<QComboBox>(dialog, "backColour")->setCurrentIndex(BACK_WHITE);
    Set(dialog, "range", "50");
  });
  EXPECT_EQ(StoreParaData(Para()), StoreParaData(expected));
}

class ParamPaneTest : public WidgetTest {
 protected:
  void SetUp() override {
    WidgetTest::SetUp();
    EditPara([](CParaData& p) {
      p.m_strFormula = "a*x+b";
      p.m_params = {FormulaParameter{"a", 1, -10, 10, 0.5}, FormulaParameter{"b", 0, 0, 1, 0.25}};
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
  // A row reads left to right: name, slider, value, min, max, step, play.
  const CParamPane::Row& row = Row(0);
  std::vector<int> lefts;
  for (const QWidget* w : std::initializer_list<const QWidget*>{
           row.name, row.slider, row.value, row.min, row.max, row.step, row.play})
    lefts.push_back(w->mapTo(m_pane, QPoint(0, 0)).x());
  EXPECT_EQ(std::adjacent_find(lefts.begin(), lefts.end(), std::greater_equal<>()), lefts.end());
  EXPECT_EQ(std::tuple(Row(0).slider->maximum(), Row(0).slider->value()), std::tuple(40, 22));
  Row(0).slider->setValue(30);
  EXPECT_EQ(Value(0), 5.0);
  Enter(Row(1).value, "0.75");
  EXPECT_EQ(std::tuple(Value(1), Row(1).slider->value()), std::tuple(0.75, 3));
  Enter(Row(1).value, "2");
  EXPECT_EQ(TakeMessages(), QStringList{"0 から 1 までの数字を入力してください。"});
  EXPECT_EQ(Value(1), 0.75);
  EditPara([](CParaData& p) { p.m_params[0].value = -10; });
  EXPECT_EQ(Row(0).slider->value(), 0);
  // A narrower range clamps the value; a range that is no range is refused.
  Enter(Row(0).max, "-20");
  EXPECT_EQ(TakeMessages(), QStringList{"最小は最大より小さく、刻みは 0 より大きくしてください。"});
  Enter(Row(1).min, "0.8");
  EXPECT_EQ(std::tuple(Para().m_params[1].min, Value(1)), std::tuple(0.8, 0.8));
  EditPara([](CParaData& p) { p.m_params.pop_back(); });
  EXPECT_EQ(m_pane->Rows().size(), 1u);
  EditPara([](CParaData& p) { p.m_params.clear(); });
  EXPECT_TRUE(m_pane->isHidden());
}

TEST_F(ParamPaneTest, PlayingStepsByTheMode) {
  const std::pair<PlayMode, std::vector<double>> cases[] = {
      {PlayMode::Loop, {0.75, 1.0, 0.0, 0.25}},
      {PlayMode::BackAndForth, {0.75, 1.0, 0.75, 0.5}},
      {PlayMode::Once, {0.75, 1.0, 1.0}},
  };
  for (const auto& [mode, values] : cases) {
    SCOPED_TRACE(static_cast<int>(mode));
    EditPara([&](CParaData& p) { p.m_params[1].value = 0.5, p.m_params[1].play = mode; });
    Row(1).play->setChecked(true);
    for (double value : values) {
      m_pane->Advance(1);
      EXPECT_EQ(Value(1), value);
    }
    EXPECT_EQ(Row(1).play->isChecked(), mode != PlayMode::Once);
    Row(1).play->setChecked(false);
  }
  Row(1).speed->setValue(0);  // the slowest speed still steps
  EXPECT_GT(Row(1).speed->value(), 0);
}

// New names in the box are offered sliders; a click or Enter makes them at
// 1 on -10..10, and the formula passes with them.
TEST_F(FormulaBoxTest, NewNamesGetSlidersAtOneByAClickOrEnter) {
  CFormulaEdit* box = Box();
  QToolButton* offer = m_bar->AddSliderButton();
  m_host.resize(900, 100);  // room for the box and its offer, as the window has
  Retype(box, "a*sin(b2*x)");
  EXPECT_TRUE(box->Faulty());
  // The bar lays its items out again when it next handles its events.
  EXPECT_TRUE(WaitUntil([&] { return offer->isVisible(); }));
  EXPECT_EQ(offer->text(), "ｽﾗｲﾀﾞｰを追加: a, b2");
  offer->click();
  ASSERT_EQ(Para().m_params.size(), 2u);
  EXPECT_EQ(Para().m_params[1], (FormulaParameter{"b2", 1, -10, 10, 0.1}));
  EXPECT_FALSE(box->Faulty());
  EXPECT_TRUE(WaitUntil([&] { return !offer->isVisible(); }));
  Retype(box, "c*b2");
  QTest::keyClick(box, Qt::Key_Return);
  EXPECT_EQ(Para().m_params.size(), 3u);
  EXPECT_TRUE(m_messages.empty());
}

}  // namespace
