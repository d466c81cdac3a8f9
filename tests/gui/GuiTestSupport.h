// A whole program under test: the application with its frame, document and
// view on the offscreen platform, every modal question answered by hooks,
// and waits that turn a hang into a failure.
#pragma once

#include <gtest/gtest.h>

#include <QColor>
#include <QDir>
#include <QImage>
#include <QStringList>
#include <QTemporaryDir>
#include <deque>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "core/ParaData.h"
#include "gui/Prompts.h"

class COrvexApp;
class CMainFrame;
class COrvexView;
class COrvexDoc;

class GuiTest : public ::testing::Test {
 protected:
  GuiTest();
  ~GuiTest() override;
  void SetUp() override;
  void TearDown() override;

  // Starts the program as `orvex arguments...` and waits for its first paint.
  void Launch(const QStringList& arguments = {});
  CMainFrame* Frame() const;
  COrvexView* View() const;
  COrvexDoc* Doc() const;

  // Processes events until done() or a minute has passed.
  bool WaitUntil(const std::function<bool()>& done);
  // Triggers the command's action as a click or key would (nothing happens
  // when it is disabled). False when the command has no action.
  bool Command(int id);
  bool Enabled(int id) const;
  bool Checked(int id) const;
  // Start; true once the first picture is on the view.
  bool StartAndWaitForPicture();
  // Stop; true once the end has been reported to the frame.
  bool StopAndWaitForEnd();
  // Paints the view now and returns what it shows.
  QImage Paint();

  std::string Path(const std::string& name) const;
  QString QPath(const std::string& name) const { return QString::fromStdString(Path(name)); }
  std::vector<std::uint8_t> ReadFile(const std::string& path) const;

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

// A parameter set unlike the defaults in every field the window shows.
CParaData SampleSet();

// The view's fill before any picture, by style.
const QColor kSurfaceIdle(128, 184, 176);
const QColor kContourIdle(128, 176, 184);

// True when the image is colour near its top-left corner and at its centre.
bool Filled(const QImage& image, const QColor& colour);

inline void PrintTo(const QString& text, std::ostream* out) { *out << text.toStdString(); }
