#include "web/DocumentPath.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace {

TEST(DocumentPath, MapsDocumentsUnderTheBaseFolderAndCollapsesSlashes)
{
    struct Case {
        const char* document;
        const char* mapped;
        const char* leaf;
    } const cases[] = {
        {"/", "/srv/dir/", ""},
        {"/photos/Smith John.jpg", "/srv/dir/photos/Smith John.jpg", "Smith John.jpg"},
        {"//about", "/srv/dir/about", "about"},
        {"/a///b//", "/srv/dir/a/b/", ""},
        {"/../x", "/srv/dir/../x", "x"},  // mapping applies no ".." rule; serving checks
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.document);
        const QString mapped = MapDocumentPath("/srv/dir", c.document);
        EXPECT_EQ(mapped, QString(c.mapped));
        EXPECT_EQ(LeafOfMappedPath(mapped), QString(c.leaf));
    }
    EXPECT_EQ(MapDocumentPath("/srv/dir/", "/about"), QString("/srv/dir/about"));
}

TEST(DocumentPath, ServesOnlyRegularFilesInsideTheBaseFolder)
{
    QTemporaryDir root;
    ASSERT_TRUE(root.isValid());
    const QString base = root.filePath("base");
    QDir().mkpath(base + "/photos");
    auto write = [](const QString& path) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("x");
    };
    write(base + "/photos/Smith John.jpg");
    write(root.filePath("secret.txt"));
    QFile::link(root.filePath("secret.txt"), base + "/outside-link.txt");
    QFile::link(base + "/photos/Smith John.jpg", base + "/inside-link.jpg");

    struct Case {
        const char* document;
        bool served;
    } const cases[] = {
        {"/photos/Smith John.jpg", true},
        {"/inside-link.jpg", true},
        {"/photos", false},             // a folder
        {"/photos/nobody.jpg", false},  // missing
        {"/../secret.txt", false},      // ".." out of the base folder
        {"/photos/../../secret.txt", false},
        {"/outside-link.txt", false},   // symbolic link out of the base folder
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.document);
        EXPECT_EQ(IsServableFile(base, MapDocumentPath(base, c.document)), c.served);
    }
}

}  // namespace
