#include "app/ZafIniFile.h"

#include <QFileInfo>

#include "app/ProfileFile.h"
#include "app/ProfileValues.h"

bool TZAF_inifile::FileExists() const
{
    return !FFilename.isEmpty() && QFileInfo(FFilename).isFile();
}

bool TZAF_inifile::SectionExists() const
{
    return !FFilename.isEmpty() && ProfileFile::sectionExists(FFilename, FSection);
}

bool TZAF_inifile::ItemExists(const QString& fitem) const
{
    return !FFilename.isEmpty() && ProfileFile::keyExists(FFilename, FSection, fitem);
}

bool TZAF_inifile::DeleteItem(const QString& fsection, const QString& fitem) const
{
    return !FFilename.isEmpty() && ProfileFile::deleteKey(FFilename, fsection, fitem);
}

bool TZAF_inifile::WriteStr(const QString& fitem, const QString& fvalue) const
{
    return !FFilename.isEmpty() && ProfileFile::writeString(FFilename, FSection, fitem, fvalue);
}

bool TZAF_inifile::WriteInt(const QString& fitem, qint32 fvalue) const
{
    return WriteStr(fitem, QString::number(fvalue));
}

bool TZAF_inifile::WriteFloat(const QString& fitem, double fvalue) const
{
    return WriteStr(fitem, ProfileValues::textOfFloat(fvalue));
}

bool TZAF_inifile::WriteBool(const QString& fitem, bool fvalue) const
{
    return WriteStr(fitem, ProfileValues::textOfBoolean(fvalue));
}

bool TZAF_inifile::ReadStr(const QString& fitem, QString& fvalue) const
{
    if (FFilename.isEmpty()) {
        return false;
    }
    fvalue = ProfileFile::readString(FFilename, FSection, fitem, fvalue);
    return true;
}

bool TZAF_inifile::ReadInt(const QString& fitem, qint32& fvalue) const
{
    if (FFilename.isEmpty()) {
        return false;
    }
    if (const std::optional<QString> text = ProfileFile::readValue(FFilename, FSection, fitem)) {
        fvalue = ProfileValues::integerFromText(*text, fvalue);
    }
    return true;
}

bool TZAF_inifile::ReadFloat(const QString& fitem, double& fvalue) const
{
    if (FFilename.isEmpty()) {
        return false;
    }
    if (const std::optional<QString> text = ProfileFile::readValue(FFilename, FSection, fitem)) {
        fvalue = ProfileValues::floatFromText(*text, fvalue);
    }
    return true;
}

bool TZAF_inifile::ReadBool(const QString& fitem, bool& fvalue) const
{
    if (FFilename.isEmpty()) {
        return false;
    }
    if (const std::optional<QString> text = ProfileFile::readValue(FFilename, FSection, fitem)) {
        fvalue = ProfileValues::booleanFromText(*text, fvalue);
    }
    return true;
}

QString TZAF_inifile::TryReadStr(const QString& fitem, const QString& fdefault) const
{
    QString value = fdefault;
    ReadStr(fitem, value);
    return value;
}

qint32 TZAF_inifile::TryReadInt(const QString& fitem, qint32 fdefault) const
{
    qint32 value = fdefault;
    ReadInt(fitem, value);
    return value;
}

double TZAF_inifile::TryReadFloat(const QString& fitem, double fdefault) const
{
    double value = fdefault;
    ReadFloat(fitem, value);
    return value;
}

bool TZAF_inifile::TryReadBool(const QString& fitem, bool fdefault) const
{
    bool value = fdefault;
    ReadBool(fitem, value);
    return value;
}
