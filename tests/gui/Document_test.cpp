// Files from the window: the caption, opening good and bad parameter files,
// saving and its faults, the recent-file list, and the image save.
#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QSettings>
#include <QTextBrowser>

#include "GuiTestSupport.h"

namespace {

const QString kNotFound = " が見つかりませんでした。";
const QString kSaveFailed = "ﾄﾞｷｭﾒﾝﾄの保存に失敗しました。";

class DocumentTest : public GuiTest {
 protected:
  void WriteSet(const std::string& name, const CParaData& para = SampleSet()) {
    std::string error;
    ASSERT_TRUE(SaveParaFile(Path(name), para, &error)) << error;
  }
  // The command, with name answered to its file dialog.
  void Choose(int command, const std::string& name) {
    m_fileAnswers.push_back(QPath(name));
    Command(command);
  }
  QString Title() const { return Frame()->windowTitle(); }
  // The caption, the up-down angle, mesh and contour interval fields, the formula box.
  std::tuple<QString, QString, QString, QString, QString> Shown() const {
    const CParamBar* panel = Frame()->ParamBar();
    return {Title(), panel->FieldText(ParamField::UpDown), panel->FieldText(ParamField::Mesh),
            panel->FieldText(ParamField::ContourStep), Frame()->ToolBar()->FormulaBox()->text()};
  }
  QStringList IniRecentFiles() {
    QSettings settings(QPath("orvex.ini"), QSettings::IniFormat);
    QStringList files;
    for (int k = 1; k <= 4; ++k)
      files << settings.value(QStringLiteral("Recent File List/File%1").arg(k)).toString();
    files.removeAll(QString());
    return files;
  }
};

// Start-up shows the untitled caption, the defaults and the clock; opening a
// file shows its values, clears the picture and starts nothing.
TEST_F(DocumentTest, StartUpShowsTheDefaultsAndOpeningAFileItsValues) {
  WriteSet("good.ovx");
  Launch();
  EXPECT_EQ(Shown(), std::tuple(Caption("Orvexa"), "-20", "32", "0.05", DEFAULT_FORMULA));
  EXPECT_EQ(Status()->MessageText(), "ﾚﾃﾞｲ");
  EXPECT_EQ(g_ShareData.m_nState.load(), DS_IDLE);
  EXPECT_TRUE(Filled(Paint(), kSurfaceIdle));

  Choose(ID_FILE_OPEN, "good.ovx");
  EXPECT_TRUE(m_messages.empty());
  EXPECT_EQ(StoreParaData(Para()), StoreParaData(SampleSet()));
  EXPECT_TRUE(Filled(Paint(), kContourIdle));  // the paint brings the file to the bars
  EXPECT_EQ(Shown(), std::tuple(Caption("good.ovx"), "12.5", "40", "0.25", "x*y"));
  EXPECT_EQ(g_ShareData.m_nState.load(), DS_IDLE);
  EXPECT_FALSE(Frame()->Running());
}

TEST_F(DocumentTest, ABadFileGivesItsMessageAndLeavesTheParameters) {
  std::ofstream(Path("junk.ovx")) << "not a parameter file at all";
  const std::vector<std::uint8_t> good = StoreParaData(SampleSet());
  std::ofstream(Path("cut.ovx")) << std::string(good.begin(), good.end() - 5);
  ASSERT_TRUE(QDir(m_dir->path()).mkdir("folder.ovx"));
  const std::tuple<const char*, QString> cases[] = {
      {"missing.ovx", QPath("missing.ovx") + kNotFound},
      {"junk.ovx", "予期しないﾌｧｲﾙ形式です。"},
      {"cut.ovx", "予期しないﾌｧｲﾙ形式です。"},
      {"folder.ovx", "ﾄﾞｷｭﾒﾝﾄを開くことに失敗しました。"},
  };
  Launch();
  EditPara([&](CParaData& p) { p.m_dRange = 7.5; });
  const std::vector<std::uint8_t> before = StoreParaData(Para());
  for (const auto& [name, message] : cases) {
    SCOPED_TRACE(name);
    Choose(ID_FILE_OPEN, name);
    EXPECT_EQ(TakeMessages(), QStringList{message});
    EXPECT_EQ(StoreParaData(Para()), before);
    EXPECT_EQ(g_ShareData.m_nState.load(), DS_IDLE);
  }
  // Cancelling the dialog: untitled, parameters as they were.
  Command(ID_FILE_OPEN);
  EXPECT_EQ(Title(), Caption("Orvexa"));
  EXPECT_EQ(StoreParaData(Para()), before);
}

TEST_F(DocumentTest, SavedFilesReopenToTheSameBytesAndAFailedSaveKeepsThemAndTheTitle) {
  QDir folder(m_dir->path());
  ASSERT_TRUE(folder.mkdir("target.ovx"));
  Launch();
  Model()->Set(SampleSet());
  Choose(ID_FILE_SAVE_AS, "saved.ovx");
  ASSERT_EQ(m_fileRequests.size(), 1u);
  EXPECT_EQ(m_fileRequests[0].suggestion, "Orvexa.ovx");
  EXPECT_EQ(m_fileRequests[0].defaultSuffix, "ovx");
  EXPECT_EQ(Title(), Caption("saved.ovx"));
  const std::vector<std::uint8_t> saved = ReadFile(Path("saved.ovx"));
  EXPECT_EQ(saved, StoreParaData(SampleSet()));

  // Save of a titled document writes to its file without asking.
  EditPara([&](CParaData& p) { p.m_nMesh = 77; });
  Command(ID_FILE_SAVE);
  EXPECT_EQ(m_fileRequests.size(), 1u);
  Model()->Set(CParaData());
  Choose(ID_FILE_OPEN, "saved.ovx");
  EXPECT_EQ(Para().m_nMesh, 77);
  EditPara([&](CParaData& p) { p.m_nMesh = 40; });
  Command(ID_FILE_SAVE);
  EXPECT_EQ(ReadFile(Path("saved.ovx")), saved);
  EXPECT_TRUE(m_messages.empty());

  // The dialogs open where a file was last chosen, also after a restart.
  EXPECT_EQ(m_fileRequests[0].directory, QString());
  Choose(ID_FILE_SAVE_AS, "nowhere/set.ovx");
  EXPECT_EQ(m_fileRequests.back().directory, m_dir->path());
  m_app.reset();
  Launch();
  Choose(ID_FILE_OPEN, "saved.ovx");
  Choose(ID_FILE_SAVE_AS, "target.ovx");
  EXPECT_EQ(m_fileRequests.back().directory, m_dir->path());
  EXPECT_EQ(TakeMessages(), QStringList({QPath("nowhere/set.ovx") + kNotFound, kSaveFailed}));
  EXPECT_EQ(Title(), Caption("saved.ovx"));
  EXPECT_EQ(ReadFile(Path("saved.ovx")), saved);
  // Nothing left behind: the folder holds what it held (and the settings).
  QStringList names = folder.entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
  names.removeAll("orvex.ini");
  EXPECT_EQ(names, QStringList({"saved.ovx", "target.ovx"}));
}

TEST_F(DocumentTest, TheRecentFileListKeepsFourNewestFirstInTheIniFile) {
  const char* const names[] = {"a.ovx", "b.ovx", "c.ovx", "d.ovx", "e.ovx"};
  for (const char* name : names) WriteSet(name);
  Launch();
  EXPECT_FALSE(Frame()->RecentAction(0)->isVisible());
  for (const char* name : names) Choose(ID_FILE_OPEN, name);
  Choose(ID_FILE_SAVE_AS, "c.ovx");
  EXPECT_EQ(IniRecentFiles(),
            QStringList({QPath("c.ovx"), QPath("e.ovx"), QPath("d.ovx"), QPath("b.ovx")}));
  QFile ini(QPath("orvex.ini"));
  ASSERT_TRUE(ini.open(QIODevice::ReadOnly));
  const QString text = QString::fromUtf8(ini.readAll());
  EXPECT_TRUE(text.contains("[Recent File List]")) << text.toStdString();
  EXPECT_TRUE(text.contains("File1=" + QPath("c.ovx"))) << text.toStdString();

  // The next start of the program shows the same list; an entry that cannot
  // be opened any more goes from it.
  m_app.reset();
  g_ShareData.m_nState.store(DS_INITIAL);
  Launch();
  EXPECT_EQ(Frame()->RecentAction(1)->text(), "&2 " + QPath("e.ovx"));
  QFile::remove(QPath("e.ovx"));
  Frame()->RecentAction(1)->trigger();
  EXPECT_EQ(TakeMessages().size(), 1);
  EXPECT_EQ(IniRecentFiles(), QStringList({QPath("c.ovx"), QPath("d.ovx"), QPath("b.ovx")}));
  Frame()->RecentAction(2)->trigger();
  EXPECT_EQ(Title(), Caption("b.ovx"));
}

TEST_F(DocumentTest, OpeningARecentFileDuringARunStopsTheRunFirst) {
  WriteSet("contour.ovx");
  Launch();
  Choose(ID_FILE_OPEN, "contour.ovx");
  EditPara([&](CParaData& p) { p.m_nDrawStyle = STYLE_MESH; });
  ASSERT_TRUE(StartAndWaitForPicture());
  Frame()->RecentAction(0)->trigger();
  EXPECT_EQ(Para().m_nDrawStyle, STYLE_CONTOUR);
  ASSERT_TRUE(WaitUntil([&] { return !Frame()->Running(); }));
  // The load's clear wins over the ending thread and any late picture.
  EXPECT_TRUE(Filled(Paint(), kContourIdle));
  EXPECT_EQ(g_ShareData.m_nState.load(), DS_IDLE);
}

TEST_F(DocumentTest, ImageSaveWritesTheViewsPixelsBottomRowFirstAsPngByNameOrRefusesAnEmptyView) {
  Launch();
  EditPara([&](CParaData& p) { p.m_nMesh = 8; });
  View()->setFixedSize(301, 200);
  ASSERT_TRUE(WaitUntil([&] { return View()->size() == QSize(301, 200); }));
  ASSERT_TRUE(StartAndWaitForPicture());
  ASSERT_TRUE(StopAndWaitForEnd());
  const QImage shown = View()->ShownPicture();
  EXPECT_NE(shown.pixelColor(150, 100), kSurfaceIdle);  // a picture, not the idle fill
  Choose(ID_SAVE_IMAGE, "view.bmp");
  ASSERT_EQ(m_fileRequests.size(), 1u);
  EXPECT_EQ(m_fileRequests[0].mode, FileRequest::Save);
  EXPECT_EQ(m_fileRequests[0].filters, "ﾋﾞｯﾄﾏｯﾌﾟ (*.bmp);;PNG ｲﾒｰｼﾞ (*.png)");
  EXPECT_EQ(m_fileRequests[0].defaultSuffix, "bmp");
  const std::vector<std::uint8_t> bmp = ReadFile(Path("view.bmp"));
  ASSERT_EQ(bmp.size(), 180854u);
  // 180854 bytes with the pixels at 54; 301 x 200, one plane of 24 bits,
  // 180800 bytes of pixels. The positive height puts the bottom row first,
  // so a reader that follows the header must give the view's picture back.
  std::vector<std::uint8_t> header = {'B', 'M', 0x76, 0xC2, 2, 0,    0, 0, 0,    0,    54, 0, 0,
                                      0,   40,  0,    0,    0, 0x2D, 1, 0, 0,    200,  0,  0, 0,
                                      1,   0,   24,   0,    0, 0,    0, 0, 0x40, 0xC2, 2,  0};
  header.resize(54, 0);
  EXPECT_EQ(std::vector<std::uint8_t>(bmp.begin(), bmp.begin() + 54), header);
  EXPECT_EQ(QImage(QPath("view.bmp")).convertToFormat(QImage::Format_RGB32),
            shown.convertToFormat(QImage::Format_RGB32));

  // A name ending in .png, as the dialog gives one when its PNG filter is
  // chosen, is written as PNG.
  Choose(ID_SAVE_IMAGE, "view.PNG");
  const std::vector<std::uint8_t> png = ReadFile(Path("view.PNG"));
  ASSERT_GE(png.size(), 8u);
  EXPECT_EQ(std::vector<std::uint8_t>(png.begin(), png.begin() + 8),
            (std::vector<std::uint8_t>{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'}));
  EXPECT_EQ(QImage(QPath("view.PNG"), "PNG").convertToFormat(QImage::Format_RGB32),
            shown.convertToFormat(QImage::Format_RGB32));

  // A cancelled dialog writes nothing; a file that cannot be written says so.
  Command(ID_SAVE_IMAGE);
  Choose(ID_SAVE_IMAGE, "missing/view.bmp");
  EXPECT_FALSE(QFileInfo::exists(QPath("missing")));
  EXPECT_EQ(TakeMessages(), QStringList{QPath("missing/view.bmp") + kNotFound});

  // The smallest views: a 1 x 1 picture is a bitmap like any other; a view of
  // no pixels has no picture to save and says so instead of writing a file.
  for (const QSize size : {QSize(1, 1), QSize(0, 0)}) {
    SCOPED_TRACE(size.width());
    View()->setFixedSize(size);
    ASSERT_TRUE(WaitUntil([&] { return View()->size() == size; }));
    Command(ID_CALC_START);
    ASSERT_TRUE(WaitUntil([&] { return Frame()->Running(); }));
    ASSERT_TRUE(StopAndWaitForEnd());
    Choose(ID_SAVE_IMAGE, "tiny.bmp");
  }
  EXPECT_EQ(ReadFile(Path("tiny.bmp")).size(), 58u);  // 54 + one row of 4 bytes
  EXPECT_EQ(TakeMessages(), QStringList{kSaveFailed});
  EXPECT_EQ(m_fileRequests.size(), 5u);  // none for the picture that cannot be saved
}

// The dialog itself, never shown: choosing its PNG filter makes a name typed
// without an extension end in .png; the catch-all filter changes nothing.
TEST_F(DocumentTest, ChoosingAFilterGivesABareNameItsExtension) {
  QFileDialog dialog(nullptr, QString(), m_dir->path(),
                     "ﾋﾞｯﾄﾏｯﾌﾟ (*.bmp);;PNG ｲﾒｰｼﾞ (*.png);;すべてのﾌｧｲﾙ (*.*)");
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setDefaultSuffix("bmp");
  FollowChosenFilter(dialog);
  auto* filters = dialog.findChild<QComboBox*>("fileTypeCombo");
  ASSERT_NE(filters, nullptr);
  QTest::keyClick(filters, Qt::Key_Down);
  EXPECT_EQ(dialog.defaultSuffix(), "png");
  QTest::keyClick(filters, Qt::Key_Down);
  EXPECT_EQ(dialog.defaultSuffix(), "png");
  QTest::keyClick(filters, Qt::Key_Home);
  EXPECT_EQ(dialog.defaultSuffix(), "bmp");
}

TEST_F(DocumentTest, StartingWithAFileOpensItAndWithABadOneEnds) {
  WriteSet("arg.ovx");
  Launch({QPath("arg.ovx")});
  EXPECT_EQ(Title(), Caption("arg.ovx"));
  EXPECT_EQ(Para().m_nMesh, 40);
  m_app.reset();
  for (const QStringList& arguments : {QStringList{QPath("absent.ovx")}, QStringList{"--bogus"},
                                       QStringList{QPath("arg.ovx"), QPath("arg.ovx")}}) {
    m_app = std::make_unique<COrvexApp>(QPath("orvex.ini"));
    EXPECT_FALSE(m_app->InitInstance(arguments)) << arguments.join(' ').toStdString();
    m_app.reset();
  }
  EXPECT_EQ(m_messages.size(), 1);
}

TEST_F(DocumentTest, StartOptionRunsTheDefaultPlotOnceShownAtItsFinalSize) {
  Launch({"--start"});
  ASSERT_TRUE(WaitUntil([&] { return Frame()->Running(); }));
  EXPECT_TRUE(WaitUntil([&] { return View()->Backing().pixelColor(1, 1) != kSurfaceIdle; }));
  // Started after the panel took its place: the picture fills the view.
  EXPECT_EQ(View()->Backing().size(), View()->size());
  // The help and version commands answer during a run too.
  Command(ID_APP_ABOUT);
  EXPECT_EQ(m_modalTitles, std::vector<QString>{"ﾊﾞｰｼﾞｮﾝ情報(Orvex)"});
  Command(ID_HELP);
  auto* help = Frame()->findChild<QTextBrowser*>("help");
  ASSERT_NE(help, nullptr);
  EXPECT_TRUE(help->isVisible());
  EXPECT_TRUE(help->toPlainText().contains("計算式")) << "help page not loaded";
  // It closes as other windows of its kind do: Esc, Ctrl+W.
  for (const QKeyCombination keys : {QKeyCombination(Qt::Key_Escape), Qt::CTRL | Qt::Key_W}) {
    Command(ID_HELP);
    ASSERT_TRUE(QTest::qWaitForWindowActive(help));
    QTest::keyClick(help, keys.key(), keys.keyboardModifiers());
    EXPECT_FALSE(help->isVisible()) << keys.key();
  }
}

}  // namespace
