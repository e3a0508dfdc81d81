#pragma once

#include <sys/mount.h>
#include <sys/resource.h>

#include <QDir>
#include <QFile>
#include <csignal>

#include "tests/app/gui_test_support.h"

namespace kerfolio::test {

// A data folder whose writes can be made to fail part-way: a small tmpfs of its own where the test
// may mount one (a really full disk), otherwise the process's file size limit.
class SmallDisk {
  public:
    SmallDisk()
        : mounted_(::mount("tmpfs", Path().toLocal8Bit().constData(), "tmpfs", 0, "size=512k") == 0) {}
    ~SmallDisk() {
        MakeRoom();
        if (mounted_) ::umount2(Path().toLocal8Bit().constData(), MNT_DETACH);
    }
    QString Path() const { return folder_.Path(); }
    const char* Kind() const { return mounted_ ? "full tmpfs" : "file size limit"; }

    void Fill() {
        if (mounted_) {
            QFile filler(Path() + "/filler");
            filler.open(QIODevice::WriteOnly);
            const QByteArray block(4096, 'x');
            while (filler.write(block) == block.size() && filler.flush()) {
            }
            return;
        }
        std::signal(SIGXFSZ, SIG_IGN);  // a write past the limit then fails with EFBIG
        ::getrlimit(RLIMIT_FSIZE, &saved_);
        rlimit small = saved_;
        small.rlim_cur = 8;
        ::setrlimit(RLIMIT_FSIZE, &small);
        limited_ = true;
    }
    void MakeRoom() {
        if (limited_) ::setrlimit(RLIMIT_FSIZE, &saved_);
        limited_ = false;
        QFile::remove(Path() + "/filler");
    }
    // The files a failed write must leave as they were, and nothing beside them. The journal's own
    // files are not the log's: they take every event, and their trouble is told apart.
    QMap<QString, QByteArray> Files() const {
        QMap<QString, QByteArray> files;
        for (const QFileInfo& info : QDir(Path()).entryInfoList(QDir::Files | QDir::Hidden)) {
            if (info.fileName() == "filler" || info.fileName().startsWith("journal.sqlite")) continue;
            QFile file(info.filePath());
            file.open(QIODevice::ReadOnly);
            files[info.fileName()] = file.readAll();
        }
        return files;
    }

  private:
    TempFolder folder_;
    bool mounted_;
    bool limited_ = false;
    rlimit saved_{};
};

}  // namespace kerfolio::test
