#include "RenderTestSupport.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>

namespace {

// Independent of the code under test, so a broken context path fails the
// tests instead of skipping them.
bool ProbeContext() {
  EGLDisplay display =
      eglGetPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
  if (display == EGL_NO_DISPLAY || !eglInitialize(display, nullptr, nullptr)) {
    display = eglGetDisplay(EGL_DEFAULT_DISPLAY);
    if (display == EGL_NO_DISPLAY || !eglInitialize(display, nullptr, nullptr)) return false;
  }
  const EGLint attributes[] = {EGL_SURFACE_TYPE, EGL_PBUFFER_BIT, EGL_RENDERABLE_TYPE,
                               EGL_OPENGL_BIT,   EGL_DEPTH_SIZE,  24,
                               EGL_NONE};
  EGLConfig config = nullptr;
  EGLint count = 0;
  if (!eglBindAPI(EGL_OPENGL_API) || !eglChooseConfig(display, attributes, &config, 1, &count) ||
      count < 1)
    return false;
  EGLContext context = eglCreateContext(display, config, EGL_NO_CONTEXT, nullptr);
  if (context == EGL_NO_CONTEXT) return false;
  eglDestroyContext(display, context);
  return true;
}

}  // namespace

bool EglAvailable() {
  static const bool available = ProbeContext();
  return available;
}

void CountingListener::FrameReady() {
  m_nRunNice.store(getpriority(PRIO_PROCESS, static_cast<id_t>(gettid())));
  std::lock_guard lock(m_mutex);
  ++m_nFrames;
  m_changed.notify_all();
}

void CountingListener::RunEnded() {
  std::lock_guard lock(m_mutex);
  m_endedAt = std::chrono::steady_clock::now();
  ++m_nEnded;
  m_changed.notify_all();
}

bool CountingListener::WaitUntil(const std::function<bool()>& done) {
  std::unique_lock lock(m_mutex);
  return m_changed.wait_for(lock, std::chrono::seconds(60), done);
}

CParaData SmallPara(int style, const std::string& formula, int mesh) {
  CParaData para;
  para.m_nDrawStyle = style;
  para.m_strFormula = formula;
  para.m_nMesh = mesh;
  return para;
}

CFormula Compiled(const std::string& text) {
  CFormula formula;
  formula.Tokenize(text);
  formula.MakePostfix();
  return formula;
}

Frame Render(const CParaData& para, int width, int height) {
  TestRun run(para);
  const bool ok = run.Start(width, height);
  run.controller.Stop();
  if (!ok) ADD_FAILURE() << "the run presented no frame";
  return run.sink.At(0);
}

RGB PixelAt(const Frame& frame, int x, int y) {
  const std::uint8_t* p = frame.Pixel(x, y);
  return {p[0], p[1], p[2]};
}

std::size_t CountPixels(const Frame& frame, const std::function<bool(const RGB&)>& match) {
  std::size_t count = 0;
  for (std::size_t k = 0; k + 3 < frame.rgba.size(); k += 4) {
    count += match(RGB{frame.rgba[k], frame.rgba[k + 1], frame.rgba[k + 2]}) ? 1 : 0;
  }
  return count;
}

std::size_t CountDifferent(const Frame& a, const Frame& b) {
  if (a.width != b.width || a.height != b.height) return static_cast<std::size_t>(-1);
  std::size_t count = 0;
  for (std::size_t k = 0; k + 3 < a.rgba.size(); k += 4) {
    count += std::equal(&a.rgba[k], &a.rgba[k + 3], &b.rgba[k]) ? 0 : 1;
  }
  return count;
}

bool Near(const RGB& a, const RGB& b, int tolerance) {
  for (int k = 0; k < 3; ++k) {
    if (std::abs(int{a[k]} - int{b[k]}) > tolerance) return false;
  }
  return true;
}
