// Shared main of every test binary: a Qt application object on main's stack, so tests may use
// event loops, sockets and timers; and an environment that never touches the user's own folders.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>

#include <cstdlib>

int main(int argc, char** argv)
{
    // A test binary may also be started by hand, without ctest's environment.
    static QTemporaryDir fallbackHome;
    if (qEnvironmentVariableIsEmpty("HOME") || !QDir(qEnvironmentVariable("HOME")).exists()) {
        qputenv("HOME", fallbackHome.path().toLocal8Bit());
    }
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
        const QString runtime = fallbackHome.path() + "/runtime";
        QDir().mkpath(runtime);
        QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv("XDG_RUNTIME_DIR", runtime.toLocal8Bit());
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
