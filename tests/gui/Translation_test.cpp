// The window in English: the translation is complete, core's messages come
// out in English with their values, the language comes from the option or
// else the INI file, and the window, its dialogs, messages and help speak it.
#include <QAbstractButton>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QProcess>
#include <QRegularExpression>
#include <QTextBrowser>
#include <QXmlStreamReader>
#include <algorithm>
#include <cerrno>

#include "GuiTestSupport.h"
#include "core/Formula.h"
#include "core/NumericEntry.h"
#include "core/ParaData.h"
#include "gui/Language.h"

namespace {

const QString kSourceDir = QStringLiteral(ORVEX_SOURCE_DIR);
const QString kTsFile = kSourceDir + "/res/i18n/orvex_en.ts";

// Kana, kanji, Japanese punctuation, full- and half-width forms.
const QRegularExpression kJapanese(
    QStringLiteral(R"([\x{3000}-\x{30FF}\x{4E00}-\x{9FFF}\x{FF00}-\x{FFEF}])"));

QByteArray ReadAll(const QString& path) {
  QFile file(path);
  EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
  return file.readAll();
}

// The "%n" placeholders, sorted, and the count of menu mnemonics (an "&"
// before anything but another "&"): a translation keeps both.
std::pair<QStringList, qsizetype> Marks(QString text) {
  QStringList placeholders;
  for (const auto& match : QRegularExpression(QStringLiteral("%[1-9]")).globalMatch(text))
    placeholders << match.captured();
  placeholders.sort();
  text.remove(QStringLiteral("&&"));
  return {placeholders, text.count(QRegularExpression(QStringLiteral("&.")))};
}

// Every entry is finished, keeps its placeholders and mnemonics, and
// lupdate over the sources, into a copy of the file, changes nothing.
TEST(TranslationTest, EveryEntryIsFinishedAndLupdateFindsNothingNew) {
  QXmlStreamReader xml(ReadAll(kTsFile));
  QString source;
  int entries = 0;
  while (!xml.atEnd()) {
    if (xml.readNext() != QXmlStreamReader::StartElement) continue;
    if (xml.name() == u"source") source = xml.readElementText();
    if (xml.name() != u"translation") continue;
    ++entries;
    // "unfinished", "vanished" and "obsolete" are all not done.
    const bool finished = xml.attributes().value(QLatin1String("type")).isEmpty();
    const QString english = xml.readElementText();
    SCOPED_TRACE(source.toStdString() + " => " + english.toStdString());
    EXPECT_TRUE(finished && !english.isEmpty() && !english.contains(kJapanese));
    EXPECT_EQ(Marks(english), Marks(source));
  }
  EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
  EXPECT_GT(entries, 100);
#ifdef ORVEX_LUPDATE
  QTemporaryDir dir;
  const QString copy = dir.filePath(QStringLiteral("orvex_en.ts"));
  ASSERT_TRUE(QFile::copy(kTsFile, copy));
  QProcess lupdate;
  lupdate.start(QStringLiteral(ORVEX_LUPDATE),
                {"-silent", "-locations", "none", kSourceDir + "/src", "-ts", copy});
  ASSERT_TRUE(lupdate.waitForFinished(60000));
  ASSERT_EQ(lupdate.exitCode(), 0) << lupdate.readAllStandardError().toStdString();
  QStringList changed = QString::fromUtf8(ReadAll(copy)).split('\n');
  for (const QString& line : QString::fromUtf8(ReadAll(kTsFile)).split('\n'))
    changed.removeOne(line);
  EXPECT_TRUE(ReadAll(copy) == ReadAll(kTsFile))
      << "run lupdate -locations none src -ts res/i18n/orvex_en.ts and translate:\n"
      << changed.join('\n').toStdString();
#endif
}

TEST(TranslationTest, CoreMessagesComeOutInEnglishWithTheirValues) {
  const CTranslation english(Language::English);
  const std::string path = "/tmp/a%2 b.ovx";  // a "%2" must stay as it is
  std::vector<std::string> messages = {
      PARAFILE_BAD_FORMAT,  PARA_NOT_DRAWABLE_MESSAGE,      FORMULA_TOO_LONG_MESSAGE,
      MaxCharsMessage(128), FORMULA_NOTE_SIGN_BEFORE_POWER, FORMULA_NOTE_CHAINED_POWER};
  for (FormulaCheck check :
       {FormulaCheck::Empty, FormulaCheck::InvalidCharacter, FormulaCheck::InvalidFormula})
    messages.push_back(FormulaCheckMessage(check));
  for (RunProblem problem : {RunProblem::NoGrid, RunProblem::TooManyContourLines,
                             RunProblem::NoContext, RunProblem::Failed})
    messages.push_back(RunProblemMessage(problem));
  // Every errno, so that a text added for one more is caught too.
  for (int err = 1; err < 134; ++err) {
    for (ParaFileOp op : {ParaFileOp::Open, ParaFileOp::Save})
      messages.push_back(ParaFileErrorMessage(err, path, op));
  }
  // Not a number, out of range or no integer; the mesh's "0" last, for its
  // values below.
  for (const NumericField& field : {kAngleField, kScaleField, kMeshField}) {
    for (const char* typed : {"x", "1e9", "0"}) {
      double value = 0.0;
      CheckEntry(typed, field, &value, &messages.emplace_back());
    }
  }
  for (const std::string& message : messages) {
    const QString shown = TrMessage(QString::fromStdString(message));
    SCOPED_TRACE(message + " => " + shown.toStdString());
    EXPECT_FALSE(shown.contains(kJapanese));
    EXPECT_EQ(shown.contains(path.c_str()), message.find(path) != std::string::npos);
  }
  EXPECT_EQ(TrMessage(QString::fromStdString(ParaFileErrorMessage(ENOENT, path, ParaFileOp::Open))),
            "/tmp/a%2 b.ovx was not found.");
  EXPECT_EQ(TrMessage(QString::fromStdString(messages.back())),
            "Please enter an integer between 1 and 500.");
}

// The help page's skeleton: its headings, table rows, anchors and links in
// order, one a line so that a failure shows where the pages part.
std::string HelpOutline(const QString& path) {
  static const QRegularExpression kParts(
      QStringLiteral(R"(<h[23]|<tr|name="[^"]*"|href="#[^"]*")"));
  QStringList parts;
  for (const auto& match : kParts.globalMatch(QString::fromUtf8(ReadAll(path))))
    parts << match.captured();
  return parts.join('\n').toStdString();
}

TEST(TranslationTest, TheEnglishHelpHasTheSectionsTablesAndLinksOfTheJapanese) {
  const std::string japanese = HelpOutline(kSourceDir + "/res/help/index.html");
  ASSERT_GT(std::count(japanese.begin(), japanese.end(), '\n'), 100);
  EXPECT_EQ(HelpOutline(kSourceDir + "/res/help/en/index.html"), japanese);
}

// What a window and everything in it show the user as text.
QStringList TextsOf(const QWidget* root) {
  QStringList texts{root->windowTitle()};
  for (const QAction* action : root->findChildren<QAction*>())
    texts << action->text() << action->toolTip() << action->statusTip();
  for (const QWidget* widget : root->findChildren<QWidget*>()) {
    texts << widget->toolTip() << widget->statusTip();
    if (const auto* label = qobject_cast<const QLabel*>(widget)) texts << label->text();
    if (const auto* button = qobject_cast<const QAbstractButton*>(widget)) texts << button->text();
    if (const auto* menu = qobject_cast<const QMenu*>(widget)) texts << menu->title();
    if (const auto* list = qobject_cast<const QComboBox*>(widget)) {
      for (int k = 0; k < list->count(); ++k) texts << list->itemText(k);
    }
  }
  return texts;
}

TEST_F(GuiTest, InEnglishTheWindowItsDialogsMessagesAndHelpHaveNoJapanese) {
  Launch({"--lang", "en"});
  EXPECT_EQ(TextsOf(Frame()).filter(kJapanese), QStringList());
  QStringList dialogTexts;
  m_onModal = [&](QDialog& dialog) {
    dialogTexts << TextsOf(&dialog);
    return static_cast<int>(QDialog::Rejected);
  };
  Command(ID_PARAM_SET);
  Command(ID_APP_ABOUT);
  EXPECT_EQ(m_modalTitles, (std::vector<QString>{"Parameters", "About Orvex"}));
  EXPECT_EQ(dialogTexts.filter(kJapanese), QStringList());

  // A file message from core with its path, and the formula check's.
  EXPECT_FALSE(m_app->OpenDocumentFile(QPath("absent.ovx")));
  CFormulaEdit* box = Frame()->ToolBar()->FormulaBox();
  box->setText("x+");
  EXPECT_EQ(box->FaultNote(), "Invalid formula! (at character 3)");
  QTest::keyClick(box, Qt::Key_Return);
  EXPECT_EQ(TakeMessages(),
            QStringList({QPath("absent.ovx") + " was not found.", "Invalid formula!"}));

  // The readout of a fitted contour picture, whose level once bypassed the
  // translation.
  EditPara([&](CParaData& p) { p.m_nMesh = 8, p.m_nDrawStyle = STYLE_CONTOUR; });
  Model()->SetFit(true);
  ASSERT_TRUE(StartAndWaitForPicture());
  EXPECT_EQ(Status()->MessageText(), "Computing...");
  const ::Frame& picture = View()->LastFrame();
  const auto drawn = std::find_if(picture.depth.begin(), picture.depth.end(),
                                  [](float depth) { return depth < 1.0f; });
  ASSERT_NE(drawn, picture.depth.end());
  const auto pixel = static_cast<int>(drawn - picture.depth.begin());
  const QString readout = View()->ReadoutAt(QPointF(pixel % picture.width, pixel / picture.width) /
                                            View()->devicePixelRatioF());
  EXPECT_TRUE(readout.contains("  contour=")) << readout.toStdString();
  ASSERT_TRUE(StopAndWaitForEnd());
  EXPECT_EQ(Status()->MessageText(), "Computation finished.");

  Command(ID_HELP_FINDER);
  const auto* help = Frame()->findChild<QTextBrowser*>("help");
  ASSERT_NE(help, nullptr);
  EXPECT_EQ(help->windowTitle(), "Orvex Help");
  EXPECT_FALSE(help->toPlainText().contains(kJapanese));
}

TEST_F(GuiTest, TheLanguageOptionWinsOverTheIniFileAndJapaneseIsTheDefault) {
  // INI file, arguments, the File menu's title (none: refused), and Qt's own
  // Cancel button.
  const std::tuple<const char*, QStringList, const char*, const char*> cases[] = {
      {"", {}, "ﾌｧｲﾙ(&F)", "キャンセル"},
      {"[Settings]\nLanguage=en\n", {}, "&File", "Cancel"},
      {"[Settings]\nLanguage=en\n", {"--lang", "ja"}, "ﾌｧｲﾙ(&F)", "キャンセル"},
      {"[Settings]\nLanguage=fr\n", {}, "ﾌｧｲﾙ(&F)", "キャンセル"},
      {"", {"--lang", "fr"}, nullptr, nullptr},
      {"", {"--lang"}, nullptr, nullptr},
  };
  for (const auto& [ini, arguments, fileMenu, qtCancel] : cases) {
    SCOPED_TRACE(std::string(ini) + arguments.join(' ').toStdString());
    std::ofstream(Path("orvex.ini")) << ini;
    m_app = std::make_unique<COrvexApp>(QPath("orvex.ini"));
    const bool started = m_app->InitInstance(arguments);
    EXPECT_EQ(started, fileMenu != nullptr);
    if (started) {
      EXPECT_EQ(Frame()->menuBar()->actions().value(0)->text(), fileMenu);
      EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), qtCancel);
    }
    m_app.reset();
  }
}

}  // namespace
