#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QChar>
#include <QString>

// Stateless text functions shared by every layer; safe on any thread.
// Positions are 1-based; 0 means "not found".

// First occurrence of sub in s at or after offset (offset 1 or less: the whole text).
// An empty sub is never found.
int FindTextFrom(const QString& sub, const QString& s, bool ignoreCase, int offset);
// Last occurrence of sub in s; occurrences may overlap.
int FindLastText(const QString& sub, const QString& s, bool ignoreCase);

void ReplaceChar(QString& s, QChar oldChar, QChar newChar);

// Ensures a final "/" on a non-empty path.
QString WithTrailingBackslash(const QString& path);

// Folds A-Z and the Nordic letters Å Ä Ö Ü only; every other character stays as it is.
QString LowerCaseNordic(const QString& s);
QString UpperCaseNordic(const QString& s);
bool SameTextOpt(const QString& a, const QString& b, bool ignoreCase);

// Decimal text with at least `digits` digits, zeros after the sign.
QString IntToTextPadded(int digits, qint64 value);

// Decodes the numeric references and the names amp lt gt quot nbsp auml Auml ouml Ouml.
QString DecodeHtmlEntities(const QString& s);

// Whole-text match where "*" and "?" are wildcards in either text. Time grows with the
// product of the two lengths, never exponentially.
bool MatchWildcards(const QString& pattern, const QString& text, bool ignoreCase);

// Standard alphabet, no "=" padding.
QByteArray Base64EncodeBytes(QByteArrayView data);
// Stops at the first character outside the alphabet.
QByteArray Base64DecodeBytes(QByteArrayView text);

// Keyed scrambling of the data file; UnscrambleBytes with the same keys restores the data.
QByteArray ScrambleBytes(QByteArrayView data, int start, int multiplier, int addend);
QByteArray UnscrambleBytes(QByteArrayView data, int start, int multiplier, int addend);

// "1.50 KB" and the like, with the locale's decimal separator.
QString SizeToText(qint64 size);
