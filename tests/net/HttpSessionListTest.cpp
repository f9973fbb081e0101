#include "net/HttpSessionList.h"

#include <gtest/gtest.h>

#include <QSet>

namespace {

constexpr qint64 TimeoutMs = 60000;

TEST(HttpSessionList, ReusesALiveSessionOfTheSamePeerOnly)
{
    HttpSessionList sessions(TimeoutMs);
    const HttpSessionList::Lookup first = sessions.touchOrStart({}, "10.0.0.1", 0);
    EXPECT_TRUE(first.started);
    EXPECT_EQ(first.identifier.size(), HttpSessionList::IdentifierLength);

    const HttpSessionList::Lookup again = sessions.touchOrStart({"unknown", first.identifier}, "10.0.0.1", 1000);
    EXPECT_FALSE(again.started);
    EXPECT_EQ(again.identifier, first.identifier);

    EXPECT_TRUE(sessions.touchOrStart({first.identifier}, "10.0.0.2", 1000).started);

    // The use at 1000 counts: still live 60 s after it, not after that.
    EXPECT_FALSE(sessions.touchOrStart({first.identifier}, "10.0.0.1", 1000 + TimeoutMs).started);
    EXPECT_TRUE(sessions.touchOrStart({first.identifier}, "10.0.0.1", 2001 + 2 * TimeoutMs).started);
}

TEST(HttpSessionList, OnlyTheIdentifierItselfSelectsItsSession)
{
    HttpSessionList sessions(TimeoutMs);
    const QString identifier = sessions.touchOrStart({}, "p", 0).identifier;
    QString wide = identifier;
    wide[3] = QChar(0x100 + wide[3].unicode());   // same low byte, another character
    QString otherCase = identifier.toLower();
    if (otherCase == identifier) {
        otherCase = identifier.toUpper();
    }
    const QStringList others = {identifier.left(14), identifier + "x", otherCase, wide};
    for (const QString& other : others) {
        SCOPED_TRACE(other.toStdString());
        const HttpSessionList::Lookup lookup = sessions.touchOrStart({other}, "p", 1);
        EXPECT_TRUE(lookup.started);
        EXPECT_NE(lookup.identifier, identifier);
    }
    EXPECT_FALSE(sessions.touchOrStart({identifier}, "p", 1).started);
}

TEST(HttpSessionList, PurgeEndsStaleSessionsOrAll)
{
    HttpSessionList sessions(TimeoutMs);
    const QString early = sessions.touchOrStart({}, "a", 0).identifier;
    const QString touched = sessions.touchOrStart({}, "b", 0).identifier;
    sessions.touchOrStart({touched}, "b", 50000);
    sessions.touchOrStart({}, "c", 50000);
    EXPECT_EQ(sessions.count(), 3);

    sessions.purge(false, TimeoutMs + 1);
    EXPECT_EQ(sessions.count(), 2);
    EXPECT_TRUE(sessions.touchOrStart({early}, "a", TimeoutMs + 1).started);
    EXPECT_FALSE(sessions.touchOrStart({touched}, "b", TimeoutMs + 1).started);

    sessions.purge(true, TimeoutMs + 1);
    EXPECT_EQ(sessions.count(), 0);
}

TEST(HttpSessionList, IdentifiersUseTheAlphabetAndDiffer)
{
    const QString alphabet = "qwertzuiopasdfghjklyxcvbnmQWERTZUIOPASDFGHJKLYXCVBNM1234567890";
    HttpSessionList sessions(TimeoutMs);
    QSet<QString> seen;
    for (int i = 0; i < 200; ++i) {
        const QString identifier = sessions.touchOrStart({}, "p", 0).identifier;
        for (QChar c : identifier) {
            ASSERT_TRUE(alphabet.contains(c)) << identifier.toStdString();
        }
        seen.insert(identifier);
    }
    EXPECT_EQ(seen.size(), 200);
}

TEST(HttpSessionList, EveryCharacterOfTheAlphabetEquallyLikely)
{
    const QString alphabet = "qwertzuiopasdfghjklyxcvbnmQWERTZUIOPASDFGHJKLYXCVBNM1234567890";
    HttpSessionList sessions(TimeoutMs);
    QHash<QChar, int> counts;
    constexpr int identifiers = 2000;
    for (int i = 0; i < identifiers; ++i) {
        for (QChar c : sessions.touchOrStart({}, "p", 0).identifier) {
            ++counts[c];
        }
    }
    // About 484 of each; the bounds are many standard deviations wide.
    const int expected = identifiers * HttpSessionList::IdentifierLength / int(alphabet.size());
    for (QChar c : alphabet) {
        EXPECT_GT(counts.value(c), expected * 2 / 3) << QString(c).toStdString();
        EXPECT_LT(counts.value(c), expected * 4 / 3) << QString(c).toStdString();
    }
}

} // namespace
