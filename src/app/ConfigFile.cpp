#include "app/ConfigFile.h"

#include <QDir>

#include "app/ProfileFile.h"
#include "app/ProfileValues.h"
#include "util/Settings.h"

namespace {

const QString ConfigFileName = QStringLiteral("Corvale.config");
const QString Section = QStringLiteral("Corvale");
const QString DefaultLogoInAppFolder = QStringLiteral("pictures/tidewell.gif");

const QString KeyPort = QStringLiteral("port");
const QString KeyLogo = QStringLiteral("logo");
const QString KeyCopy = QStringLiteral("Copy");
const QString KeyNoUpload = QStringLiteral("NoUpload");
const QString KeyNoModify = QStringLiteral("NoModify");
const QString KeySearchWithWildcards = QStringLiteral("SearchWithWildcards");

constexpr qint32 DefaultPort = 81;
constexpr bool DefaultLeaveCopy = true;
constexpr bool DefaultNoUpload = false;
constexpr bool DefaultNoModify = false;
constexpr bool DefaultSearchWithWildcards = false;

QString withoutTrailingSeparator(QString folder)
{
    while (folder.endsWith(QLatin1Char('/'))) {
        folder.chop(1);
    }
    return folder;
}

}  // namespace

ConfigFile::ConfigFile(const QString& appFolder)
    : appFolder_(withoutTrailingSeparator(QDir::fromNativeSeparators(appFolder))),
      path_(appFolder_ + QLatin1Char('/') + ConfigFileName)
{
}

QString ConfigFile::DefaultLogoPicture() const
{
    return appFolder_ + QLatin1Char('/') + DefaultLogoInAppFolder;
}

void ConfigFile::ReadInto(TSettingsData& settings) const
{
    const auto read = [this](const QString& key) { return ProfileFile::readValue(path_, Section, key); };
    const auto readBool = [&read](const QString& key, bool defaultValue) {
        const std::optional<QString> text = read(key);
        return text ? ProfileValues::booleanFromText(*text, defaultValue) : defaultValue;
    };

    const std::optional<QString> port = read(KeyPort);
    settings.Port = port ? ProfileValues::integerFromText(*port, DefaultPort) : DefaultPort;
    settings.LogoPicture = read(KeyLogo).value_or(DefaultLogoPicture());
    settings.LeaveCopy = readBool(KeyCopy, DefaultLeaveCopy);
    settings.disableupload = readBool(KeyNoUpload, DefaultNoUpload);
    settings.disablemodify = readBool(KeyNoModify, DefaultNoModify);
    settings.SearchWithWildcards = readBool(KeySearchWithWildcards, DefaultSearchWithWildcards);
}

bool ConfigFile::WriteFrom(const TSettingsData& settings, QString& error) const
{
    const QList<std::pair<QString, QString>> values = {
        {KeyLogo, settings.LogoPicture},
        {KeyPort, QString::number(settings.Port)},
        {KeyCopy, ProfileValues::textOfBoolean(settings.LeaveCopy)},
        {KeyNoUpload, ProfileValues::textOfBoolean(settings.disableupload)},
        {KeyNoModify, ProfileValues::textOfBoolean(settings.disablemodify)},
        {KeySearchWithWildcards, ProfileValues::textOfBoolean(settings.SearchWithWildcards)},
    };
    for (const auto& [key, value] : values) {
        if (!ProfileFile::writeString(path_, Section, key, value)) {
            error = QStringLiteral("Unable to write to %1").arg(QDir::toNativeSeparators(path_));
            return false;
        }
    }
    return true;
}
