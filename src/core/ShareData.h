// The run state block through which the user-interface side hands a run to the
// drawing thread and follows it.
#pragma once

#include <atomic>
#include <mutex>
#include <optional>

#include "core/ColourMap.h"
#include "core/Formula.h"
#include "core/ParaData.h"

// Drawing states (m_nState).
constexpr int DS_INITIAL = 0;      // nothing shown since start-up
constexpr int DS_RUN_SURFACE = 1;  // a drawing thread runs a surface style
constexpr int DS_RUN_CONTOUR = 2;  // a drawing thread runs the contour style
constexpr int DS_LOADED = 3;       // a parameter file has just been loaded
constexpr int DS_CLEAR = 4;        // the style changed; the next paint clears
constexpr int DS_STOP = 5;         // stop requested
constexpr int DS_IDLE = 6;         // no drawing thread

inline bool IsRunning(int state) { return state == DS_RUN_SURFACE || state == DS_RUN_CONTOUR; }

// What a request to start a run came to.
enum class StartResult {
  Started,
  AlreadyRunning,  // a drawing thread exists that has not ended
  BadStyle,        // the style is outside 0..5: nothing to draw
  CouldNotStart,   // the system refused a new thread; the state is DS_IDLE
};

// Why a run ended without its picture. The drawing thread records the first
// problem it meets; the window and the tool report it, so that an empty
// picture never passes for a drawn one.
enum class RunProblem {
  None,
  NoGrid,               // the sampler refused the mesh count, or there was no memory for it
  TooManyContourLines,  // the interval is too small for the range of values
  NothingToDraw,        // fitting the heights found no finite value of the formula
  NoContext,            // no OpenGL context could be made
  Failed,               // anything else that went wrong on the drawing thread
};
// The window's text for a problem, short enough for the status bar's message
// pane; "" for None.
const char* RunProblemMessage(RunProblem problem);

// The window's settings for one run, beside the parameter set: how the
// picture is to look, never stored in a parameter file. A new setting is one
// field here, carried by Start to the drawing thread through g_ShareData.
struct RunOptions {
  // Heights fitted to the data instead of scaled by the Z coefficient.
  bool fit = false;
  // The surface coloured by height through this map, with a colour bar;
  // none: the style's own colours.
  std::optional<ColourMap> colourMap;
  // These three may change while the run is on (SetZoom, SetAids): the
  // picture is drawn again with them, from the same grid and lists.
  // The wheel's zoom (1 = the picture as the projection frames it).
  double zoom = 1.0;
  // The box around the drawn range with three numbered axes.
  bool axes = false;
  // The sampled minimum and maximum marked with their values.
  bool extremes = false;
};

struct ClientRect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
};

class CShareData {
 public:
  // Written by the user-interface thread, read by the drawing thread at every
  // point, cell and wait; the drawing thread writes DS_IDLE once, when it ends,
  // unless the window has written DS_LOADED or DS_CLEAR meanwhile.
  std::atomic<int> m_nState{DS_INITIAL};
  // Grows by 2 per surface row and 1 per contour row; only displayed.
  std::atomic<int> m_nProgress{0};

  // Filled before the run starts and not written while it runs, except the two
  // angles and the zoom, which go through their locked accessors.
  ClientRect m_clientRect;
  CParaData m_para;
  CFormula* m_pFormula = nullptr;
  // Read through Options(); written by the window before the run starts.
  void SetOptions(const RunOptions& options) {
    std::lock_guard lock(m_angleMutex);
    m_options = options;
  }
  RunOptions Options() const {
    std::lock_guard lock(m_angleMutex);
    return m_options;
  }

  void SetAngles(double upDown, double leftRight) {
    std::lock_guard lock(m_angleMutex);
    m_para.m_dUpDownAngle = upDown;
    m_para.m_dLeftRightAngle = leftRight;
  }
  // A rotation command turns about one axis only.
  void SetUpDownAngle(double upDown) {
    std::lock_guard lock(m_angleMutex);
    m_para.m_dUpDownAngle = upDown;
  }
  void SetLeftRightAngle(double leftRight) {
    std::lock_guard lock(m_angleMutex);
    m_para.m_dLeftRightAngle = leftRight;
  }
  void SetZoom(double zoom) {
    std::lock_guard lock(m_angleMutex);
    m_options.zoom = zoom;
  }
  double GetZoom() const {
    std::lock_guard lock(m_angleMutex);
    return m_options.zoom;
  }
  void SetAids(bool axes, bool extremes) {
    std::lock_guard lock(m_angleMutex);
    m_options.axes = axes;
    m_options.extremes = extremes;
  }
  void GetAngles(double& upDown, double& leftRight) const {
    std::lock_guard lock(m_angleMutex);
    upDown = m_para.m_dUpDownAngle;
    leftRight = m_para.m_dLeftRightAngle;
  }

 private:
  mutable std::mutex m_angleMutex;
  RunOptions m_options;
};

extern CShareData g_ShareData;
