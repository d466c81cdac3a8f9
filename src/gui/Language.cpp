#include "gui/Language.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QRegularExpression>
#include <QSettings>

#include "gui/PlainIni.h"

namespace {

// One context for every text: a Japanese text means the same wherever it
// shows, so it has one translation.
constexpr char kContext[] = "Orvex";

Language g_language = Language::Japanese;

// Core's messages, marked here for lupdate because core has no Qt. The
// translation test has each of core's messages put into English, so a text
// core adds without a line here fails it.
[[maybe_unused]] const char* const kCoreMessages[] = {
    QT_TRANSLATE_NOOP("Orvex", "計算式が長すぎます (4096 ﾊﾞｲﾄまで)。"),
    QT_TRANSLATE_NOOP("Orvex", "計算式が入力されてません！"),
    QT_TRANSLATE_NOOP("Orvex", "不正な文字がありました！"),
    QT_TRANSLATE_NOOP("Orvex", "不正な計算式です！"),
    QT_TRANSLATE_NOOP("Orvex", "-x^2 は (-x)^2 と読みます。-(x^2) と書けます"),
    QT_TRANSLATE_NOOP("Orvex", "a^b^c は (a^b)^c と読みます。a^(b^c) と書けます"),
    QT_TRANSLATE_NOOP("Orvex", "整数を入力してください。"),
    QT_TRANSLATE_NOOP("Orvex", "数字を入力してください。"),
    QT_TRANSLATE_NOOP("Orvex", "ﾊﾟﾗﾒｰﾀに描画できない値があります (角度・計算範囲・Z軸係数)。"),
    QT_TRANSLATE_NOOP("Orvex", "予期しないﾌｧｲﾙ形式です。"),
    QT_TRANSLATE_NOOP("Orvex", "ﾌｧｲﾙの拡張部分が壊れています。ﾊﾟﾗﾒｰﾀ以外を読み込みました。"),
    QT_TRANSLATE_NOOP("Orvex",
                      "ﾌｧｲﾙの拡張部分はこのﾊﾞｰｼﾞｮﾝでは読めません。ﾊﾟﾗﾒｰﾀ以外を読み込みました。"),
    QT_TRANSLATE_NOOP("Orvex", "無効なﾌｧｲﾙ名です。"),
    QT_TRANSLATE_NOOP("Orvex", "ﾄﾞｷｭﾒﾝﾄを開くことに失敗しました。"),
    QT_TRANSLATE_NOOP("Orvex", "計算用の格子を用意できません"),
    QT_TRANSLATE_NOOP("Orvex", "等高線が多すぎて描けません"),
    QT_TRANSLATE_NOOP("Orvex", "描画できる値がありません"),
    QT_TRANSLATE_NOOP("Orvex", "OpenGL の描画環境がありません"),
    QT_TRANSLATE_NOOP("Orvex", "描画中にｴﾗｰが起きました"),
};

// Core's messages that hold a value, found again by their pattern.
const char* const kParameterisedMessages[] = {
    QT_TRANSLATE_NOOP("Orvex", "%1 が見つかりませんでした。"),
    QT_TRANSLATE_NOOP("Orvex", "%1 へのｱｸｾｽは拒否されました。"),
    QT_TRANSLATE_NOOP("Orvex", "%1 へのｱｸｾｽ中にﾃﾞｨｽｸがいっぱいになりました。"),
    QT_TRANSLATE_NOOP("Orvex", "%1 から %2 までの整数を入力してください。"),
    QT_TRANSLATE_NOOP("Orvex", "%1 から %2 までの数字を入力してください。"),
    QT_TRANSLATE_NOOP("Orvex", "%1 文字以内で入力してください。"),
};

// The pattern as an expression catching each "%n" in turn: the values are
// free text (a path may hold anything), so the text around them decides.
QRegularExpression PatternExpression(const QString& pattern) {
  QString expression = QRegularExpression::escape(pattern);
  expression.replace(QRegularExpression(QStringLiteral("\\\\%[1-9]")), QStringLiteral("(.*)"));
  return QRegularExpression(QRegularExpression::anchoredPattern(expression),
                            QRegularExpression::DotMatchesEverythingOption);
}

}  // namespace

std::optional<Language> LanguageFromCode(const QString& code) {
  if (code == QLatin1String("ja")) return Language::Japanese;
  if (code == QLatin1String("en")) return Language::English;
  return std::nullopt;
}

Language LanguageSetting(const QString& iniPath) {
  const QSettings settings(iniPath, PlainIniFormat());
  const QString code = settings.value(QStringLiteral("Settings/Language")).toString().trimmed();
  return LanguageFromCode(code).value_or(Language::Japanese);
}

CTranslation::CTranslation(Language language) {
  const QString qtFolder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
  if (language == Language::English) {
    // The translation is built into the program: it cannot go missing.
    if (!m_program.load(QStringLiteral(":/i18n/orvex_en.qm"))) qFatal("no English translation");
    QCoreApplication::installTranslator(&m_program);
    // Qt's texts are English already; its file adds the plural forms.
    if (m_qt.load(QStringLiteral("qtbase_en"), qtFolder))
      QCoreApplication::installTranslator(&m_qt);
  } else if (m_qt.load(QLocale(QLocale::Japanese), QStringLiteral("qtbase"), QStringLiteral("_"),
                       qtFolder)) {
    QCoreApplication::installTranslator(&m_qt);
  }
  g_language = language;
}

// The translators take themselves out of the application as they go.
CTranslation::~CTranslation() { g_language = Language::Japanese; }

Language CurrentLanguage() { return g_language; }

QString Tr(const char* japanese) { return QCoreApplication::translate(kContext, japanese); }

QString TrMessage(const QString& message) {
  const QString whole = Tr(message.toUtf8().constData());
  if (whole != message || g_language == Language::Japanese) return whole;
  for (const char* pattern : kParameterisedMessages) {
    const QRegularExpressionMatch match =
        PatternExpression(QString::fromUtf8(pattern)).match(message);
    if (!match.hasMatch()) continue;
    // One pass, so that a value holding "%2" stays as it is.
    const QString translated = Tr(pattern);
    return match.lastCapturedIndex() == 1 ? translated.arg(match.captured(1))
                                          : translated.arg(match.captured(1), match.captured(2));
  }
  return message;
}

std::span<const char* const> ParameterisedMessages() { return kParameterisedMessages; }

QString HelpPage() {
  return g_language == Language::English ? QStringLiteral("qrc:/help/en/index.html")
                                         : QStringLiteral("qrc:/help/index.html");
}
