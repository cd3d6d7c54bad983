#include "language.h"

#include "inifile.h"

#include <QCoreApplication>
#include <QTranslator>

#include <memory>

namespace {

std::unique_ptr<QTranslator> &installed()
{
    static std::unique_ptr<QTranslator> translator;
    return translator;
}

} // namespace

QString ChosenLanguage(const QString &option, const QString &deployFile, const QLocale &system)
{
    if (option == kChinese || option == kEnglish)
        return option;
    QByteArray stored;
    if (IniReadString("UI", "LANGUAGE", stored, 8, nullptr, deployFile)) {
        const QString language = QString::fromLatin1(stored).trimmed();
        if (language == kChinese || language == kEnglish)
            return language;
    }
    return system.language() == QLocale::English ? kEnglish : kChinese;
}

bool StoreLanguage(const QString &language, const QString &deployFile)
{
    return IniWriteString("UI", "LANGUAGE", language.toLatin1(), deployFile) != 0;
}

bool UseLanguage(const QString &language)
{
    std::unique_ptr<QTranslator> &translator = installed();
    if (translator) {
        QCoreApplication::removeTranslator(translator.get());
        translator.reset();
    }
    if (language != kEnglish)
        return true;
    auto english = std::make_unique<QTranslator>();
    if (!english->load(QStringLiteral(":/i18n/boxfleet_en.qm")))
        return false;
    QCoreApplication::installTranslator(english.get());
    translator = std::move(english);
    return true;
}
