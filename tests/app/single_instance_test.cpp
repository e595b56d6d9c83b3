#include <QDir>
#include <QLockFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>
#include <chrono>
#include <future>
#include <memory>

#include "app/single_instance.h"
#include "app_test_main.h"
#include "photo_folder.h"

namespace {

constexpr int kStartMs = 20000;

// One run of the program, watched through its standard output.
class Instance {
public:
    // `runtimeFolder` stands for the user: each user has a runtime folder of their own.
    explicit Instance(const QStringList& arguments, bool minimized = false, const QString& answer = "yes",
                      const QString& runtimeFolder = QString())
        : Instance(arguments, Environment(minimized, answer, runtimeFolder)) {}
    // The offscreen platform's warnings about raising windows are noise unless asked for.
    Instance(const QStringList& arguments, const QProcessEnvironment& environment,
             const QString& errorFile = QProcess::nullDevice()) {
        process_.setProcessEnvironment(environment);
        process_.setStandardErrorFile(errorFile);
        process_.start(CLARIVANE_INSTANCE_PROBE, arguments);
    }
    static QProcessEnvironment Environment(bool minimized = false, const QString& answer = "yes",
                                           const QString& runtimeFolder = QString()) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("QT_QPA_PLATFORM", "offscreen");
        if (!runtimeFolder.isEmpty())
            environment.insert("XDG_RUNTIME_DIR", runtimeFolder);
        environment.insert("CLARIVANE_PROBE_ANSWER", answer);
        if (minimized)
            environment.insert("CLARIVANE_PROBE_MINIMIZED", "1");
        return environment;
    }
    ~Instance() {
        if (process_.state() != QProcess::NotRunning) {
            process_.kill();
            process_.waitForFinished();
        }
    }

    // Waits until the output holds the line; false when the time ran out.
    bool WaitFor(const QString& line, int ms = kStartMs) {
        QDeadlineTimer deadline(ms);
        while (!Lines().contains(line)) {
            if (deadline.hasExpired() || (process_.state() == QProcess::NotRunning && !process_.bytesAvailable()))
                return Lines().contains(line);
            process_.waitForReadyRead(50);
        }
        return true;
    }
    bool WaitForEnd(int ms = kStartMs) {
        const bool ended = process_.waitForFinished(ms);
        Lines();
        return ended;
    }
    QStringList Lines() {
        output_ += QString::fromUtf8(process_.readAllStandardOutput());
        return output_.split('\n', Qt::SkipEmptyParts);
    }
    bool Running() const { return process_.state() == QProcess::Running; }
    int ExitCode() const { return process_.exitCode(); }
    void Kill() {
        process_.kill();
        process_.waitForFinished();
    }

private:
    QProcess process_;
    QString output_;
};

QStringList PluginArguments(const QString& photo) { return {"-lrpluginmode#" + photo}; }

}  // namespace

class SingleInstanceTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        photo_ = photo_folder::CopyJpeg(QDir::homePath(), "photo.jpg", "canon_eos_5d_mark_iii_720x480_rotate90.jpg");
    }

    void pluginStartWhileARegularOneRunsIsRefused() {
        Instance first({}, true);
        QVERIFY(first.WaitFor("minimized"));
        Instance second(PluginArguments(photo_));
        QVERIFY(second.WaitForEnd());
        QCOMPARE(second.Lines(), QStringList{"message: Version running?"});
        QVERIFY(first.WaitFor("restored"));
        QVERIFY(first.Running());
    }

    void regularStartReplacesARunningPluginOne() {
        Instance first(PluginArguments(photo_));
        QVERIFY(first.WaitFor("shown"));
        Instance second({});
        QVERIFY(first.WaitForEnd());
        QCOMPARE(first.ExitCode(), 0);
        QVERIFY(second.WaitFor("shown"));
        QVERIFY(!second.Lines().join(' ').contains("message"));
    }

    // A second start brings the first forward and ends quietly; with two users
    // on one machine each one's second start reaches that user's own first
    // instance, never the other user's.
    void eachRuntimeFolderHasItsOwnSingleInstance() {
        QTemporaryDir userA, userB;
        for (const QTemporaryDir* folder : {&userA, &userB})
            QVERIFY(QFile::setPermissions(folder->path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        Instance firstA({}, true, "yes", userA.path());
        QVERIFY(firstA.WaitFor("minimized"));
        Instance firstB({}, true, "yes", userB.path());
        QVERIFY(firstB.WaitFor("minimized"));
        for (Instance* first : {&firstA, &firstB}) {
            Instance second({}, false, "yes", first == &firstA ? userA.path() : userB.path());
            QVERIFY(second.WaitForEnd());
            QCOMPARE(second.ExitCode(), 0);
            QVERIFY(second.Lines().isEmpty());
            QVERIFY(first->WaitFor("restored"));
        }
        QVERIFY(firstA.Running());
        QVERIFY(firstB.Running());
    }

    // A root shell often has no XDG_RUNTIME_DIR. Qt then warns at each lookup of
    // the folder it picks, and a second start asks for its paths at every try.
    void withoutARuntimeFolderEachStartWarnsOnce() {
        QTemporaryDir temporary;
        QProcessEnvironment environment = Instance::Environment();
        environment.remove("XDG_RUNTIME_DIR");
        environment.insert("TMPDIR", temporary.path());
        const QString firstErrors = temporary.filePath("first.txt");
        const QString secondErrors = temporary.filePath("second.txt");
        Instance first({}, environment, firstErrors);
        QVERIFY(first.WaitFor("shown"));
        Instance second({}, environment, secondErrors);
        QVERIFY(second.WaitForEnd());
        QCOMPARE(second.ExitCode(), 0);
        QVERIFY(second.Lines().isEmpty());
        QVERIFY(first.Running());
        first.Kill();
        // Both met in the folder Qt picked, not in the temporary folder itself.
        QVERIFY(!QFile::exists(temporary.filePath(app::kInstanceLockName)));
        const QStringList picked = QDir(temporary.path()).entryList({"runtime-*"}, QDir::Dirs);
        QCOMPARE(picked.size(), 1);
        QVERIFY(QFile::exists(temporary.filePath(picked.first() + "/" + app::kInstanceLockName)));
        for (const QString& errors : {firstErrors, secondErrors}) {
            QFile file(errors);
            QVERIFY(file.open(QIODevice::ReadOnly));
            const int warnings = QString::fromUtf8(file.readAll()).count("XDG_RUNTIME_DIR not set");
            QVERIFY2(warnings <= 1, qPrintable(errors + ": " + QString::number(warnings)));
        }
    }

    void aKilledInstanceLeavesNoLockBehind() {
        Instance first({});
        QVERIFY(first.WaitFor("shown"));
        first.Kill();
        Instance second({});
        QVERIFY(second.WaitFor("shown"));
        QVERIFY(second.Running());
    }

    // An instance that answers but never lets go is asked once per try, then given up on.
    void aHolderThatKeepsTheLockIsAskedEachTryThenGivenUpOn_data() {
        QTest::addColumn<int>("tries");
        QTest::newRow("none") << 0;
        QTest::newRow("one") << 1;
        QTest::newRow("three") << 3;
    }

    void aHolderThatKeepsTheLockIsAskedEachTryThenGivenUpOn() {
        QFETCH(int, tries);
        QLockFile holder(app::InstanceLockPath());
        QVERIFY(holder.tryLock(0));
        int activations = 0;
        app::ActivationServer server([&] { ++activations; }, nullptr);
        QVERIFY(server.Listening());
        app::InstanceLock lock;
        // The asking side blocks on each answer, so it runs beside this thread's event loop.
        std::future<app::InstanceLock::Outcome> outcome =
            std::async(std::launch::async, [&] { return lock.Acquire(tries); });
        QVERIFY(QTest::qWaitFor(
            [&] { return outcome.wait_for(std::chrono::seconds(0)) == std::future_status::ready; }, kStartMs));
        QVERIFY(outcome.get() == app::InstanceLock::Outcome::GaveUp);
        QCOMPARE(lock.ActivationsSent(), tries);
        QCOMPARE(activations, tries);
        QVERIFY(holder.isLocked());
    }

    void wrongFormatQuestionComesFirst_data() {
        QTest::addColumn<QString>("photo");
        QTest::addColumn<QString>("answer");
        QTest::addColumn<bool>("asks");
        QTest::addColumn<bool>("starts");
        QTest::newRow("tiff, Yes") << "/nowhere/a.tif" << "yes" << true << true;
        QTest::newRow("tiff, No") << "/nowhere/a.tif" << "no" << true << false;
        QTest::newRow("capital DNG is not asked about") << "/nowhere/A.DNG" << "no" << false << true;
        QTest::newRow("a .Jpeg is not asked about") << "/nowhere/a.Jpeg" << "no" << false << true;
        QTest::newRow("a .peg is") << "/nowhere/a.peg" << "no" << true << false;
    }

    void wrongFormatQuestionComesFirst() {
        QFETCH(QString, photo);
        QFETCH(QString, answer);
        QFETCH(bool, asks);
        QFETCH(bool, starts);
        Instance instance(PluginArguments(photo), false, answer);
        if (starts) {
            QVERIFY(instance.WaitFor("shown"));
        } else {
            QVERIFY(instance.WaitForEnd());
            QCOMPARE(instance.ExitCode(), 0);
            QVERIFY(!instance.Lines().contains("shown"));
        }
        const QStringList lines = instance.Lines();
        QCOMPARE(lines.contains("message: Wrong format"), asks);
        if (asks)
            QCOMPARE(lines.first(), QString("message: Wrong format"));
    }

private:
    QString photo_;
};

CLARIVANE_APP_TEST_MAIN(SingleInstanceTest)
#include "single_instance_test.moc"
