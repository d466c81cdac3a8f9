#include "render/OpenGLContext.h"

#include <EGL/eglext.h>
#include <GL/gl.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <thread>

const char* const g_glErrorText[8] = {
    "No Error",
    "Unable to get a DC ",
    "ChoosePixelFormat failed ",
    "SelectPixelFormat failed ",
    "wglCreateContext failed ",
    "wglMakeCurrent failed ",
    "wglDeleteContext failed ",
    "SwapBuffers failed ",
};

namespace {

bool HasClientExtension(const char* name) {
  const char* list = eglQueryString(EGL_NO_DISPLAY, EGL_EXTENSIONS);
  if (list == nullptr) return false;
  const std::size_t length = std::strlen(name);
  for (const char* p = std::strstr(list, name); p != nullptr; p = std::strstr(p + 1, name)) {
    const bool startsWord = p == list || p[-1] == ' ';
    const bool endsWord = p[length] == '\0' || p[length] == ' ';
    if (startsWord && endsWord) return true;
  }
  return false;
}

EGLDisplay InitializedDisplay(EGLDisplay display) {
  if (display == EGL_NO_DISPLAY) return EGL_NO_DISPLAY;
  EGLint major = 0;
  EGLint minor = 0;
  return eglInitialize(display, &major, &minor) ? display : EGL_NO_DISPLAY;
}

// Surfaceless Mesa needs neither a window system nor a GPU; the default display
// is the fallback for drivers without it.
EGLDisplay OpenDisplay() {
  EGLDisplay display = EGL_NO_DISPLAY;
  if (HasClientExtension("EGL_MESA_platform_surfaceless")) {
    display = InitializedDisplay(
        eglGetPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr));
  }
  if (display == EGL_NO_DISPLAY) display = InitializedDisplay(eglGetDisplay(EGL_DEFAULT_DISPLAY));
  return display;
}

}  // namespace

// The display stays initialised for the life of the process: eglTerminate
// would pull it from under any other context of the process.
COpenGLContext::~COpenGLContext() = default;

void ConfigureSoftwareRasteriserForOnePicture() {
  if (std::thread::hardware_concurrency() <= 2) setenv("LP_NUM_THREADS", "0", 0);
}

void COpenGLContext::SetError(int code) {
  if (code < 0 || code > GLERR_SWAP) return;
  if (m_pszError == g_glErrorText[GLERR_NONE]) m_pszError = g_glErrorText[code];
}

BOOL COpenGLContext::SetupPixelFormat() {
  m_display = OpenDisplay();
  if (m_display == EGL_NO_DISPLAY || !eglBindAPI(EGL_OPENGL_API)) {
    SetError(GLERR_CHOOSE_FORMAT);
    return FALSE;
  }
  const EGLint attributes[] = {EGL_SURFACE_TYPE,
                               EGL_PBUFFER_BIT,
                               EGL_RENDERABLE_TYPE,
                               EGL_OPENGL_BIT,
                               EGL_RED_SIZE,
                               8,
                               EGL_GREEN_SIZE,
                               8,
                               EGL_BLUE_SIZE,
                               8,
                               EGL_DEPTH_SIZE,
                               24,
                               EGL_NONE};
  EGLint count = 0;
  if (!eglChooseConfig(m_display, attributes, &m_config, 1, &count) || count < 1) {
    SetError(GLERR_CHOOSE_FORMAT);
    return FALSE;
  }
  // A pbuffer cannot be empty; frames keep the client size even when it is.
  const EGLint surfaceAttributes[] = {EGL_WIDTH, std::max(m_nWidth, 1), EGL_HEIGHT,
                                      std::max(m_nHeight, 1), EGL_NONE};
  m_surface = eglCreatePbufferSurface(m_display, m_config, surfaceAttributes);
  if (m_surface == EGL_NO_SURFACE) {
    SetError(GLERR_SET_FORMAT);
    return FALSE;
  }
  return TRUE;
}

BOOL COpenGLContext::CreateGLContext() {
  if (!SetupPixelFormat()) return FALSE;
  // Fixed-function drawing (display lists, lighting, glBegin) needs the
  // compatibility profile.
  const EGLint contextAttributes[] = {EGL_CONTEXT_OPENGL_PROFILE_MASK,
                                      EGL_CONTEXT_OPENGL_COMPATIBILITY_PROFILE_BIT, EGL_NONE};
  m_hRC = eglCreateContext(m_display, m_config, EGL_NO_CONTEXT, contextAttributes);
  if (m_hRC == EGL_NO_CONTEXT) {
    SetError(GLERR_CREATE);
    return FALSE;
  }
  if (!eglMakeCurrent(m_display, m_surface, m_surface, m_hRC)) {
    SetError(GLERR_MAKE_CURRENT);
    return FALSE;
  }
  return TRUE;
}

void COpenGLContext::DeleteGLContext() {
  ORVEX_ASSERT_OWNER(m_contextThread);
  if (!eglMakeCurrent(m_display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT)) {
    SetError(GLERR_MAKE_CURRENT);
  }
  if (!eglDestroyContext(m_display, m_hRC)) SetError(GLERR_DELETE);
  m_hRC = EGL_NO_CONTEXT;
  if (m_surface != EGL_NO_SURFACE && !eglDestroySurface(m_display, m_surface)) {
    SetError(GLERR_DELETE);
  }
  m_surface = EGL_NO_SURFACE;
  // Drops the thread's EGL state; the drawing thread ends soon after.
  eglReleaseThread();
}

void COpenGLContext::ReleaseAfterFailure() {
  if (m_display == EGL_NO_DISPLAY) return;
  if (m_hRC != EGL_NO_CONTEXT) eglDestroyContext(m_display, m_hRC);
  if (m_surface != EGL_NO_SURFACE) eglDestroySurface(m_display, m_surface);
  m_hRC = EGL_NO_CONTEXT;
  m_surface = EGL_NO_SURFACE;
  eglReleaseThread();
}

void COpenGLContext::SetViewport(const ClientRect* pClient) {
  const int width = pClient->Width();
  const int height = pClient->Height();
  if (width < 1 || height < 1) return;
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  SetProjection(static_cast<double>(width) / static_cast<double>(height));
  glViewport(0, 0, width, height);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  SetViewpoint();
}

bool COpenGLContext::Render(FrameSink* pSink, const ClientRect* pClient) {
  ORVEX_ASSERT_OWNER(m_contextThread);
  m_pSink = pSink;
  m_nWidth = std::max(pClient->Width(), 0);
  m_nHeight = std::max(pClient->Height(), 0);
  if (!CreateGLContext()) {
    ReleaseAfterFailure();
    return false;
  }
  try {
    SetViewport(pClient);
    BuildScene();
    glPushMatrix();
    ClearScene();
    glPopMatrix();
    glPushMatrix();
    DrawScene();
    glPopMatrix();
    glFinish();
  } catch (...) {
    DeleteGLContext();
    throw;
  }
  DeleteGLContext();
  return true;
}

BOOL COpenGLContext::SwapBuffers() {
  ORVEX_ASSERT_OWNER(m_contextThread);
  if (m_pSink == nullptr) {
    SetError(GLERR_SWAP);
    return FALSE;
  }
  const int width = m_nWidth;
  const int height = m_nHeight;
  const std::size_t rowBytes = static_cast<std::size_t>(width) * 4;
  m_frame.width = width;
  m_frame.height = height;
  m_frame.rgba.resize(rowBytes * static_cast<std::size_t>(height));
  if (width > 0 && height > 0) {
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, m_frame.rgba.data());
    // GL hands rows bottom first; frames are top first.
    std::vector<std::uint8_t> row(rowBytes);
    for (int top = 0, bottom = height - 1; top < bottom; ++top, --bottom) {
      std::uint8_t* a = m_frame.rgba.data() + static_cast<std::size_t>(top) * rowBytes;
      std::uint8_t* b = m_frame.rgba.data() + static_cast<std::size_t>(bottom) * rowBytes;
      std::copy(a, a + rowBytes, row.begin());
      std::copy(b, b + rowBytes, a);
      std::copy(row.begin(), row.end(), b);
    }
    // The clear alpha is 0 and blending leaves partial alpha; the view is opaque.
    for (std::size_t k = 3; k < m_frame.rgba.size(); k += 4) m_frame.rgba[k] = 255;
  }
  m_frame.coarse = m_bCoarsePicture;
  m_frame.projection = m_pictureProjection;
  m_frame.modelView = m_pictureModelView;
  glGetFloatv(GL_LINE_WIDTH, &m_frame.lineWidth);
  m_frame.fit = m_pictureFit;
  // The depth tells the window which point a pixel shows; a drag's pictures
  // go without it, for speed.
  m_frame.depth.clear();
  if (!m_bCoarsePicture && width > 0 && height > 0) {
    const std::size_t pixels = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    m_frame.depth.resize(pixels);
    glReadPixels(0, 0, width, height, GL_DEPTH_COMPONENT, GL_FLOAT, m_frame.depth.data());
    const auto rowLength = static_cast<std::size_t>(width);
    for (int top = 0, bottom = height - 1; top < bottom; ++top, --bottom) {
      std::swap_ranges(m_frame.depth.begin() + static_cast<std::ptrdiff_t>(top * rowLength),
                       m_frame.depth.begin() + static_cast<std::ptrdiff_t>((top + 1) * rowLength),
                       m_frame.depth.begin() + static_cast<std::ptrdiff_t>(bottom * rowLength));
    }
  }
  DecorateFrame(m_frame);
  if (!m_pSink->Present(m_frame)) {
    SetError(GLERR_SWAP);
    return FALSE;
  }
  return TRUE;
}
