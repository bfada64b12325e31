#include <QtCore/QTemporaryDir>
#include <QtWidgets/QApplication>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>

// Every test process gets its own data directory, so stored defaults and
// databases never leak between tests or into the user's real locations.
int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir dataDir;
    if (qEnvironmentVariableIsEmpty("KESVOR_DATA_DIR"))
        qputenv("KESVOR_DATA_DIR", dataDir.path().toUtf8());
    qputenv("XDG_CONFIG_HOME", (dataDir.path() + QStringLiteral("/config")).toUtf8());
    qputenv("XDG_DATA_HOME", (dataDir.path() + QStringLiteral("/data")).toUtf8());
    qputenv("XDG_CACHE_HOME", (dataDir.path() + QStringLiteral("/cache")).toUtf8());
    // Chromium (the web view) without its sandbox, which needs privileges a
    // test machine or container may not grant, and without a GPU.
    if (qEnvironmentVariableIsEmpty("QTWEBENGINE_DISABLE_SANDBOX"))
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    if (qEnvironmentVariableIsEmpty("QTWEBENGINE_CHROMIUM_FLAGS"))
        qputenv("QTWEBENGINE_CHROMIUM_FLAGS", "--disable-gpu --no-sandbox");

    ::testing::InitGoogleMock(&argc, argv);
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
