// The window in English: the translation is complete, and the window, its
// dialogs and messages speak it.
#include <QAbstractButton>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QXmlStreamReader>

#include "GuiTestSupport.h"

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

// Every entry is finished, and lupdate over the sources, into a copy of the
// file, changes nothing.
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
  EXPECT_TRUE(ReadAll(copy) == ReadAll(kTsFile))
      << "run lupdate -locations none src -ts res/i18n/orvex_en.ts and translate";
#endif
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

// In English the window, its dialogs and a message of core's have no
// Japanese.
TEST_F(GuiTest, InEnglishTheWindowItsDialogsAndMessagesHaveNoJapanese) {
  Launch({"--lang", "en"});
  QStringList texts = TextsOf(Frame());
  m_onModal = [&](QDialog& dialog) {
    texts << TextsOf(&dialog);
    EXPECT_TRUE(dialog.findChild<QPushButton*>()->isDefault());  // Enter answers it
    return static_cast<int>(QDialog::Rejected);
  };
  Command(ID_PARAM_SET);
  Command(ID_APP_ABOUT);
  EXPECT_EQ(m_modalTitles, (std::vector<QString>{"Parameters", "About Orvex"}));
  EXPECT_EQ(texts.filter(kJapanese), QStringList());
  EXPECT_FALSE(m_app->OpenDocumentFile(QPath("absent.ovx")));
  EXPECT_EQ(TakeMessages(), QStringList{QPath("absent.ovx") + " was not found."});
}

}  // namespace
