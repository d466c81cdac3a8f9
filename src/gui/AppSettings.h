// The program's own settings, kept in its INI file beside the recent-file
// list, under [Settings]. Never in a parameter file: they belong to the user,
// not to a plot. Each is written at once, so a crash later loses nothing.
#pragma once

#include <QString>

class CParamModel;

class CAppSettings {
 public:
  explicit CAppSettings(QString iniPath);

  // A switch under [Settings] ("Fit", "Axes"...): "1" on, anything else off.
  bool Flag(const char* name) const;
  void SetFlag(const char* name, bool on);
  // A text under [Settings]; "" when it is not there.
  QString Text(const char* name) const;
  void SetText(const char* name, const QString& text);

  // The folder a file dialog last chose a file in; "" before the first.
  QString LastFolder() const { return Text("LastFolder"); }
  void SetLastFolder(const QString& folder) { SetText("LastFolder", folder); }

  // The model's window settings from the file (fit, axes, extremes, colouring
  // and its map), and every later change of them back to it.
  void Restore(CParamModel& model) const;
  void Follow(CParamModel& model);

 private:
  QString m_iniPath;
};
