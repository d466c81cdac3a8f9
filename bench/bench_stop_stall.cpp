// The window's event loop while a run is being stopped: the longest time the
// user-interface thread does not get back to its loop, from the Stop command
// until the frame hears that the drawing thread has ended, for every style at
// N = 500 and N = 2000, with Stop given during sampling, while the picture is
// idle on display, and during a redraw (a rotation, or a solid's tick).
//
//   QT_QPA_PLATFORM=offscreen bench_stop_stall [--quick]
#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <cstring>
#include <functional>
#include <vector>

#include "core/ShareData.h"
#include "gui/CommandIds.h"
#include "gui/MainFrame.h"
#include "gui/OrvexApp.h"
#include "gui/OrvexView.h"
#include "gui/ParamModel.h"

namespace {

// Gaps between the ticks of a 1 ms timer: a tick that comes late shows how
// long the loop was kept from its events.
class StallMonitor {
 public:
  StallMonitor() { m_clock.start(); }
  void Tick() {
    const qint64 now = m_clock.nsecsElapsed();
    if (m_last >= 0) m_worst = std::max(m_worst, now - m_last);
    m_last = now;
  }
  void Reset() {
    m_last = m_clock.nsecsElapsed();
    m_worst = 0;
  }
  double WorstMs() const { return static_cast<double>(m_worst) / 1e6; }
  qint64 NowNs() const { return m_clock.nsecsElapsed(); }

 private:
  QElapsedTimer m_clock;
  qint64 m_last = -1;
  qint64 m_worst = 0;
};

StallMonitor g_monitor;

// Runs the event loop until done() holds, checking every millisecond.
bool RunUntil(const std::function<bool()>& done, int limitMs = 300000) {
  QEventLoop loop;
  QTimer check;
  check.setTimerType(Qt::PreciseTimer);
  check.setInterval(1);
  QObject::connect(&check, &QTimer::timeout, [&] {
    g_monitor.Tick();
    if (done()) loop.quit();
  });
  QTimer guard;
  guard.setSingleShot(true);
  QObject::connect(&guard, &QTimer::timeout, &loop, &QEventLoop::quit);
  check.start();
  guard.start(limitMs);
  if (!done()) loop.exec();
  return done();
}

void RunFor(int ms) {
  QElapsedTimer clock;
  clock.start();
  RunUntil([&] { return clock.elapsed() >= ms; });
}

enum class Moment { Sampling, Idle, Redraw };
const char* MomentName(Moment moment) {
  switch (moment) {
    case Moment::Sampling:
      return "sampling";
    case Moment::Idle:
      return "idle";
    case Moment::Redraw:
      return "redraw";
  }
  return "";
}

struct Result {
  double stallMs = 0.0;
  double endMs = 0.0;
  bool ok = false;
};

Result StopOnce(CMainFrame* frame, int style, int mesh, Moment moment) {
  COrvexView* view = frame->View();
  CParaData para = frame->Model()->Params();
  para.m_nDrawStyle = style;
  para.m_nMesh = mesh;
  frame->Model()->Set(para);
  Result result;
  const QImage before = view->Backing();
  frame->Action(ID_CALC_START)->trigger();
  if (!frame->Running()) return result;
  if (moment != Moment::Sampling) {
    const QImage cleared = view->Backing();
    if (!RunUntil([&] { return view->Backing() != cleared; })) return result;
    if (moment == Moment::Redraw) {
      if (style == STYLE_MESH || style == STYLE_CONTOUR) {
        frame->Action(ID_ROTATE_RIGHT)->trigger();
        RunFor(5);
      } else {
        // A tick presents the last frame and draws the next: stop right after.
        const QImage shown = view->Backing();
        RunUntil([&] { return view->Backing() != shown; });
      }
    } else {
      RunFor(300);
    }
  } else {
    RunFor(2);
  }
  g_monitor.Reset();
  const qint64 stopAt = g_monitor.NowNs();
  frame->Action(ID_CALC_STOP)->trigger();
  g_monitor.Tick();
  result.ok = RunUntil([&] { return !frame->Running(); });
  result.endMs = static_cast<double>(g_monitor.NowNs() - stopAt) / 1e6;
  result.stallMs = g_monitor.WorstMs();
  return result;
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  const bool quick = argc > 1 && std::strcmp(argv[1], "--quick") == 0;
  QApplication application(argc, argv);
  QTemporaryDir dir;
  COrvexApp app(dir.filePath(QStringLiteral("orvex.ini")));
  if (!app.InitInstance({})) return 1;
  CMainFrame* frame = app.MainFrame();
  frame->View()->setFixedSize(1024, 768);
  RunFor(500);

  std::printf("| N | style | Stop given during | longest stall, ms | Stop to end, ms |\n");
  std::printf("|---:|---|---|---:|---:|\n");
  double worst = 0.0;
  const char* const styles[] = {"mesh", "plastic", "paper", "ghost", "silver", "contour"};
  const std::vector<int> meshes = quick ? std::vector<int>{64} : std::vector<int>{500, 2000};
  for (int mesh : meshes) {
    for (int style = STYLE_MESH; style <= STYLE_CONTOUR; ++style) {
      for (Moment moment : {Moment::Sampling, Moment::Idle, Moment::Redraw}) {
        const Result result = StopOnce(frame, style, mesh, moment);
        if (!result.ok) {
          std::fprintf(stderr, "run did not end: N=%d style=%d\n", mesh, style);
          return 1;
        }
        worst = std::max(worst, result.stallMs);
        std::printf("| %d | %s | %s | %.1f | %.0f |\n", mesh, styles[style], MomentName(moment),
                    result.stallMs, result.endMs);
        std::fflush(stdout);
      }
    }
  }
  std::printf("\nlongest stall over all runs: %.1f ms\n", worst);
  return 0;
}
