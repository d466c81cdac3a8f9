// The program's own settings, kept in its INI file beside the recent-file
// list, under [Settings]. Never in a parameter file: they belong to the user,
// not to a plot.
#pragma once

#include <QString>

class CAppSettings {
 public:
  explicit CAppSettings(QString iniPath);

  // Heights fitted to the data (the 自動スケール toggle); off unless set.
  bool Fit() const;
  // Written at once, so a crash later loses nothing.
  void SetFit(bool fit);
  // The folder a file dialog last chose a file in; "" before the first.
  QString LastFolder() const;
  void SetLastFolder(const QString& folder);

 private:
  QString m_iniPath;
};
