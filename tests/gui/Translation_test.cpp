// The window in English: every Japanese text of the program has a finished
// translation, core's messages come out in English with their values, the
// language comes from the option or else the INI file, the window, its
// dialogs, messages, status texts and help speak it, and the English help
// page covers what the Japanese one does.
#include <QAbstractButton>
#include <QComboBox>
#include <QDirIterator>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QRegularExpression>
#include <QTextBrowser>
#include <QXmlStreamReader>
#include <algorithm>
#include <cerrno>
#include <map>
#include <set>

#include "GuiTestSupport.h"
#include "core/Formula.h"
#include "core/NumericEntry.h"
#include "core/ParaData.h"
#include "gui/Language.h"

namespace {

const QString kSourceDir = QStringLiteral(ORVEX_SOURCE_DIR);

// Kana, kanji, Japanese punctuation, full- and half-width forms.
const QRegularExpression kJapanese(
    QStringLiteral(R"([\x{3000}-\x{30FF}\x{4E00}-\x{9FFF}\x{FF00}-\x{FFEF}])"));
bool HasJapanese(const QString& text) { return text.contains(kJapanese); }

// The string literals of C++ source beyond ASCII, adjacent ones joined as the
// compiler joins them; comments and character literals skipped.
std::vector<std::string> NonAsciiLiterals(const std::string& code) {
  // Matched one after another from the left, so that a quote in a comment or
  // a comment's slashes in a string are taken for what they are.
  static const QRegularExpression kTokens(QStringLiteral(
      R"re(//[^\n]*|/\*[\s\S]*?\*/|(?<!\w)'(?:[^'\\\n]|\\.)*'|R"([^(]*)\(([\s\S]*?)\)\1"|"((?:[^"\\\n]|\\.)*)")re"));
  const QString text = QString::fromStdString(code);
  std::vector<std::string> found;
  QString literal;
  qsizetype end = -1;  // where the literal being joined ends
  const auto close = [&] {
    if (std::any_of(literal.begin(), literal.end(), [](QChar c) { return c.unicode() > 0x7F; }))
      found.push_back(literal.toStdString());
    literal.clear();
  };
  for (const auto& token : kTokens.globalMatch(text)) {
    if (token.captured().startsWith('/')) continue;
    if (end < 0 || !text.mid(end, token.capturedStart() - end).trimmed().isEmpty()) close();
    end = -1;
    if (token.captured().startsWith('\'')) continue;
    QString part = token.captured(2) + token.captured(3);  // raw, or with escapes
    for (qsizetype k = token.capturedLength(3) > 0 ? part.indexOf('\\') : -1; k >= 0;
         k = part.indexOf('\\', k + 1)) {
      const QChar next = part[k + 1];
      part.replace(k, 2, next == 'n' ? QChar('\n') : next == 't' ? QChar('\t') : next);
    }
    literal += part;
    end = token.capturedEnd();
  }
  close();
  return found;
}

struct TsEntry {
  QString translation;
  bool finished = false;
};

std::map<QString, TsEntry> ReadTs(const QString& path) {
  QFile file(path);
  EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
  QXmlStreamReader xml(&file);
  std::map<QString, TsEntry> entries;
  QString source;
  while (!xml.atEnd()) {
    if (xml.readNext() != QXmlStreamReader::StartElement) continue;
    if (xml.name() == u"source") {
      source = xml.readElementText();
    } else if (xml.name() == u"translation") {
      // "unfinished", "vanished" and "obsolete" are all not done.
      const bool finished = xml.attributes().value(QLatin1String("type")).isEmpty();
      entries[source] = {xml.readElementText(), finished};
    }
  }
  EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
  return entries;
}

// "%1", "%2"... in order of their numbers.
QStringList Placeholders(const QString& text) {
  QStringList found;
  for (const auto& match : QRegularExpression(QStringLiteral("%[1-9]")).globalMatch(text))
    found << match.captured();
  found.sort();
  return found;
}

// The menu mnemonics: an "&" before anything but another "&".
int Mnemonics(QString text) {
  text.replace(QStringLiteral("&&"), QString());
  return static_cast<int>(text.count(QRegularExpression(QStringLiteral("&."))));
}

TEST(TranslationTest, EveryJapaneseTextInTheSourcesHasAFinishedEnglishOne) {
  const std::map<QString, TsEntry> entries = ReadTs(kSourceDir + "/res/i18n/orvex_en.ts");
  std::set<QString> texts;
  std::set<QString> coreWithValues;
  for (const QString folder : {"src/core", "src/render", "src/gui"}) {
    QDirIterator files(kSourceDir + "/" + folder, {"*.h", "*.cpp"}, QDir::Files,
                       QDirIterator::Subdirectories);
    while (files.hasNext()) {
      QFile file(files.next());
      ASSERT_TRUE(file.open(QIODevice::ReadOnly));
      for (const std::string& literal : NonAsciiLiterals(file.readAll().toStdString())) {
        const QString text = QString::fromStdString(literal);
        texts.insert(text);
        if (folder == "src/core" && text.contains('%')) coreWithValues.insert(text);
      }
    }
  }
  ASSERT_GT(texts.size(), 100u) << "the scan missed the tables";

  QStringList missing;
  for (const QString& text : texts) {
    const auto entry = entries.find(text);
    if (entry == entries.end() || !entry->second.finished || entry->second.translation.isEmpty()) {
      missing << "<message><source>" + text.toHtmlEscaped() +
                     "</source><translation></translation></message>";
      continue;
    }
    const QString& english = entry->second.translation;
    SCOPED_TRACE(text.toStdString() + " => " + english.toStdString());
    EXPECT_FALSE(HasJapanese(english));
    EXPECT_EQ(Placeholders(english), Placeholders(text));
    EXPECT_EQ(Mnemonics(english), Mnemonics(text));
  }
  EXPECT_TRUE(missing.isEmpty()) << "add to res/i18n/orvex_en.ts, with the English filled in:\n"
                                 << missing.join('\n').toStdString();

  // Core's messages with a value in them are found by their pattern.
  std::set<QString> listed;
  for (const char* pattern : ParameterisedMessages()) listed.insert(QString::fromUtf8(pattern));
  EXPECT_EQ(listed, coreWithValues);
}

TEST(TranslationTest, CoreMessagesComeOutInEnglishWithTheirValues) {
  const CTranslation english(Language::English);
  const std::string path = "/tmp/a%2 b.ovx";  // a "%2" must stay as it is
  std::vector<std::string> messages = {PARAFILE_BAD_FORMAT, PARA_NOT_DRAWABLE_MESSAGE,
                                       FORMULA_TOO_LONG_MESSAGE, MaxCharsMessage(128)};
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
  for (const NumericField& field : {kAngleField, kScaleField, kMeshField}) {
    for (const char* typed : {"x", "1e9"}) {
      double value = 0.0;
      std::string message;
      CheckEntry(typed, field, &value, &message);
      messages.push_back(message);
    }
  }
  for (const std::string& message : messages) {
    const QString shown = TrMessage(QString::fromStdString(message));
    SCOPED_TRACE(message + " => " + shown.toStdString());
    EXPECT_FALSE(HasJapanese(shown));
    if (message.find(path) != std::string::npos) {
      EXPECT_TRUE(shown.contains(path.c_str()));
    }
  }
  EXPECT_EQ(TrMessage(QString::fromStdString(ParaFileErrorMessage(ENOENT, path, ParaFileOp::Open))),
            "/tmp/a%2 b.ovx was not found.");
  EXPECT_EQ(TrMessage(QString::fromStdString(MaxCharsMessage(128))),
            "Please enter at most 128 characters.");
  std::string outOfRange;
  double value = 0.0;
  CheckEntry("0", kMeshField, &value, &outOfRange);
  EXPECT_EQ(TrMessage(QString::fromStdString(outOfRange)),
            "Please enter an integer between 1 and 500.");
}

// The help page's skeleton: its headings, table rows, anchors and links in
// order, one a line so that a failure shows where the pages part. A feature
// documented on one page only shows up as a difference.
std::string HelpOutline(const QString& path) {
  QFile file(path);
  EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
  static const QRegularExpression kParts(
      QStringLiteral(R"(<h[23]|<tr|name="[^"]*"|href="#[^"]*")"));
  QStringList parts;
  for (const auto& match : kParts.globalMatch(QString::fromUtf8(file.readAll())))
    parts << match.captured();
  return parts.join('\n').toStdString();
}

TEST(TranslationTest, TheEnglishHelpHasTheSectionsTablesAndLinksOfTheJapanese) {
  const std::string japanese = HelpOutline(kSourceDir + "/res/help/index.html");
  ASSERT_GT(std::count(japanese.begin(), japanese.end(), '\n'), 100);
  EXPECT_EQ(HelpOutline(kSourceDir + "/res/help/en/index.html"), japanese);
}

class EnglishWindowTest : public GuiTest {
 protected:
  // What a window and everything in it show the user as text.
  static QStringList TextsOf(const QWidget* root) {
    QStringList texts{root->windowTitle()};
    for (const QAction* action : root->findChildren<QAction*>())
      texts << action->text() << action->toolTip() << action->statusTip();
    for (const QWidget* widget : root->findChildren<QWidget*>()) {
      texts << widget->toolTip() << widget->statusTip();
      if (const auto* label = qobject_cast<const QLabel*>(widget)) texts << label->text();
      if (const auto* button = qobject_cast<const QAbstractButton*>(widget))
        texts << button->text();
      if (const auto* menu = qobject_cast<const QMenu*>(widget)) texts << menu->title();
      if (const auto* list = qobject_cast<const QComboBox*>(widget)) {
        for (int k = 0; k < list->count(); ++k) texts << list->itemText(k);
      }
    }
    return texts;
  }
  QString FileMenu() const { return Frame()->menuBar()->actions().value(0)->text(); }
};

TEST_F(EnglishWindowTest, TheWindowItsDialogsMessagesAndHelpSpeakEnglish) {
  Launch({"--lang", "en"});
  QStringList menus;
  for (const QAction* menu : Frame()->menuBar()->actions()) menus << menu->text();
  EXPECT_EQ(menus, QStringList({"&File", "&Edit", "&Start/Settings", "&View", "&Help"}));
  EXPECT_EQ(Frame()->windowTitle(), "Orvexa - 3D Mesh/Contour Plot of f(x,y)");
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
  const qreal ratio = View()->devicePixelRatioF();
  const QString readout =
      View()->ReadoutAt(QPointF(pixel % picture.width, pixel / picture.width) / ratio);
  EXPECT_TRUE(readout.contains("  contour=")) << readout.toStdString();
  ASSERT_TRUE(StopAndWaitForEnd());
  EXPECT_EQ(Status()->MessageText(), "Computation finished.");

  Command(ID_HELP_FINDER);
  const auto* help = Frame()->findChild<QTextBrowser*>("help");
  ASSERT_NE(help, nullptr);
  EXPECT_EQ(help->windowTitle(), "Orvex Help");
  EXPECT_EQ(help->documentTitle(), "Orvex Help");
  EXPECT_FALSE(HasJapanese(help->toPlainText()));
}

TEST_F(EnglishWindowTest, TheOptionChoosesTheLanguageElseTheIniFileElseJapanese) {
  // INI file, arguments, the File menu's title (none: refused), and Qt's own
  // Cancel button.
  const struct {
    const char* ini;
    QStringList arguments;
    const char* fileMenu;
    const char* qtCancel;
  } cases[] = {
      {"", {}, "ﾌｧｲﾙ(&F)", "キャンセル"},
      {"[Settings]\nLanguage=en\n", {}, "&File", "Cancel"},
      {"[Settings]\nLanguage=en\n", {"--lang", "ja"}, "ﾌｧｲﾙ(&F)", "キャンセル"},
      {"[Settings]\nLanguage=ja\n", {"--lang", "en"}, "&File", "Cancel"},
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
      EXPECT_EQ(FileMenu(), fileMenu);
      EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), qtCancel);
    }
    m_app.reset();
  }
}

}  // namespace
