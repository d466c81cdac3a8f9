// The recent-file list: up to four parameter files, newest first, kept in the
// program's INI file under [Recent File List] as File1..File4.
#pragma once

#include <QString>
#include <QStringList>

class CRecentFileList {
 public:
  explicit CRecentFileList(QString iniPath);

  const QStringList& Files() const { return m_files; }
  // Moves path to the front (adding it if new) and writes the list at once,
  // so a crash later loses nothing.
  void Add(const QString& path);
  void Remove(const QString& path);

 private:
  void Load();
  void Store() const;

  QString m_iniPath;
  QStringList m_files;
};

// ~/.config/orvex/orvex.ini, or what XDG_CONFIG_HOME says.
QString DefaultIniPath();
