// A whole program under test: the application with its frame, document and
// view on the offscreen platform, every modal question answered by hooks,
// and waits that turn a hang into a failure.
#pragma once

#include <gtest/gtest.h>

#include <QAction>
#include <QColor>
#include <QDialog>
#include <QDir>
#include <QImage>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>
#include <QVBoxLayout>
#include <deque>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "core/ParaFile.h"
#include "core/ShareData.h"
#include "gui/CommandIds.h"
#include "gui/FormulaToolBar.h"
#include "gui/MainFrame.h"
#include "gui/OrvexApp.h"
#include "gui/OrvexView.h"
#include "gui/ParamBar.h"
#include "gui/ParamModel.h"
#include "gui/Prompts.h"
#include "gui/StatusBar.h"

class GuiTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_dir = std::make_unique<QTemporaryDir>();
    ASSERT_TRUE(m_dir->isValid());
    g_ShareData.m_nState.store(DS_INITIAL);
    PromptHooks hooks;
    hooks.message = [this](const QString& text) { m_messages.push_back(text); };
    hooks.fileName = [this](const FileRequest& request) {
      m_fileRequests.push_back(request);
      const QString answer = m_fileAnswers.empty() ? QString() : m_fileAnswers.front();
      if (!m_fileAnswers.empty()) m_fileAnswers.pop_front();
      return answer;
    };
    hooks.modal = [this](QDialog& dialog) {
      m_modalTitles.push_back(dialog.windowTitle());
      return m_onModal ? m_onModal(dialog) : static_cast<int>(QDialog::Accepted);
    };
    SetPromptHooks(hooks);
  }
  void TearDown() override {
    if (m_app != nullptr && Frame() != nullptr && Frame()->Running()) {
      View()->OnStop();
      EXPECT_TRUE(WaitUntil([&] { return !Frame()->Running(); }));
    }
    m_app.reset();
    SetPromptHooks({});
  }

  // Starts the program as `orvex arguments...` and waits for its first paint.
  void Launch(const QStringList& arguments = {}) {
    m_app = std::make_unique<COrvexApp>(QPath("orvex.ini"));
    ASSERT_TRUE(m_app->InitInstance(arguments));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(Frame()));
    ASSERT_TRUE(WaitUntil([] { return g_ShareData.m_nState.load() != DS_INITIAL; }));
    // The panel comes with the first paint and takes its width from the view.
    ASSERT_TRUE(WaitUntil([&] { return !Frame()->ParamBar()->isHidden(); }));
    QTest::qWait(20);
  }
  // Ends the program and starts it again on the same INI file.
  void Relaunch(const QStringList& arguments = {}) {
    m_app.reset();
    g_ShareData.m_nState.store(DS_INITIAL);
    Launch(arguments);
  }
  CMainFrame* Frame() const { return m_app->MainFrame(); }
  COrvexView* View() const { return Frame()->View(); }
  // The window's model, or a widget test's own.
  virtual CParamModel* Model() const { return Frame()->Model(); }
  CStatusBar* Status() const { return Frame()->StatusBar(); }
  const CParaData& Para() const { return Model()->Params(); }
  // Changes the model's set as the program's own edits do.
  void EditPara(const std::function<void(CParaData&)>& change) {
    CParaData para = Para();
    change(para);
    Model()->Set(para);
  }

  // Processes events until done() or a minute has passed.
  bool WaitUntil(const std::function<bool()>& done) { return QTest::qWaitFor(done, 60000); }
  // Triggers the command's action as a click or key would (nothing happens
  // when it is disabled).
  void Command(int id) { Frame()->Action(id)->trigger(); }
  bool Enabled(int id) const { return Frame()->Action(id)->isEnabled(); }
  bool Checked(int id) const { return Frame()->Action(id)->isChecked(); }
  // Start; true once the first picture replaces the fill Start put there.
  bool StartAndWaitForPicture() {
    Command(ID_CALC_START);
    const QImage cleared = View()->Backing();
    return Frame()->Running() && WaitUntil([&] { return View()->Backing() != cleared; });
  }
  // Stop; true once the end has been reported to the frame.
  bool StopAndWaitForEnd() {
    Command(ID_CALC_STOP);
    return WaitUntil([&] { return !Frame()->Running(); });
  }
  // Paints the view now and returns what it shows.
  QImage Paint() {
    View()->repaint();
    return View()->ShownPicture();
  }

  std::string Path(const std::string& name) const {
    return QDir(m_dir->path()).filePath(QString::fromStdString(name)).toStdString();
  }
  QString QPath(const std::string& name) const { return QString::fromStdString(Path(name)); }
  // The messages shown since the last call.
  QStringList TakeMessages() { return std::exchange(m_messages, {}); }
  // The program's caption with the document's name.
  static QString Caption(const QString& name) {
    return name + " - f(x,y)関数の 3Dﾒｯｼｭ/等高線 表示";
  }

  // What the hooks saw and will answer.
  QStringList m_messages;
  std::vector<FileRequest> m_fileRequests;
  std::deque<QString> m_fileAnswers;  // "" = cancel; none left = cancel
  std::vector<QString> m_modalTitles;
  std::function<int(QDialog&)> m_onModal;  // none = accept at once

  std::unique_ptr<QTemporaryDir> m_dir;
  std::unique_ptr<COrvexApp> m_app;
};

// The view's fill before any picture, by style.
const QColor kSurfaceIdle(128, 184, 176);
const QColor kContourIdle(128, 176, 184);

// True when the image is colour near its top-left corner and at its centre.
inline bool Filled(const QImage& image, const QColor& colour) {
  return image.pixelColor(1, 1).rgb() == colour.rgb() &&
         image.pixelColor(image.width() / 2, image.height() / 2).rgb() == colour.rgb();
}

// Clicks into the field, selects everything and types text key by key, or
// (keyByKey false) puts it in place in one change, as a paste does.
inline void Retype(QLineEdit* edit, const QString& text, bool keyByKey = true) {
  edit->setFocus(Qt::MouseFocusReason);
  edit->selectAll();
  if (!keyByKey) return edit->insert(text);
  text.isEmpty() ? QTest::keyClick(edit, Qt::Key_Backspace) : QTest::keyClicks(edit, text);
}

// One widget under test in a window of its own, beside a field that takes
// the focus when the test leaves the widget.
class WidgetTest : public GuiTest {
 protected:
  void Host(QWidget* widget) {
    auto* layout = new QVBoxLayout(&m_host);
    layout->addWidget(widget);
    m_elsewhere = new QLineEdit(&m_host);
    layout->addWidget(m_elsewhere);
    m_host.show();
    m_host.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&m_host));
  }
  void Leave() { m_elsewhere->setFocus(Qt::MouseFocusReason); }
  // Types text into the field and leaves it.
  void Enter(QLineEdit* edit, const QString& text) {
    Retype(edit, text);
    Leave();
  }
  CParamModel* Model() const override { return &m_model; }

  mutable CParamModel m_model;
  QWidget m_host;
  QLineEdit* m_elsewhere = nullptr;
};

inline void PrintTo(const QString& text, std::ostream* out) { *out << text.toStdString(); }
