#pragma once

#include <QString>

// One profile file and one section of it. Every operation opens the file anew.
class TZAF_inifile {
public:
    QString Filename() const { return FFilename; }
    void SetFilename(const QString& filename) { FFilename = filename; }
    QString Section() const { return FSection; }
    void SetSection(const QString& section) { FSection = section; }

    bool FileExists() const;
    bool SectionExists() const;
    bool ItemExists(const QString& fitem) const;
    // Deletes the key of the named section (not Section); true only if it existed.
    bool DeleteItem(const QString& fsection, const QString& fitem) const;

    // False when no file is named or the file cannot be written.
    bool WriteStr(const QString& fitem, const QString& fvalue) const;
    bool WriteInt(const QString& fitem, qint32 fvalue) const;
    bool WriteFloat(const QString& fitem, double fvalue) const;
    bool WriteBool(const QString& fitem, bool fvalue) const;

    // fvalue holds the default on entry and the value read on return; false (fvalue
    // unchanged) when no file is named.
    bool ReadStr(const QString& fitem, QString& fvalue) const;
    bool ReadInt(const QString& fitem, qint32& fvalue) const;
    bool ReadFloat(const QString& fitem, double& fvalue) const;
    bool ReadBool(const QString& fitem, bool& fvalue) const;

    QString TryReadStr(const QString& fitem, const QString& fdefault) const;
    qint32 TryReadInt(const QString& fitem, qint32 fdefault) const;
    double TryReadFloat(const QString& fitem, double fdefault) const;
    bool TryReadBool(const QString& fitem, bool fdefault) const;

private:
    QString FFilename;
    QString FSection = QStringLiteral("section");
};
