#include "app/single_instance.h"

#include <fcntl.h>
#include <gtest/gtest.h>

#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>
#include <cstdio>

#include <cstring>

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTest>
#include <filesystem>
#include <functional>

#include "storage/file_lock.h"
#include "tests/app/gui_test_support.h"

namespace kerfolio::test {
namespace {

// A start that can neither run nor hand over must say why, never end without a word.
TEST(SingleInstance, ALockThatCannotBeMadeIsReportedNamingTheFile) {
    TempFolder folder;
    ASSERT_TRUE(QFile(folder.Path() + "/a file").open(QIODevice::WriteOnly));
    ASSERT_TRUE(QDir(folder.Path()).mkdir("shared"));
    ::chmod((folder.Path() + "/shared").toLocal8Bit().constData(), 0777);
    std::filesystem::create_directory_symlink(folder.Path().toStdString(),
                                              folder.Path().toStdString() + "/link");
    const struct {
        const char* runtime;
        const char* reason;
    } cases[] = {
        {"/gone", "No such file or directory"},
        {"/a file", "Not a directory"},
        {"/shared", "Other users may write in the folder"},  // anyone could plant the lock there
        {"/link", "The folder is a symbolic link"},
    };
    for (const auto& c : cases) {
        SingleInstance instance(folder.Path().toStdString(), folder.Path() + c.runtime);
        EXPECT_FALSE(instance.Claim()) << c.runtime;
        EXPECT_EQ(instance.Problem(),
                  QStringLiteral("Cannot create file \"%1\". %2").arg(instance.LockFilePath(), c.reason));
    }
}

TEST(SingleInstance, OneClaimsAndTheNextHandsOverWithoutAProblem) {
    TempFolder data, runtime;
    SingleInstance first(data.Path().toStdString(), runtime.Path());
    ASSERT_TRUE(first.Claim());
    EXPECT_TRUE(first.Problem().isEmpty());
    SingleInstance second(data.Path().toStdString(), runtime.Path());
    EXPECT_FALSE(second.Claim());
    EXPECT_TRUE(second.Problem().isEmpty()) << second.Problem().toStdString();
}

// What a lock file holds says nothing: only a live holder counts. An empty or garbage file used to
// stop every start silently.
TEST(SingleInstance, ALockFileWithoutALiveHolderIsTakenWhateverItHolds) {
    for (const QByteArray& content :
         {QByteArray(), QByteArray("garbage\n\0\xff", 10), QByteArray("1\nhost\nkerfolio\n")}) {
        TempFolder data, runtime;
        SingleInstance probe(data.Path().toStdString(), runtime.Path());
        QFile lock(probe.LockFilePath());
        ASSERT_TRUE(lock.open(QIODevice::WriteOnly));
        lock.write(content);
        lock.close();
        SingleInstance instance(data.Path().toStdString(), runtime.Path());
        EXPECT_TRUE(instance.Claim()) << instance.Problem().toStdString();
    }
}

TEST(SingleInstance, AHolderThatDoesNotAnswerIsReportedNamingTheFile) {
    TempFolder data, runtime;
    SingleInstance instance(data.Path().toStdString(), runtime.Path());
    FileLock silent;  // holds the lock but listens nowhere
    ASSERT_EQ(silent.Take(instance.LockFilePath().toStdString(), std::chrono::milliseconds(0)), 0);
    EXPECT_FALSE(instance.Claim());
    EXPECT_EQ(
        instance.Problem(),
        QStringLiteral("Cannot create file \"%1\". Another program holds it and does not answer at \"%2\"")
            .arg(instance.LockFilePath(), instance.ServerName()));
}

// A full runtime folder used to be reported as an input/output error.
TEST(SingleInstance, AFullRuntimeFolderIsReportedAsTheSystemSaysIt) {
    const struct {
        const char* options;
        bool claims;  // the lock and socket hold no data, so only running out of inodes stops them
    } cases[] = {{"size=64k,nr_inodes=1000", true}, {"size=1m,nr_inodes=4", false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.options);
        TempFolder data, runtime;
        const QByteArray path = runtime.Path().toLocal8Bit();
        if (::mount("tmpfs", path.constData(), "tmpfs", 0, c.options) != 0)
            GTEST_SKIP() << "cannot mount a tmpfs";
        ::chmod(path.constData(), 0700);
        QFile filler(runtime.Path() + "/filler");  // no room for data left
        ASSERT_TRUE(filler.open(QIODevice::WriteOnly));
        const QByteArray block(4096, 'x');
        while (filler.write(block) == block.size() && filler.flush()) {
        }
        // No inode left either where the mount has few.
        for (int i = 0; i < 16 && QFile(runtime.Path() + "/" + QString::number(i)).open(QIODevice::WriteOnly);
             ++i) {
        }
        {
            SingleInstance instance(data.Path().toStdString(), runtime.Path());
            EXPECT_EQ(instance.Claim(), c.claims);
            if (!c.claims) {
                EXPECT_EQ(instance.Problem(),
                          QStringLiteral("Cannot create file \"%1\". No space left on device")
                              .arg(instance.LockFilePath()));
            }
        }
        ::umount2(path.constData(), MNT_DETACH);
    }
}

// Scoped environment for a start without a runtime folder, with its own temporary folder.
class NoRuntimeFolder {
  public:
    explicit NoRuntimeFolder(const QString& temp)
        : runtime_(qgetenv("XDG_RUNTIME_DIR")),
          tmpdir_(qgetenv("TMPDIR")),
          hadTmpdir_(qEnvironmentVariableIsSet("TMPDIR")) {
        qunsetenv("XDG_RUNTIME_DIR");
        qputenv("TMPDIR", temp.toLocal8Bit());
    }
    ~NoRuntimeFolder() {
        qputenv("XDG_RUNTIME_DIR", runtime_);
        if (hadTmpdir_) {
            qputenv("TMPDIR", tmpdir_);
        } else {
            qunsetenv("TMPDIR");
        }
    }

  private:
    QByteArray runtime_, tmpdir_;
    bool hadTmpdir_;
};

// Runs make as the unprivileged user nobody, as another user of the PC would.
bool AsAnotherUser(const std::function<void()>& make) {
    const pid_t child = ::fork();
    if (child == 0) {
        if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(2);
        make();
        ::_exit(0);
    }
    int status = 0;
    return ::waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// Without a runtime folder the lock lived in the shared temporary folder under a name anyone could
// take first, and every start then ended after 2 s without a word.
TEST(SingleInstance, ANameTakenByAnotherUserInTheTemporaryFolderStopsNoStart) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to act as another user";
    const std::string own = "kerfolio-" + std::to_string(::geteuid());
    const struct {
        const char* what;
        std::function<void(const std::string&)> squat;
    } cases[] = {
        {"empty file",
         [](const std::string& path) { ::close(::open(path.c_str(), O_CREAT | O_WRONLY, 0644)); }},
        {"folder", [](const std::string& path) { ::mkdir(path.c_str(), 0777); }},
        {"link",
         [](const std::string& path) {
             if (::symlink("/tmp", path.c_str()) != 0) std::perror("symlink");
         }},
        {"mode-000 file",
         [](const std::string& path) { ::close(::open(path.c_str(), O_CREAT | O_WRONLY, 0)); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TempFolder data, temp;
        ::chmod(temp.Path().toLocal8Bit().constData(), 01777);  // shared like /tmp
        const std::string squatted = temp.Path().toStdString() + "/" + own;
        ASSERT_TRUE(AsAnotherUser([&] { c.squat(squatted); }));
        NoRuntimeFolder environment(temp.Path());

        SingleInstance first(data.Path().toStdString());
        ASSERT_TRUE(first.Claim()) << first.Problem().toStdString();
        EXPECT_TRUE(first.LockFilePath().startsWith(temp.Path() + "/" + QString::fromStdString(own) + "-1/"))
            << first.LockFilePath().toStdString();
        struct stat info {};
        ASSERT_EQ(::lstat((temp.Path().toStdString() + "/" + own + "-1").c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 07777, 0700u);
        QSignalSpy comeBack(&first, &SingleInstance::ComeBackRequested);
        SingleInstance second(data.Path().toStdString());
        EXPECT_FALSE(second.Claim());
        EXPECT_TRUE(second.Problem().isEmpty()) << second.Problem().toStdString();
        EXPECT_TRUE(comeBack.wait(2000)) << "the second start reached the first";
    }

    // Every name taken: the start says so.
    TempFolder data, temp;
    ::chmod(temp.Path().toLocal8Bit().constData(), 01777);
    ASSERT_TRUE(AsAnotherUser([&] {
        for (int i = 0; i < 10; ++i)
            ::mkdir((temp.Path().toStdString() + "/" + own + (i ? "-" + std::to_string(i) : "")).c_str(),
                    0700);
    }));
    NoRuntimeFolder environment(temp.Path());
    SingleInstance blocked(data.Path().toStdString());
    EXPECT_FALSE(blocked.Claim());
    EXPECT_EQ(blocked.Problem(),
              QStringLiteral("Cannot create file \"%1\". The folder belongs to another user")
                  .arg(blocked.LockFilePath()));
    EXPECT_TRUE(blocked.LockFilePath().startsWith(temp.Path() + "/" + QString::fromStdString(own) + "/"));
}

// Connections held until the process runs out of descriptors made the socket stop listening for
// good: every later start found nobody to hand over to.
TEST(SingleInstance, AFloodOfHeldConnectionsDoesNotCloseTheSocketForGood) {
    TempFolder data, runtime;
    SingleInstance first(data.Path().toStdString(), runtime.Path());
    ASSERT_TRUE(first.Claim());
    QSignalSpy comeBack(&first, &SingleInstance::ComeBackRequested);

    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &saved), 0);
    const auto open = std::distance(std::filesystem::directory_iterator("/proc/self/fd"), {});
    rlimit few = saved;
    few.rlim_cur = static_cast<rlim_t>(open + 48);
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &few), 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray name = first.ServerName().toLocal8Bit();
    ASSERT_LT(static_cast<std::size_t>(name.size()), sizeof address.sun_path);
    std::memcpy(address.sun_path, name.constData(), static_cast<std::size_t>(name.size()));
    std::vector<int> flood;
    for (int round = 0; round < 20; ++round) {  // until no descriptor is left, the server's included
        for (;;) {
            const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK, 0);
            if (fd < 0) break;
            flood.push_back(fd);
            ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
        }
        QTest::qWait(20);
    }
    for (const int fd : flood)
        ::close(fd);
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &saved), 0);
    QTest::qWait(1500);

    SingleInstance second(data.Path().toStdString(), runtime.Path());
    EXPECT_FALSE(second.Claim());
    EXPECT_TRUE(second.Problem().isEmpty()) << second.Problem().toStdString();
    EXPECT_TRUE(comeBack.wait(2000)) << "the running program still answers";
}

}  // namespace
}  // namespace kerfolio::test
