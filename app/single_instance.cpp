#include "app/single_instance.h"

#include <unistd.h>

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QThread>
#include <cerrno>

#include "storage/atomic_file.h"

namespace kerfolio {
namespace {

constexpr char kComeBack[] = "come-back\n";
// How long a second start keeps trying to reach a first one that has the lock but is still starting.
constexpr int kHandOverMs = 2000;

QString BaseName(const std::filesystem::path& dataFolder) {
    std::error_code ignored;
    std::filesystem::path folder = std::filesystem::weakly_canonical(dataFolder, ignored);
    if (folder.empty()) folder = std::filesystem::absolute(dataFolder, ignored);
    const QByteArray hash =
        QCryptographicHash::hash(QByteArray::fromStdString(folder.string()), QCryptographicHash::Sha256);
    return QStringLiteral("kerfolio-") + QString::fromLatin1(hash.toHex().left(16));
}

QString ChooseRuntimeFolder(QString folder) {
    if (folder.isEmpty()) folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty()) folder = QDir::tempPath();
    return folder;
}

}  // namespace

SingleInstance::SingleInstance(const std::filesystem::path& dataFolder, QString runtimeFolder,
                               QObject* parent)
    : QObject(parent),
      lock_(QDir(ChooseRuntimeFolder(std::move(runtimeFolder))).filePath(BaseName(dataFolder) + ".lock")) {
    serverName_ = lock_.fileName();
    serverName_.replace(serverName_.size() - 5, 5, QStringLiteral(".socket"));
    // Only a dead owner makes a lock stale, never its age: the program runs for weeks.
    lock_.setStaleLockTime(0);
}

SingleInstance::~SingleInstance() = default;

bool SingleInstance::Claim() {
    if (lock_.tryLock(0)) {
        Listen();
        return true;
    }
    if (lock_.error() == QLockFile::LockFailedError) {
        AskRunningToComeBack();
        return false;
    }
    // No other program holds it: the runtime folder refuses the file (gone, read-only or full).
    const std::filesystem::path file = lock_.fileName().toStdString();
    int reason = lock_.error() == QLockFile::PermissionError ? EACCES : EIO;
    std::error_code folderError;
    const auto folder = std::filesystem::status(file.parent_path(), folderError);
    if (folderError) {
        reason = folderError.value();
    } else if (!std::filesystem::is_directory(folder)) {
        reason = ENOTDIR;
    } else if (::access(file.parent_path().c_str(), W_OK) != 0) {
        reason = errno;
    }
    problem_ = QString::fromStdString(CannotCreateMessage(file, reason));
    return false;
}

void SingleInstance::Listen() {
    // A socket file left by a crashed owner would make listen() fail; the lock says it is ours now.
    QLocalServer::removeServer(serverName_);
    server_ = std::make_unique<QLocalServer>();
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    connect(server_.get(), &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = server_->nextPendingConnection()) {
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
                if (socket->readAll().contains("come-back")) emit ComeBackRequested();
            });
        }
    });
    server_->listen(serverName_);
}

bool SingleInstance::AskRunningToComeBack() {
    // The owner may have taken the lock a moment ago and not be listening yet.
    QDeadlineTimer deadline(kHandOverMs);
    while (!deadline.hasExpired()) {
        QLocalSocket socket;
        socket.connectToServer(serverName_);
        if (socket.waitForConnected(200)) {
            socket.write(kComeBack);
            socket.waitForBytesWritten(500);
            socket.disconnectFromServer();
            return true;
        }
        QThread::msleep(50);
    }
    return false;
}

}  // namespace kerfolio
