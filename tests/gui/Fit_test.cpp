// The toggles of how a picture looks: 自動スケール and the reading aids, each
// one action on the toolbar and in the 表示 menu, kept in the INI file
// between sessions; toggled during a run, the run starts again with the fit
// or the colours and draws the box and the extremes anew; the fit pane shows
// the scale of a fitted picture on display.
#include <QFile>
#include <QMenu>
#include <QMenuBar>

#include "GuiTestSupport.h"

namespace {

class FitTest : public GuiTest {
 protected:
  QString IniText() const {
    QFile ini(QPath("orvex.ini"));
    return ini.open(QIODevice::ReadOnly) ? QString::fromUtf8(ini.readAll()) : QString();
  }
  QMenu* ViewMenu() const {
    for (QAction* item : Frame()->menuBar()->actions()) {
      if (item->text() == QStringLiteral("表示(&D)")) return item->menu();
    }
    return nullptr;
  }
};

TEST_F(FitTest, TheToggleRestartsARunShowsTheScaleAndIsKeptBetweenSessions) {
  Launch();
  QAction* fit = Frame()->Action(ID_VIEW_FIT);
  EXPECT_EQ(fit->text(), QStringLiteral("自動スケール"));
  EXPECT_TRUE(Frame()->ToolBar()->actions().contains(fit));
  ASSERT_NE(ViewMenu(), nullptr);
  EXPECT_TRUE(ViewMenu()->actions().contains(fit));
  EXPECT_FALSE(Checked(ID_VIEW_FIT));

  EditPara([&](CParaData& p) { p.m_nMesh = 8; });
  ASSERT_TRUE(StartAndWaitForPicture());
  EXPECT_FALSE(View()->LastFrame().fit.has_value());
  EXPECT_EQ(Status()->FitText(), QString());
  // Turned on during the run: the run starts again, fitted. The default
  // formula at N = 8 fits -0.2707..1.061 into a height of 12.
  Command(ID_VIEW_FIT);
  EXPECT_TRUE(Checked(ID_VIEW_FIT));
  ASSERT_TRUE(WaitUntil([&] { return View()->LastFrame().fit.has_value(); }));
  EXPECT_EQ(Status()->FitText(), QStringLiteral("自動ｽｹｰﾙ ×9.014  (-0.2707 〜 1.061)"));
  EXPECT_TRUE(IniText().contains(QStringLiteral("[Settings]\nFit=1"))) << IniText().toStdString();
  // The stopped picture keeps its pane; a cleared view loses it.
  ASSERT_TRUE(StopAndWaitForEnd());
  EXPECT_NE(Status()->FitText(), QString());
  Command(ID_DRAW_CONTOUR);
  Paint();
  EXPECT_EQ(Status()->FitText(), QString());

  // The next session starts with the fit on; turned off outside a run, it
  // waits for the next Start.
  m_app.reset();
  g_ShareData.m_nState.store(DS_INITIAL);
  Launch();
  EXPECT_TRUE(Checked(ID_VIEW_FIT));
  Command(ID_VIEW_FIT);
  EXPECT_FALSE(Checked(ID_VIEW_FIT));
  EXPECT_FALSE(Frame()->Running());
  EXPECT_TRUE(IniText().contains(QStringLiteral("Fit=0")));
}

// The aids change a run's picture as they are toggled: the box and the
// extremes without a new run, the colours with one; the map chosen and the
// toggles come back in the next session.
TEST_F(FitTest, TheReadingAidsChangeTheRunningPictureAndAreKeptBetweenSessions) {
  Launch();
  for (int id : {ID_VIEW_AXES, ID_VIEW_COLOUR, ID_VIEW_EXTREMES}) {
    EXPECT_TRUE(Frame()->ToolBar()->actions().contains(Frame()->Action(id))) << id;
    EXPECT_TRUE(ViewMenu()->actions().contains(Frame()->Action(id))) << id;
    EXPECT_FALSE(Checked(id)) << id;
  }
  EditPara([&](CParaData& p) { p.m_nMesh = 16, p.m_bShading = FALSE; });
  ASSERT_TRUE(StartAndWaitForPicture());
  const QImage plain = View()->Backing();
  std::uint64_t frames = 0;
  QObject::connect(View(), &COrvexView::pictureShown, [&] { ++frames; });
  QObject::connect(View(), &COrvexView::runStarted, [&] { frames = 1000; });
  Command(ID_VIEW_AXES);
  ASSERT_TRUE(WaitUntil([&] { return frames > 0; }));
  EXPECT_LT(frames, 1000u);  // drawn again, not a new run
  const QImage boxed = View()->Backing();
  EXPECT_NE(boxed, plain);
  Command(ID_VIEW_AXES);
  ASSERT_TRUE(WaitUntil([&] { return View()->Backing() != boxed; }));
  EXPECT_EQ(View()->Backing(), plain);
  // A map chosen while the colouring is off waits for it; turned on, the run
  // starts again coloured.
  Command(ID_COLOUR_MAP_FIRST + 2);
  EXPECT_TRUE(Checked(ID_COLOUR_MAP_FIRST + 2));
  EXPECT_EQ(View()->Backing(), plain);
  Command(ID_VIEW_COLOUR);
  ASSERT_TRUE(WaitUntil([&] { return frames >= 1000 && !View()->Backing().isNull(); }));
  ASSERT_TRUE(WaitUntil([&] { return View()->HasPicture() && View()->Backing() != plain; }));
  Command(ID_VIEW_EXTREMES);
  ASSERT_TRUE(StopAndWaitForEnd());
  const QString ini = IniText();
  for (const char* line : {"Axes=0", "ColourByHeight=1", "ColourMap=turbo", "Extremes=1"}) {
    EXPECT_TRUE(ini.contains(QString::fromLatin1(line))) << line << "\n" << ini.toStdString();
  }
  m_app.reset();
  g_ShareData.m_nState.store(DS_INITIAL);
  Launch();
  EXPECT_EQ(std::tuple(Checked(ID_VIEW_AXES), Checked(ID_VIEW_COLOUR), Checked(ID_VIEW_EXTREMES),
                       Checked(ID_COLOUR_MAP_FIRST + 2)),
            std::tuple(false, true, true, true));
}

}  // namespace
