#include "update/AboutVersion.h"

#include <gtest/gtest.h>

#include <QCoreApplication>

#include "util/BuildVersion.h"

namespace {

TEST(AboutVersionTest, RunningExecutableShowsItsVersionAnyOtherFileZeros)
{
    EXPECT_EQ(RevisionText(QCoreApplication::applicationFilePath()), "Revision " + BuildVersion::current().text());
    EXPECT_EQ(RevisionText(QString(CORVALE_FIXTURES_DIR)), "Revision 0.0.0.0");
    EXPECT_EQ(RevisionText("no such file"), "Revision 0.0.0.0");
}

}  // namespace
