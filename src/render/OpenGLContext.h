// An off-screen OpenGL compatibility context and the fixed render sequence of
// one run. The derived class supplies what is built and drawn.
#pragma once

#include <EGL/egl.h>

#include <array>
#include <optional>

#include "core/Fit.h"
#include "core/ParaData.h"
#include "core/ShareData.h"
#include "core/ThreadCheck.h"
#include "render/FrameSink.h"

// Error codes for SetError; the texts are those of the window-system binding
// this context stands in for.
constexpr int GLERR_NONE = 0;
constexpr int GLERR_NO_DC = 1;
constexpr int GLERR_CHOOSE_FORMAT = 2;  // no EGL display or no fitting config
constexpr int GLERR_SET_FORMAT = 3;     // the drawing surface could not be made
constexpr int GLERR_CREATE = 4;         // eglCreateContext
constexpr int GLERR_MAKE_CURRENT = 5;   // eglMakeCurrent, making current or releasing
constexpr int GLERR_DELETE = 6;         // eglDestroyContext / eglDestroySurface
constexpr int GLERR_SWAP = 7;           // the frame could not be presented
extern const char* const g_glErrorText[8];

// For a process that draws one picture and ends (the command-line tool). Call
// before any thread exists (it sets an environment variable). On a machine of
// at most two cores, Mesa's software rasteriser is told to draw in the drawing
// thread itself instead of binning for helper threads: for a single picture at
// N = 500 that takes 15% off the time and 70 MB off the peak. Redraws of a
// compiled list are the other way round (a rotation at N = 500: 550 ms in place
// against 130 ms with helper threads), so the window program must not call it.
// The pictures are the same; GPU drivers ignore it; a value the user set wins.
void ConfigureSoftwareRasteriserForOnePicture();

class COpenGLContext {
 public:
  COpenGLContext() = default;
  virtual ~COpenGLContext();
  COpenGLContext(const COpenGLContext&) = delete;
  COpenGLContext& operator=(const COpenGLContext&) = delete;

  // Display and config, then a surface of the client size (at least 1 x 1).
  virtual BOOL SetupPixelFormat();
  virtual BOOL SetProjection(double aspect) = 0;
  virtual BOOL SetViewpoint() = 0;
  virtual BOOL BuildScene() = 0;
  virtual BOOL ClearScene() = 0;
  virtual BOOL DrawScene() = 0;

  // The whole sequence of a run: create, viewport, build, clear, draw (the
  // derived DrawScene holds the display loop), release. Every call happens on
  // the calling thread, which owns the context throughout. False when no
  // context could be made. An exception from a step releases the context
  // and goes on to the caller.
  bool Render(FrameSink* pSink, const ClientRect* pClient);

  BOOL CreateGLContext();
  void SetViewport(const ClientRect* pClient);
  void DeleteGLContext();
  // Records only the first failure.
  void SetError(int code);
  const char* ErrorText() const { return m_pszError; }

  // Stands in for the buffer swap: reads the finished picture back and hands
  // it to the sink. FALSE when there is no sink or it refuses the frame.
  BOOL SwapBuffers();

 protected:
  // Paints onto a read-back frame before it is presented: text and the like,
  // which GL does not draw.
  virtual void DecorateFrame(Frame&) {}

  // Set by the derived class for the next present: a coarse picture (no depth
  // is read for it), the matrices the picture was drawn with and its fit.
  bool m_bCoarsePicture = false;
  std::array<float, 16> m_pictureProjection{};
  std::array<float, 16> m_pictureModelView{};
  std::optional<SurfaceFit> m_pictureFit;

  EGLContext m_hRC = EGL_NO_CONTEXT;
  FrameSink* m_pSink = nullptr;
  const char* m_pszError = g_glErrorText[GLERR_NONE];

 private:
  // Frees whatever CreateGLContext made when it failed part-way.
  void ReleaseAfterFailure();

  EGLDisplay m_display = EGL_NO_DISPLAY;
  EGLConfig m_config = nullptr;
  EGLSurface m_surface = EGL_NO_SURFACE;
  // Every GL call of a run happens on the thread that made its context.
  ThreadAffinity m_contextThread;
  int m_nWidth = 0;  // the client size the frames have
  int m_nHeight = 0;
  Frame m_frame;  // reused between presents
};
