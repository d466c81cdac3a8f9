// A QSettings format for INI files read and written as people write them:
// "[Recent File List]" stays one section name with its spaces, and values are
// plain text. Qt's own IniFormat percent-encodes spaces in section names.
#pragma once

#include <QSettings>

// Registered on first use. Keys are "Section/Name"; values are strings (a
// value holding a line break is not stored).
QSettings::Format PlainIniFormat();
