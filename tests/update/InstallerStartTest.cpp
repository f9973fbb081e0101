#include "update/InstallerStart.h"

#include <gtest/gtest.h>

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>

namespace {

constexpr int StartWaitMs = 10000;  // generous: only how long a detached shell may take to run

TEST(InstallerStartTest, InstallerWithAwkwardPathIsMadeExecutableAndStartedWithoutAShell)
{
    QTemporaryDir dir;
    // Blanks, quotes and shell characters: any shell in between would split or expand them.
    const QString folder = dir.path() + "/with blank 'quote' $HOME;x";
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString installer = folder + "/Corvale Install.sh";
    {
        QFile file(installer);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("#!/bin/sh\necho \"$#\" > \"$(dirname \"$0\")/marker\"\n");
    }
    EXPECT_FALSE(StartDetachedProgram(installer));  // not executable yet

    ASSERT_TRUE(MakeExecutable(installer));
    EXPECT_TRUE(QFileInfo(installer).isExecutable());
    ASSERT_TRUE(StartDetachedProgram(installer));

    const QString marker = folder + "/marker";
    QDeadlineTimer deadline(StartWaitMs);
    while (QFileInfo(marker).size() == 0 && !deadline.hasExpired()) {
        QThread::msleep(20);
    }
    QFile written(marker);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_EQ(written.readAll(), QByteArray("0\n"));  // started with no arguments
}

}  // namespace
