#pragma once
#include <QApplication>
#include <QTemporaryDir>
#include <QtTest>

// Runs the test object in a home, configuration and temporary folder of its
// own, so tests never see the user's files, settings or running program.
#define CLARIVANE_APP_TEST_MAIN(TestObject)                                     \
    int main(int argc, char** argv) {                                           \
        QTemporaryDir sandbox;                                                  \
        const QByteArray root = sandbox.path().toUtf8();                        \
        for (const char* sub : {"/home", "/config", "/tmp", "/runtime"})        \
            QDir().mkpath(sandbox.path() + sub);                                \
        QFile::setPermissions(sandbox.path() + "/runtime", QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner); \
        qputenv("HOME", root + "/home");                                        \
        qputenv("XDG_CONFIG_HOME", root + "/config");                           \
        qputenv("TMPDIR", root + "/tmp");                                       \
        qputenv("XDG_RUNTIME_DIR", root + "/runtime");                          \
        QApplication application(argc, argv);                                   \
        TestObject test;                                                        \
        return QTest::qExec(&test, argc, argv);                                 \
    }
