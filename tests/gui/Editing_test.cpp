// Editing the parameters: the formula box, the parameter panel with its
// numeric fields and spins, and the parameter dialog.
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QInputMethodEvent>
#include <QLabel>
#include <QRadioButton>
#include <QTest>

#include "GuiTestSupport.h"
#include "gui/NumericEdit.h"
#include "gui/ParamDialog.h"
#include "gui/SpinButton.h"

namespace {

const QString kNotANumber = "数字を入力してください。";
const QString kNotAnInteger = "整数を入力してください。";
const QString kScaleRange = "0.01 から 100 までの数字を入力してください。";
const QString kAngleRange = "-180 から 180 までの数字を入力してください。";
const QString kMeshRange = "1 から 500 までの整数を入力してください。";
const QString kBadFormula = "不正な計算式です！";
const QString kBadCharacter = "不正な文字がありました！";
const QString kNoFormula = "計算式が入力されてません！";
const QString kTooLong = "128 文字以内で入力してください。";
const QString kReady = "ﾚﾃﾞｲ";
const QColor kFocused(220, 200, 192);
const QColor kFault(244, 170, 170);

class EditingTest : public GuiTest {
 protected:
  void SetUp() override {
    GuiTest::SetUp();
    Launch();
    Frame()->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(Frame()));
  }
  CParaData& Para() const { return Frame()->m_para; }
  QString Formula() const { return QString::fromStdString(Para().m_strFormula); }
  CFormulaEdit* Box() const { return Frame()->m_wndToolBar->FormulaBox(); }
  CParamBar* Panel() const { return Frame()->m_wndParamBar; }
  CNumericEdit* Field(CParamBar::Field field) const { return Panel()->Edit(field); }
  // Clicks into the field, selects everything and types text key by key, or
  // (Enter) puts it in place in one change, as a paste or a confirmed input
  // method does.
  void Retype(QLineEdit* edit, const QString& text, bool keyByKey = true) {
    edit->setFocus(Qt::MouseFocusReason);
    edit->selectAll();
    if (!keyByKey) return edit->insert(text);
    text.isEmpty() ? QTest::keyClick(edit, Qt::Key_Backspace) : QTest::keyClicks(edit, text);
  }
  void Enter(QLineEdit* edit, const QString& text) { Retype(edit, text, false); }
  // What an input method hands over when the user confirms a composition.
  static void Compose(QLineEdit* edit, const QString& committed) {
    QInputMethodEvent event;
    event.setCommitString(committed);
    QApplication::sendEvent(edit, &event);
  }
  void Leave() { View()->setFocus(Qt::MouseFocusReason); }
  static QColor Base(QWidget* widget) {
    return widget->palette().color(QPalette::Active, QPalette::Base);
  }
};

TEST_F(EditingTest, TheFormulaBoxShowsFaultsWhileTypingAndCommitsOnlyAPassingFormula) {
  // The text typed, what pane 0 says meanwhile (the idle text: it passes),
  // and for a refused text the part selected when the focus comes back.
  const std::tuple<QString, QString, QString> cases[] = {
      {"x*y", kReady, ""},
      {"", kNoFormula, ""},
      {"x+", kBadFormula + " (3 文字目)", ""},          // missing operand: the cursor at the end
      {"x+foo", kBadCharacter + " (3 文字目)", "foo"},  // unknown name
      {"sin(x", kBadFormula + " (4 文字目)", "("},      // unbalanced bracket
      {"cos ( y ) - x^2", kReady, ""},
  };
  QString accepted = DEFAULT_FORMULA;
  for (const auto& [typed, note, selected] : cases) {
    SCOPED_TRACE(typed.toStdString());
    Retype(Box(), typed);
    const bool refused = note != kReady;
    EXPECT_EQ(Frame()->MessageText(), note);
    EXPECT_EQ(Base(Box()), refused ? kFault : kFocused);
    EXPECT_EQ(Formula(), accepted);  // not before leaving
    Leave();
    if (!refused) accepted = typed;
    // The check's message box, without the place.
    EXPECT_EQ(TakeMessages().join('|'), refused ? note.section(" (", 0, 0) : "");
    EXPECT_EQ(Formula(), accepted);
    // A refused text stays, and the focus comes back with the fault selected.
    EXPECT_EQ(Box()->text(), typed);
    if (refused) {
      EXPECT_TRUE(WaitUntil([&] { return Box()->hasFocus(); }));
      EXPECT_EQ(Box()->selectedText(), selected);
    }
  }
  // Enter commits without leaving; Escape takes the typing back, and its fault.
  Retype(Box(), "x-y");
  QTest::keyClick(Box(), Qt::Key_Return);
  EXPECT_EQ(Formula(), "x-y");
  Retype(Box(), "junk(");
  QTest::keyClick(Box(), Qt::Key_Escape);
  EXPECT_EQ(Box()->text(), "x-y");
  EXPECT_EQ(Frame()->MessageText(), kReady);
  EXPECT_EQ(Base(Box()), kFocused);

  // Start runs the formula just typed, or the last accepted one.
  Para().m_nMesh = 8;
  Retype(Box(), "x*y");
  ASSERT_TRUE(StartAndWaitForPicture());
  EXPECT_EQ(g_ShareData.m_para.m_strFormula, "x*y");
  ASSERT_TRUE(StopAndWaitForEnd());
  Retype(Box(), "x**");
  ASSERT_TRUE(StartAndWaitForPicture());
  EXPECT_EQ(TakeMessages(), QStringList{kBadFormula});
  EXPECT_EQ(g_ShareData.m_para.m_strFormula, "x*y");
  EXPECT_EQ(Box()->text(), "x**");
}

TEST_F(EditingTest, TheFormulaLimitCountsFileBytesAndNeverCutsACharacter) {
  const QString ascii(126, 'x');
  Retype(Box(), ascii);
  Compose(Box(), "あ");  // two bytes: 128, the limit
  EXPECT_EQ(Box()->text(), ascii + "あ");
  Compose(Box(), "い");  // refused whole
  QTest::keyClick(Box(), Qt::Key_Y);
  EXPECT_EQ(Box()->text(), ascii + "あ");
  Leave();
  // Full-width letters are no names of the formula language.
  EXPECT_EQ(TakeMessages(), QStringList{kBadCharacter});
  Retype(Box(), "");
  Compose(Box(), "ｘ＊ｙ");
  EXPECT_EQ(Box()->text(), "ｘ＊ｙ");
  Leave();
  EXPECT_EQ(TakeMessages(), QStringList{kBadCharacter});

  // A longer formula from a file is shown whole, can be shortened, and is
  // refused with the length message when the box is left.
  CParaData para = Para();
  para.m_strFormula = std::string(130, 'x');
  Frame()->m_wndToolBar->SetParams(para);
  EXPECT_EQ(Box()->text().size(), 130);
  Box()->setFocus(Qt::MouseFocusReason);
  Box()->end(false);
  QTest::keyClick(Box(), Qt::Key_Backspace);
  EXPECT_EQ(Box()->text().size(), 129);
  Leave();
  EXPECT_EQ(TakeMessages(), QStringList{kTooLong});
}

TEST_F(EditingTest, PanelFieldsNameTheFirstFaultAndStoreAllSixOrNothing) {
  const std::tuple<CParamBar::Field, QString, QString> cases[] = {
      {CParamBar::Range, "", kNotANumber},      {CParamBar::Mesh, "", kNotAnInteger},
      {CParamBar::Range, "0", kScaleRange},     {CParamBar::Mesh, "501", kMeshRange},
      {CParamBar::Mesh, "12.5", kNotAnInteger}, {CParamBar::LeftRight, "-", kNotANumber},
      {CParamBar::UpDown, "181", kAngleRange},
  };
  const std::vector<std::uint8_t> before = StoreParaData(Para());
  for (const auto& [field, typed, message] : cases) {
    SCOPED_TRACE(typed.toStdString());
    Enter(Field(field), typed);
    EXPECT_EQ(TakeMessages(), QStringList{message});
    EXPECT_EQ(StoreParaData(Para()), before);
    // The field keeps the focus and the text as typed.
    EXPECT_TRUE(Field(field)->hasFocus());
    EXPECT_EQ(Field(field)->text(), typed);
    Leave();  // the last accepted values come back
    EXPECT_EQ(Panel()->FieldText(CParamBar::Range), "12");
  }
  // Typed key by key, each acceptable step is stored at once, before the
  // field is left; a refused step is not, and the typing goes on from it.
  Retype(Field(CParamBar::Range), "0.5");
  EXPECT_EQ(TakeMessages(), QStringList({kScaleRange, kScaleRange}));  // "0", "0."
  EXPECT_EQ(Para().m_dRange, 0.5);
  Retype(Field(CParamBar::Range), "5.50");
  EXPECT_EQ(Para().m_dRange, 5.5);
  EXPECT_EQ(Field(CParamBar::Range)->text(), "5.50");
  Leave();
  EXPECT_EQ(Field(CParamBar::Range)->text(), "5.5");
  EXPECT_TRUE(TakeMessages().empty());

  // One unacceptable field (a file may hold mesh 2000) blocks every other.
  Para().m_nMesh = 2000;
  Panel()->SetParams(Para());
  Enter(Field(CParamBar::ZCoef), "3");
  EXPECT_EQ(TakeMessages(), QStringList{kMeshRange});
  EXPECT_EQ(Para().m_dZCoef, 11.0);
}

TEST_F(EditingTest, NumericFieldsPassOnlyTheCharactersOfANumber) {
  QApplication::clipboard()->setText("99");
  CNumericEdit* edit = Field(CParamBar::Range);
  Retype(edit, "a1b.2 +-x");
  EXPECT_EQ(edit->text(), "1.2+-");
  QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
  QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
  EXPECT_EQ(edit->text(), "1.2+-");
  QTest::keyClick(edit, Qt::Key_Backspace);
  QTest::keyClick(edit, Qt::Key_Left);
  QTest::keyClick(edit, Qt::Key_Delete);
  EXPECT_EQ(edit->text(), "1.2");
}

// Ctrl+C copies the view's picture once there is one, and the prompt names
// it; in the formula box the key copies the box's text, and a numeric field
// drops it as it drops every control key: the picture never takes it from them.
TEST_F(EditingTest, CtrlCCopiesThePictureButAFocusedFieldKeepsTheKey) {
  QClipboard* clipboard = QApplication::clipboard();
  const auto copied = [&] { return clipboard->image().convertToFormat(QImage::Format_RGB32); };
  EXPECT_FALSE(Enabled(ID_EDIT_COPY));
  Para().m_nMesh = 8;
  ASSERT_TRUE(StartAndWaitForPicture());
  ASSERT_TRUE(StopAndWaitForEnd());
  ASSERT_TRUE(Enabled(ID_EDIT_COPY));
  Leave();
  clipboard->clear();
  QTest::keyClick(View(), Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(copied(), View()->ShownPicture());
  EXPECT_NE(View()->ShownPicture().pixelColor(View()->width() / 2, View()->height() / 2),
            kSurfaceIdle);

  Retype(Box(), "x*y");
  Box()->selectAll();
  QTest::keyClick(Box(), Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(clipboard->text(), "x*y");
  EXPECT_TRUE(copied().isNull());
  clipboard->setText("kept");
  Retype(Field(CParamBar::Range), "5");
  Field(CParamBar::Range)->selectAll();
  QTest::keyClick(Field(CParamBar::Range), Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(clipboard->text(), "kept");
  EXPECT_TRUE(copied().isNull());

  Frame()->Action(ID_EDIT_COPY)->showStatusText(Frame());
  EXPECT_EQ(Frame()->MessageText(), "画面ｲﾒｰｼﾞをｸﾘｯﾌﾟﾎﾞｰﾄﾞにｺﾋﾟｰする");
  // A style change clears the picture, and there is nothing to copy.
  Command(ID_DRAW_CONTOUR);
  Paint();
  QTest::qWait(0);
  EXPECT_FALSE(Enabled(ID_EDIT_COPY));
}

TEST_F(EditingTest, SpinsStepWholeNumbersWithinTheirRangeAndStoreEachStep) {
  Panel()->Spin(CParamBar::Mesh)->StepUp();
  EXPECT_EQ(Para().m_nMesh, 33);
  Retype(Field(CParamBar::Mesh), "500");
  Panel()->Spin(CParamBar::Mesh)->StepUp();
  EXPECT_EQ(Panel()->FieldText(CParamBar::Mesh), "500");
  QTest::keyClick(Field(CParamBar::Mesh), Qt::Key_Down);
  EXPECT_EQ(Para().m_nMesh, 499);
  // From a fraction to the next whole number, at least the spin's low end.
  Command(ID_DRAW_CONTOUR);
  Panel()->Spin(CParamBar::ContourStep)->StepUp();
  EXPECT_EQ(Para().m_dContourStep, 1.0);
  Enter(Field(CParamBar::UpDown), "-179.5");
  Panel()->Spin(CParamBar::UpDown)->StepDown();
  EXPECT_EQ(Para().m_dUpDownAngle, -180.0);
  Panel()->Spin(CParamBar::UpDown)->StepDown();
  EXPECT_EQ(Para().m_dUpDownAngle, -180.0);
  EXPECT_TRUE(m_messages.empty());
}

TEST_F(EditingTest, FieldsAreEnabledAndColouredByStyleRunAndFocus) {
  EXPECT_TRUE(Field(CParamBar::Range)->isEnabled());
  EXPECT_FALSE(Field(CParamBar::ContourStep)->isEnabled());
  EXPECT_FALSE(Panel()->Spin(CParamBar::ContourStep)->isEnabled());
  EXPECT_EQ(Base(Field(CParamBar::Range)), kSurfaceIdle);
  EXPECT_EQ(Base(Box()), kSurfaceIdle);
  Field(CParamBar::Range)->setFocus(Qt::MouseFocusReason);
  EXPECT_EQ(Base(Field(CParamBar::Range)), kFocused);
  EXPECT_EQ(Base(Field(CParamBar::ZCoef)), kSurfaceIdle);

  Command(ID_DRAW_CONTOUR);
  EXPECT_TRUE(Field(CParamBar::ContourStep)->isEnabled());
  EXPECT_EQ(Base(Field(CParamBar::ZCoef)), kContourIdle);
  EXPECT_EQ(Base(Box()), kContourIdle);

  Para().m_nMesh = 8;
  ASSERT_TRUE(StartAndWaitForPicture());
  for (int k = 0; k < CParamBar::kFieldCount; ++k)
    EXPECT_FALSE(Field(static_cast<CParamBar::Field>(k))->isEnabled()) << k;
  ASSERT_TRUE(StopAndWaitForEnd());
  EXPECT_TRUE(Field(CParamBar::ContourStep)->isEnabled());
}

class DialogTest : public EditingTest {
 protected:
  // Runs the dialog as the frame's command does: edit acts on it as a user
  // would, then it is closed with OK or Cancel.
  void RunDialog(const std::function<void(CParamDialog&)>& edit, bool ok) {
    m_onModal = [edit, ok](QDialog& dialog) {
      auto& params = static_cast<CParamDialog&>(dialog);
      params.show();
      EXPECT_TRUE(QTest::qWaitForWindowExposed(&params));
      params.activateWindow();
      EXPECT_TRUE(QTest::qWaitForWindowActive(&params));
      edit(params);
      ok ? params.accept() : params.reject();
      return params.result();
    };
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

// Every limit holds at its bound and fails beyond it; then, with every field
// wrong, OK names the first in exchange order.
TEST_F(DialogTest, EveryLimitHoldsAndOkNamesTheFirstWrongFieldInExchangeOrder) {
  const std::tuple<const char*, const char*, bool> limits[] = {
      {"range", "0.01", true},      {"range", "0.0099", false},     {"range", "100", true},
      {"range", " 100.01 ", false}, {"zCoef", "0.01", true},        {"zCoef", "100.5", false},
      {"contourStep", "100", true}, {"contourStep", "0", false},    {"mesh", "1", true},
      {"mesh", "0", false},         {"mesh", "500", true},          {"mesh", "-3", false},
      {"leftRight", "-180", true},  {"leftRight", "-180.5", false}, {"upDown", "180", true},
      {"upDown", "181", false},     {"upDown", "0", true},          {"range", " 5 ", true},
  };
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
  RunDialog(
      [&](CParamDialog& dialog) {
        for (const auto& [name, text, accepted] : limits) {
          dialog.DoDataExchange(false);
          Set(dialog, name, text);
          EXPECT_EQ(dialog.DoDataExchange(true), accepted) << name << " " << text;
          EXPECT_EQ(TakeMessages().size(), accepted ? 0 : 1) << name << " " << text;
        }
        // Backwards, so that the formula starts with its first wrong text.
        for (auto step = std::rbegin(order); step != std::rend(order); ++step)
          Set(dialog, std::get<0>(*step), std::get<1>(*step));
        for (const auto& [name, wrong, message, next] : order) {
          SCOPED_TRACE(name);
          EXPECT_FALSE(dialog.DoDataExchange(true));
          EXPECT_EQ(TakeMessages(), QStringList{message});
          // The focus goes to the field, unless the style has it disabled
          // (only its spin can mend it then).
          auto* field = Control<QLineEdit>(dialog, name);
          EXPECT_TRUE(field->hasFocus() || !field->isEnabled());
          // The formula field tints a refused formula and tells where it fails.
          if (message == kBadFormula) {
            EXPECT_EQ(Control<QLabel>(dialog, "formulaFault")->text(), kBadFormula + " (3 文字目)");
            EXPECT_EQ(Base(field), kFault);
            EXPECT_EQ(field->cursorPosition(), 2);
          }
          Set(dialog, name, next);
        }
      },
      true);
  EXPECT_TRUE(m_messages.empty());
  EXPECT_EQ(std::tuple(Para().m_dRange, Para().m_nMesh, Para().m_dUpDownAngle, Para().m_strFormula),
            std::tuple(3.0, 40, -10.0, std::string("x*y")));
  EXPECT_EQ(Panel()->FieldText(CParamBar::Mesh), "40");
  EXPECT_EQ(Box()->text(), "x*y");
}

TEST_F(DialogTest, TheStyleDecidesWhichControlsApply) {
  RunDialog(
      [&](CParamDialog& dialog) {
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
        shading->click();
        EXPECT_EQ(applying(), "sh-u");
        EXPECT_TRUE(Control<QCheckBox>(dialog, "hiddenLine")->isChecked());
        shading->click();
        EXPECT_EQ(applying(), "s--u");
        for (int solid = 1; solid <= 4; ++solid) {
          choose(solid);
          EXPECT_EQ(applying(), "---u") << solid;
        }
        choose(5);
        EXPECT_EQ(applying(), "--cu");
        shading->setChecked(false);  // as a file could have it
        choose(0);
        EXPECT_EQ(applying(), "sh-u");
        choose(3);
      },
      true);
  // Hidden-line kept its state while disabled and is returned.
  EXPECT_EQ(std::tuple(Para().m_nDrawStyle, Para().m_bHiddenLine, Para().m_bShading),
            std::tuple(STYLE_GHOST, TRUE, FALSE));
  // A changed style clears the picture to the new style's colour.
  EXPECT_EQ(std::tuple(g_ShareData.m_nState.load(), g_ShareData.m_para.m_nDrawStyle),
            std::tuple(DS_CLEAR, STYLE_GHOST));
}

TEST_F(DialogTest, ZeroByZeroAndBackgroundTravelBothWays) {
  // The value stored, the item shown and the item chosen (-1: none), the value after OK.
  const std::tuple<double, int, int, double> cases[] = {
      {1.0, 2, 0, -1.0},  {-1.0, 0, -1, -1.0}, {0.0, 1, 2, 1.0},
      {0.5, -1, -1, 0.5}, {7.0, -1, 1, 0.0},
  };
  for (const auto& [stored, shown, chosen, result] : cases) {
    SCOPED_TRACE(stored);
    Para().m_dZeroByZero = stored;
    RunDialog(
        [&](CParamDialog& dialog) {
          auto* list = Control<QComboBox>(dialog, "zeroByZero");
          EXPECT_EQ(list->currentIndex(), shown);
          if (chosen >= 0) list->setCurrentIndex(chosen);
        },
        true);
    EXPECT_EQ(Para().m_dZeroByZero, result);
  }
  EXPECT_EQ(g_ShareData.m_nState.load(), DS_IDLE);  // no style change: no clear

  // Cancel keeps only the background choice.
  CParaData expected = Para();
  expected.m_nBackColor = BACK_WHITE;
  RunDialog(
      [&](CParamDialog& dialog) {
        auto* back = Control<QComboBox>(dialog, "backColour");
        EXPECT_FALSE(back->isEditable());
        EXPECT_EQ(back->currentIndex(), BACK_BLACK);
        back->setCurrentIndex(BACK_WHITE);
        Set(dialog, "range", "50");
      },
      false);
  EXPECT_EQ(StoreParaData(Para()), StoreParaData(expected));
}

}  // namespace
