#include "app/InstanceLink.h"
#include "app/InstanceLock.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>

namespace app {

namespace {

constexpr char kHeader[] = "quillan-open";
// A message larger than this is not from a later start of this program.
constexpr qsizetype kMaxMessageBytes = qsizetype(64) << 20;
constexpr int kRetryMs = 25;

// The files of a complete message; nothing yet (false) while it is still arriving.
// pBad is set for bytes that are no message of ours.
bool ParseMessage(const QByteArray& pBuffer, std::vector<std::string>& pFiles, bool& pBad) {
    const QList<QByteArray> parts = pBuffer.split('\0');
    // split() gives a last, unterminated part: what is still arriving.
    if (parts.size() < 2) {
        pBad = !QByteArray(kHeader).startsWith(pBuffer);
        return false;
    }
    if (parts.front() != kHeader) {
        pBad = true;
        return false;
    }
    pFiles.clear();
    for (qsizetype i = 1; i + 1 < parts.size(); ++i) {
        if (parts[i].isEmpty()) return true;
        pFiles.push_back(parts[i].toStdString());
    }
    return false;
}

} // namespace

InstanceLink::InstanceLink(QObject* pParent) : QObject(pParent) {}

InstanceLink::~InstanceLink() {
    Close();
}

QString InstanceLink::SocketPath() {
    return QDir(InstanceLock::RuntimeFolder()).filePath(QStringLiteral("quillan.sock"));
}

QByteArray InstanceLink::Encode(const std::vector<std::string>& pFiles) {
    QByteArray message(kHeader);
    message.append('\0');
    for (const std::string& file : pFiles) {
        if (file.empty()) continue;
        message.append(file.data(), qsizetype(file.size()));
        message.append('\0');
    }
    message.append('\0');
    return message;
}

bool InstanceLink::Listen(Receiver pReceiver) {
    Close();
    m_Receiver = std::move(pReceiver);
    m_Server = new QLocalServer(this);
    m_Server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_Server, &QLocalServer::newConnection, this, [this] { TakeConnection(); });
    QLocalServer::removeServer(SocketPath());
    if (m_Server->listen(SocketPath())) return true;
    delete m_Server;
    m_Server = nullptr;
    return false;
}

void InstanceLink::Close() {
    if (!m_Server) return;
    m_Server->close();
    delete m_Server;
    m_Server = nullptr;
}

bool InstanceLink::IsListening() const {
    return m_Server && m_Server->isListening();
}

void InstanceLink::TakeConnection() {
    while (QLocalSocket* socket = m_Server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { ReadFrom(socket); });
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        // Bytes may have come with the connection.
        ReadFrom(socket);
    }
}

void InstanceLink::ReadFrom(QLocalSocket* pSocket) {
    QByteArray buffer = pSocket->property("received").toByteArray() + pSocket->readAll();
    std::vector<std::string> files;
    bool bad = false;
    const bool complete = ParseMessage(buffer, files, bad);
    if (bad || buffer.size() > kMaxMessageBytes) {
        pSocket->abort();
        return;
    }
    if (!complete) {
        pSocket->setProperty("received", buffer);
        return;
    }
    pSocket->setProperty("received", QByteArray());
    pSocket->disconnectFromServer();
    if (m_Receiver) m_Receiver(files);
}

bool InstanceLink::SendToRunning(const std::vector<std::string>& pFiles, int pWaitMs) {
    const QDeadlineTimer deadline(pWaitMs);
    QLocalSocket socket;
    for (;;) {
        socket.connectToServer(SocketPath());
        if (socket.waitForConnected(int(deadline.remainingTime()))) break;
        socket.abort();
        if (deadline.hasExpired()) return false;
        QThread::msleep(kRetryMs); // the running instance may not listen yet
    }
    socket.write(Encode(pFiles));
    while (socket.bytesToWrite() > 0)
        if (!socket.waitForBytesWritten(int(deadline.remainingTime()))) return false;
    socket.disconnectFromServer();
    if (socket.state() != QLocalSocket::UnconnectedState)
        socket.waitForDisconnected(int(deadline.remainingTime()));
    return true;
}

} // namespace app
