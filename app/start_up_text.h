#pragma once

#include <QString>

#include "journal/start_up.h"

namespace kerfolio {

// What start-up tells the operator about the journal's restore: what came back, and every loss it can
// see with its cause. leftBehind names the journal beside save.ini when the one in use is elsewhere
// (the folder stopped being writable). Empty when there is nothing to tell.
QString StartUpRestoreText(const journal::StartUpRestore& restore, const QString& journalFile,
                           const QString& leftBehind = {});

}  // namespace kerfolio
