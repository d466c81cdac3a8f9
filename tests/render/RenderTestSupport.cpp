#include "RenderTestSupport.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>

#include <chrono>
#include <cstdlib>

namespace {

constexpr auto kSafetyLimit = std::chrono::seconds(60);

bool ProbeContext() {
  EGLDisplay display =
      eglGetPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
  EGLint major = 0;
  EGLint minor = 0;
  if (display == EGL_NO_DISPLAY || !eglInitialize(display, &major, &minor)) {
    display = eglGetDisplay(EGL_DEFAULT_DISPLAY);
    if (display == EGL_NO_DISPLAY || !eglInitialize(display, &major, &minor)) return false;
  }
  if (!eglBindAPI(EGL_OPENGL_API)) return false;
  const EGLint attributes[] = {EGL_SURFACE_TYPE, EGL_PBUFFER_BIT, EGL_RENDERABLE_TYPE,
                               EGL_OPENGL_BIT,   EGL_DEPTH_SIZE,  24,
                               EGL_NONE};
  EGLConfig config = nullptr;
  EGLint count = 0;
  if (!eglChooseConfig(display, attributes, &config, 1, &count) || count < 1) return false;
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

bool CapturingSink::Present(const Frame& frame) {
  std::lock_guard lock(m_mutex);
  const bool accept = m_frames.size() < m_failFrom;
  m_frames.push_back(frame);
  m_changed.notify_all();
  return accept;
}

void CapturingSink::Ended() {
  std::lock_guard lock(m_mutex);
  m_ended = true;
  m_changed.notify_all();
}

bool CapturingSink::WaitForFrames(std::size_t count) {
  std::unique_lock lock(m_mutex);
  m_changed.wait_for(lock, kSafetyLimit, [&] { return m_frames.size() >= count || m_ended; });
  return m_frames.size() >= count;
}

bool CapturingSink::WaitForFrame(const std::function<bool(const Frame&)>& match) {
  std::unique_lock lock(m_mutex);
  const auto found = [&] { return !m_frames.empty() && match(m_frames.back()); };
  m_changed.wait_for(lock, kSafetyLimit, [&] { return found() || m_ended; });
  return found();
}

std::size_t CapturingSink::Count() const {
  std::lock_guard lock(m_mutex);
  return m_frames.size();
}

Frame CapturingSink::Last() const {
  std::lock_guard lock(m_mutex);
  return m_frames.empty() ? Frame{} : m_frames.back();
}

Frame CapturingSink::At(std::size_t index) const {
  std::lock_guard lock(m_mutex);
  return index < m_frames.size() ? m_frames[index] : Frame{};
}

bool CapturingSink::HasEnded() const {
  std::lock_guard lock(m_mutex);
  return m_ended;
}

CParaData SmallPara(int style, const std::string& formula, int mesh) {
  CParaData para;
  para.m_nDrawStyle = style;
  para.m_strFormula = formula;
  para.m_nMesh = mesh;
  return para;
}

Frame RenderFirstFrame(const CParaData& para, int width, int height, bool* ok, ListBuild build) {
  CFormula formula;
  formula.Tokenize(para.m_strFormula);
  formula.MakePostfix();
  CapturingSink sink;
  RunController controller;
  controller.SetListBuild(build);
  const ClientRect client{0, 0, width, height};
  *ok = controller.Start(para, client, &formula, &sink) && sink.WaitForFrames(1);
  controller.Stop();
  return sink.At(0);
}

RGB PixelAt(const Frame& frame, int x, int y) {
  const std::uint8_t* p = frame.Pixel(x, y);
  return {p[0], p[1], p[2]};
}

std::size_t CountPixels(const Frame& frame, const std::function<bool(const RGB&)>& match) {
  std::size_t count = 0;
  for (int y = 0; y < frame.height; ++y) {
    for (int x = 0; x < frame.width; ++x) {
      if (match(PixelAt(frame, x, y))) ++count;
    }
  }
  return count;
}

std::size_t CountDifferent(const Frame& a, const Frame& b) {
  if (a.width != b.width || a.height != b.height) return static_cast<std::size_t>(-1);
  std::size_t count = 0;
  for (int y = 0; y < a.height; ++y) {
    for (int x = 0; x < a.width; ++x) {
      if (PixelAt(a, x, y) != PixelAt(b, x, y)) ++count;
    }
  }
  return count;
}

bool Near(const RGB& a, const RGB& b, int tolerance) {
  for (int k = 0; k < 3; ++k) {
    if (std::abs(int{a[k]} - int{b[k]}) > tolerance) return false;
  }
  return true;
}
