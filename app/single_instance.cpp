#include "app/single_instance.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QLocalSocket>
#include <QThread>
#include <cerrno>
#include <cstdlib>

#include "storage/atomic_file.h"
#include "storage/private_folder.h"

namespace kerfolio {
namespace {

constexpr char kComeBack[] = "come-back\n";
// How long a second start keeps trying to reach a first one that has the lock but is still starting.
constexpr int kHandOverMs = 2000;
// A start says what it wants at once; a client that holds its connection longer, or comes when this
// many are open, is dropped, so a flood of connections cannot use up the descriptors the socket needs.
constexpr int kClientMs = 2000;
constexpr int kMaxClients = 16;
// How often the socket is checked: Qt stops listening for good when an accept fails.
constexpr int kWatchdogMs = 1000;

QString BaseName(const std::filesystem::path& dataFolder) {
    std::error_code ignored;
    std::filesystem::path folder = std::filesystem::weakly_canonical(dataFolder, ignored);
    if (folder.empty()) folder = std::filesystem::absolute(dataFolder, ignored);
    const QByteArray hash =
        QCryptographicHash::hash(QByteArray::fromStdString(folder.string()), QCryptographicHash::Sha256);
    return QStringLiteral("kerfolio-") + QString::fromLatin1(hash.toHex().left(16));
}

// The folder for the lock and socket, or empty with *problem saying why there is none.
QString ChooseRuntimeFolder(QString folder, QString* problem) {
    if (folder.isEmpty()) folder = QString::fromLocal8Bit(qgetenv("XDG_RUNTIME_DIR"));
    if (folder.isEmpty()) {
        std::string why;
        const std::filesystem::path own = ChoosePrivateTempFolder(QDir::tempPath().toStdString(), why);
        *problem = QString::fromStdString(why);
        return QString::fromStdString(own.string());
    }
    if (const auto why = PrivateFolderProblem(folder.toStdString(), false)) {
        *problem = QString::fromStdString(*why);
    }
    return folder;
}

}  // namespace

SingleInstance::SingleInstance(const std::filesystem::path& dataFolder, QString runtimeFolder,
                               QObject* parent)
    : QObject(parent) {
    const QDir folder(ChooseRuntimeFolder(std::move(runtimeFolder), &folderProblem_));
    lockPath_ = folder.filePath(BaseName(dataFolder) + ".lock");
    serverName_ = folder.filePath(BaseName(dataFolder) + ".socket");
    watchdog_.setInterval(kWatchdogMs);
    connect(&watchdog_, &QTimer::timeout, this, [this] {
        if (server_ && !server_->isListening()) Listen();
    });
}

SingleInstance::~SingleInstance() {
    server_.reset();  // its sockets count themselves out while the count is still there
}

bool SingleInstance::Claim() {
    const std::filesystem::path file = lockPath_.toStdString();
    if (!folderProblem_.isEmpty()) {
        problem_ = QStringLiteral("Cannot create file \"%1\". %2").arg(lockPath_, folderProblem_);
        return false;
    }
    const int refusal = lock_.Take(file, std::chrono::milliseconds(0));
    if (refusal == 0) {
        Listen();
        watchdog_.start();
        return true;
    }
    if (refusal != EWOULDBLOCK) {
        problem_ = QString::fromStdString(CannotCreateMessage(file, refusal));
        return false;
    }
    if (AskRunningToComeBack()) return false;
    problem_ =
        QStringLiteral("Cannot create file \"%1\". Another program holds it and does not answer at \"%2\"")
            .arg(lockPath_, serverName_);
    return false;
}

void SingleInstance::Listen() {
    // A socket file left by a crashed owner would make listen() fail; the lock says it is ours now.
    QLocalServer::removeServer(serverName_);
    server_ = std::make_unique<QLocalServer>();
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    connect(server_.get(), &QLocalServer::newConnection, this, &SingleInstance::Accept);
    server_->listen(serverName_);
}

void SingleInstance::Accept() {
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
        if (clients_ >= kMaxClients) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        ++clients_;
        connect(socket, &QObject::destroyed, this, [this] { --clients_; });
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            if (socket->readAll().contains("come-back")) emit ComeBackRequested();
        });
        QTimer::singleShot(kClientMs, socket, [socket] {
            socket->abort();
            socket->deleteLater();
        });
    }
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
