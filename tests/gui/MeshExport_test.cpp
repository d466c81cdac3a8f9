// The mesh export from the file menu: the dialog it asks, the worker that
// writes the frame's parameter set while the window (and a run) goes on, and
// the messages of what it refuses.
#include <QFile>
#include <QSignalSpy>

#include "GuiTestSupport.h"
#include "gui/MeshExportCommand.h"

namespace {

const QString kExporting = QStringLiteral("ﾒｯｼｭを書き出してます．．．");
const QString kSolidFilter = QStringLiteral("3Dﾌﾟﾘﾝﾄ用 STL ｿﾘｯﾄﾞ (*.stl)");

class MeshExportTest : public GuiTest {
 protected:
  // The command with name answered to its dialog; true once its result is shown.
  bool Export(const std::string& name) {
    m_fileAnswers.push_back(name.empty() ? QString() : QPath(name));
    QSignalSpy done(Frame()->MeshExport(), &CMeshExportCommand::finished);
    Command(ID_EXPORT_MESH);
    return !Frame()->MeshExport()->Busy() || done.wait(60000);
  }
  // Triangles in a binary STL, by its count and by its size.
  std::pair<std::uint32_t, std::size_t> StlTriangles(const std::string& name) {
    const std::vector<std::uint8_t> bytes = ReadFile(Path(name));
    if (bytes.size() < 84) return {0, 0};
    return {bytes[80] | bytes[81] << 8 | bytes[82] << 16 | bytes[83] << 24,
            (bytes.size() - 84) / 50};
  }
};

// During a drawing run the export samples the frame's own set on a thread of
// its own: pane 0 says so until the queued result arrives, the command waits
// for it, and the run goes on.
TEST_F(MeshExportTest, WritesTheFramesParametersOffTheWindowThreadDuringARun) {
  Launch();
  EditPara([&](CParaData& p) { p.m_nMesh = 8; });
  ASSERT_TRUE(StartAndWaitForPicture());
  EditPara([&](CParaData& p) { p.m_nMesh = 6; });  // edits since Start are what gets written
  EXPECT_TRUE(Enabled(ID_EXPORT_MESH));

  m_fileAnswers.push_back(QPath("during run.stl"));
  QSignalSpy done(Frame()->MeshExport(), &CMeshExportCommand::finished);
  Command(ID_EXPORT_MESH);
  ASSERT_EQ(m_fileRequests.size(), 1u);
  const FileRequest& request = m_fileRequests.front();
  EXPECT_EQ(request.mode, FileRequest::Save);
  EXPECT_EQ(request.filters, "STL ﾒｯｼｭ (*.stl);;OBJ ﾒｯｼｭ (*.obj);;" + kSolidFilter);
  EXPECT_EQ(request.defaultSuffix, "stl");
  // The result only comes back through the window's event loop.
  EXPECT_TRUE(Frame()->MeshExport()->Busy());
  EXPECT_EQ(Status()->MessageText(), kExporting);
  EXPECT_FALSE(Enabled(ID_EXPORT_MESH));
  ASSERT_TRUE(done.wait(60000));
  EXPECT_EQ(Status()->MessageText(), "ﾒｯｼｭを書き出しました。");
  EXPECT_TRUE(Enabled(ID_EXPORT_MESH));
  EXPECT_TRUE(Frame()->Running());
  EXPECT_EQ(StlTriangles("during run.stl"), std::pair(72u, std::size_t{72}));

  ASSERT_TRUE(StopAndWaitForEnd());
  ASSERT_TRUE(Export("surface.OBJ"));
  QFile file(QPath("surface.OBJ"));
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QByteArray text = file.readAll();
  EXPECT_EQ(text.count("\nf "), 72);
  EXPECT_EQ(text.count("\nvn "), 49);
  // The third filter closes the surface: 2 N^2 + 12 N triangles with walls and base.
  m_filterAnswers.push_back(kSolidFilter);
  ASSERT_TRUE(Export("solid.stl"));
  EXPECT_EQ(StlTriangles("solid.stl"), std::pair(144u, std::size_t{144}));
  // With 自動スケール on, the cells the fit finds a pole in are left out (8 here).
  Command(ID_VIEW_FIT);
  EditPara([&](CParaData& p) { p.m_strFormula = "1/(x^2+y^2-25)"; });
  EditPara([&](CParaData& p) { p.m_nMesh = 32; });
  ASSERT_TRUE(Export("fitted.stl"));
  EXPECT_EQ(StlTriangles("fitted.stl"), std::pair(2032u, std::size_t{2032}));
  EXPECT_TRUE(TakeMessages().isEmpty());
}

TEST_F(MeshExportTest, RefusalsAndFailuresGiveTheirMessagesAndLeaveNoFile) {
  Launch();
  EditPara([&](CParaData& p) { p.m_strFormula = "2X"; });  // only a file can bring one in
  ASSERT_TRUE(Export("refused.stl"));
  EXPECT_EQ(TakeMessages(), QStringList{"不正な文字がありました！"});
  EXPECT_TRUE(m_fileRequests.empty());  // asked before the dialog

  m_fileAnswers.clear();
  // Message, then pane 0 back to its idle text: the formula, the file name.
  const std::tuple<const char*, std::string, QString> cases[] = {
      {"sqrt(0-1)", "nan.stl", "関数に有限な値がなく、書き出すﾒｯｼｭがありません。"},
      {"x", "missing/x.stl", QPath("missing/x.stl") + " が見つかりませんでした。"},
      {"x", "", ""},  // cancelled
  };
  for (const auto& [formula, name, message] : cases) {
    SCOPED_TRACE(name);
    EditPara([&](CParaData& p) { p.m_strFormula = formula; });
    ASSERT_TRUE(Export(name));
    EXPECT_EQ(TakeMessages(), message.isEmpty() ? QStringList() : QStringList{message});
    EXPECT_EQ(Status()->MessageText(), "ﾚﾃﾞｲ");
  }
  EditPara(
      [&](CParaData& p) { p.m_strFormula = "sqrt(x)"; });  // half the grid is NaN: no closed solid
  m_filterAnswers.push_back(kSolidFilter);
  ASSERT_TRUE(Export("holes.stl"));
  EXPECT_EQ(TakeMessages(),
            QStringList{"関数の値が有限でない点があるため、閉じた立体にできません。"});
  EXPECT_TRUE(QDir(m_dir->path()).entryList(QDir::Files).filter(".stl").isEmpty());
}

}  // namespace
