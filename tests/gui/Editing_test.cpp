// Editing the parameters: the formula box, the parameter panel with its
// numeric fields and spins, and the parameter dialog.
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QInputMethodEvent>
#include <QRadioButton>
#include <QTest>

#include "GuiTestSupport.h"
#include "core/ParaFile.h"
#include "core/ShareData.h"
#include "gui/CommandIds.h"
#include "gui/FormulaToolBar.h"
#include "gui/MainFrame.h"
#include "gui/NumericEdit.h"
#include "gui/OrvexView.h"
#include "gui/ParamBar.h"
#include "gui/ParamDialog.h"
#include "gui/SpinButton.h"

namespace {

const QString kNotANumber = QStringLiteral("数字を入力してください。");
const QString kNotAnInteger = QStringLiteral("整数を入力してください。");
const QString kScaleRange = QStringLiteral("0.01 から 100 までの数字を入力してください。");
const QString kAngleRange = QStringLiteral("-180 から 180 までの数字を入力してください。");
const QString kMeshRange = QStringLiteral("1 から 500 までの整数を入力してください。");
const QString kBadFormula = QStringLiteral("不正な計算式です！");
const QString kBadCharacter = QStringLiteral("不正な文字がありました！");
const QString kNoFormula = QStringLiteral("計算式が入力されてません！");
const QString kTooLong = QStringLiteral("128 文字以内で入力してください。");

class EditingTest : public GuiTest {
 protected:
  void SetUp() override {
    GuiTest::SetUp();
    Launch();
    Frame()->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(Frame()));
  }
  CFormulaEdit* Box() const { return Frame()->m_wndToolBar->FormulaBox(); }
  CNumericEdit* Field(CParamBar::Field field) const { return Frame()->m_wndParamBar->Edit(field); }
  // Clicks into the field, selects everything and puts text in its place in
  // one change, as a paste or a confirmed input method does.
  void Enter(QLineEdit* edit, const QString& text) {
    edit->setFocus(Qt::MouseFocusReason);
    edit->selectAll();
    edit->insert(text);
  }
  // Clicks into the widget, selects everything and types text, key by key.
  void Retype(QLineEdit* edit, const QString& text) {
    edit->setFocus(Qt::MouseFocusReason);
    edit->selectAll();
    if (text.isEmpty()) {
      QTest::keyClick(edit, Qt::Key_Backspace);
    } else {
      QTest::keyClicks(edit, text);
    }
  }
  // What an input method hands over when the user confirms a composition.
  static void Compose(QLineEdit* edit, const QString& committed) {
    QInputMethodEvent event;
    event.setCommitString(committed);
    QApplication::sendEvent(edit, &event);
  }
  void Leave() { View()->setFocus(Qt::MouseFocusReason); }
  QColor Base(QWidget* widget) const {
    return widget->palette().color(QPalette::Active, QPalette::Base);
  }
};

TEST_F(EditingTest, TheFormulaBoxCommitsAPassingFormulaAndRestoresTheLastOtherwise) {
  const struct {
    QString typed;
    QString message;  // "" = accepted
  } cases[] = {
      {QStringLiteral("x*y"), QString()},     {QStringLiteral(""), kNoFormula},
      {QStringLiteral("x+"), kBadFormula},    {QStringLiteral("x$y"), kBadCharacter},
      {QStringLiteral("sin(x"), kBadFormula}, {QStringLiteral("cos ( y ) - x^2"), QString()},
  };
  QString accepted = QString::fromUtf8(DEFAULT_FORMULA);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.typed.toStdString());
    m_messages.clear();
    Retype(Box(), c.typed);
    EXPECT_EQ(QString::fromStdString(Frame()->m_para.m_strFormula),
              accepted);  // not before leaving
    EXPECT_EQ(Base(Box()), QColor(220, 200, 192));
    Leave();
    if (c.message.isEmpty()) {
      accepted = c.typed;
      EXPECT_TRUE(m_messages.empty());
    } else {
      ASSERT_EQ(m_messages.size(), 1u);
      EXPECT_EQ(m_messages[0], c.message);
    }
    EXPECT_EQ(QString::fromStdString(Frame()->m_para.m_strFormula), accepted);
    EXPECT_EQ(Box()->text(), accepted);
    // A refused formula gives the focus back to the box with the text selected.
    if (!c.message.isEmpty()) {
      EXPECT_TRUE(WaitUntil([&] { return Box()->hasFocus(); }));
      EXPECT_EQ(Box()->selectedText(), accepted);
    }
  }
  // Enter commits without leaving; Escape takes the typing back.
  Retype(Box(), QStringLiteral("x-y"));
  QTest::keyClick(Box(), Qt::Key_Return);
  EXPECT_EQ(Frame()->m_para.m_strFormula, "x-y");
  Retype(Box(), QStringLiteral("junk"));
  QTest::keyClick(Box(), Qt::Key_Escape);
  EXPECT_EQ(Box()->text(), QStringLiteral("x-y"));
}

TEST_F(EditingTest, StartRunsTheFormulaJustTypedOrTheLastAcceptedOne) {
  Frame()->m_para.m_nMesh = 8;
  Retype(Box(), QStringLiteral("x*y"));
  ASSERT_TRUE(StartAndWaitForPicture());
  EXPECT_EQ(g_ShareData.m_para.m_strFormula, "x*y");
  EXPECT_FALSE(Box()->isEnabled());
  ASSERT_TRUE(StopAndWaitForEnd());
  Retype(Box(), QStringLiteral("x**"));
  ASSERT_TRUE(StartAndWaitForPicture());
  ASSERT_EQ(m_messages.size(), 1u);
  EXPECT_EQ(m_messages[0], kBadFormula);
  EXPECT_EQ(g_ShareData.m_para.m_strFormula, "x*y");
  EXPECT_EQ(Box()->text(), QStringLiteral("x*y"));
}

TEST_F(EditingTest, TheFormulaLimitCountsFileBytesAndNeverCutsACharacter) {
  const QString ascii(126, QLatin1Char('x'));
  Retype(Box(), ascii);
  Compose(Box(), QStringLiteral("あ"));  // two bytes: 128, the limit
  EXPECT_EQ(Box()->text(), ascii + QStringLiteral("あ"));
  Compose(Box(), QStringLiteral("い"));  // refused whole
  QTest::keyClick(Box(), Qt::Key_Y);
  EXPECT_EQ(Box()->text(), ascii + QStringLiteral("あ"));
  Leave();
  // Full-width letters are no names of the formula language.
  ASSERT_EQ(m_messages.size(), 1u);
  EXPECT_EQ(m_messages[0], kBadCharacter);

  Retype(Box(), QString());
  Compose(Box(), QStringLiteral("ｘ＊ｙ"));
  EXPECT_EQ(Box()->text(), QStringLiteral("ｘ＊ｙ"));
  Leave();
  EXPECT_EQ(m_messages.back(), kBadCharacter);

  // A longer formula from a file is shown whole, can be shortened, and is
  // refused with the length message when the box is left.
  CParaData para = Frame()->m_para;
  para.m_strFormula = std::string(130, 'x');
  Frame()->m_wndToolBar->SetParams(para);
  EXPECT_EQ(Box()->text().size(), 130);
  Box()->setFocus(Qt::MouseFocusReason);
  Box()->end(false);
  QTest::keyClick(Box(), Qt::Key_Backspace);
  EXPECT_EQ(Box()->text().size(), 129);
  Leave();
  EXPECT_EQ(m_messages.back(), kTooLong);
}

TEST_F(EditingTest, PanelFieldsNameTheFirstFaultAndStoreAllSixOrNothing) {
  const struct {
    CParamBar::Field field;
    QString typed;
    QString message;
  } cases[] = {
      {CParamBar::Range, QString(), kNotANumber},
      {CParamBar::Mesh, QString(), kNotAnInteger},
      {CParamBar::Range, QStringLiteral("0"), kScaleRange},
      {CParamBar::Mesh, QStringLiteral("501"), kMeshRange},
      {CParamBar::Mesh, QStringLiteral("12.5"), kNotAnInteger},
      {CParamBar::LeftRight, QStringLiteral("-"), kNotANumber},
      {CParamBar::UpDown, QStringLiteral("181"), kAngleRange},
  };
  const std::vector<std::uint8_t> before = StoreParaData(Frame()->m_para);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.typed.toStdString());
    m_messages.clear();
    Enter(Field(c.field), c.typed);
    ASSERT_EQ(m_messages.size(), 1u);
    EXPECT_EQ(m_messages[0], c.message);
    EXPECT_EQ(StoreParaData(Frame()->m_para), before);
    // The field keeps the focus and the text as typed.
    EXPECT_TRUE(Field(c.field)->hasFocus());
    EXPECT_EQ(Field(c.field)->text(), c.typed);
    Leave();  // the last accepted values come back
    EXPECT_EQ(Frame()->m_wndParamBar->FieldText(CParamBar::Range), QStringLiteral("12"));
  }
  // Typed key by key, each acceptable step is stored at once, before the
  // field is left; a refused step is not, and the typing goes on from it.
  m_messages.clear();
  Retype(Field(CParamBar::Range), QStringLiteral("0.5"));
  EXPECT_EQ(m_messages, std::vector<QString>({kScaleRange, kScaleRange}));  // "0", "0."
  EXPECT_EQ(Frame()->m_para.m_dRange, 0.5);
  m_messages.clear();
  Retype(Field(CParamBar::Range), QStringLiteral("5.50"));
  EXPECT_EQ(Frame()->m_para.m_dRange, 5.5);
  EXPECT_EQ(Field(CParamBar::Range)->text(), QStringLiteral("5.50"));
  Leave();
  EXPECT_EQ(Field(CParamBar::Range)->text(), QStringLiteral("5.5"));
  EXPECT_TRUE(m_messages.empty());

  // One unacceptable field (a file may hold mesh 2000) blocks every other.
  Frame()->m_para.m_nMesh = 2000;
  Frame()->m_wndParamBar->SetParams(Frame()->m_para);
  Enter(Field(CParamBar::ZCoef), QStringLiteral("3"));
  ASSERT_EQ(m_messages.size(), 1u);
  EXPECT_EQ(m_messages[0], kMeshRange);
  EXPECT_EQ(Frame()->m_para.m_dZCoef, 11.0);
}

TEST_F(EditingTest, NumericFieldsPassOnlyTheCharactersOfANumber) {
  QApplication::clipboard()->setText(QStringLiteral("99"));
  CNumericEdit* edit = Field(CParamBar::Range);
  edit->setFocus(Qt::MouseFocusReason);
  edit->selectAll();
  QTest::keyClicks(edit, QStringLiteral("a1b.2 +-x"));
  EXPECT_EQ(edit->text(), QStringLiteral("1.2+-"));
  QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
  QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
  EXPECT_EQ(edit->text(), QStringLiteral("1.2+-"));
  QTest::keyClick(edit, Qt::Key_Backspace);
  QTest::keyClick(edit, Qt::Key_Left);
  QTest::keyClick(edit, Qt::Key_Delete);
  EXPECT_EQ(edit->text(), QStringLiteral("1.2"));
}

TEST_F(EditingTest, SpinsStepWholeNumbersWithinTheirRangeAndStoreEachStep) {
  CParamBar* panel = Frame()->m_wndParamBar;
  panel->Spin(CParamBar::Mesh)->StepUp();
  EXPECT_EQ(Frame()->m_para.m_nMesh, 33);
  Retype(Field(CParamBar::Mesh), QStringLiteral("500"));
  panel->Spin(CParamBar::Mesh)->StepUp();
  EXPECT_EQ(panel->FieldText(CParamBar::Mesh), QStringLiteral("500"));
  QTest::keyClick(Field(CParamBar::Mesh), Qt::Key_Down);
  EXPECT_EQ(Frame()->m_para.m_nMesh, 499);
  // From a fraction to the next whole number, at least the spin's low end.
  Command(ID_DRAW_CONTOUR);
  panel->Spin(CParamBar::ContourStep)->StepUp();
  EXPECT_EQ(Frame()->m_para.m_dContourStep, 1.0);
  Enter(Field(CParamBar::UpDown), QStringLiteral("-179.5"));
  panel->Spin(CParamBar::UpDown)->StepDown();
  EXPECT_EQ(Frame()->m_para.m_dUpDownAngle, -180.0);
  panel->Spin(CParamBar::UpDown)->StepDown();
  EXPECT_EQ(Frame()->m_para.m_dUpDownAngle, -180.0);
  EXPECT_TRUE(m_messages.empty());
}

TEST_F(EditingTest, FieldsAreEnabledAndColouredByStyleRunAndFocus) {
  CParamBar* panel = Frame()->m_wndParamBar;
  EXPECT_TRUE(Field(CParamBar::Range)->isEnabled());
  EXPECT_FALSE(Field(CParamBar::ContourStep)->isEnabled());
  EXPECT_FALSE(panel->Spin(CParamBar::ContourStep)->isEnabled());
  EXPECT_EQ(Base(Field(CParamBar::Range)), QColor(128, 184, 176));
  EXPECT_EQ(Base(Box()), QColor(128, 184, 176));
  Field(CParamBar::Range)->setFocus(Qt::MouseFocusReason);
  EXPECT_EQ(Base(Field(CParamBar::Range)), QColor(220, 200, 192));
  EXPECT_EQ(Base(Field(CParamBar::ZCoef)), QColor(128, 184, 176));

  Command(ID_DRAW_CONTOUR);
  EXPECT_TRUE(Field(CParamBar::ContourStep)->isEnabled());
  EXPECT_EQ(Base(Field(CParamBar::ZCoef)), QColor(128, 176, 184));
  EXPECT_EQ(Base(Box()), QColor(128, 176, 184));

  Frame()->m_para.m_nMesh = 8;
  ASSERT_TRUE(StartAndWaitForPicture());
  for (int k = 0; k < CParamBar::kFieldCount; ++k) {
    EXPECT_FALSE(Field(static_cast<CParamBar::Field>(k))->isEnabled()) << k;
  }
  ASSERT_TRUE(StopAndWaitForEnd());
  EXPECT_TRUE(Field(CParamBar::ContourStep)->isEnabled());
}

// The dialog as the frame's command runs it: the hook edits it like a user
// and closes it with the given button.
class DialogTest : public EditingTest {
 protected:
  void RunDialog(const std::function<void(CParamDialog&)>& edit, bool ok) {
    PromptHooks hooks;
    hooks.message = [this](const QString& text) { m_messages.push_back(text); };
    hooks.modal = [&](QDialog& dialog) {
      auto& params = static_cast<CParamDialog&>(dialog);
      params.show();
      EXPECT_TRUE(QTest::qWaitForWindowExposed(&params));
      params.activateWindow();
      EXPECT_TRUE(QTest::qWaitForWindowActive(&params));
      edit(params);
      ok ? params.accept() : params.reject();
      return params.result();
    };
    SetPromptHooks(hooks);
    Command(ID_PARAM_SET);
  }
  template <typename T>
  static T* Control(CParamDialog& dialog, const char* name) {
    return dialog.findChild<T*>(QString::fromLatin1(name));
  }
  static void Set(CParamDialog& dialog, const char* name, const QString& text) {
    Control<QLineEdit>(dialog, name)->setText(text);
  }
};

TEST_F(DialogTest, OkNamesTheFirstWrongFieldInExchangeOrder) {
  // Every field wrong; each round puts the one named right and tries again.
  const struct {
    const char* name;
    QString good;
    QString message;
  } order[] = {
      {"range", QStringLiteral("3"), kNotANumber},
      {"zCoef", QStringLiteral("3"), kScaleRange},
      {"mesh", QStringLiteral("40"), kMeshRange},
      {"formula", QStringLiteral("x*y"), kTooLong},
      {"contourStep", QStringLiteral("0.5"), kScaleRange},
      {"leftRight", QStringLiteral("10"), kAngleRange},
      {"upDown", QStringLiteral("-10"), kNotANumber},
      {"formula", QStringLiteral("x*y"), kBadFormula},
  };
  RunDialog(
      [&](CParamDialog& dialog) {
        Set(dialog, "range", QString());
        Set(dialog, "zCoef", QStringLiteral("0"));
        Set(dialog, "mesh", QStringLiteral("501"));
        Set(dialog, "formula", QString(129, QLatin1Char('x')));
        Set(dialog, "contourStep", QStringLiteral("100.5"));
        Set(dialog, "leftRight", QStringLiteral("181"));
        Set(dialog, "upDown", QStringLiteral("-0"));
        for (const auto& step : order) {
          m_messages.clear();
          if (std::string(step.name) == "formula" && step.message == kBadFormula) {
            Set(dialog, "formula", QStringLiteral("x+"));
          }
          EXPECT_FALSE(dialog.DoDataExchange(true)) << step.name;
          ASSERT_EQ(m_messages.size(), 1u) << step.name;
          EXPECT_EQ(m_messages[0], step.message) << step.name;
          // The focus goes to the field, unless the style has it disabled
          // (only its spin can mend it then).
          auto* field = Control<QLineEdit>(dialog, step.name);
          EXPECT_TRUE(field->hasFocus() || !field->isEnabled()) << step.name;
          Set(dialog, step.name, step.good);
        }
        m_messages.clear();
      },
      true);
  EXPECT_TRUE(m_messages.empty());
  EXPECT_EQ(Frame()->m_para.m_dRange, 3.0);
  EXPECT_EQ(Frame()->m_para.m_nMesh, 40);
  EXPECT_EQ(Frame()->m_para.m_dUpDownAngle, -10.0);
  EXPECT_EQ(Frame()->m_para.m_strFormula, "x*y");
  EXPECT_EQ(Frame()->m_wndParamBar->FieldText(CParamBar::Mesh), QStringLiteral("40"));
  EXPECT_EQ(Box()->text(), QStringLiteral("x*y"));
}

TEST_F(DialogTest, EveryLimitHoldsAtItsBoundAndFailsBeyondIt) {
  const struct {
    const char* name;
    const char* text;
    bool accepted;
  } cases[] = {
      {"range", "0.01", true},      {"range", "0.0099", false},     {"range", "100", true},
      {"range", " 100.01 ", false}, {"zCoef", "0.01", true},        {"zCoef", "100.5", false},
      {"contourStep", "100", true}, {"contourStep", "0", false},    {"mesh", "1", true},
      {"mesh", "0", false},         {"mesh", "500", true},          {"mesh", "-3", false},
      {"leftRight", "-180", true},  {"leftRight", "-180.5", false}, {"upDown", "180", true},
      {"upDown", "181", false},     {"upDown", "0", true},          {"range", " 5 ", true},
  };
  RunDialog(
      [&](CParamDialog& dialog) {
        for (const auto& c : cases) {
          dialog.DoDataExchange(false);
          Set(dialog, c.name, QString::fromLatin1(c.text));
          EXPECT_EQ(dialog.DoDataExchange(true), c.accepted) << c.name << " " << c.text;
        }
      },
      false);
}

TEST_F(DialogTest, TheStyleDecidesWhichControlsApply) {
  RunDialog(
      [&](CParamDialog& dialog) {
        auto* shading = Control<QCheckBox>(dialog, "shading");
        auto* hidden = Control<QCheckBox>(dialog, "hiddenLine");
        auto* contour = Control<QLineEdit>(dialog, "contourStep");
        auto* angles = Control<QLineEdit>(dialog, "upDown");
        const auto choose = [&](int style) {
          Control<QRadioButton>(dialog, QStringLiteral("style%1").arg(style).toLatin1())->click();
        };
        // Defaults: mesh with shading on, so hidden-line is off.
        EXPECT_TRUE(shading->isEnabled());
        EXPECT_FALSE(hidden->isEnabled());
        EXPECT_FALSE(contour->isEnabled());
        shading->click();
        EXPECT_TRUE(hidden->isEnabled());
        EXPECT_TRUE(hidden->isChecked());
        shading->click();
        EXPECT_FALSE(hidden->isEnabled());
        for (int solid = 1; solid <= 4; ++solid) {
          choose(solid);
          EXPECT_FALSE(shading->isEnabled());
          EXPECT_FALSE(hidden->isEnabled());
          EXPECT_FALSE(contour->isEnabled());
          EXPECT_TRUE(angles->isEnabled());
        }
        choose(5);
        EXPECT_TRUE(contour->isEnabled());
        EXPECT_FALSE(shading->isEnabled());
        shading->setChecked(false);  // as a file could have it
        choose(0);
        EXPECT_TRUE(hidden->isEnabled());
        EXPECT_FALSE(contour->isEnabled());
        choose(3);
      },
      true);
  // Hidden-line kept its state while disabled and is returned.
  EXPECT_EQ(Frame()->m_para.m_nDrawStyle, STYLE_GHOST);
  EXPECT_EQ(Frame()->m_para.m_bHiddenLine, TRUE);
  EXPECT_EQ(Frame()->m_para.m_bShading, FALSE);
  // A changed style clears the picture to the new style's colour.
  EXPECT_EQ(g_ShareData.m_nState.load(), DS_CLEAR);
  EXPECT_EQ(g_ShareData.m_para.m_nDrawStyle, STYLE_GHOST);
}

TEST_F(DialogTest, ZeroByZeroAndBackgroundTravelBothWays) {
  const struct {
    double stored;
    int shown;   // item, -1 none
    int chosen;  // -1: leave
    double result;
  } cases[] = {{1.0, 2, 0, -1.0},
               {-1.0, 0, -1, -1.0},
               {0.0, 1, 2, 1.0},
               {0.5, -1, -1, 0.5},
               {7.0, -1, 1, 0.0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.stored);
    Frame()->m_para.m_dZeroByZero = c.stored;
    RunDialog(
        [&](CParamDialog& dialog) {
          auto* list = Control<QComboBox>(dialog, "zeroByZero");
          EXPECT_EQ(list->currentIndex(), c.shown);
          if (c.chosen >= 0) list->setCurrentIndex(c.chosen);
        },
        true);
    EXPECT_EQ(Frame()->m_para.m_dZeroByZero, c.result);
  }
  EXPECT_EQ(g_ShareData.m_nState.load(), DS_IDLE);  // no style change: no clear

  // Cancel keeps only the background choice.
  const CParaData before = Frame()->m_para;
  RunDialog(
      [&](CParamDialog& dialog) {
        auto* back = Control<QComboBox>(dialog, "backColour");
        EXPECT_FALSE(back->isEditable());
        EXPECT_EQ(back->currentIndex(), BACK_BLACK);
        back->setCurrentIndex(BACK_WHITE);
        Set(dialog, "range", QStringLiteral("50"));
      },
      false);
  CParaData expected = before;
  expected.m_nBackColor = BACK_WHITE;
  EXPECT_EQ(StoreParaData(Frame()->m_para), StoreParaData(expected));
}

}  // namespace
