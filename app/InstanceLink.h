#pragma once
// Hands the files of a later start to the running window: the first instance listens on a
// local socket beside its lock file; a later one connects, sends its file paths and exits.
// The running window adds them and comes to the front.

#include <QObject>
#include <QString>

#include <functional>
#include <string>
#include <vector>

class QLocalServer;
class QLocalSocket;

namespace app {

class InstanceLink : public QObject {
    Q_OBJECT

  public:
    using Receiver = std::function<void(const std::vector<std::string>& pFiles)>;

    explicit InstanceLink(QObject* pParent = nullptr);
    ~InstanceLink() override;

    // Starts listening; pReceiver gets the files of every later start (none: just come to the
    // front), from the event loop. Only the holder of the instance lock may call it: a socket
    // file left behind by a dead instance is replaced. False when no socket could be made.
    bool Listen(Receiver pReceiver);
    void Close();
    bool IsListening() const;

    // quillan.sock in the runtime folder.
    static QString SocketPath();

    // A later start: sends the files to the running instance, waiting up to pWaitMs for it to
    // listen (it may still be loading). False when none took the message in that time.
    static bool SendToRunning(const std::vector<std::string>& pFiles, int pWaitMs = 10000);

    // The message: a header, then each path followed by a NUL; an empty path ends it.
    static QByteArray Encode(const std::vector<std::string>& pFiles);

  private:
    void TakeConnection();
    void ReadFrom(QLocalSocket* pSocket);

    QLocalServer* m_Server = nullptr;
    Receiver m_Receiver;
};

} // namespace app
