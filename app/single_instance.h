#pragma once

#include <QLocalServer>
#include <QObject>
#include <QTimer>
#include <filesystem>
#include <memory>

#include "storage/file_lock.h"

namespace kerfolio {

// One running program per data folder. The lock file and the local socket live in the user's runtime
// folder, named from the data folder's path, because the data folder itself may be read-only. The
// lock is an flock, so a program that died holds nothing and whatever its file holds does not count.
class SingleInstance : public QObject {
    Q_OBJECT
  public:
    // runtimeFolder empty: the session's runtime folder, or when there is none a folder of this user's
    // own under the temporary folder. Either must belong to this user alone.
    explicit SingleInstance(const std::filesystem::path& dataFolder, QString runtimeFolder = {},
                            QObject* parent = nullptr);
    ~SingleInstance() override;

    // True when this process now runs on the data folder. False when another one already does; that
    // one has then been asked to come back to the front. Also false when the lock cannot be made, or
    // is held by a program that does not answer, with Problem() saying why: the program must then say
    // so instead of ending without a word.
    bool Claim();
    QString Problem() const { return problem_; }

    QString LockFilePath() const { return lockPath_; }
    QString ServerName() const { return serverName_; }

  signals:
    void ComeBackRequested();

  private:
    void Listen();
    void Accept();
    bool AskRunningToComeBack();

    QString folderProblem_;
    QString lockPath_;
    QString serverName_;
    QString problem_;
    FileLock lock_;
    std::unique_ptr<QLocalServer> server_;
    QTimer watchdog_;
    int clients_ = 0;
};

}  // namespace kerfolio
