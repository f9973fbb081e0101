#include "app/ConfigFile.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "util/Settings.h"

namespace {

class ConfigFileTest : public ::testing::Test {
protected:
    void writeConfig(const QByteArray& bytes) const
    {
        QFile file(config.Path());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

    QByteArray configBytes() const
    {
        QFile file(config.Path());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    QTemporaryDir dir;
    ConfigFile config{dir.path() + "/"};
    TSettingsData settings;
};

TEST_F(ConfigFileTest, LiesBesideTheExecutable)
{
    EXPECT_EQ(config.Path(), dir.path() + "/Corvale.config");
    EXPECT_EQ(ConfigFile(dir.path()).Path(), dir.path() + "/Corvale.config");
}

TEST_F(ConfigFileTest, NoFileGivesTheDefaults)
{
    settings.Port = 1;
    settings.LeaveCopy = false;
    settings.disablemodify = true;
    config.ReadInto(settings);
    EXPECT_EQ(settings.Port, 81);
    EXPECT_EQ(settings.LogoPicture, dir.path() + "/pictures/tidewell.gif");
    EXPECT_EQ(settings.LeaveCopy, true);
    EXPECT_EQ(settings.disableupload, false);
    EXPECT_EQ(settings.disablemodify, false);
    EXPECT_EQ(settings.SearchWithWildcards, false);
}

TEST_F(ConfigFileTest, ReadsEveryKeyByItsRules)
{
    writeConfig("[corvale]\r\nPORT=0x51\r\nlogo=\"/no/such/logo.gif\"\r\nCopy=yes\r\n"
                "NoUpload=2\r\nnomodify=1\r\nSearchWithWildcards=0\r\n");
    config.ReadInto(settings);
    EXPECT_EQ(settings.Port, 81);
    EXPECT_EQ(settings.LogoPicture, QStringLiteral("/no/such/logo.gif"));
    EXPECT_EQ(settings.LeaveCopy, true);
    EXPECT_EQ(settings.disableupload, true);
    EXPECT_EQ(settings.disablemodify, true);
    EXPECT_EQ(settings.SearchWithWildcards, false);

    writeConfig("[Corvale]\r\nport=eighty\r\nCopy=0\r\n");
    config.ReadInto(settings);
    EXPECT_EQ(settings.Port, 81);
    EXPECT_EQ(settings.LeaveCopy, false);
}

TEST_F(ConfigFileTest, WritesTheSixKeysInOrder)
{
    settings.Port = 65617;
    settings.LogoPicture = "/srv/dir/pictures/tidewell.gif";
    settings.LeaveCopy = true;
    settings.disablemodify = true;
    QString error;
    ASSERT_TRUE(config.WriteFrom(settings, error));
    EXPECT_EQ(configBytes(), QByteArray("[Corvale]\r\n"
                                        "logo=/srv/dir/pictures/tidewell.gif\r\n"
                                        "port=65617\r\n"
                                        "Copy=1\r\n"
                                        "NoUpload=0\r\n"
                                        "NoModify=1\r\n"
                                        "SearchWithWildcards=0\r\n"));
    EXPECT_EQ(error, QString());
}

TEST_F(ConfigFileTest, RewritingKeepsOtherLinesAndReplacesValues)
{
    writeConfig("[Corvale]\r\nport=8081\r\nextra=kept\r\n");
    settings.Port = 8082;
    QString error;
    ASSERT_TRUE(config.WriteFrom(settings, error));
    TSettingsData back;
    config.ReadInto(back);
    EXPECT_EQ(back.Port, 8082);
    EXPECT_TRUE(configBytes().startsWith("[Corvale]\r\nport=8082\r\nextra=kept\r\nlogo="));
}

TEST_F(ConfigFileTest, AFileThatCannotBeWrittenNamesItsPath)
{
    ASSERT_TRUE(QDir().mkpath(config.Path()));
    QString error;
    EXPECT_FALSE(config.WriteFrom(settings, error));
    EXPECT_EQ(error, "Unable to write to " + QDir::toNativeSeparators(config.Path()));
}

}  // namespace
