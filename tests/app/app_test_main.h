#pragma once
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

// Points home, settings, temporary and runtime folders into the sandbox, so
// tests never see the user's files, settings or running program.
inline void IsolateEnvironment(const QTemporaryDir& sandbox) {
    const QByteArray root = sandbox.path().toUtf8();
    for (const char* sub : {"/home", "/config", "/tmp", "/runtime"})
        QDir().mkpath(sandbox.path() + sub);
    QFile::setPermissions(sandbox.path() + "/runtime", QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("HOME", root + "/home");
    qputenv("XDG_CONFIG_HOME", root + "/config");
    qputenv("TMPDIR", root + "/tmp");
    qputenv("XDG_RUNTIME_DIR", root + "/runtime");
}

// Runs the test object with the application in a sandbox of its own.
#define CLARIVANE_APP_TEST_MAIN(TestObject)            \
    int main(int argc, char** argv) {                  \
        QTemporaryDir sandbox;                         \
        IsolateEnvironment(sandbox);                   \
        QApplication application(argc, argv);          \
        TestObject test;                               \
        return QTest::qExec(&test, argc, argv);        \
    }
