#include "app/ProfileFile.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace {

class ProfileFileTest : public ::testing::Test {
protected:
    QString path() const { return dir.filePath("test.ini"); }

    void writeBytes(const QByteArray& bytes) const
    {
        QFile file(path());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

    QByteArray readBytes() const
    {
        QFile file(path());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    QTemporaryDir dir;
};

struct ReadCase {
    const char* name;
    QByteArray content;
    QString section;
    QString key;
    QString expected;
};

TEST_F(ProfileFileTest, ReadsValuesByTheProfileRules)
{
    const QString def = QStringLiteral("<default>");
    const QList<ReadCase> cases = {
        {"plain value", "[Corvale]\r\nport=81\r\n", "Corvale", "port", "81"},
        {"section and key without regard to case", "[CORVALE]\r\nPort=81\r\n", "corvale", "pORT", "81"},
        {"blanks around names and value", "  [ Corvale ]  \r\n  port  =   81  \r\n", "Corvale", "port", "81"},
        {"one pair of double quotes", "[s]\nk=\"a b\"\n", "s", "k", "a b"},
        {"one pair of single quotes", "[s]\nk='a b'\n", "s", "k", "a b"},
        {"only one pair is removed", "[s]\nk=\"\"x\"\"\n", "s", "k", "\"x\""},
        {"unmatched quotes stay", "[s]\nk=\"a'\n", "s", "k", "\"a'"},
        {"lone quote stays", "[s]\nk=\"\n", "s", "k", "\""},
        {"everything after the first equals sign", "[s]\nk=a=b\n", "s", "k", "a=b"},
        {"empty value is a value", "[s]\nk=\n", "s", "k", ""},
        {"LF line ends", "[s]\nk=v\n", "s", "k", "v"},
        {"last line without line end", "[s]\r\nk=v", "s", "k", "v"},
        {"first of two equal keys", "[s]\nk=1\nK=2\n", "s", "k", "1"},
        {"key of another section is not seen", "[a]\nk=1\n[b]\nx=2\n", "b", "k", def},
        {"key before any section is not seen", "k=1\n[s]\n", "s", "k", def},
        {"missing section", "[a]\nk=1\n", "b", "k", def},
        {"line without equals is no key", "[s]\nk\n", "s", "k", def},
        {"Windows-1252 bytes", "[s]\nk=J\xf6rg \x80\n", "s", "k", QStringLiteral("J\u00f6rg \u20ac")},
        {"UTF-8 with byte order mark", "\xef\xbb\xbf[s]\nk=J\xc3\xb6rg\n", "s", "k", QStringLiteral("J\u00f6rg")},
    };
    for (const ReadCase& c : cases) {
        writeBytes(c.content);
        EXPECT_EQ(ProfileFile::readString(path(), c.section, c.key, def), c.expected) << c.name;
    }
}

TEST_F(ProfileFileTest, MissingFileGivesTheDefaultAndNothingExists)
{
    EXPECT_EQ(ProfileFile::readString(path(), "s", "k", "d"), QStringLiteral("d"));
    EXPECT_EQ(ProfileFile::readValue(path(), "s", "k"), std::nullopt);
    EXPECT_FALSE(ProfileFile::sectionExists(path(), "s"));
    EXPECT_FALSE(ProfileFile::keyExists(path(), "s", "k"));
}

TEST_F(ProfileFileTest, LongValuesAreCut)
{
    writeBytes("[s]\nk=" + QByteArray(ProfileFile::MaxValueLength + 10, 'x') + "\n");
    EXPECT_EQ(ProfileFile::readString(path(), "s", "k", {}).size(), ProfileFile::MaxValueLength);
}

TEST_F(ProfileFileTest, WritingCreatesTheFileAndTheSection)
{
    ASSERT_TRUE(ProfileFile::writeString(path(), "Corvale", "logo", "/a b/t.gif"));
    ASSERT_TRUE(ProfileFile::writeString(path(), "Corvale", "port", "81"));
    EXPECT_EQ(readBytes(), QByteArray("[Corvale]\r\nlogo=/a b/t.gif\r\nport=81\r\n"));
}

TEST_F(ProfileFileTest, WritingReplacesOrAddsAndKeepsEverythingElse)
{
    writeBytes("; kept\r\n[a]\r\nPORT=1\r\nother=x\r\n\r\n[b]\r\nq=2\r\n");
    ASSERT_TRUE(ProfileFile::writeString(path(), "A", "port", "81"));
    ASSERT_TRUE(ProfileFile::writeString(path(), "a", "new", "v"));
    ASSERT_TRUE(ProfileFile::writeString(path(), "c", "k", "3"));
    EXPECT_EQ(readBytes(),
              QByteArray("; kept\r\n[a]\r\nport=81\r\nother=x\r\nnew=v\r\n\r\n[b]\r\nq=2\r\n[c]\r\nk=3\r\n"));
}

TEST_F(ProfileFileTest, NonLatinValuesRoundTrip)
{
    const QString value = QStringLiteral("/home/\u0410\u043d\u044f/\u20ac.gif");
    ASSERT_TRUE(ProfileFile::writeString(path(), "s", "logo", value));
    EXPECT_EQ(ProfileFile::readString(path(), "s", "logo", {}), value);
}

TEST_F(ProfileFileTest, AFolderWhereTheFileShouldBeFailsTheWrite)
{
    ASSERT_TRUE(QDir().mkpath(path()));
    EXPECT_FALSE(ProfileFile::writeString(path(), "s", "k", "v"));
    EXPECT_TRUE(QFileInfo(path()).isDir());
}

TEST_F(ProfileFileTest, DeletingAKeyTellsWhetherItExisted)
{
    writeBytes("[a]\r\nk=1\r\nj=2\r\n[b]\r\nk=3\r\n");
    EXPECT_TRUE(ProfileFile::deleteKey(path(), "A", "K"));
    EXPECT_FALSE(ProfileFile::deleteKey(path(), "a", "k"));
    EXPECT_FALSE(ProfileFile::deleteKey(path(), "missing", "j"));
    EXPECT_EQ(readBytes(), QByteArray("[a]\r\nj=2\r\n[b]\r\nk=3\r\n"));
    EXPECT_TRUE(ProfileFile::sectionExists(path(), "B"));
    EXPECT_TRUE(ProfileFile::keyExists(path(), "b", "K"));
}

}  // namespace
