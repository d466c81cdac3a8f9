#include "gui/CapsLock.h"

#include <QGuiApplication>
// After Qt: Xlib defines macros (Bool, None, ...) that clash with Qt's names.
#include <X11/XKBlib.h>

bool CapsLockOn() {
  const auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
  if (x11 == nullptr || x11->display() == nullptr) return false;
  unsigned int indicators = 0;
  if (XkbGetIndicatorState(x11->display(), XkbUseCoreKbd, &indicators) != Success) return false;
  // Indicator 0 is caps lock on every keymap X servers ship.
  return (indicators & 1u) != 0;
}
