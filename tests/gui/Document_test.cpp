// Files from the window: the caption, opening a parameter file, saving and
// its faults, a recent file opened during a run, the image save, the mesh
// export, and the files and options the program starts with.
#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTextBrowser>

#include "GuiTestSupport.h"
#include "gui/MeshExportCommand.h"

namespace {

const QString kNotFound = " が見つかりませんでした。";
const QString kSaveFailed = "ﾄﾞｷｭﾒﾝﾄの保存に失敗しました。";

// A parameter set unlike the defaults in every field the window shows.
CParaData SampleSet() {
  CParaData para;
  para.m_dUpDownAngle = 12.5, para.m_dLeftRightAngle = -40.0, para.m_dRange = 3.0;
  para.m_dZCoef = 2.0, para.m_nMesh = 40, para.m_dContourStep = 0.25;
  para.m_nDrawStyle = STYLE_CONTOUR, para.m_strFormula = "x*y";
  return para;
}

class DocumentTest : public GuiTest {
 protected:
  std::vector<std::uint8_t> ReadFile(const std::string& name) const {
    std::ifstream in(Path(name), std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
  }
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

TEST_F(DocumentTest, SavedFilesReopenToTheSameBytesAndAFailedSaveKeepsThemAndTheTitle) {
  ASSERT_TRUE(QDir(m_dir->path()).mkdir("target.ovx"));
  Launch();
  Model()->Set(SampleSet());
  Choose(ID_FILE_SAVE_AS, "saved.ovx");
  ASSERT_EQ(m_fileRequests.size(), 1u);
  EXPECT_EQ(m_fileRequests[0].suggestion, "Orvexa.ovx");
  EXPECT_EQ(m_fileRequests[0].defaultSuffix, "ovx");
  EXPECT_EQ(Title(), Caption("saved.ovx"));
  const std::vector<std::uint8_t> saved = ReadFile("saved.ovx");
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
  EXPECT_EQ(ReadFile("saved.ovx"), saved);
  EXPECT_TRUE(m_messages.empty());

  // The dialogs open where a file was last chosen, also after a restart. A
  // failed save (its causes are the safe save's to test) keeps file and title.
  EXPECT_EQ(m_fileRequests[0].directory, QString());
  Relaunch();
  Choose(ID_FILE_OPEN, "saved.ovx");
  Choose(ID_FILE_SAVE_AS, "target.ovx");
  EXPECT_EQ(m_fileRequests.back().directory, m_dir->path());
  EXPECT_EQ(TakeMessages(), QStringList{kSaveFailed});
  EXPECT_EQ(Title(), Caption("saved.ovx"));
  EXPECT_EQ(ReadFile("saved.ovx"), saved);
}

// A recent file opened during a run stops the run first; the load's clear
// wins over the ending thread and any late picture.
TEST_F(DocumentTest, ARecentFileOpenedDuringARunStopsTheRunFirst) {
  WriteSet("a.ovx");
  Launch();
  Choose(ID_FILE_OPEN, "a.ovx");
  EditPara([&](CParaData& p) { p.m_nDrawStyle = STYLE_MESH, p.m_nMesh = 8; });
  ASSERT_TRUE(StartAndWaitForPicture());
  Frame()->RecentAction(0)->trigger();
  EXPECT_EQ(Para().m_nDrawStyle, STYLE_CONTOUR);
  ASSERT_TRUE(WaitUntil([&] { return !Frame()->Running(); }));
  EXPECT_TRUE(Filled(Paint(), kContourIdle));
  EXPECT_EQ(g_ShareData.m_nState.load(), DS_IDLE);
}

TEST_F(DocumentTest, ImageSaveWritesTheViewsPixelsOrRefusesAnEmptyView) {
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
  EXPECT_EQ(std::pair(m_fileRequests[0].mode, m_fileRequests[0].defaultSuffix),
            std::pair(FileRequest::Save, QString("bmp")));
  // The bitmap's layout is core's to test: a reader that follows its header
  // gives the picture back.
  EXPECT_EQ(QImage(QPath("view.bmp"), "BMP").convertToFormat(QImage::Format_RGB32),
            shown.convertToFormat(QImage::Format_RGB32));

  // A file that cannot be written says so.
  Choose(ID_SAVE_IMAGE, "missing/view.bmp");
  EXPECT_FALSE(QFileInfo::exists(QPath("missing")));
  EXPECT_EQ(TakeMessages(), QStringList{QPath("missing/view.bmp") + kNotFound});

  // A view of no pixels has no picture to save and says so instead of
  // asking for a name.
  View()->setFixedSize(0, 0);
  ASSERT_TRUE(WaitUntil([&] { return View()->size().isEmpty(); }));
  Command(ID_CALC_START);
  ASSERT_TRUE(WaitUntil([&] { return Frame()->Running(); }));
  ASSERT_TRUE(StopAndWaitForEnd());
  Choose(ID_SAVE_IMAGE, "empty.bmp");
  EXPECT_EQ(TakeMessages(), QStringList{kSaveFailed});
  EXPECT_EQ(m_fileRequests.size(), 2u);
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
}

// The mesh export samples the frame's own set, edits since Start included,
// on a thread of its own: during a run pane 0 says so until the queued
// result arrives, the command waits for it, and the run goes on. A formula
// it refuses is answered before the dialog, and no file is left. The files'
// shapes and the other refusals are core's and the CLI's to test.
TEST_F(DocumentTest, TheMeshExportWritesTheFramesSetOffTheWindowThreadOrSaysWhyNot) {
  Launch();
  EditPara([&](CParaData& p) { p.m_strFormula = "2X"; });  // only a file can bring one in
  Choose(ID_EXPORT_MESH, "refused.stl");
  EXPECT_EQ(TakeMessages(), QStringList{"不正な文字がありました！"});
  EXPECT_TRUE(m_fileRequests.empty());
  EXPECT_FALSE(QFileInfo::exists(QPath("refused.stl")));
  m_fileAnswers.clear();

  EditPara([&](CParaData& p) { p.m_nMesh = 8, p.m_strFormula = DEFAULT_FORMULA; });
  ASSERT_TRUE(StartAndWaitForPicture());
  EditPara([&](CParaData& p) { p.m_nMesh = 6; });
  QSignalSpy done(Frame()->MeshExport(), &CMeshExportCommand::finished);
  Choose(ID_EXPORT_MESH, "during run.stl");
  ASSERT_EQ(m_fileRequests.size(), 1u);
  EXPECT_EQ(std::pair(m_fileRequests[0].mode, m_fileRequests[0].defaultSuffix),
            std::pair(FileRequest::Save, QString("stl")));
  // The result only comes back through the window's event loop.
  EXPECT_TRUE(Frame()->MeshExport()->Busy());
  EXPECT_EQ(Status()->MessageText(), "ﾒｯｼｭを書き出してます．．．");
  EXPECT_FALSE(Enabled(ID_EXPORT_MESH));
  ASSERT_TRUE(done.wait(60000));
  EXPECT_EQ(Status()->MessageText(), "ﾒｯｼｭを書き出しました。");
  EXPECT_TRUE(Enabled(ID_EXPORT_MESH));
  EXPECT_TRUE(Frame()->Running());
  // Triangles in a binary STL by its size: two a cell of the edited 6 x 6 grid.
  EXPECT_EQ((ReadFile("during run.stl").size() - 84) / 50, 72u);
}

}  // namespace
