#include "app/instance_channel.h"

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <QApplication>
#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLocalSocket>
#include <QSocketNotifier>
#include <QThread>
#include <QTimer>
#include <QUrl>
#include <algorithm>
#include <cerrno>
#include <cstring>

#include "app/local_file_name.h"

namespace vendrel {
namespace {

// How long a launch tries to reach the running copy, which may still be
// starting when its lock is already held.
constexpr int kConnectTimeoutMs = 3000;
constexpr int kConnectRetryMs = 100;
constexpr int kWriteTimeoutMs = 2000;
constexpr int kRetryMs = 200;
// After a failed accept (no descriptor left) the waiting connections are
// taken this much later.
constexpr int kAcceptRetryMs = 100;
constexpr int kAcceptsPerTurn = 64;
// A connection that has not sent its whole line by then is closed.
constexpr qint64 kIdleMs = 5000;
constexpr int kSweepMs = 1000;
// A request line is a command and a percent-encoded URL: never longer.
constexpr qsizetype kMaxLine = 64 * 1024;

// The file's name is sent as its bytes, percent-encoded: any name reaches
// the running copy as the file it names.
QByteArray requestLine(const QString& file) {
    if (file.isEmpty()) {
        return "raise\n";
    }
    const QByteArray bytes =
        QByteArray::fromStdString(localFileNameBytes(absoluteLocalFileName(file)));
    return "open file://" + bytes.toPercentEncoding("/") + "\n";
}

// Whether the peer of a connected local socket runs as this user.
bool peerIsThisUser(int fd) {
    ucred peer{};
    socklen_t size = sizeof peer;
    return ::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0 && size == sizeof peer &&
           peer.uid == ::geteuid();
}

bool addressOf(const QByteArray& path, sockaddr_un& address) {
    address = sockaddr_un{};
    address.sun_family = AF_UNIX;
    if (path.isEmpty() || std::size_t(path.size()) >= sizeof address.sun_path) {
        return false;
    }
    std::memcpy(address.sun_path, path.constData(), std::size_t(path.size()));
    return true;
}

// Whether a copy listens at `address` (a socket left by one that ended
// refuses the connection).
bool answers(const sockaddr_un& address) {
    const int probe = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (probe < 0) {
        return true;  // cannot tell: leave it alone
    }
    const bool connected =
        ::connect(probe, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0 ||
        errno == EAGAIN || errno == EINPROGRESS;
    ::close(probe);
    return connected;
}

}  // namespace

struct InstanceChannel::Connection {
    int fd = -1;
    QSocketNotifier* notifier = nullptr;
    QByteArray received;
    QElapsedTimer age;
};

QString InstanceChannel::socketName(const QString& folder, const QString& lockPath) {
    if (QFileInfo(lockPath).absoluteFilePath() ==
        QDir(folder).absoluteFilePath("VendrelApp_Mutex.lock")) {
        return folder + "/VendrelApp.socket";
    }
    const QByteArray lock = QFile::encodeName(QFileInfo(lockPath).absoluteFilePath());
    const QByteArray digest = QCryptographicHash::hash(lock, QCryptographicHash::Sha256).toHex();
    return folder + "/VendrelApp-" + QString::fromLatin1(digest.left(16)) + ".socket";
}

InstanceChannel::HandOver InstanceChannel::handOver(const QString& file,
                                                    const QString& socketName) {
    const QDeadlineTimer deadline(kConnectTimeoutMs);
    QLocalSocket socket;
    for (;;) {
        socket.connectToServer(socketName, QIODevice::WriteOnly);
        if (socket.waitForConnected(int(std::max<qint64>(1, deadline.remainingTime())))) {
            break;
        }
        const QLocalSocket::LocalSocketError error = socket.error();
        socket.abort();
        const bool starting = error == QLocalSocket::ServerNotFoundError ||
                              error == QLocalSocket::ConnectionRefusedError;
        if (!starting || deadline.hasExpired()) {
            return HandOver::NotReachable;
        }
        QThread::msleep(kConnectRetryMs);
    }
    if (!peerIsThisUser(int(socket.socketDescriptor()))) {
        socket.abort();
        return HandOver::Stranger;
    }
    socket.write(requestLine(file));
    const bool written = socket.waitForBytesWritten(kWriteTimeoutMs) || socket.bytesToWrite() == 0;
    socket.disconnectFromServer();
    if (socket.state() != QLocalSocket::UnconnectedState) {
        socket.waitForDisconnected(kWriteTimeoutMs);
    }
    return written ? HandOver::Delivered : HandOver::NotReachable;
}

InstanceChannel::InstanceChannel(std::function<void(const Request&)> carryOut, QObject* parent)
    : QObject(parent),
      carryOut_(std::move(carryOut)),
      acceptRetry_(new QTimer(this)),
      staleSweep_(new QTimer(this)),
      retry_(new QTimer(this)) {
    acceptRetry_->setSingleShot(true);
    acceptRetry_->setInterval(kAcceptRetryMs);
    connect(acceptRetry_, &QTimer::timeout, this, [this] {
        acceptNotifier_->setEnabled(true);
        acceptPending();
    });
    staleSweep_->setInterval(kSweepMs);
    connect(staleSweep_, &QTimer::timeout, this, &InstanceChannel::dropStale);
    retry_->setSingleShot(true);
    retry_->setInterval(kRetryMs);
    connect(retry_, &QTimer::timeout, this, &InstanceChannel::processQueue);
}

InstanceChannel::~InstanceChannel() {
    while (!connections_.empty()) {
        close(*connections_.back());
    }
    if (listener_ >= 0) {
        ::close(listener_);
        // Removed only while it is still this copy's socket.
        struct stat info {};
        if (::lstat(socketPath_.constData(), &info) == 0 && S_ISSOCK(info.st_mode) &&
            info.st_ino == socketInode_) {
            ::unlink(socketPath_.constData());
        }
    }
}

bool InstanceChannel::listen(const QString& socketName, bool replace) {
    const QByteArray path = QFile::encodeName(socketName);
    sockaddr_un address{};
    if (listener_ >= 0 || !addressOf(path, address)) {
        return false;
    }
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return false;
    }
    const auto bindTo = [&] {
        return ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    };
    bool bound = bindTo();
    if (!bound && errno == EADDRINUSE && (replace || !answers(address))) {
        ::unlink(path.constData());
        bound = bindTo();
    }
    if (!bound || ::listen(fd, SOMAXCONN) != 0) {
        ::close(fd);
        return false;
    }
    ::chmod(path.constData(), 0600);
    struct stat info {};
    socketInode_ = ::lstat(path.constData(), &info) == 0 ? info.st_ino : 0;
    listener_ = fd;
    socketPath_ = path;
    acceptNotifier_ = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(acceptNotifier_, &QSocketNotifier::activated, this, &InstanceChannel::acceptPending);
    return true;
}

void InstanceChannel::acceptPending() {
    for (int k = 0; k < kAcceptsPerTurn; ++k) {
        const int fd = ::accept4(listener_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0) {
            if (errno == EINTR || errno == ECONNABORTED) {
                continue;
            }
            if (errno != EAGAIN && errno != EWOULDBLOCK) {
                // Out of descriptors or memory: the connections stay queued.
                acceptNotifier_->setEnabled(false);
                acceptRetry_->start();
            }
            return;
        }
        if (!peerIsThisUser(fd)) {
            ::close(fd);
            continue;
        }
        auto connection = std::make_unique<Connection>();
        Connection* opened = connection.get();
        opened->fd = fd;
        opened->age.start();
        opened->notifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
        connect(opened->notifier, &QSocketNotifier::activated, this,
                [this, opened] { readFrom(*opened); });
        connections_.push_back(std::move(connection));
        if (!staleSweep_->isActive()) {
            staleSweep_->start();
        }
    }
}

void InstanceChannel::readFrom(Connection& connection) {
    char chunk[4096];
    for (;;) {
        const ssize_t count = ::read(connection.fd, chunk, sizeof chunk);
        if (count > 0) {
            connection.received.append(chunk, count);
            if (connection.received.contains('\n') || connection.received.size() > kMaxLine) {
                break;
            }
        } else if (count < 0 && errno == EINTR) {
            continue;
        } else if (count < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            return;  // the rest of the line is still to come
        } else {
            break;  // the sender closed its end, or the connection broke
        }
    }
    const qsizetype end = connection.received.indexOf('\n');
    const QByteArray line =
        end < 0 || end > kMaxLine ? QByteArray() : connection.received.left(end).trimmed();
    close(connection);  // one line per connection; nothing more is read

    if (line == "raise") {
        queue_.append(Request{});
    } else if (line.startsWith("open ")) {
        const QUrl url = QUrl::fromEncoded(line.mid(5));
        if (!url.isLocalFile()) {
            return;
        }
        const QByteArray bytes =
            QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1());
        queue_.append(Request{localFileName(bytes.toStdString())});
    } else {
        return;
    }
    // From the event loop, once this connection's reading is over.
    QMetaObject::invokeMethod(this, &InstanceChannel::processQueue, Qt::QueuedConnection);
}

void InstanceChannel::close(Connection& connection) {
    connection.notifier->setEnabled(false);
    connection.notifier->deleteLater();
    ::close(connection.fd);
    const auto found =
        std::find_if(connections_.begin(), connections_.end(),
                     [&connection](const auto& held) { return held.get() == &connection; });
    connections_.erase(found);
    if (connections_.empty()) {
        staleSweep_->stop();
    }
}

void InstanceChannel::dropStale() {
    for (std::size_t k = connections_.size(); k-- > 0;) {
        if (connections_[k]->age.hasExpired(kIdleMs)) {
            close(*connections_[k]);
        }
    }
}

void InstanceChannel::processQueue() {
    if (processing_) {
        return;  // the request being carried out runs its own dialogs
    }
    processing_ = true;
    while (!queue_.isEmpty() && QApplication::activeModalWidget() == nullptr) {
        const Request request = queue_.takeFirst();
        carryOut_(request);
    }
    processing_ = false;
    if (!queue_.isEmpty()) {
        retry_->start();
    }
}

}  // namespace vendrel
