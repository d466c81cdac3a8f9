// The display loops wait in the mailbox without using the processor. A second
// of waiting per style: kept out of the default test run (label "slow").
#include <pthread.h>
#include <time.h>

#include <chrono>
#include <thread>

#include "RenderTestSupport.h"

namespace {

std::chrono::nanoseconds ThreadCpuTime(pthread_t thread) {
  clockid_t clock{};
  timespec time{};
  EXPECT_EQ(pthread_getcpuclockid(thread, &clock), 0);
  EXPECT_EQ(clock_gettime(clock, &time), 0);
  return std::chrono::seconds(time.tv_sec) + std::chrono::nanoseconds(time.tv_nsec);
}

TEST(DrawingThread, WaitingLoopsUseNoProcessorTime) {
  REQUIRE_GL_CONTEXT();
  for (int style : {STYLE_MESH, STYLE_GHOST}) {
    SCOPED_TRACE(style);
    TestRun run(SmallPara(style, DEFAULT_FORMULA, 8));
    ASSERT_TRUE(run.Start());
    const auto before = ThreadCpuTime(run.controller.NativeHandle());
    std::this_thread::sleep_for(std::chrono::seconds(1));
    const auto after = ThreadCpuTime(run.controller.NativeHandle());
    run.controller.Stop();
    // A CPU budget, not a wall-clock limit: a polling loop burns the second.
    EXPECT_LT(after - before, std::chrono::milliseconds(50));
  }
}

}  // namespace
