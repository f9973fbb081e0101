#include "app/AppFolders.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

namespace {

// Sets an environment variable for the lifetime of the object.
class ScopedEnvironment {
public:
    ScopedEnvironment(const char* name, const QByteArray& value) : name_(name), previous_(qgetenv(name))
    {
        qputenv(name_, value);
    }
    ~ScopedEnvironment() { qputenv(name_, previous_); }

private:
    const char* name_;
    QByteArray previous_;
};

TEST(AppFolders, TheDataFolderIsTheTitleInsideTheUserDataFolder)
{
    QTemporaryDir dataHome;
    const ScopedEnvironment xdg("XDG_DATA_HOME", dataHome.path().toLocal8Bit());
    EXPECT_EQ(UserDataFolderFor("Corvale"), dataHome.path() + "/Corvale/");
    EXPECT_EQ(UserDataFolderFor("Corvale.exe"), dataHome.path() + "/Corvale/");
    EXPECT_FALSE(QFileInfo::exists(dataHome.path() + "/Corvale"));
}

TEST(AppFolders, WithoutXdgDataHomeTheDataFolderIsBelowHome)
{
    const ScopedEnvironment xdg("XDG_DATA_HOME", QByteArray());
    EXPECT_EQ(UserDataFolderFor("Corvale"), QDir::homePath() + "/.local/share/Corvale/");
}

}  // namespace
