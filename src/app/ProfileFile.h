#pragma once

#include <optional>

#include <QString>

// A small reader and writer of profile ("INI") files: "[section]" lines open sections, each
// setting is a "key=value" line. Section and key names match without regard to case; a value
// is read without surrounding blanks and without one pair of enclosing quotes. Every call
// opens the file anew; nothing is cached.
namespace ProfileFile {

// Longest value a read returns; longer values are cut.
inline constexpr int MaxValueLength = 2047;

bool sectionExists(const QString& path, const QString& section);
bool keyExists(const QString& path, const QString& section, const QString& key);

// The key's value, or nothing when the file, the section or the key is missing.
std::optional<QString> readValue(const QString& path, const QString& section, const QString& key);

// The key's value, or defaultValue when the file, the section or the key is missing.
QString readString(const QString& path, const QString& section, const QString& key,
                   const QString& defaultValue);

// Replaces the key's value, or adds the key (and the section, and the file) when missing.
// False when the file cannot be written; the file then keeps its old content.
bool writeString(const QString& path, const QString& section, const QString& key, const QString& value);

// True only when the key existed and the file without it was written.
bool deleteKey(const QString& path, const QString& section, const QString& key);

}  // namespace ProfileFile
