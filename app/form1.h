#pragma once

#include <QString>
#include <QWidget>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "board/job_board.h"
#include "board/stamping.h"
#include "journal/event.h"
#include "journal/journal.h"
#include "storage/archive_mount.h"
#include "storage/archive_schedule.h"

class QPlainTextEdit;
class QTabWidget;
class QTimer;

namespace kerfolio {

class ArchiveWorker;
class BoardPage;
class Clock;
class JournalKeeper;
class LivePublisher;
class Messages;
class OptionsPage;
class TOKBottomDlg;
class TOKBottomDlg1;
class TOKBottomDlg2;
class TOKBottomDlg3;
class TOKBottomDlg4;
class TPasswordDlg;
class TStatusBar;
struct TMachineParams;

// What the main window is given instead of reaching for globals: tests pass a temporary folder, a
// fixed clock and a recorder for message boxes.
struct FormContext {
    std::filesystem::path dataFolder;
    Messages* messages = nullptr;
    Clock* clock = nullptr;
};

class TForm1 : public QWidget {
    Q_OBJECT
  public:
    explicit TForm1(FormContext context, QWidget* parent = nullptr);
    ~TForm1() override;

    // Start-up password (when asked for), then the window shows. False when the program is to end.
    bool Start();

    TJobBoard& Board() { return board_; }
    OptionsPage* Options() const { return options_; }
    QPlainTextEdit* NotePad() const { return memo1_; }
    TStatusBar* StatusBar() const { return statusBar_; }
    QTimer* SnapshotTimer() const { return timer2_; }
    JournalKeeper* Journal() const { return journal_.get(); }
    LivePublisher* Live() const { return live_; }

    // The one handler of the 42 cells.
    void EditClick(int cell);
    void AppendNotePadLine(const QString& line);
    bool SaveSnapshot();  // 现在保存, Timer2 and the close
    void LoadSnapshot();  // 现在调入 and the automatic load
    // The running program came back to the front at a second start.
    void ComeBack();

    // The clock tick: the time in panel 1 and, when its moment has come, the daily archive.
    void Timer1Timer();
    // File work for the archive folder is under way on its thread (tests wait for it to end).
    bool ArchiveBusy() const { return workerJob_ != WorkerJob::kNone; }

    // The machine captions' context menu, for the machine EventCode - 50.
    void N11Click();  // 加工估算
    void N21Click();  // 取消加工
    void N41Click();  // 属性

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void FormCreate();
    void BuildDialogs();
    void ShowCellHint(int cell);
    void StepArchive(TDateTime now);
    void StartArchive(const ArchiveSchedule::Archive& archive);
    void WorkerEnded();
    void ArchiveEnded(const std::optional<std::string>& error);
    void RemoveArchivedLines(const QString& archived, int archivedJobCount);
    void RecordArchive(std::int64_t moment);
    void RecordArchiveMount(const FolderMount& mount);
    bool UnsavedWork() const;
    void SwitchSnapshotTimer(bool on);
    void BuildMachineMenu();
    bool StoreMachineParams(const TMachineParams& params);
    // Start-up after a run that did not end cleanly: the events the loaded snapshot lacks.
    void RestoreFromJournal(const journal::RunState& lastRun, const std::string& recordedPcId);
    // The journal's side of an archive that wrote notePad into file.

    FormContext context_;
    TJobBoard board_;
    QTabWidget* pageControl1_ = nullptr;
    BoardPage* boardPage_ = nullptr;
    QPlainTextEdit* memo1_ = nullptr;
    OptionsPage* options_ = nullptr;
    TStatusBar* statusBar_ = nullptr;
    QTimer* timer1_ = nullptr;
    QTimer* timer2_ = nullptr;

    TPasswordDlg* passwordDlg_ = nullptr;
    TOKBottomDlg* okBottomDlg_ = nullptr;
    TOKBottomDlg1* okBottomDlg1_ = nullptr;
    TOKBottomDlg2* okBottomDlg2_ = nullptr;
    TOKBottomDlg3* okBottomDlg3_ = nullptr;
    TOKBottomDlg4* okBottomDlg4_ = nullptr;
    LivePublisher* live_ = nullptr;  // the live board, when the settings switch it on
    std::unique_ptr<JournalKeeper> journal_;
    journal::Stamp pendingStamp_;       // the click of the pending confirmation
    journal::Stamp completionStamp_;    // the unmount click of the open completion dialog
    CompletionFields completionShown_;  // what that dialog showed when it opened
    bool startingUp_ = false;
    std::optional<std::string> loadedAtStart_;  // the fingerprint of the snapshot 自动调入 loaded

    std::uint64_t savedRevision_ = 0;  // the board's revision at the last snapshot save or load
    // The daily archive: when it is due, the thread that writes it, and what it was handed.
    enum class WorkerJob { kNone, kArchive };
    ArchiveSchedule schedule_{std::nullopt};
    ArchiveWorker* worker_ = nullptr;
    WorkerJob workerJob_ = WorkerJob::kNone;
    struct HandedOver {
        QString notePad;
        int jobCount = 0;
        QString file;
        ArchiveSchedule::Archive archive{};
        std::shared_ptr<std::int64_t> firstLine;  // the day file's line the NotePad's first line went to
        std::shared_ptr<std::optional<FolderMount>> mount;  // the file system the day file is on
    } handed_;
    std::optional<FolderMount> archiveMount_;  // the folder's file system at the last archive that worked
    bool recordErrorShown_ = false;
    bool closing_ = false;
    bool closeRefusedOnce_ = false;
    bool closed_ = false;
    bool closeRecorded_ = false;
};

}  // namespace kerfolio
