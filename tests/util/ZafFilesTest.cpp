#include "util/ZafFiles.h"

#include <gtest/gtest.h>

#include <QRegularExpression>

TEST(TZAF_files, VolumeSerialHasEightUpperCaseHexDigits)
{
    EXPECT_EQ(FormatVolumeSerial(0x1A2B), QStringLiteral("00001A2B"));
    EXPECT_EQ(FormatVolumeSerial(0), QStringLiteral("00000000"));
    EXPECT_EQ(FormatVolumeSerial(0xDEADBEEF), QStringLiteral("DEADBEEF"));

    const TZAF_files files;
    EXPECT_TRUE(QRegularExpression("^[0-9A-F]{8}$").match(files.DiskSerial()).hasMatch())
        << files.DiskSerial().toStdString();
}

TEST(TZAF_files, OnlyLocalDisksCountAsLocalDrives)
{
    struct Case {
        qint64 type;
        bool local;
        const char* name;
    };
    const Case cases[] = {
        {0xEF53, true, "ext4"},       {0x58465342, true, "xfs"},     {0x794C7630, true, "overlay"},
        {0x4D44, true, "vfat stick"}, {0x6969, false, "nfs"},        {0xFF534D42, false, "cifs"},
        {0xFE534D42, false, "smb2"},  {0x9660, false, "iso9660"},    {0x15013346, false, "udf"},
        {0x01021994, false, "tmpfs"}, {0x858458F6, false, "ramfs"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(IsLocalDiskFileSystem(c.type), c.local) << c.name;
    }
}

TEST(TZAF_files, FileInfoListsTheRunningExecutablesVersionOnly)
{
    const TZAF_files files;
    QStringList list{"stale"};
    files.GetFileInfo("/proc/self/exe", list);
    ASSERT_EQ(list.size(), 1);
    EXPECT_TRUE(list[0].startsWith("FileVersion=")) << list[0].toStdString();
    files.GetFileInfo("/no/such/file", list);
    EXPECT_EQ(list, QStringList());
}
