#include "util/Settings.h"

#include <gtest/gtest.h>

#include <QMutexLocker>

#include <atomic>
#include <thread>
#include <vector>

namespace {

// Restores the global record, so other tests in this binary see the start-up values.
class SettingsTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        QMutexLocker locker(&Settings.Lock);
        Settings.LogoPicture.clear();
        Settings.disablemodify = false;
        Settings.AppFolder.clear();
        Settings.DataFolder.clear();
    }
};

}  // namespace

TEST_F(SettingsTest, ASwitchAssignedUnderTheLockIsReadAtOnce)
{
    {
        QMutexLocker locker(&Settings.Lock);
        Settings.disablemodify = true;
    }
    EXPECT_TRUE(GetDisableModify());
    {
        QMutexLocker locker(&Settings.Lock);
        Settings.disablemodify = false;
    }
    EXPECT_FALSE(GetDisableModify());
}

TEST_F(SettingsTest, FolderSettersAndGettersRoundTrip)
{
    SetAppFolder(QStringLiteral("/opt/corvale/"));
    SetDataFolder(QStringLiteral("/home/u/.local/share/Corvale/"));
    EXPECT_EQ(GetAppFolder(), QStringLiteral("/opt/corvale/"));
    EXPECT_EQ(GetDataFolder(), QStringLiteral("/home/u/.local/share/Corvale/"));
}

// While the console flips the logo and a switch, readers see only the old or the new value.
TEST_F(SettingsTest, ReadersNeverSeeATornValueWhileTheConsoleWrites)
{
    const QString first(4000, QLatin1Char('a'));
    const QString second(3000, QLatin1Char('b'));
    {
        QMutexLocker locker(&Settings.Lock);
        Settings.LogoPicture = first;
    }

    std::atomic<bool> stop{false};
    std::atomic<int> tornValues{0};
    std::atomic<long> switchReads{0};
    std::vector<std::thread> readers;
    for (int n = 0; n < 3; ++n) {
        readers.emplace_back([&] {
            while (!stop.load()) {
                const QString logo = GetLogoPicture();
                if (logo != first && logo != second) {
                    ++tornValues;
                }
                switchReads += GetDisableModify() ? 1 : 0;
            }
        });
    }

    for (int round = 0; round < 20000; ++round) {
        // Fresh strings each time, so an unlocked read would race with the old one's release.
        const QString& source = round % 2 ? first : second;
        const QString fresh(source.constData(), source.size());
        QMutexLocker locker(&Settings.Lock);
        Settings.LogoPicture = fresh;
        Settings.disablemodify = !Settings.disablemodify;
    }
    stop = true;
    for (auto& reader : readers) {
        reader.join();
    }
    EXPECT_EQ(tornValues.load(), 0);
}
