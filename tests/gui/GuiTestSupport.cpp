#include "GuiTestSupport.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QTest>
#include <fstream>
#include <iterator>

#include "core/ShareData.h"
#include "gui/CommandIds.h"
#include "gui/MainFrame.h"
#include "gui/OrvexApp.h"
#include "gui/OrvexView.h"
#include "gui/ParamBar.h"

GuiTest::GuiTest() = default;
GuiTest::~GuiTest() = default;

void GuiTest::SetUp() {
  m_dir = std::make_unique<QTemporaryDir>();
  ASSERT_TRUE(m_dir->isValid());
  g_ShareData.m_nState.store(DS_INITIAL);
  PromptHooks hooks;
  hooks.message = [this](const QString& text) { m_messages.push_back(text); };
  hooks.fileName = [this](const FileRequest& request) {
    m_fileRequests.push_back(request);
    if (m_fileAnswers.empty()) return QString();
    QString answer = m_fileAnswers.front();
    m_fileAnswers.pop_front();
    return answer;
  };
  hooks.modal = [this](QDialog& dialog) {
    m_modalTitles.push_back(dialog.windowTitle());
    return m_onModal ? m_onModal(dialog) : static_cast<int>(QDialog::Accepted);
  };
  SetPromptHooks(hooks);
}

void GuiTest::TearDown() {
  if (m_app != nullptr && Frame() != nullptr && Frame()->Running()) {
    View()->OnStop();
    EXPECT_TRUE(WaitUntil([&] { return !Frame()->Running(); }));
  }
  m_app.reset();
  SetPromptHooks({});
}

void GuiTest::Launch(const QStringList& arguments) {
  m_app = std::make_unique<COrvexApp>(QPath("orvex.ini"));
  ASSERT_TRUE(m_app->InitInstance(arguments));
  ASSERT_TRUE(QTest::qWaitForWindowExposed(Frame()));
  ASSERT_TRUE(WaitUntil([] { return g_ShareData.m_nState.load() != DS_INITIAL; }));
  // The panel comes with the first paint and takes its width from the view.
  ASSERT_TRUE(WaitUntil([&] { return !Frame()->m_wndParamBar->isHidden(); }));
  QTest::qWait(20);
}

CMainFrame* GuiTest::Frame() const { return m_app->MainFrame(); }
COrvexView* GuiTest::View() const { return Frame()->View(); }
COrvexDoc* GuiTest::Doc() const { return m_app->Document(); }

bool GuiTest::WaitUntil(const std::function<bool()>& done) { return QTest::qWaitFor(done, 60000); }

bool GuiTest::Command(int id) {
  QAction* action = Frame()->Action(id);
  if (action == nullptr) return false;
  action->trigger();
  return true;
}

bool GuiTest::Enabled(int id) const { return Frame()->Action(id)->isEnabled(); }
bool GuiTest::Checked(int id) const { return Frame()->Action(id)->isChecked(); }

bool GuiTest::StartAndWaitForPicture() {
  const QImage before = View()->Backing();
  if (!Command(ID_CALC_START) || !Frame()->Running()) return false;
  // The backing is refilled at Start; the first picture replaces it.
  const QImage cleared = View()->Backing();
  return WaitUntil([&] { return View()->Backing() != cleared; });
}

bool GuiTest::StopAndWaitForEnd() {
  Command(ID_CALC_STOP);
  return WaitUntil([&] { return !Frame()->Running(); });
}

QImage GuiTest::Paint() {
  View()->repaint();
  return View()->ShownPicture();
}

std::string GuiTest::Path(const std::string& name) const {
  return QDir(m_dir->path()).filePath(QString::fromStdString(name)).toStdString();
}

std::vector<std::uint8_t> GuiTest::ReadFile(const std::string& path) const {
  std::ifstream in(path, std::ios::binary);
  return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

CParaData SampleSet() {
  CParaData para;
  para.m_dUpDownAngle = 12.5;
  para.m_dLeftRightAngle = -40.0;
  para.m_dRange = 3.0;
  para.m_dZCoef = 2.0;
  para.m_nMesh = 40;
  para.m_dContourStep = 0.25;
  para.m_nDrawStyle = STYLE_CONTOUR;
  para.m_strFormula = "x*y";
  return para;
}

bool Filled(const QImage& image, const QColor& colour) {
  return image.pixelColor(1, 1).rgb() == colour.rgb() &&
         image.pixelColor(image.width() / 2, image.height() / 2).rgb() == colour.rgb();
}
