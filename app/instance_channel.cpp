#include "app/instance_channel.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QTimer>
#include <QUrl>

#include "app/local_file_name.h"

namespace vendrel {
namespace {

constexpr int kConnectTimeoutMs = 2000;
constexpr int kRetryMs = 200;
// A request line is a command and a percent-encoded URL: never longer.
constexpr qint64 kMaxLine = 64 * 1024;

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

}  // namespace

QString InstanceChannel::defaultSocketName() {
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty()) {
        folder = QDir::tempPath();
    }
    return folder + "/VendrelApp.socket";
}

bool InstanceChannel::handOver(const QString& file, const QString& socketName) {
    QLocalSocket socket;
    socket.connectToServer(socketName, QIODevice::WriteOnly);
    if (!socket.waitForConnected(kConnectTimeoutMs)) {
        return false;
    }
    socket.write(requestLine(file));
    const bool written =
        socket.waitForBytesWritten(kConnectTimeoutMs) || socket.bytesToWrite() == 0;
    socket.disconnectFromServer();
    if (socket.state() != QLocalSocket::UnconnectedState) {
        socket.waitForDisconnected(kConnectTimeoutMs);
    }
    return written;
}

InstanceChannel::InstanceChannel(std::function<void(const Request&)> carryOut, QObject* parent)
    : QObject(parent),
      carryOut_(std::move(carryOut)),
      server_(new QLocalServer(this)),
      retry_(new QTimer(this)) {
    retry_->setSingleShot(true);
    retry_->setInterval(kRetryMs);
    connect(retry_, &QTimer::timeout, this, &InstanceChannel::processQueue);
    connect(server_, &QLocalServer::newConnection, this, &InstanceChannel::accept);
}

InstanceChannel::~InstanceChannel() {
    server_->close();
}

bool InstanceChannel::listen(const QString& socketName) {
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    if (server_->listen(socketName)) {
        return true;
    }
    QLocalServer::removeServer(socketName);
    return server_->listen(socketName);
}

void InstanceChannel::accept() {
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { readFrom(socket); });
        connect(socket, &QLocalSocket::disconnected, this, [this, socket] {
            readFrom(socket);
            socket->deleteLater();
        });
        readFrom(socket);
    }
}

void InstanceChannel::readFrom(QLocalSocket* socket) {
    bool added = false;
    while (socket->canReadLine()) {
        const QByteArray line = socket->readLine(kMaxLine).trimmed();
        if (line == "raise") {
            queue_.append(Request{});
            added = true;
        } else if (line.startsWith("open ")) {
            const QUrl url = QUrl::fromEncoded(line.mid(5));
            if (url.isLocalFile()) {
                const QByteArray bytes =
                    QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1());
                queue_.append(Request{localFileName(bytes.toStdString())});
                added = true;
            }
        }
    }
    if (socket->bytesAvailable() > kMaxLine) {
        socket->abort();  // no line of ours is that long
    }
    if (added) {
        processQueue();
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
