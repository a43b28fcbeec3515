// What the browser engine needs to run in a test: no display, no sandbox
// (tests may run as root), no GPU, and runtime and cache folders of its own.
// Call from the test's initMain, before the application object exists;
// values already set by the caller win.
#pragma once

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace krv::testing {

inline void prepareWebEngineForTests() {
    static QTemporaryDir folders;
    auto setDefault = [](const char* name, const QByteArray& value) {
        if (!qEnvironmentVariableIsSet(name)) qputenv(name, value);
    };
    setDefault("QT_QPA_PLATFORM", "offscreen");
    setDefault("QTWEBENGINE_DISABLE_SANDBOX", "1");
    setDefault("QTWEBENGINE_CHROMIUM_FLAGS", "--no-sandbox --disable-gpu");
    QDir(folders.path()).mkpath("runtime");
    QDir(folders.path()).mkpath("cache");
    QFile::setPermissions(folders.filePath("runtime"),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    setDefault("XDG_RUNTIME_DIR", QFile::encodeName(folders.filePath("runtime")));
    setDefault("XDG_CACHE_HOME", QFile::encodeName(folders.filePath("cache")));
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
}

}  // namespace krv::testing
