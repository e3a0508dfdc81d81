#pragma once

#include <QLocalServer>
#include <QLockFile>
#include <QObject>
#include <filesystem>
#include <memory>

namespace kerfolio {

// One running program per data folder. The lock file and the local socket live in the user's runtime
// folder, named from the data folder's path, because the data folder itself may be read-only.
class SingleInstance : public QObject {
    Q_OBJECT
  public:
    // runtimeFolder empty: the user's runtime folder, or the temporary folder when there is none.
    explicit SingleInstance(const std::filesystem::path& dataFolder, QString runtimeFolder = {},
                            QObject* parent = nullptr);
    ~SingleInstance() override;

    // True when this process now runs on the data folder. False when another one already does; that
    // one has then been asked to come back to the front. Also false when the lock cannot be made at all,
    // with Problem() saying why: the program must then say so instead of ending without a word.
    bool Claim();
    QString Problem() const { return problem_; }

    QString LockFilePath() const { return lock_.fileName(); }
    QString ServerName() const { return serverName_; }

  signals:
    void ComeBackRequested();

  private:
    void Listen();
    bool AskRunningToComeBack();

    QLockFile lock_;
    QString serverName_;
    QString problem_;
    std::unique_ptr<QLocalServer> server_;
};

}  // namespace kerfolio
