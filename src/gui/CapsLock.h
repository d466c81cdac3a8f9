// Whether caps lock is on. Qt has no portable query; where the keyboard
// cannot be asked (no X display), the answer is off.
#pragma once

bool CapsLockOn();
