#include "gui/PlainIni.h"

#include <QIODevice>
#include <QMap>

namespace {

bool ReadPlainIni(QIODevice& device, QSettings::SettingsMap& map) {
  QString section;
  while (!device.atEnd()) {
    QString line = QString::fromUtf8(device.readLine());
    while (line.endsWith(QLatin1Char('\n')) || line.endsWith(QLatin1Char('\r'))) line.chop(1);
    const QString trimmed = line.trimmed();
    if (trimmed.isEmpty() || trimmed.startsWith(QLatin1Char(';')) ||
        trimmed.startsWith(QLatin1Char('#'))) {
      continue;
    }
    if (trimmed.startsWith(QLatin1Char('[')) && trimmed.endsWith(QLatin1Char(']'))) {
      section = trimmed.mid(1, trimmed.size() - 2);
      continue;
    }
    const qsizetype equals = line.indexOf(QLatin1Char('='));
    if (equals <= 0) continue;
    const QString name = line.left(equals).trimmed();
    // The value is kept as written: a path may end in a space.
    const QString value = line.mid(equals + 1);
    map.insert(section.isEmpty() ? name : section + QLatin1Char('/') + name, value);
  }
  return true;
}

bool WritePlainIni(QIODevice& device, const QSettings::SettingsMap& map) {
  // Keys without a section first, as INI readers expect them before any [..].
  QMap<QString, QList<QPair<QString, QString>>> sections;
  for (auto it = map.cbegin(); it != map.cend(); ++it) {
    const QString value = it.value().toString();
    if (value.contains(QLatin1Char('\n')) || value.contains(QLatin1Char('\r'))) continue;
    const qsizetype slash = it.key().lastIndexOf(QLatin1Char('/'));
    const QString section = slash < 0 ? QString() : it.key().left(slash);
    sections[section].append({it.key().mid(slash + 1), value});
  }
  QByteArray text;
  for (auto it = sections.cbegin(); it != sections.cend(); ++it) {
    if (!it.key().isEmpty()) {
      if (!text.isEmpty()) text += '\n';
      text += '[' + it.key().toUtf8() + "]\n";
    }
    for (const auto& [name, value] : it.value())
      text += name.toUtf8() + '=' + value.toUtf8() + '\n';
  }
  return device.write(text) == text.size();
}

}  // namespace

QSettings::Format PlainIniFormat() {
  static const QSettings::Format format =
      QSettings::registerFormat(QStringLiteral("ini"), ReadPlainIni, WritePlainIni);
  return format;
}
