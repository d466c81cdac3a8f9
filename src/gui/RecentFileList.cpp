#include "gui/RecentFileList.h"

#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

#include "gui/CommandIds.h"
#include "gui/PlainIni.h"

namespace {

constexpr char kSection[] = "Recent File List";

QString Key(int index) { return QStringLiteral("File%1").arg(index + 1); }

}  // namespace

CRecentFileList::CRecentFileList(QString iniPath) : m_iniPath(std::move(iniPath)) { Load(); }

void CRecentFileList::Load() {
  QSettings settings(m_iniPath, PlainIniFormat());
  settings.beginGroup(QString::fromLatin1(kSection));
  for (int k = 0; k < kRecentFileCount; ++k) {
    const QString path = settings.value(Key(k)).toString();
    if (!path.isEmpty() && !m_files.contains(path)) m_files.append(path);
  }
}

void CRecentFileList::Store() const {
  QSettings settings(m_iniPath, PlainIniFormat());
  settings.beginGroup(QString::fromLatin1(kSection));
  for (int k = 0; k < kRecentFileCount; ++k) {
    if (k < m_files.size()) {
      settings.setValue(Key(k), m_files[k]);
    } else {
      settings.remove(Key(k));
    }
  }
}

void CRecentFileList::Add(const QString& path) {
  const QString absolute = QFileInfo(path).absoluteFilePath();
  m_files.removeAll(absolute);
  m_files.prepend(absolute);
  while (m_files.size() > kRecentFileCount) m_files.removeLast();
  Store();
}

void CRecentFileList::Remove(const QString& path) {
  if (m_files.removeAll(path) > 0) Store();
}

QString DefaultIniPath() {
  return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
         QStringLiteral("/orvex/orvex.ini");
}
