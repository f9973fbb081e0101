#include "app/ProfileFile.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>
#include <QStringList>

#include "util/Windows1252.h"

namespace ProfileFile {

namespace {

// A file carried over from Windows is in its single-byte code page; one we write is UTF-8,
// so that any path fits. Text that is not valid UTF-8 is therefore read as Windows-1252.
QString decodeFileText(const QByteArray& bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (utf8.hasError()) {
        return fromWindows1252(bytes);
    }
    if (text.startsWith(QChar(0xFEFF))) {
        text.remove(0, 1);
    }
    return text;
}

std::optional<QStringList> loadLines(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    QStringList lines = decodeFileText(file.readAll()).split(QLatin1Char('\n'));
    for (QString& line : lines) {
        if (line.endsWith(QLatin1Char('\r'))) {
            line.chop(1);
        }
    }
    if (!lines.isEmpty() && lines.constLast().isEmpty()) {
        lines.removeLast();  // the end of the last line, not a line of its own
    }
    return lines;
}

bool saveLines(const QString& path, const QStringList& lines)
{
    QByteArray bytes;
    for (const QString& line : lines) {
        bytes += line.toUtf8();
        bytes += "\r\n";
    }
    // A new file beside the old one, renamed over it, so a failed write leaves the old content.
    QSaveFile file(path);
    file.setDirectWriteFallback(true);
    if (!file.open(QIODevice::WriteOnly)) {
        return false;
    }
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

// The section name of a "[name]" line; nothing for any other line.
std::optional<QString> sectionNameOf(const QString& line)
{
    const QString trimmed = line.trimmed();
    if (!trimmed.startsWith(QLatin1Char('['))) {
        return std::nullopt;
    }
    const qsizetype close = trimmed.indexOf(QLatin1Char(']'));
    if (close < 0) {
        return std::nullopt;
    }
    return trimmed.mid(1, close - 1).trimmed();
}

// The key of a "key=value" line; nothing for a line without "=".
std::optional<QString> keyOf(const QString& line)
{
    const qsizetype equals = line.indexOf(QLatin1Char('='));
    if (equals < 0) {
        return std::nullopt;
    }
    return line.left(equals).trimmed();
}

// The value of a "key=value" line, without surrounding blanks and one pair of quotes.
QString valueOf(const QString& line)
{
    QString value = line.mid(line.indexOf(QLatin1Char('=')) + 1).trimmed();
    if (value.size() >= 2) {
        const QChar first = value.front();
        if ((first == QLatin1Char('"') || first == QLatin1Char('\'')) && value.back() == first) {
            value = value.mid(1, value.size() - 2);
        }
    }
    return value.left(MaxValueLength);
}

bool sameName(const QString& a, const QString& b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// Index of the section's "[name]" line, or -1.
qsizetype findSection(const QStringList& lines, const QString& section)
{
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const std::optional<QString> name = sectionNameOf(lines[i]);
        if (name && sameName(*name, section)) {
            return i;
        }
    }
    return -1;
}

// Index one past the section's last line: the next section's line or the end.
qsizetype sectionEnd(const QStringList& lines, qsizetype sectionLine)
{
    qsizetype i = sectionLine + 1;
    while (i < lines.size() && !sectionNameOf(lines[i])) {
        ++i;
    }
    return i;
}

// Index of the key's line inside the section starting at sectionLine, or -1.
qsizetype findKey(const QStringList& lines, qsizetype sectionLine, const QString& key)
{
    const qsizetype end = sectionEnd(lines, sectionLine);
    for (qsizetype i = sectionLine + 1; i < end; ++i) {
        const std::optional<QString> name = keyOf(lines[i]);
        if (name && sameName(*name, key)) {
            return i;
        }
    }
    return -1;
}

qsizetype findKey(const QStringList& lines, const QString& section, const QString& key)
{
    const qsizetype sectionLine = findSection(lines, section);
    return sectionLine < 0 ? -1 : findKey(lines, sectionLine, key);
}

}  // namespace

bool sectionExists(const QString& path, const QString& section)
{
    const std::optional<QStringList> lines = loadLines(path);
    return lines && findSection(*lines, section) >= 0;
}

bool keyExists(const QString& path, const QString& section, const QString& key)
{
    const std::optional<QStringList> lines = loadLines(path);
    return lines && findKey(*lines, section, key) >= 0;
}

std::optional<QString> readValue(const QString& path, const QString& section, const QString& key)
{
    const std::optional<QStringList> lines = loadLines(path);
    if (!lines) {
        return std::nullopt;
    }
    const qsizetype keyLine = findKey(*lines, section, key);
    if (keyLine < 0) {
        return std::nullopt;
    }
    return valueOf((*lines)[keyLine]);
}

QString readString(const QString& path, const QString& section, const QString& key,
                   const QString& defaultValue)
{
    return readValue(path, section, key).value_or(defaultValue);
}

bool writeString(const QString& path, const QString& section, const QString& key, const QString& value)
{
    const std::optional<QStringList> loaded = loadLines(path);
    if (!loaded && QFileInfo::exists(path)) {
        return false;  // a file we cannot read would otherwise be replaced by one key
    }
    QStringList lines = loaded.value_or(QStringList());
    const QString keyLine = key + QLatin1Char('=') + value;
    const qsizetype sectionLine = findSection(lines, section);
    if (sectionLine < 0) {
        lines << QLatin1Char('[') + section + QLatin1Char(']') << keyLine;
        return saveLines(path, lines);
    }
    const qsizetype existing = findKey(lines, sectionLine, key);
    if (existing >= 0) {
        lines[existing] = keyLine;
        return saveLines(path, lines);
    }
    // After the section's last non-blank line, so a blank line before the next section stays.
    qsizetype insertAt = sectionEnd(lines, sectionLine);
    while (insertAt > sectionLine + 1 && lines[insertAt - 1].trimmed().isEmpty()) {
        --insertAt;
    }
    lines.insert(insertAt, keyLine);
    return saveLines(path, lines);
}

bool deleteKey(const QString& path, const QString& section, const QString& key)
{
    std::optional<QStringList> lines = loadLines(path);
    if (!lines) {
        return false;
    }
    const qsizetype keyLine = findKey(*lines, section, key);
    if (keyLine < 0) {
        return false;
    }
    lines->removeAt(keyLine);
    return saveLines(path, *lines);
}

}  // namespace ProfileFile
