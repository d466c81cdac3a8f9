// The 自動スケール toggle: one action on the toolbar and in the 表示 menu,
// kept in the INI file between sessions; toggled during a run, the run starts
// again with it; the fit pane shows the scale of a fitted picture on display.
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

}  // namespace
