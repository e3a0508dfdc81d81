// The machine captions' context menu of the main window: estimate, cancel machining, properties.
#include <QString>

#include "app/clock.h"
#include "app/dialogs/confirm_dlg.h"
#include "app/dialogs/params_dlg.h"
#include "app/form1.h"
#include "app/journal_keeper.h"
#include "app/messages.h"
#include "app/pages/board_page.h"
#include "board/estimate.h"
#include "board/stamping.h"
#include "journal/board_events.h"
#include "journal/journal_schema.h"
#include "journal/json_text.h"
#include "machines/machine_params.h"
#include "storage/data_folder.h"
#include "storage/settings_file.h"

namespace kerfolio {
namespace {

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

// The menu's target machine, or 0 when no menu item is under way.
int TargetOf(const TJobBoard& board) {
    const int machine = board.EventCode() - 50;
    return machine >= 1 && machine <= kMachineCount ? machine : 0;
}

}  // namespace

void TForm1::BuildMachineMenu() {
    boardPage_->SetCaptionMenuHandlers({[this](int machine) { TargetMachine(board_, machine); },
                                        [this] { N11Click(); }, [this] { N21Click(); },
                                        [this] { N41Click(); }});
    okBottomDlg4_->SetStoreHandler(
        [this](const TMachineParams& params) { return StoreMachineParams(params); });
}

void TForm1::N11Click() {
    const int machine = TargetOf(board_);
    if (machine == 0) return;
    // Read at every estimate, so an efficiency stored a moment ago is already used.
    const std::string efficiency = ReadEfficiency(SettingsFile(SettingsPath(context_.dataFolder)), machine);
    const std::optional<EstimateOutcome> outcome = EstimateFinish(board_, efficiency);
    if (!outcome) return;
    if (!outcome->error.empty()) {
        context_.messages->Error(Q(outcome->error));
    } else {
        context_.messages->Information(Q(outcome->message));
    }
    board_.ClearPendingEvent();
}

void TForm1::N21Click() {
    // The confirmation's OK empties the job through the pending EventCode 51..56.
    if (const auto texts = PrepareCancelMachining(board_)) {
        okBottomDlg_->SetLines(Q(texts->question), Q(texts->eventLine));
        okBottomDlg_->exec();
    }
    board_.ClearPendingEvent();
}

void TForm1::N41Click() {
    const int machine = TargetOf(board_);
    if (machine == 0) return;
    const SettingsFile settings(SettingsPath(context_.dataFolder));
    okBottomDlg4_->SetRecord(ReadMachineParams(settings, machine, board_.Caption(machine)));
    okBottomDlg4_->exec();
    board_.ClearPendingEvent();
}

bool TForm1::StoreMachineParams(const TMachineParams& params) {
    const int machine = TargetOf(board_);
    if (machine == 0) return true;
    SettingsFile settings(SettingsPath(context_.dataFolder));
    // A record the file system refused would come back as the old one at the next opening, and the
    // board would show a name that is stored nowhere: say so, and keep the dialog with the typed text.
    if (!WriteMachineParams(settings, machine, params)) {
        context_.messages->Error(Q(settings.LastError()));
        return false;
    }
    board_.SetCaption(machine, params.Caption);
    journal::Event event =
        journal::MachineEvent(journal::kind::kParamsChanged, board_, machine, context_.clock->Read().stamp);
    static constexpr const char* kKeys[] = {"caption",   "model",      "travel", "taper",
                                            "tolerance", "efficiency", "remarks"};
    std::vector<std::pair<std::string, std::string>> fields;
    const auto values = params.Fields();
    for (std::size_t i = 0; i < values.size(); ++i)
        fields.emplace_back(kKeys[i], *values[i]);
    event.detail = journal::JsonObject(fields);
    journal_->Record(event);
    return true;
}

}  // namespace kerfolio
