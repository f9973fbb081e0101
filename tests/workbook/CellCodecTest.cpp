#include "workbook/CellCodec.h"

#include <gtest/gtest.h>

#include <random>

#include "util/TextUtils.h"
#include "util/Windows1252.h"

namespace {

// The one-pass cell codec must give exactly what the shared code page and Base64 functions give.
TEST(CellCodec, AgreesWithTheSharedFunctionsOnRandomTexts)
{
    const QString pieces = QStringLiteral("aZ09+/ =\u00c5\u00e9\u00ff\u00a0\u20ac\u0080\u0081\u009d\u03a9\r\n");
    const char16_t surrogates[] = {0xD83D, 0xDE00};
    std::mt19937 random(5);
    for (int round = 0; round < 2000; ++round) {
        QString text;
        const int length = int(random() % 12);
        for (int i = 0; i < length; ++i) {
            const unsigned pick = random() % (pieces.size() + 3);
            if (pick < unsigned(pieces.size())) {
                text += pieces[pick];
            } else if (pick == unsigned(pieces.size())) {
                text += QString::fromUtf16(surrogates, 2);  // a pair
            } else {
                text += QChar(surrogates[pick % 2]);  // a lone half
            }
        }
        QByteArray encoded;
        appendEncodedLine(encoded, text);
        ASSERT_EQ(encoded, Base64EncodeBytes(toWindows1252(text)) + "\r\n") << round;
        ASSERT_LE(encoded.size(), encodedLineBound(text));
        ASSERT_EQ(decodeLine(encoded), fromWindows1252(Base64DecodeBytes(encoded))) << round;
    }
}

TEST(CellCodec, DecodingStopsAtTheFirstForeignCharacter)
{
    const QByteArray lines[] = {"YWI=", "YWJj", "YW", "Y", "", "YW Jj", "YWJj\x80YQ", "gA", "/w"};
    for (const QByteArray& line : lines) {
        SCOPED_TRACE(line.toStdString());
        EXPECT_EQ(decodeLine(line), fromWindows1252(Base64DecodeBytes(line)));
    }
    EXPECT_EQ(decodeLine("YWI="), QStringLiteral("ab"));
}

}  // namespace
