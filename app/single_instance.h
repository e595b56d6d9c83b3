#pragma once
#include <QObject>
#include <QString>
#include <functional>
#include <memory>

class QLocalServer;
class QLockFile;

namespace app {

// One instance at a time: a lock file that the kernel releases when its
// holder ends, and a local socket on which the running main window hears a
// second start.
constexpr char kInstanceLockName[] = "CLARIVANE";
constexpr char kActivationServerName[] = "CLRVN";
constexpr int kHandshakeTries = 200;

// The user's runtime folder, else the temporary one, so that every user has
// an instance of their own. Looked up once per process; call it before the
// QApplication is made, whose start looks the folder up too. Without
// XDG_RUNTIME_DIR Qt warns at each lookup, so the folder it chose is put into
// the variable and the process warns once.
QString InstanceFolder();

// Full paths of the lock file and of the activation socket in that folder.
QString InstanceLockPath();
QString ActivationServerPath();

// The starting side of the handshake.
class InstanceLock {
public:
    enum class Outcome {
        Owned,          // this process now holds the lock for as long as it lives
        GaveUp,         // another instance kept the lock through every try
        Unprotected,    // the lock could not be made at all; start without it
    };

    InstanceLock();
    ~InstanceLock();

    // Takes the lock; while another instance holds it, asks that one to
    // activate and tries again, at most `tries` times.
    Outcome Acquire(int tries = kHandshakeTries);
    // How many activations were sent by the last Acquire.
    int ActivationsSent() const { return activationsSent_; }

private:
    std::unique_ptr<QLockFile> lock_;
    int activationsSent_ = 0;
};

// Sends one activation to the running instance and waits until it was
// handled. Returns false when no instance listens.
bool SendActivation();

// The receiving side, owned by the main window: calls `onActivation` for
// each activation and answers once it has returned.
class ActivationServer : public QObject {
    Q_OBJECT

public:
    ActivationServer(std::function<void()> onActivation, QObject* parent);
    bool Listening() const;

private:
    void AcceptConnections();

    QLocalServer* server_;
    std::function<void()> onActivation_;
};

}  // namespace app
