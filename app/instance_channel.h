#pragma once
// The way from a second launch to the running copy. The instance lock
// (single_instance_guard.h) keeps one copy per user running; beside it, in
// the same private folder, the running copy listens on a local socket. A
// second launch of the same user connects and sends one line: "open <file
// URL>" with the file made absolute, or "raise" when no file was named.
// Each side asks the system who the other is (SO_PEERCRED) and drops a
// peer of another user: a launch tells nothing to a stranger's socket, and
// the running copy takes no request from one.
//
// A connection is read into a buffer until its line is whole, then closed;
// only then, from the event loop, is the request queued and carried out, so
// no connection is ever touched by the dialogs a request opens. The queue is
// carried out only while no modal dialog is open, one request at a time and
// in the order received. A failed accept (too many open files) leaves the
// waiting connections queued and is tried again a little later: the socket
// keeps listening.

#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <vector>

class QSocketNotifier;
class QTimer;

namespace vendrel {

class InstanceChannel : public QObject {
    Q_OBJECT

  public:
    struct Request {
        QString file;  // absolute; empty: only raise the window
    };
    enum class HandOver { Delivered, NotReachable, Stranger };

    // The socket in `folder` that belongs with the lock file `lockPath`:
    // VendrelApp.socket for the folder's own lock, a name made from the
    // lock's path for a lock named elsewhere, so that copies kept apart by
    // their locks are kept apart on their sockets too.
    static QString socketName(const QString& folder, const QString& lockPath);
    // From a second launch: hands `file` (made absolute against the current
    // folder; empty for none) to the running copy. NotReachable when no copy
    // listens, Stranger when the socket belongs to another user (nothing is
    // sent to it).
    static HandOver handOver(const QString& file, const QString& socketName);

    // `carryOut` runs each request on the window's thread.
    explicit InstanceChannel(std::function<void(const Request&)> carryOut,
                             QObject* parent = nullptr);
    ~InstanceChannel() override;

    // Listens on `socketName`. With `replace` (the caller holds the instance
    // lock) a socket left by a copy that ended is replaced; without it a
    // socket that answers is left alone. False when the socket cannot be
    // made.
    bool listen(const QString& socketName, bool replace = true);
    int pendingCount() const { return int(queue_.size()); }
    int openConnections() const { return int(connections_.size()); }

  private:
    struct Connection;
    void acceptPending();
    void readFrom(Connection& connection);
    void close(Connection& connection);
    void dropStale();
    // Carries out the queued requests unless a modal dialog is open; then
    // tries again a little later.
    void processQueue();

    std::function<void(const Request&)> carryOut_;
    int listener_ = -1;
    QByteArray socketPath_;
    unsigned long socketInode_ = 0;
    QSocketNotifier* acceptNotifier_ = nullptr;
    QTimer* acceptRetry_;
    QTimer* staleSweep_;
    QTimer* retry_;
    std::vector<std::unique_ptr<Connection>> connections_;
    QList<Request> queue_;
    bool processing_ = false;
};

}  // namespace vendrel
