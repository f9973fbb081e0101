#pragma once

#include <QString>

// The four version numbers of this build (major, minor, release, build), fixed at build time.
struct BuildVersion {
    quint16 major = 0;
    quint16 minor = 0;
    quint16 release = 0;
    quint16 build = 0;

    static BuildVersion current();
    QString text() const;  // "major.minor.release.build"
};
