#include "util/TextUtils.h"

#include <vector>

#include "util/LocaleFormats.h"
#include "util/NumberText.h"
#include "util/Windows1252.h"

namespace {

constexpr QChar kPathSeparator = u'/';
constexpr char kAnyRun = '*';
constexpr char kAnyOne = '?';

struct CaseFold {
    char16_t from;
    char16_t to;
};

// The Nordic letters that fold besides A-Z.
constexpr CaseFold kNordicUpperToLower[] = {
    {u'\u00C5', u'\u00E5'},  // Å å
    {u'\u00C4', u'\u00E4'},  // Ä ä
    {u'\u00D6', u'\u00F6'},  // Ö ö
    {u'\u00DC', u'\u00FC'},  // Ü ü
};

char16_t lowerNordic(char16_t c)
{
    if (c >= u'A' && c <= u'Z') {
        return c + (u'a' - u'A');
    }
    for (const CaseFold& fold : kNordicUpperToLower) {
        if (c == fold.from) {
            return fold.to;
        }
    }
    return c;
}

char16_t upperNordic(char16_t c)
{
    if (c >= u'a' && c <= u'z') {
        return c - (u'a' - u'A');
    }
    for (const CaseFold& fold : kNordicUpperToLower) {
        if (c == fold.to) {
            return fold.from;
        }
    }
    return c;
}

QString mapEachCharacter(const QString& s, char16_t (*map)(char16_t))
{
    QString result = s;
    for (QChar& c : result) {
        c = QChar(map(c.unicode()));
    }
    return result;
}

// --- character references ---

struct NamedReference {
    QStringView name;  // including the closing ";"
    char16_t character;
};

const NamedReference kNamedReferences[] = {
    {u"amp;", u'&'},       {u"lt;", u'<'},        {u"gt;", u'>'},
    {u"quot;", u'"'},      {u"nbsp;", u' '},      {u"auml;", u'\u00E4'},
    {u"Auml;", u'\u00C4'}, {u"ouml;", u'\u00F6'}, {u"Ouml;", u'\u00D6'},
};

// --- wildcard matching ---

bool consistsOfAnyRuns(const QByteArray& s, qsizetype from)
{
    for (qsizetype k = from; k < s.size(); ++k) {
        if (s[k] != kAnyRun) {
            return false;
        }
    }
    return true;
}

// match(i, j) tells whether pattern[i..] and text[j..] match, in the rules of the recursive
// procedure: "?" on either side takes one character of each; a "*" in the pattern tries the
// rest of the pattern against every later non-empty rest of the text (a final "*" takes
// all); a "*" in the text does the same the other way round; once one side is used up the
// other must consist of "*" alone. Filled row by row from the end, so each state is
// computed once: time n * m, memory of two rows.
bool matchBytes(const QByteArray& pattern, const QByteArray& text)
{
    const qsizetype n = pattern.size();
    const qsizetype m = text.size();
    if (n == 0 || m == 0) {
        return consistsOfAnyRuns(n == 0 ? text : pattern, 0);
    }
    // below[j] = match(i + 1, j); row[j] = match(i, j).
    std::vector<char> below(m + 1);
    std::vector<char> row(m + 1);
    // belowFromOn[j] = match(i + 1, j') for some j' in j .. m - 1.
    std::vector<char> belowFromOn(m + 1, 0);
    // columnBelow[j] = match(i', j) for some i' in i + 1 .. n - 1.
    std::vector<char> columnBelow(m + 1, 0);

    below[m] = 1;
    for (qsizetype j = m - 1; j >= 0; --j) {
        below[j] = below[j + 1] && text[j] == kAnyRun;
    }
    for (qsizetype i = n - 1; i >= 0; --i) {
        belowFromOn[m] = 0;
        for (qsizetype j = m - 1; j >= 0; --j) {
            belowFromOn[j] = below[j] || belowFromOn[j + 1];
        }
        row[m] = consistsOfAnyRuns(pattern, i);
        for (qsizetype j = m - 1; j >= 0; --j) {
            const char p = pattern[i];
            const char t = text[j];
            bool result;
            if (p == kAnyOne || t == kAnyOne) {
                result = below[j + 1];
            } else if (p == kAnyRun) {
                result = i == n - 1 || belowFromOn[j];
            } else if (t == kAnyRun) {
                result = j == m - 1 || row[j + 1] || columnBelow[j + 1];
            } else {
                result = p == t && below[j + 1];
            }
            row[j] = result;
        }
        for (qsizetype j = 0; j <= m; ++j) {
            columnBelow[j] = columnBelow[j] || row[j];
        }
        std::swap(below, row);
    }
    return below[0];
}

// --- Base64 ---

constexpr char kBase64Alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

int base64ValueOf(char c)
{
    if (c >= 'A' && c <= 'Z') {
        return c - 'A';
    }
    if (c >= 'a' && c <= 'z') {
        return c - 'a' + 26;
    }
    if (c >= '0' && c <= '9') {
        return c - '0' + 52;
    }
    if (c == '+') {
        return 62;
    }
    if (c == '/') {
        return 63;
    }
    return -1;
}

// --- scrambling ---

constexpr quint32 kStateMask = 0xFFFF;

quint8 keyByteOf(quint32 state)
{
    return quint8((state >> 8) & 0xFF);
}

quint32 nextState(quint32 state, quint8 scrambledByte, int multiplier, int addend)
{
    return ((state + scrambledByte) * quint32(multiplier) + quint32(addend)) & kStateMask;
}

// --- sizes ---

constexpr qint64 kKilobyte = 1024;
constexpr qint64 kMegabyte = 1048576;
constexpr qint64 kGigabyte = 1073741824;

QString twoDecimals(double value)
{
    return QString::number(value, 'f', 2).replace(u'.', DecimalSeparator());
}

}  // namespace

int FindTextFrom(const QString& sub, const QString& s, bool ignoreCase, int offset)
{
    if (sub.isEmpty() || offset > s.size()) {
        return 0;
    }
    const qsizetype base = offset <= 1 ? 0 : offset - 1;
    QString range = s.mid(base);
    QString wanted = sub;
    if (ignoreCase) {
        range = LowerCaseNordic(range);
        wanted = LowerCaseNordic(wanted);
    }
    const qsizetype index = range.indexOf(wanted);
    return index < 0 ? 0 : int(index + 1 + base);
}

int FindLastText(const QString& sub, const QString& s, bool ignoreCase)
{
    // Searching on from one after each hit ends at the last occurrence, overlaps included.
    if (sub.isEmpty()) {
        return 0;
    }
    const QString text = ignoreCase ? LowerCaseNordic(s) : s;
    const QString wanted = ignoreCase ? LowerCaseNordic(sub) : sub;
    const qsizetype index = text.lastIndexOf(wanted);
    return index < 0 ? 0 : int(index + 1);
}

void ReplaceChar(QString& s, QChar oldChar, QChar newChar)
{
    s.replace(oldChar, newChar);
}

QString WithTrailingBackslash(const QString& path)
{
    if (path.isEmpty() || path.endsWith(kPathSeparator)) {
        return path;
    }
    return path + kPathSeparator;
}

QString LowerCaseNordic(const QString& s)
{
    return mapEachCharacter(s, lowerNordic);
}

QString UpperCaseNordic(const QString& s)
{
    return mapEachCharacter(s, upperNordic);
}

bool SameTextOpt(const QString& a, const QString& b, bool ignoreCase)
{
    return ignoreCase ? LowerCaseNordic(a) == LowerCaseNordic(b) : a == b;
}

QString IntToTextPadded(int digits, qint64 value)
{
    if (digits < 1) {
        return QString::number(value);
    }
    const quint64 magnitude = value < 0 ? 0 - quint64(value) : quint64(value);
    const QString number = QString::number(magnitude).rightJustified(digits, u'0');
    return value < 0 ? u'-' + number : number;
}

QString DecodeHtmlEntities(const QString& s)
{
    const qsizetype nul = s.indexOf(QChar(u'\0'));
    const QStringView input = QStringView(s).left(nul < 0 ? s.size() : nul);
    QString out;
    out.reserve(input.size());
    qsizetype i = 0;
    while (i < input.size()) {
        const QChar c = input[i];
        if (c != u'&') {
            out += c;
            ++i;
            continue;
        }
        const QStringView rest = input.mid(i + 1);
        if (rest.startsWith(u'#')) {
            const qsizetype semicolon = rest.indexOf(u';');
            const QStringView number = rest.mid(1, semicolon < 0 ? -1 : semicolon - 1);
            const IntegerPrefix value = scanIntegerPrefix(number);
            const quint64 code = value.negative ? 0 - value.magnitude : value.magnitude;
            out += QChar(char16_t(code & 0xFFFF));
            if (semicolon < 0) {
                break;  // the number ran to the end of the text
            }
            i += 1 + semicolon + 1;
            continue;
        }
        bool named = false;
        for (const NamedReference& reference : kNamedReferences) {
            if (rest.startsWith(reference.name)) {
                out += QChar(reference.character);
                i += 1 + reference.name.size();
                named = true;
                break;
            }
        }
        if (!named) {
            // Not a reference: the "&" and the character after it stay as they are.
            out += input.mid(i, 2);
            i += 2;
        }
    }
    return out;
}

bool MatchWildcards(const QString& pattern, const QString& text, bool ignoreCase)
{
    const QByteArray p = toWindows1252(ignoreCase ? UpperCaseNordic(pattern) : pattern);
    const QByteArray t = toWindows1252(ignoreCase ? UpperCaseNordic(text) : text);
    return matchBytes(p, t);
}

QByteArray Base64EncodeBytes(QByteArrayView data)
{
    QByteArray out;
    out.reserve((data.size() * 4 + 2) / 3);
    quint32 pending = 0;
    int pendingBits = 0;
    for (const char byte : data) {
        pending = (pending << 8) | quint8(byte);
        pendingBits += 8;
        while (pendingBits >= 6) {
            pendingBits -= 6;
            out += kBase64Alphabet[(pending >> pendingBits) & 0x3F];
        }
    }
    if (pendingBits > 0) {
        out += kBase64Alphabet[(pending << (6 - pendingBits)) & 0x3F];
    }
    return out;
}

QByteArray Base64DecodeBytes(QByteArrayView text)
{
    QByteArray out;
    out.reserve(text.size() * 3 / 4);
    quint32 pending = 0;
    int pendingBits = 0;
    for (const char c : text) {
        const int value = base64ValueOf(c);
        if (value < 0) {
            break;
        }
        pending = (pending << 6) | quint32(value);
        pendingBits += 6;
        if (pendingBits >= 8) {
            pendingBits -= 8;
            out += char((pending >> pendingBits) & 0xFF);
        }
    }
    return out;
}

QByteArray ScrambleBytes(QByteArrayView data, int start, int multiplier, int addend)
{
    QByteArray out(data.size(), Qt::Uninitialized);
    quint32 state = quint32(start) & kStateMask;
    for (qsizetype k = 0; k < data.size(); ++k) {
        const quint8 scrambled = quint8(data[k]) ^ keyByteOf(state);
        out[k] = char(scrambled);
        state = nextState(state, scrambled, multiplier, addend);
    }
    return out;
}

QByteArray UnscrambleBytes(QByteArrayView data, int start, int multiplier, int addend)
{
    QByteArray out(data.size(), Qt::Uninitialized);
    quint32 state = quint32(start) & kStateMask;
    for (qsizetype k = 0; k < data.size(); ++k) {
        const quint8 scrambled = quint8(data[k]);
        out[k] = char(scrambled ^ keyByteOf(state));
        state = nextState(state, scrambled, multiplier, addend);
    }
    return out;
}

QString SizeToText(qint64 size)
{
    if (size / kGigabyte >= 1) {
        return twoDecimals(double(size) / double(kGigabyte)) + QStringLiteral(" GB");
    }
    if (size / kMegabyte >= 1) {
        return twoDecimals(double(size) / double(kMegabyte)) + QStringLiteral(" MB");
    }
    if (size / kKilobyte >= 1) {
        return twoDecimals(double(size) / double(kKilobyte)) + QStringLiteral(" KB");
    }
    return QString::number(size) + QStringLiteral(" Byte(s)");
}
