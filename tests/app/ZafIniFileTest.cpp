#include "app/ZafIniFile.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

namespace {

TEST(ZafIniFile, WithoutAFileNameNothingIsReadOrWritten)
{
    TZAF_inifile ini;
    EXPECT_EQ(ini.Section(), QStringLiteral("section"));
    QString text = "kept";
    qint32 number = 7;
    bool flag = true;
    double real = 1.5;
    EXPECT_FALSE(ini.ReadStr("k", text));
    EXPECT_FALSE(ini.ReadInt("k", number));
    EXPECT_FALSE(ini.ReadBool("k", flag));
    EXPECT_FALSE(ini.ReadFloat("k", real));
    EXPECT_EQ(text, QStringLiteral("kept"));
    EXPECT_EQ(number, 7);
    EXPECT_EQ(flag, true);
    EXPECT_EQ(real, 1.5);
    EXPECT_FALSE(ini.WriteStr("k", "v"));
    EXPECT_FALSE(ini.FileExists());
    EXPECT_FALSE(ini.SectionExists());
    EXPECT_FALSE(ini.ItemExists("k"));
    EXPECT_FALSE(ini.DeleteItem("section", "k"));
}

TEST(ZafIniFile, ValuesOfEachTypeRoundTripThroughTheFile)
{
    QTemporaryDir dir;
    TZAF_inifile ini;
    ini.SetFilename(dir.filePath("x.ini"));
    ini.SetSection("main");
    EXPECT_FALSE(ini.FileExists());

    EXPECT_TRUE(ini.WriteStr("name", "  padded  "));
    EXPECT_TRUE(ini.WriteInt("count", -42));
    EXPECT_TRUE(ini.WriteFloat("ratio", 0.25));
    EXPECT_TRUE(ini.WriteBool("on", true));
    EXPECT_TRUE(ini.FileExists());
    EXPECT_TRUE(ini.SectionExists());
    EXPECT_TRUE(ini.ItemExists("COUNT"));

    EXPECT_EQ(ini.TryReadStr("name", "d"), QStringLiteral("padded"));
    EXPECT_EQ(ini.TryReadInt("count", 0), -42);
    EXPECT_EQ(ini.TryReadFloat("ratio", 0), 0.25);
    EXPECT_EQ(ini.TryReadBool("on", false), true);
}

TEST(ZafIniFile, MissingOrUnreadableValuesKeepTheDefault)
{
    QTemporaryDir dir;
    TZAF_inifile ini;
    ini.SetFilename(dir.filePath("x.ini"));
    ASSERT_TRUE(ini.WriteStr("word", "eighty"));

    qint32 number = 81;
    EXPECT_TRUE(ini.ReadInt("word", number));
    EXPECT_EQ(number, 81);
    QString text = "d";
    EXPECT_TRUE(ini.ReadStr("absent", text));
    EXPECT_EQ(text, QStringLiteral("d"));
    EXPECT_EQ(ini.TryReadBool("word", true), true);
    EXPECT_EQ(ini.TryReadFloat("word", 2.5), 2.5);
    EXPECT_EQ(ini.TryReadInt("absent", 3), 3);
}

TEST(ZafIniFile, DeleteItemUsesTheSectionItIsGiven)
{
    QTemporaryDir dir;
    TZAF_inifile ini;
    ini.SetFilename(dir.filePath("x.ini"));
    ini.SetSection("other");
    ASSERT_TRUE(ini.WriteStr("k", "1"));
    ini.SetSection("section");
    ASSERT_TRUE(ini.WriteStr("k", "2"));

    EXPECT_TRUE(ini.DeleteItem("other", "k"));
    EXPECT_FALSE(ini.DeleteItem("other", "k"));
    EXPECT_TRUE(ini.ItemExists("k"));
}

TEST(ZafIniFile, AWriteThatFailsReportsFalse)
{
    QTemporaryDir dir;
    ASSERT_TRUE(QDir().mkpath(dir.filePath("x.ini")));
    TZAF_inifile ini;
    ini.SetFilename(dir.filePath("x.ini"));
    EXPECT_FALSE(ini.WriteBool("k", true));
}

}  // namespace
