// The window's language. Its texts are written in Japanese, in the tables
// and in core's messages; English comes from the translation in
// res/i18n/orvex_en.ts through Qt's translators, looked up with the Japanese
// text as the key. Japanese needs no lookup, so it stays byte for byte.
#pragma once

#include <QString>
#include <QTranslator>
#include <optional>
#include <span>

enum class Language { Japanese, English };

// "ja" or "en"; nothing for any other code.
std::optional<Language> LanguageFromCode(const QString& code);
// [Settings] Language= in the INI file; Japanese when it is missing or unknown.
Language LanguageSetting(const QString& iniPath);

// While it lives, the program's texts and Qt's own (dialog buttons, file
// dialogs) are in language. One at a time.
class CTranslation {
 public:
  explicit CTranslation(Language language);
  ~CTranslation();
  CTranslation(const CTranslation&) = delete;
  CTranslation& operator=(const CTranslation&) = delete;

 private:
  QTranslator m_program;
  QTranslator m_qt;
};

Language CurrentLanguage();

// A text of the program's own, given in Japanese, in the current language.
QString Tr(const char* japanese);
// A finished message, which may come from core with a path or limits put in:
// the whole text is looked up first, then the patterns of
// ParameterisedMessages() with their values carried over.
QString TrMessage(const QString& message);
// Core's messages that hold a value ("%1 が見つかりませんでした。").
std::span<const char* const> ParameterisedMessages();

// The help page in the current language, as a resource URL.
QString HelpPage();
