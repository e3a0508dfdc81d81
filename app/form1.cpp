#include "app/form1.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QLocale>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <utility>

#include "app/archive_worker.h"
#include "app/clock.h"
#include "app/dialogs/completion_dlg.h"
#include "app/dialogs/confirm_dlg.h"
#include "app/dialogs/entry_dlg.h"
#include "app/dialogs/folder_dlg.h"
#include "app/dialogs/params_dlg.h"
#include "app/dialogs/password_dlg.h"
#include "app/journal_keeper.h"
#include "app/live_publisher.h"
#include "app/messages.h"
#include "app/pages/board_page.h"
#include "app/pages/help_text.h"
#include "app/pages/options_page.h"
#include "app/pages/status_bar.h"
#include "app/share_link.h"
#include "app/start_up_text.h"
#include "app/widgets/accessibility.h"
#include "app/widgets/fonts.h"
#include "app/widgets/icons.h"
#include "app/widgets/size_lock.h"
#include "board/clock_tick.h"
#include "board/completion.h"
#include "board/messages.h"
#include "board/stamping.h"
#include "board/time_text.h"
#include "board/workpiece_entry.h"
#include "journal/board_events.h"
#include "journal/journal_place.h"
#include "journal/journal_schema.h"
#include "journal/start_up.h"
#include "machines/machine_params.h"
#include "storage/archive_record.h"
#include "storage/atomic_file.h"
#include "storage/daily_archive.h"
#include "storage/data_folder.h"
#include "storage/report_line.h"
#include "storage/save_ini.h"
#include "storage/settings_file.h"
#include "storage/work_snapshot.h"

namespace kerfolio {
namespace {

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

// Closing waits this long for an archive under way, so the snapshot saved at the close knows its outcome.
constexpr std::chrono::seconds kCloseWaitsForArchive{10};

// The regional short date of the day a moment (whole seconds, SecondOf) falls on.
QString DateTextOf(std::int64_t moment) {
    const std::int64_t day = SplitDateTime(static_cast<double>(moment) / 86'400).day;
    return QLocale::system().toString(QDate(1899, 12, 30).addDays(day), QLocale::ShortFormat);
}

// Back from minimised as it was before, maximised included, and in front.
void BringBack(QWidget* window) {
    if (window->isMinimized()) window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
    window->raise();
    window->activateWindow();
}

}  // namespace

TForm1::TForm1(FormContext context, QWidget* parent) : QWidget(parent), context_(std::move(context)) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Kerfolio"));
    setFont(DefaultFont());
    setWindowIcon(WindowIcon());
    ReportMainWindowAsWindow();
    new SizeLock(this, QSize(487, 258));
    move(299, 249);

    pageControl1_ = new QTabWidget(this);
    pageControl1_->setObjectName(QStringLiteral("PageControl1"));
    pageControl1_->setGeometry(0, 0, 487, 238);

    boardPage_ = new BoardPage(pageControl1_);
    pageControl1_->addTab(boardPage_, QStringLiteral("Wire cut"));

    memo1_ = new QPlainTextEdit(pageControl1_);
    memo1_->setObjectName(QStringLiteral("Memo1"));
    memo1_->setReadOnly(true);
    // Nobody can undo in a read-only page; a history would keep a copy of every line of the day.
    memo1_->setUndoRedoEnabled(false);
    memo1_->setLineWrapMode(QPlainTextEdit::NoWrap);
    memo1_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    memo1_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    memo1_->setFrameStyle(QFrame::Panel | QFrame::Plain);
    memo1_->viewport()->setCursor(Qt::ForbiddenCursor);
    memo1_->setAccessibleName(QStringLiteral("NotePad 报表"));  // the tab that shows it is "NotePad"
    auto* notePadPage = new QWidget(pageControl1_);
    notePadPage->setObjectName(QStringLiteral("TabSheet2"));
    memo1_->setParent(notePadPage);
    memo1_->setGeometry(0, 0, 479, 210);
    FillWith(notePadPage, memo1_);
    pageControl1_->addTab(notePadPage, QStringLiteral("NotePad"));

    statusBar_ = new TStatusBar(this);
    statusBar_->setGeometry(0, 238, 487, 20);
    // Maximised, the tabs and the status bar stretch; the pages keep their controls where they are.
    StackWithStatusBar(this, pageControl1_, statusBar_);

    timer1_ = new QTimer(this);
    timer1_->setObjectName(QStringLiteral("Timer1"));
    // Re-armed at every tick for just after the next whole second, so no second is ever skipped.
    timer1_->setSingleShot(true);
    timer1_->setTimerType(Qt::PreciseTimer);
    connect(timer1_, &QTimer::timeout, this, &TForm1::Timer1Timer);
    timer2_ = new QTimer(this);
    timer2_->setObjectName(QStringLiteral("Timer2"));
    timer2_->setInterval(300000);
    connect(timer2_, &QTimer::timeout, this, &TForm1::SaveSnapshot);
    connect(memo1_->document(), &QTextDocument::contentsChanged, this, [this] { board_.MarkChanged(); });

    BuildDialogs();
    worker_ = new ArchiveWorker([this] { WorkerEnded(); }, this);

    OptionsHooks hooks{[this] { SaveSnapshot(); }, [this] { LoadSnapshot(); },
                       [this](bool on) { SwitchSnapshotTimer(on); }};
    options_ = new OptionsPage(context_.dataFolder, *context_.messages, *passwordDlg_, *okBottomDlg3_,
                               std::move(hooks), pageControl1_);
    pageControl1_->addTab(options_, QStringLiteral("Options"));

    auto* helpPage = new QWidget(pageControl1_);
    helpPage->setObjectName(QStringLiteral("TabSheet4"));
    auto* help = new QLabel(HelpText(), helpPage);
    help->setObjectName(QStringLiteral("Label11"));
    help->setWordWrap(true);
    help->setAutoFillBackground(true);
    help->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    help->setGeometry(0, 0, 217, 209);
    pageControl1_->addTab(helpPage, QStringLiteral(" Help  "));
    pageControl1_->setCurrentWidget(helpPage);

    board_.SetObserver([this](int machine, int column) {
        boardPage_->Show(board_, machine, column);
        if (live_) live_->BoardChanged();
    });
    for (int m = 1; m <= kMachineCount; ++m)
        boardPage_->Show(board_, m, 0);
    boardPage_->SetCellClickHandler([this](int cell) { EditClick(cell); });
    boardPage_->SetHoverHandler([this](int cell) { ShowCellHint(cell); });
    options_->SetHintHandler([this](const QString& hint) { statusBar_->SetPanelText(4, hint); });
    BuildMachineMenu();

    FormCreate();
    // What start-up put on the board is what the snapshot on disk holds, or nothing worth a save.
    savedRevision_ = board_.Revision();
    live_ = new LivePublisher(context_.dataFolder, journal_->File().Path(), board_, memo1_, *context_.clock,
                              this);
    connect(timer1_, &QTimer::timeout, live_, &LivePublisher::Publish);
    if (const QString problem = live_->Start(); !problem.isEmpty()) context_.messages->Error(problem);
    // Off unless save.ini's [share] says. The live board says how far the shared database is behind;
    // the link outlives live_ (see the destructor).
    auto* share = new ShareLink(context_.dataFolder, journal_->File().Path(), *context_.messages, this);
    live_->SetShareLag([share] { return share->LagText().toStdString(); });
    Timer1Timer();
}

TForm1::~TForm1() {
    delete worker_;  // no word of its work reaches a window half gone
    worker_ = nullptr;
    board_.SetObserver(nullptr);
    delete live_;  // its server's threads end before the board goes
    live_ = nullptr;
}

void TForm1::BuildDialogs() {
    passwordDlg_ = new TPasswordDlg(context_.dataFolder, this);
    okBottomDlg_ = new TOKBottomDlg(this);
    okBottomDlg1_ = new TOKBottomDlg1(this);
    okBottomDlg2_ = new TOKBottomDlg2(this);
    okBottomDlg3_ = new TOKBottomDlg3(this);
    okBottomDlg4_ = new TOKBottomDlg4(this);

    passwordDlg_->SetActions(
        [this] {
            closed_ = true;
            close();
        },
        [this] { options_->Unlock(); });
    okBottomDlg_->SetOkHandler([this] {
        const int code = board_.EventCode();
        const ConfirmOutcome outcome = ConfirmPendingEvent(board_);
        // On record before the dialog closes; the start waits for its workpiece.
        if (code > 50 && code <= 50 + kMachineCount) {
            journal_->Record(journal::MachineEvent(journal::kind::kCancelled, board_, code - 50,
                                                   context_.clock->Read().stamp));
        } else if (code >= 1 && code <= kCellCount && ColumnOfCell(code) != ecStart) {
            journal_->Record(
                journal::ColumnEvent(board_, MachineOfCell(code), ColumnOfCell(code), pendingStamp_));
        }
        if (!outcome.error.empty()) context_.messages->Error(Q(outcome.error));
        // The entry dialog opens on top of the confirmation, which closes after it.
        if (outcome.openEntry) okBottomDlg2_->exec();
    });
    okBottomDlg2_->SetOkHandler([this](const QString& name, const QString& amount) {
        if (const auto refusal = ApplyWorkpieceEntry(board_, name.toStdString(), amount.toStdString())) {
            context_.messages->Information(Q(*refusal));
            return;
        }
        journal_->Record(journal::ColumnEvent(board_, board_.EntryMachine(), ecStart, pendingStamp_));
    });
    okBottomDlg1_->SetHandlers(
        [this](const CompletionFields& fields) {
            const std::string line = BuildReportLine(CompleteJob(board_), fields);
            AppendNotePadLine(Q(line));
            const int machine = board_.CompletionMachine();
            journal_->RecordCompleted(
                journal::MachineEvent(journal::kind::kCompleted, board_, machine, completionStamp_),
                {board_.JobCount(), line, completionShown_, fields});
        },
        [this] { CancelCompletion(board_); });
}

void TForm1::FormCreate() {
    // Writes cut short by a crash or power cut leave hidden temporary files; they hold nothing we need.
    RemoveStaleTemporaries(SettingsPath(context_.dataFolder));
    RemoveStaleTemporaries(NotePadPath(context_.dataFolder));
    board_.ResetTotals();
    passwordDlg_->SetPasswordMode(1);
    // Only what the last run left (how it ended, what the snapshot holds) is read, never the history.
    journal_ = std::make_unique<JournalKeeper>(journal::JournalPath(context_.dataFolder, UserDataFolder()),
                                               *context_.messages);
    const journal::RunState lastRun = journal_->Start(context_.clock->Read().stamp);
    startingUp_ = true;
    const SettingsFile settings(SettingsPath(context_.dataFolder));
    // A settings file that does not read (a folder, a FIFO, too large) reads as defaults below.
    if (const auto problem = settings.ReadProblem()) context_.messages->Error(Q(*problem));
    options_->LoadStoredOptions();
    schedule_ = ArchiveSchedule(ReadArchiveRecord(settings));
    archiveMount_ = ReadArchiveMount(settings);
    for (int m = 1; m <= kMachineCount; ++m)
        board_.SetCaption(m, settings.Read(kParamsSection, MachineKey(m, 1), "机床" + std::to_string(m)));
    startingUp_ = false;
    RestoreFromJournal(lastRun, settings.Read(save_ini::kJournalSection, save_ini::kJournalPcIdKey, ""));
    journal_->Record(journal::ProgramEvent(journal::kind::kProgramStarted, context_.clock->Read().stamp));
}

void TForm1::RestoreFromJournal(const journal::RunState& lastRun, const std::string& recordedPcId) {
    std::string notePad = memo1_->toPlainText().toStdString();
    const journal::StartUpRestore restore =
        journal::RestoreAtStart(journal_->File(), lastRun, recordedPcId, loadedAtStart_,
                                context_.clock->Read().stamp, board_, notePad);
    if (!restore.pcIdToRecord.empty()) {
        SettingsFile settings(SettingsPath(context_.dataFolder));
        settings.Write(save_ini::kJournalSection, save_ini::kJournalPcIdKey, restore.pcIdToRecord);
    }
    if (restore.applied > 0) {
        memo1_->setPlainText(Q(notePad));
        // Saved at once, so a second crash finds them in the snapshot rather than replaying them twice.
        SaveSnapshot();
    }
    const std::filesystem::path beside = context_.dataFolder / journal::kFileName;
    std::error_code error;
    const bool leftBehind = journal_->File().Path() != beside && std::filesystem::exists(beside, error);
    if (const QString told = StartUpRestoreText(restore, Q(journal_->File().Path().string()),
                                                leftBehind ? Q(beside.string()) : QString());
        !told.isEmpty())
        context_.messages->Information(told);
}

bool TForm1::Start() {
    if (options_->StartupPasswordWanted()) {
        passwordDlg_->exec();
    }
    if (closed_) return false;
    show();
    return true;
}

void TForm1::EditClick(int cell) {
    const ClockReading reading = context_.clock->Read();
    const ClickOutcome outcome = ClickCell(board_, cell, reading.local);
    for (const std::string& message : outcome.messages)
        context_.messages->Information(Q(message));
    if (outcome.confirmation) {
        pendingStamp_ = reading.stamp;
        okBottomDlg_->SetLines(Q(outcome.confirmation->question), Q(outcome.confirmation->eventLine));
        okBottomDlg_->exec();
    }
    if (outcome.completion) {
        completionStamp_ = reading.stamp;
        completionShown_ = *outcome.completion;
        okBottomDlg1_->SetFields(*outcome.completion);
        okBottomDlg1_->exec();
    }
    // Answered: a later dialog must not act on this click.
    board_.ClearPendingEvent();
}

void TForm1::AppendNotePadLine(const QString& line) {
    // Append at the end without copying the whole text; a text that already ends with a line break
    // gets the line in its empty last block rather than a blank line in between.
    // One edit block, so the layout sees a single change: a separate empty block laid out on its
    // own can take over the widest-line mark and send the layout over every line of the text.
    QTextCursor cursor(memo1_->document());
    cursor.movePosition(QTextCursor::End);
    const bool emptyLastBlock = cursor.block().text().isEmpty();
    cursor.beginEditBlock();
    if (!emptyLastBlock) cursor.insertBlock();
    cursor.insertText(line);
    cursor.endEditBlock();
}

bool TForm1::SaveSnapshot() {
    const std::uint64_t revision = board_.Revision();
    const WorkSnapshot snapshot = TakeSnapshot(board_, memo1_->toPlainText().toStdString());
    // Named before it is written: a crash mid-save leaves this one or the one before, and the journal
    // then knows which, so no event is replayed twice or lost.
    journal_->SnapshotSaved(journal::SnapshotFingerprint(snapshot));
    if (const auto error = SaveWorkSnapshot(context_.dataFolder, snapshot)) {
        journal_->SnapshotNotSaved();
        context_.messages->Error(Q(*error));
        return false;
    }
    savedRevision_ = revision;
    return true;
}

void TForm1::LoadSnapshot() {
    SnapshotLoad load = LoadWorkSnapshot(context_.dataFolder);
    if (!load.snapshot) {
        context_.messages->Error(Q(load.error));
        return;
    }
    RestoreSnapshot(*load.snapshot, board_);
    memo1_->setPlainText(Q(load.snapshot->notePad));
    savedRevision_ = board_.Revision();
    // At start-up the journal first adds what the snapshot lacks; by hand the board is the snapshot.
    if (startingUp_) {
        loadedAtStart_ = journal::SnapshotFingerprint(*load.snapshot);
    } else {
        journal_->SnapshotSaved(journal::SnapshotFingerprint(*load.snapshot));
    }
}

void TForm1::ComeBack() {
    // Not yet shown while the start-up password is asked for: then the prompt alone comes back.
    if (isVisible()) BringBack(this);
    // A dialog open in front of the window (the start-up password, a confirmation) comes back too, from
    // minimised as well: it may be the only window there is.
    if (QWidget* modal = QApplication::activeModalWidget()) BringBack(modal);
}

void TForm1::SwitchSnapshotTimer(bool on) {
    if (!on) {
        timer2_->stop();
    } else if (!timer2_->isActive()) {
        timer2_->start();  // a running timer keeps its current period
    }
}

void TForm1::ShowCellHint(int cell) {
    if (cell == 0) {
        statusBar_->SetPanelText(2, QString());
        return;
    }
    const int machine = MachineOfCell(cell);
    statusBar_->SetPanelText(
        2, Q(board_.Caption(machine)) + QString::fromUtf8(msg::kHintSuffixes[ColumnOfCell(cell) - 1]));
}

void TForm1::Timer1Timer() {
    const TDateTime now = context_.clock->Now();
    // Armed before anything that can open a box, so the clock keeps ticking behind it.
    timer1_->start(MillisecondsToNextTick(now));
    statusBar_->SetPanelText(1, Q(FormatTimeText(now)));
    StepArchive(now);
}

void TForm1::StepArchive(TDateTime now) {
    if (closing_) return;
    const std::int64_t timeOfDay = options_->ArchiveTime().msecsSinceStartOfDay() / 1000;
    const ArchiveSchedule::Step step = schedule_.Tick(SecondOf(now), options_->DailyArchiveOn(), timeOfDay);
    if (step.record) RecordArchive(*step.record);
    if (step.archive) StartArchive(*step.archive);
}

void TForm1::StartArchive(const ArchiveSchedule::Archive& archive) {
    const auto file =
        ArchiveFilePath(options_->ArchiveFolder().toStdString(), DateTextOf(archive.moment).toStdString());
    // What is handed over is what leaves the NotePad once the day file is safe; lines added meanwhile stay.
    handed_ = {memo1_->toPlainText(),
               board_.JobCount(),
               QString::fromStdString(file.string()),
               archive,
               std::make_shared<std::int64_t>(0),
               std::make_shared<std::optional<FolderMount>>()};
    workerJob_ = WorkerJob::kArchive;
    std::string text = handed_.notePad.toStdString();
    // On record before the day file is touched: a crash before the archived event must not add the same
    // lines again at the next start.
    std::string writtenBefore = journal_->ArchiveStarting(context_.clock->Read().stamp, file, text);
    // Where the lines went is read on the worker too: the day file may be on a share that hangs.
    worker_->Start([file, text = std::move(text), writtenBefore = std::move(writtenBefore),
                    firstLine = handed_.firstLine, last = archiveMount_,
                    mount = handed_.mount]() -> std::optional<std::string> {
        // A share that was there at the last archive and is not mounted now leaves the local disk below
        // its mount point, where the lines would hide once it is back.
        const std::optional<FolderMount> now =
            FindFolderMount(file.has_parent_path() ? file.parent_path() : ".");
        if (last && now) {
            if (auto reason = ShareAwayReason(*last, *now)) return CannotCreateMessage(file, *reason);
        }
        if (auto error = AppendToArchive(file, text, kArchiveLockWait, writtenBefore)) return error;
        *mount = now;
        std::string bytes;
        if (ReadWholeFile(file, bytes, nullptr, kMaxArchiveFileBytes))
            *firstLine = ArchiveFirstLine(bytes, text);
        return std::nullopt;
    });
}

void TForm1::WorkerEnded() {
    const std::optional<ArchiveWorker::Outcome> outcome = worker_->Take();
    if (!outcome) return;  // already taken at the close
    if (std::exchange(workerJob_, WorkerJob::kNone) == WorkerJob::kArchive) ArchiveEnded(*outcome);
}

void TForm1::ArchiveEnded(const std::optional<std::string>& error) {
    const HandedOver handed = std::exchange(handed_, {});
    const ArchiveSchedule::Step step = schedule_.Finished(!error, SecondOf(context_.clock->Now()));
    if (error) {
        // One box for the failure; the tries every minute after it fail quietly.
        if (handed.archive.retry) return;
        statusBar_->SetPanelNote(4, QStringLiteral("存档失败，每分钟重试"), handed.file);
        context_.messages->Error(Q(*error));
        return;
    }
    if (*handed.firstLine > 0)
        journal_->RecordArchive(context_.clock->Read().stamp, handed.file.toStdString(), *handed.firstLine,
                                handed.notePad.toStdString());
    RemoveArchivedLines(handed.notePad, handed.jobCount);
    if (step.record) RecordArchive(*step.record);
    if (*handed.mount) RecordArchiveMount(**handed.mount);
    // The snapshot on disk still holds the archived lines: a crash before the next timed save would
    // bring them back, and the next archive would write the same jobs again.
    if (options_->SnapshotTimerOn()) SaveSnapshot();
    // The day file's name fits the panel; its whole path shows over it.
    const QString name =
        QString::fromStdString(std::filesystem::path(handed.file.toStdString()).filename().string());
    if (handed.archive.afterFailure) {
        statusBar_->SetPanelNote(4, QStringLiteral("重试存档成功：") + name, handed.file);
    } else if (handed.archive.madeUp) {
        statusBar_->SetPanelNote(4, QStringLiteral("错过的存档已补上：") + name, handed.file);
    }
}

void TForm1::RemoveArchivedLines(const QString& archived, int archivedJobCount) {
    const QString text = memo1_->toPlainText();
    // A snapshot loaded meanwhile replaced the NotePad: what shows now is the operator's choice.
    if (!text.startsWith(archived)) return;
    // Plain-text characters and document positions match one for one, line breaks included.
    qsizetype end = archived.size();
    if (end > 0 && end < text.size() && text[end] == QLatin1Char('\n')) ++end;
    QTextCursor cursor(memo1_->document());
    cursor.beginEditBlock();
    cursor.setPosition(int(end), QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
    // Jobs finished while the day file was written stay, numbered from 1 as the new day's first.
    const std::int64_t added = std::int64_t{board_.JobCount()} - archivedJobCount;
    board_.SetJobCount(added > 0 ? int(std::min<std::int64_t>(added, INT32_MAX)) : 0);
    QTextBlock block = memo1_->document()->firstBlock();
    for (int n = 1; n <= board_.JobCount() && block.isValid(); ++n, block = block.next()) {
        const QString old = QString::number(archivedJobCount + n) + QStringLiteral("    ");
        if (!block.text().startsWith(old)) break;
        QTextCursor number(block);
        number.setPosition(block.position() + int(old.size()) - 4, QTextCursor::KeepAnchor);
        number.insertText(QString::number(n));
    }
    cursor.endEditBlock();
    board_.MarkChanged();
}

void TForm1::RecordArchiveMount(const FolderMount& mount) {
    const auto same = [](const FolderMount& a, const FolderMount& b) {
        return a.type == b.type && a.device == b.device && a.mountPoint == b.mountPoint;
    };
    if (archiveMount_ && same(*archiveMount_, mount)) return;  // save.ini is not rewritten every day for it
    archiveMount_ = mount;
    SettingsFile settings(SettingsPath(context_.dataFolder));
    if (!WriteArchiveMount(settings, mount) && !std::exchange(recordErrorShown_, true))
        context_.messages->Error(Q(settings.LastError()));
}

void TForm1::RecordArchive(std::int64_t moment) {
    SettingsFile settings(SettingsPath(context_.dataFolder));
    // Told once a run: settings an administrator froze would otherwise bring a box every day.
    if (!WriteArchiveRecord(settings, moment) && !std::exchange(recordErrorShown_, true)) {
        context_.messages->Error(Q(settings.LastError()));
    }
}

bool TForm1::UnsavedWork() const {
    return board_.Revision() != savedRevision_;
}

void TForm1::closeEvent(QCloseEvent* event) {
    // Without the five-minute snapshot the operator keeps snapshots by hand, and one saved on purpose
    // must survive the close; with it, the minutes since the last timer save must not be lost.
    // A data folder that cannot answer (a network folder gone away) must not end the program without a
    // word: the save then tries, and says why it cannot.
    // An archive under way decides what the NotePad still holds; the snapshot saved here must know.
    closing_ = true;
    if (workerJob_ != WorkerJob::kNone) {
        worker_->Wait(kCloseWaitsForArchive);
        WorkerEnded();
    }
    std::error_code unknown;
    const bool noSnapshotYet = !std::filesystem::exists(NotePadPath(context_.dataFolder), unknown);
    const bool save = noSnapshotYet || (options_->SnapshotTimerOn() && UnsavedWork());
    if (save && !SaveSnapshot()) {
        // The board would be lost: keep the window open once so the operator can make room or
        // save elsewhere; a second close ends the program regardless.
        if (!closeRefusedOnce_ && !closed_) {
            closeRefusedOnce_ = true;
            closing_ = false;
            event->ignore();
            return;
        }
    }
    closed_ = true;
    event->accept();
    if (std::exchange(closeRecorded_, true)) return;
    journal_->Record(journal::ProgramEvent(journal::kind::kProgramClosed, context_.clock->Read().stamp));
}

}  // namespace kerfolio
