#pragma once

#include <QLocale>
#include <QString>

// The languages the program speaks: Chinese, its source texts, and English
// from the catalogue compiled into it.
inline const QString kChinese = QStringLiteral("zh");
inline const QString kEnglish = QStringLiteral("en");

// The language of this run: the --lang option when given, else [UI] LANGUAGE
// of Deploy.ini, else English for an English system locale and Chinese for
// every other.
QString ChosenLanguage(const QString &option, const QString &deployFile, const QLocale &system = QLocale::system());

// Keeps the language for the next start ([UI] LANGUAGE); false when the
// settings file cannot be written.
bool StoreLanguage(const QString &language, const QString &deployFile);

// Makes the language the one windows and messages are shown in from now on:
// English installs the catalogue, Chinese removes it. False when the
// catalogue cannot be loaded.
bool UseLanguage(const QString &language);
