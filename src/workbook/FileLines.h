#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>

// The lines of a text file in the single-byte code page. A file that starts with a UTF-8 or
// UTF-16 byte-order mark is decoded and re-encoded first; CR LF, LF and CR all end a line,
// and a line end at the very end adds no empty line.
class FileLines {
public:
    explicit FileLines(const QByteArray& content);

    qsizetype size() const { return flines.size(); }
    QByteArrayView at(qsizetype index) const { return flines.at(index); }

private:
    QByteArray ftext;  // the views point into it
    QList<QByteArrayView> flines;
};
