#include "gui/AppSettings.h"

#include <QSettings>

#include "gui/ParamModel.h"
#include "gui/PlainIni.h"

namespace {

QString Key(const char* name) { return QStringLiteral("Settings/") + QString::fromLatin1(name); }

}  // namespace

CAppSettings::CAppSettings(QString iniPath) : m_iniPath(std::move(iniPath)) {}

bool CAppSettings::Flag(const char* name) const { return Text(name) == QLatin1String("1"); }

void CAppSettings::SetFlag(const char* name, bool on) {
  SetText(name, on ? QStringLiteral("1") : QStringLiteral("0"));
}

QString CAppSettings::Text(const char* name) const {
  return QSettings(m_iniPath, PlainIniFormat()).value(Key(name)).toString();
}

void CAppSettings::SetText(const char* name, const QString& text) {
  QSettings settings(m_iniPath, PlainIniFormat());
  settings.setValue(Key(name), text);
}

void CAppSettings::Restore(CParamModel& model) const {
  model.SetFit(Flag("Fit"));
  model.SetAxes(Flag("Axes"));
  model.SetExtremes(Flag("Extremes"));
  model.SetColourByHeight(Flag("ColourByHeight"));
  model.SetFollowTyping(Flag("FollowTyping"));
  // An unknown map name keeps the default.
  if (const auto map = ColourMapFromName(Text("ColourMap").toStdString())) model.SetMap(*map);
}

void CAppSettings::Follow(CParamModel& model) {
  QObject::connect(&model, &CParamModel::fitChanged, [this](bool on) { SetFlag("Fit", on); });
  QObject::connect(&model, &CParamModel::axesChanged, [this](bool on) { SetFlag("Axes", on); });
  QObject::connect(&model, &CParamModel::extremesChanged,
                   [this](bool on) { SetFlag("Extremes", on); });
  QObject::connect(&model, &CParamModel::followTypingChanged,
                   [this](bool on) { SetFlag("FollowTyping", on); });
  QObject::connect(&model, &CParamModel::colourChanged, [this, &model] {
    SetFlag("ColourByHeight", model.ColourByHeight());
    const std::string_view name = ColourMapName(model.Map());
    SetText("ColourMap", QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size())));
  });
}
