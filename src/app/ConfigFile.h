#pragma once

#include <QString>

struct TSettingsData;

// The configuration file "Corvale.config" beside the executable: read once at start-up into
// the settings record, written once at shut-down.
class ConfigFile {
public:
    // appFolder: the executable's folder, with or without a trailing separator.
    explicit ConfigFile(const QString& appFolder);

    const QString& Path() const { return path_; }

    // Port, logo and the four switches; a missing file, section or key gives the default.
    void ReadInto(TSettingsData& settings) const;

    // Logo, port and the four switches, in that order. Stops at the first key that cannot be
    // written and returns false with the error "Unable to write to <path>"; earlier keys stay.
    bool WriteFrom(const TSettingsData& settings, QString& error) const;

    // The logo when the file names none: "pictures/tidewell.gif" in the executable's folder.
    QString DefaultLogoPicture() const;

private:
    QString appFolder_;  // without a trailing separator
    QString path_;
};
