#include "platform/qt/LibraryTranslations.h"

#include <memory>

#include <QCoreApplication>
#include <QLocale>
#include <QTranslator>

#include "TranslationData.h"

namespace {

std::unique_ptr<QTranslator>& Installed()
{
    static std::unique_ptr<QTranslator> translator;
    return translator;
}

} // namespace

bool InstallLibraryTranslation(const QString& language)
{
    std::unique_ptr<QTranslator>& installed = Installed();
    if (installed) {
        QCoreApplication::removeTranslator(installed.get());
        installed.reset();
    }
    QStringList wanted;
    if (!language.isNull())
        wanted << language;
    else
        wanted = QLocale().uiLanguages();
    for (const QString& name : wanted) {
        if (name.isEmpty())
            return true;
        const QByteArray code = name.left(2).toLatin1();
        const std::span<const unsigned char> data = TranslationData(code.constData());
        if (data.empty())
            continue;
        auto translator = std::make_unique<QTranslator>();
        if (!translator->load(data.data(), static_cast<int>(data.size())))
            continue;
        QCoreApplication::installTranslator(translator.get());
        installed = std::move(translator);
        return true;
    }
    return false;
}
