#include "gui/AppSettings.h"

#include <QSettings>

#include "gui/PlainIni.h"

namespace {

constexpr char kFitKey[] = "Settings/Fit";
constexpr char kFolderKey[] = "Settings/LastFolder";

}  // namespace

CAppSettings::CAppSettings(QString iniPath) : m_iniPath(std::move(iniPath)) {}

bool CAppSettings::Fit() const {
  return QSettings(m_iniPath, PlainIniFormat()).value(QString::fromLatin1(kFitKey)).toString() ==
         QLatin1String("1");
}

void CAppSettings::SetFit(bool fit) {
  QSettings settings(m_iniPath, PlainIniFormat());
  settings.setValue(QString::fromLatin1(kFitKey), fit ? QStringLiteral("1") : QStringLiteral("0"));
}

QString CAppSettings::LastFolder() const {
  return QSettings(m_iniPath, PlainIniFormat()).value(QString::fromLatin1(kFolderKey)).toString();
}

void CAppSettings::SetLastFolder(const QString& folder) {
  QSettings settings(m_iniPath, PlainIniFormat());
  settings.setValue(QString::fromLatin1(kFolderKey), folder);
}
