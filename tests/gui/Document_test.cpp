// Files from the window: the caption, opening good and bad parameter files,
// saving and its faults, the recent-file list, and the image save.
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QRegularExpression>
#include <QSettings>
#include <QTextBrowser>
#include <filesystem>

#include "GuiTestSupport.h"
#include "core/ParaFile.h"
#include "core/ShareData.h"
#include "gui/CommandIds.h"
#include "gui/FormulaToolBar.h"
#include "gui/MainFrame.h"
#include "gui/OrvexApp.h"
#include "gui/OrvexDoc.h"
#include "gui/OrvexView.h"
#include "gui/ParamBar.h"

namespace fs = std::filesystem;

namespace {

const QString kProgramTitle = QStringLiteral(" - f(x,y)関数の 3Dﾒｯｼｭ/等高線 表示");

std::uint32_t Le32(const std::vector<std::uint8_t>& bytes, std::size_t at) {
  return bytes[at] | (bytes[at + 1] << 8) | (bytes[at + 2] << 16) |
         (static_cast<std::uint32_t>(bytes[at + 3]) << 24);
}

class DocumentTest : public GuiTest {
 protected:
  void WriteSet(const std::string& name, const CParaData& para) {
    std::string error;
    ASSERT_TRUE(SaveParaFile(Path(name), para, &error)) << error;
  }
  void WriteBytes(const std::string& name, const std::string& bytes) {
    QFile file(QPath(name));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes.data(), static_cast<qint64>(bytes.size()));
  }
  void Open(const std::string& name) {
    m_fileAnswers.push_back(QPath(name));
    Command(ID_FILE_OPEN);
  }
  void SaveAs(const std::string& name) {
    m_fileAnswers.push_back(QPath(name));
    Command(ID_FILE_SAVE_AS);
  }
  QStringList IniRecentFiles() {
    QSettings settings(QPath("orvex.ini"), QSettings::IniFormat);
    QStringList files;
    for (int k = 1; k <= 4; ++k) {
      const QString path =
          settings.value(QStringLiteral("Recent File List/File%1").arg(k)).toString();
      if (!path.isEmpty()) files << path;
    }
    return files;
  }
};

TEST_F(DocumentTest, StartUpShowsTheUntitledCaptionTheDefaultsAndTheClock) {
  Launch();
  EXPECT_EQ(Frame()->windowTitle(), QStringLiteral("Orvexa") + kProgramTitle);
  EXPECT_EQ(Frame()->MessageText(), QStringLiteral("ﾚﾃﾞｲ"));
  EXPECT_EQ(g_ShareData.m_nState.load(), DS_IDLE);
  EXPECT_TRUE(SameColour(Paint(), 3, 3, QColor(128, 184, 176)));
  ASSERT_TRUE(WaitUntil([&] { return !Frame()->m_wndParamBar->isHidden(); }));
  EXPECT_EQ(Frame()->m_wndParamBar->FieldText(CParamBar::UpDown), QStringLiteral("-20"));
  EXPECT_EQ(Frame()->m_wndParamBar->FieldText(CParamBar::Mesh), QStringLiteral("32"));
  EXPECT_EQ(Frame()->m_wndToolBar->FormulaBox()->text(), QString::fromUtf8(DEFAULT_FORMULA));
  EXPECT_FALSE(Frame()->Running());
}

TEST_F(DocumentTest, OpeningAFileShowsItsValuesClearsThePictureAndStartsNothing) {
  WriteSet("good.ovx", SampleSet());
  Launch();
  Open("good.ovx");
  EXPECT_TRUE(m_messages.empty());
  EXPECT_EQ(StoreParaData(Frame()->m_para), StoreParaData(SampleSet()));
  EXPECT_EQ(Frame()->windowTitle(), QStringLiteral("good.ovx") + kProgramTitle);
  const QImage shown = Paint();
  EXPECT_EQ(g_ShareData.m_nState.load(), DS_IDLE);
  EXPECT_TRUE(SameColour(shown, shown.width() / 2, shown.height() / 2, QColor(128, 176, 184)));
  EXPECT_EQ(Frame()->m_wndParamBar->FieldText(CParamBar::Mesh), QStringLiteral("40"));
  EXPECT_EQ(Frame()->m_wndParamBar->FieldText(CParamBar::ContourStep), QStringLiteral("0.25"));
  EXPECT_EQ(Frame()->m_wndToolBar->FormulaBox()->text(), QStringLiteral("x*y"));
  EXPECT_FALSE(Frame()->Running());
}

TEST_F(DocumentTest, ABadFileGivesItsMessageAndLeavesTheParameters) {
  WriteBytes("junk.ovx", "not a parameter file at all");
  std::vector<std::uint8_t> cut = StoreParaData(SampleSet());
  WriteBytes("cut.ovx", std::string(cut.begin(), cut.end() - 5));
  fs::create_directory(Path("folder.ovx"));
  const struct {
    const char* name;
    QString message;
  } cases[] = {
      {"missing.ovx", QPath("missing.ovx") + QStringLiteral(" が見つかりませんでした。")},
      {"junk.ovx", QStringLiteral("予期しないﾌｧｲﾙ形式です。")},
      {"cut.ovx", QStringLiteral("予期しないﾌｧｲﾙ形式です。")},
      {"folder.ovx", QStringLiteral("ﾄﾞｷｭﾒﾝﾄを開くことに失敗しました。")},
  };
  Launch();
  Frame()->m_para.m_dRange = 7.5;
  const std::vector<std::uint8_t> before = StoreParaData(Frame()->m_para);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    m_messages.clear();
    Open(c.name);
    ASSERT_EQ(m_messages.size(), 1u);
    EXPECT_EQ(m_messages[0], c.message);
    EXPECT_EQ(StoreParaData(Frame()->m_para), before);
    EXPECT_EQ(g_ShareData.m_nState.load(), DS_IDLE);
  }
  // Cancelling the dialog: untitled, parameters as they were.
  Command(ID_FILE_OPEN);
  EXPECT_EQ(Frame()->windowTitle(), QStringLiteral("Orvexa") + kProgramTitle);
  EXPECT_EQ(StoreParaData(Frame()->m_para), before);
}

TEST_F(DocumentTest, SavedFilesReopenToTheSameBytes) {
  Launch();
  Frame()->m_para = SampleSet();
  SaveAs("saved.ovx");
  ASSERT_EQ(m_fileRequests.size(), 1u);
  EXPECT_EQ(m_fileRequests[0].suggestion, QStringLiteral("Orvexa.ovx"));
  EXPECT_EQ(m_fileRequests[0].defaultSuffix, QStringLiteral("ovx"));
  EXPECT_EQ(Frame()->windowTitle(), QStringLiteral("saved.ovx") + kProgramTitle);
  const std::vector<std::uint8_t> saved = ReadFile(Path("saved.ovx"));
  EXPECT_EQ(saved, StoreParaData(SampleSet()));

  // Save of a titled document writes to its file without asking.
  Frame()->m_para.m_nMesh = 77;
  Command(ID_FILE_SAVE);
  EXPECT_EQ(m_fileRequests.size(), 1u);
  Frame()->m_para = CParaData();
  Open("saved.ovx");
  EXPECT_EQ(Frame()->m_para.m_nMesh, 77);
  Frame()->m_para.m_nMesh = 40;
  Command(ID_FILE_SAVE);
  EXPECT_EQ(ReadFile(Path("saved.ovx")), saved);
  EXPECT_TRUE(m_messages.empty());
}

TEST_F(DocumentTest, AFailedSaveKeepsTheOldFileAndTheTitle) {
  fs::create_directory(Path("target.ovx"));
  Launch();
  SaveAs("nowhere/set.ovx");
  SaveAs("target.ovx");
  ASSERT_EQ(m_messages.size(), 2u);
  EXPECT_EQ(m_messages[0], QPath("nowhere/set.ovx") + QStringLiteral(" が見つかりませんでした。"));
  EXPECT_EQ(m_messages[1], QStringLiteral("ﾄﾞｷｭﾒﾝﾄの保存に失敗しました。"));
  EXPECT_EQ(Frame()->windowTitle(), QStringLiteral("Orvexa") + kProgramTitle);
  // Nothing left behind: the folder holds what it held.
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(Path(""))) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"target.ovx"}));
}

TEST_F(DocumentTest, TheRecentFileListKeepsFourNewestFirstInTheIniFile) {
  for (const char* name : {"a.ovx", "b.ovx", "c.ovx", "d.ovx", "e.ovx"})
    WriteSet(name, SampleSet());
  Launch();
  EXPECT_FALSE(Frame()->RecentAction(0)->isVisible());
  for (const char* name : {"a.ovx", "b.ovx", "c.ovx", "d.ovx", "e.ovx"}) Open(name);
  SaveAs("c.ovx");
  const QStringList expected = {QPath("c.ovx"), QPath("e.ovx"), QPath("d.ovx"), QPath("b.ovx")};
  EXPECT_EQ(IniRecentFiles(), expected);
  QFile ini(QPath("orvex.ini"));
  ASSERT_TRUE(ini.open(QIODevice::ReadOnly));
  const QString text = QString::fromUtf8(ini.readAll());
  EXPECT_TRUE(text.contains(QStringLiteral("[Recent File List]"))) << text.toStdString();
  EXPECT_TRUE(text.contains(QStringLiteral("File1=") + QPath("c.ovx"))) << text.toStdString();

  // The next start of the program shows the same list; an entry that cannot
  // be opened any more goes from it.
  m_app.reset();
  g_ShareData.m_nState.store(DS_INITIAL);
  Launch();
  EXPECT_EQ(Frame()->RecentAction(1)->text(), QStringLiteral("&2 ") + QPath("e.ovx"));
  QFile::remove(QPath("e.ovx"));
  Frame()->RecentAction(1)->trigger();
  ASSERT_EQ(m_messages.size(), 1u);
  EXPECT_EQ(IniRecentFiles(), (QStringList{QPath("c.ovx"), QPath("d.ovx"), QPath("b.ovx")}));
  Frame()->RecentAction(2)->trigger();
  EXPECT_EQ(Frame()->windowTitle(), QStringLiteral("b.ovx") + kProgramTitle);
}

TEST_F(DocumentTest, OpeningARecentFileDuringARunStopsTheRunFirst) {
  WriteSet("contour.ovx", SampleSet());
  Launch();
  Open("contour.ovx");
  Frame()->m_para.m_nDrawStyle = STYLE_MESH;
  ASSERT_TRUE(StartAndWaitForPicture());
  Frame()->RecentAction(0)->trigger();
  EXPECT_EQ(Frame()->m_para.m_nDrawStyle, STYLE_CONTOUR);
  ASSERT_TRUE(WaitUntil([&] { return !Frame()->Running(); }));
  // The load's clear wins over the ending thread and any late picture.
  const QImage shown = Paint();
  EXPECT_EQ(g_ShareData.m_nState.load(), DS_IDLE);
  EXPECT_EQ(shown.pixelColor(shown.width() / 2, shown.height() / 2), QColor(128, 176, 184));
}

TEST_F(DocumentTest, ImageSaveWritesTheViewsPixelsBottomRowFirst) {
  Launch();
  Frame()->m_para.m_nMesh = 8;
  View()->setFixedSize(301, 200);
  ASSERT_TRUE(WaitUntil([&] { return View()->size() == QSize(301, 200); }));
  ASSERT_TRUE(StartAndWaitForPicture());
  ASSERT_TRUE(StopAndWaitForEnd());
  const QImage shown = View()->ShownPicture();
  m_fileAnswers.push_back(QPath("view.bmp"));
  Command(ID_SAVE_IMAGE);
  ASSERT_EQ(m_fileRequests.size(), 1u);
  EXPECT_EQ(m_fileRequests[0].mode, FileRequest::Save);
  EXPECT_EQ(m_fileRequests[0].filters, QStringLiteral("ﾋﾞｯﾄﾏｯﾌﾟ (*.bmp)"));
  const std::vector<std::uint8_t> bmp = ReadFile(Path("view.bmp"));
  ASSERT_EQ(bmp.size(), 180854u);
  EXPECT_EQ(bmp[0], 'B');
  EXPECT_EQ(bmp[1], 'M');
  EXPECT_EQ(Le32(bmp, 2), 180854u);
  EXPECT_EQ(Le32(bmp, 10), 54u);
  EXPECT_EQ(Le32(bmp, 18), 301u);
  EXPECT_EQ(Le32(bmp, 22), 200u);
  EXPECT_EQ(bmp[28], 24);
  EXPECT_EQ(Le32(bmp, 34), 180800u);
  // Row r of the file is row 199 - r of the view; blue, green, red per pixel.
  int mismatches = 0;
  for (int r = 0; r < 200; ++r) {
    for (int x = 0; x < 301; ++x) {
      const std::size_t at =
          54 + static_cast<std::size_t>(r) * 904 + static_cast<std::size_t>(x) * 3;
      const QColor expected = shown.pixelColor(x, 199 - r);
      mismatches += bmp[at] != expected.blue() || bmp[at + 1] != expected.green() ||
                    bmp[at + 2] != expected.red();
    }
  }
  EXPECT_EQ(mismatches, 0);
  EXPECT_NE(shown.pixelColor(150, 100), QColor(128, 184, 176));  // a picture, not the idle fill

  // A cancelled dialog writes nothing; a file that cannot be written says so.
  Command(ID_SAVE_IMAGE);
  m_fileAnswers.push_back(QPath("missing/view.bmp"));
  Command(ID_SAVE_IMAGE);
  EXPECT_FALSE(QFileInfo::exists(QPath("missing")));
  ASSERT_EQ(m_messages.size(), 1u);
  EXPECT_EQ(m_messages[0], QPath("missing/view.bmp") + QStringLiteral(" が見つかりませんでした。"));
}

TEST_F(DocumentTest, StartingWithAFileOpensItAndWithABadOneEnds) {
  WriteSet("arg.ovx", SampleSet());
  Launch({QPath("arg.ovx")});
  EXPECT_EQ(Frame()->windowTitle(), QStringLiteral("arg.ovx") + kProgramTitle);
  EXPECT_EQ(Frame()->m_para.m_nMesh, 40);
  m_app.reset();
  for (const QStringList& arguments :
       {QStringList{QPath("absent.ovx")}, QStringList{QStringLiteral("--bogus")},
        QStringList{QPath("arg.ovx"), QPath("arg.ovx")}}) {
    m_app = std::make_unique<COrvexApp>(QPath("orvex.ini"));
    EXPECT_FALSE(m_app->InitInstance(arguments)) << arguments.join(' ').toStdString();
    m_app.reset();
  }
  EXPECT_EQ(m_messages.size(), 1u);
}

TEST_F(DocumentTest, StartOptionRunsTheDefaultPlotOnceShownAtItsFinalSize) {
  Launch({QStringLiteral("--start")});
  ASSERT_TRUE(WaitUntil([&] { return Frame()->Running(); }));
  EXPECT_TRUE(
      WaitUntil([&] { return View()->Backing().pixelColor(1, 1) != QColor(128, 184, 176); }));
  // Started after the panel took its place: the picture fills the view.
  EXPECT_EQ(View()->Backing().size(), View()->size());
  // The help and version commands answer during a run too.
  Command(ID_APP_ABOUT);
  ASSERT_EQ(m_modalTitles.size(), 1u);
  EXPECT_EQ(m_modalTitles[0], QStringLiteral("ﾊﾞｰｼﾞｮﾝ情報(Orvex)"));
  Command(ID_HELP);
  const auto* help = Frame()->findChild<QTextBrowser*>(QStringLiteral("help"));
  ASSERT_NE(help, nullptr);
  EXPECT_TRUE(help->isVisible());
  EXPECT_TRUE(help->toPlainText().contains(QStringLiteral("計算式"))) << "help page not loaded";
}

}  // namespace

namespace {

// The smallest views: a 1 x 1 picture is a bitmap like any other; a view of
// no pixels has no picture to save and says so instead of writing a file.
TEST_F(DocumentTest, TinyAndEmptyViewsRunAndSaveOrRefuse) {
  Launch();
  Frame()->m_para.m_nMesh = 4;
  for (const QSize size : {QSize(1, 1), QSize(0, 0)}) {
    SCOPED_TRACE(size.width());
    View()->setFixedSize(size);
    ASSERT_TRUE(WaitUntil([&] { return View()->size() == size; }));
    Command(ID_CALC_START);
    ASSERT_TRUE(WaitUntil([&] { return Frame()->Running(); }));
    ASSERT_TRUE(StopAndWaitForEnd());
    m_fileAnswers.push_back(QPath("tiny.bmp"));
    Command(ID_SAVE_IMAGE);
  }
  EXPECT_EQ(ReadFile(Path("tiny.bmp")).size(), 58u);  // 54 + one row of 4 bytes
  ASSERT_EQ(m_messages.size(), 1u);
  EXPECT_EQ(m_messages[0], QStringLiteral("ﾄﾞｷｭﾒﾝﾄの保存に失敗しました。"));
  EXPECT_EQ(m_fileRequests.size(), 1u);  // no dialog for a picture that cannot be saved
}

}  // namespace
