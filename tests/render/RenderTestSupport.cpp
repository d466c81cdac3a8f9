#include "RenderTestSupport.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>

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

Frame Render(const CParaData& para, int width, int height, const RunOptions& options) {
  TestRun run(para);
  run.options = options;
  const bool ok = run.Start(width, height);
  run.controller.Stop();
  if (!ok) ADD_FAILURE() << "the run presented no frame";
  return run.sink.At(0);
}
