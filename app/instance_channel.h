#pragma once
// The way from a second launch to the running copy. The machine-wide lock
// (single_instance_guard.h) keeps one copy running; beside it the running
// copy listens on a local socket in the user's runtime folder, reachable by
// that user only. A second launch of the same user connects and sends one
// line: "open <file URL>" with the file made absolute, or "raise" when no
// file was named. Another user's launch finds no socket of its own and is
// told so.
//
// The running copy queues what arrives and carries it out only while no
// modal dialog is open, one request at a time and in the order received.

#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>

class QLocalServer;
class QLocalSocket;
class QTimer;

namespace vendrel {

class InstanceChannel : public QObject {
    Q_OBJECT

  public:
    struct Request {
        QString file;  // absolute; empty: only raise the window
    };

    // <runtime folder>/VendrelApp.socket.
    static QString defaultSocketName();
    // From a second launch: hands `file` (made absolute against the current
    // folder; empty for none) to the running copy. False when no copy of
    // this user answers.
    static bool handOver(const QString& file, const QString& socketName = defaultSocketName());

    // `carryOut` runs each request on the window's thread.
    explicit InstanceChannel(std::function<void(const Request&)> carryOut,
                             QObject* parent = nullptr);
    ~InstanceChannel() override;

    // Listens on `socketName`; a socket left by a copy that ended without
    // closing it is replaced (the caller holds the instance lock). False
    // when the socket cannot be made.
    bool listen(const QString& socketName = defaultSocketName());
    int pendingCount() const { return int(queue_.size()); }

  private:
    void accept();
    void readFrom(QLocalSocket* socket);
    // Carries out the queued requests unless a modal dialog is open; then
    // tries again a little later.
    void processQueue();

    std::function<void(const Request&)> carryOut_;
    QLocalServer* server_;
    QTimer* retry_;
    QList<Request> queue_;
    bool processing_ = false;
};

}  // namespace vendrel
