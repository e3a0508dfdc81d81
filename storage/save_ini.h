#pragma once

#include <string_view>

// save.ini, section by section: every key the program and the report read or write, with what a
// missing key reads as. The work snapshot's and the machine records' keys are built from the machine
// and column numbers in work_snapshot.cpp and machines/machine_params.cpp.
namespace kerfolio::save_ini {

// The work snapshot (cells "11".."67", totals "t1".."d6", names "m1".., amounts "j1".., count "E") and
// the machine records ("aa1".."af7") share one section.
inline constexpr std::string_view kSnapshotSection = "save";
inline constexpr std::string_view kParamsSection = "save";
inline constexpr std::string_view kDefaultEfficiency = "30";

// The archive folder; "nil" until one is chosen.
inline constexpr std::string_view kFolderSection = "file";
inline constexpr std::string_view kFolderKey = "dir";
inline constexpr std::string_view kFolderDefault = "nil";

// The time of day of the daily archive.
inline constexpr std::string_view kTimeSection = "time";
inline constexpr std::string_view kTimeKey = "time1";
inline constexpr std::string_view kTimeDefault = "0:00:00";

// The access password, and what it is when nobody has changed it yet.
inline constexpr std::string_view kPasswordSection = "enter";
inline constexpr std::string_view kPasswordKey = "1";
inline constexpr std::string_view kDefaultPassword = "4826";

// The live board: its listen address and access key; empty means off / none.
inline constexpr std::string_view kWebSection = "web";
inline constexpr std::string_view kWebListenKey = "listen";
inline constexpr std::string_view kWebAccessKey = "key";

// The shared PostgreSQL database: a connection string, a file whose first line is one, or a service
// name; the first one set wins. None: the journal stays on this PC.
inline constexpr std::string_view kShareSection = "share";
inline constexpr std::string_view kShareDatabaseKey = "database";
inline constexpr std::string_view kShareDatabaseFileKey = "database_file";
inline constexpr std::string_view kShareServiceKey = "service";

// The id of the journal that holds this data folder's events: a journal with another id was copied in
// from another PC, or this one's was lost.
inline constexpr std::string_view kJournalSection = "journal";
inline constexpr std::string_view kJournalPcIdKey = "pc_id";

// The options page's check boxes: one section each, key "checked", "true" or "false".
inline constexpr std::string_view kFlagKey = "checked";
inline constexpr std::string_view kSnapshotTimerFlag = "checkbox1";   // 定时存档 of the board and NotePad
inline constexpr std::string_view kAutoLoadFlag = "checkbox2";        // 自动调入
inline constexpr std::string_view kDailyArchiveFlag = "checkbox3";    // 定时存档 of the NotePad
inline constexpr std::string_view kStartPasswordFlag = "checkbox4";   // 程序启动密码
inline constexpr std::string_view kParamsPasswordFlag = "checkbox5";  // 参数修改密码
inline constexpr std::string_view kFlags[] = {kSnapshotTimerFlag, kAutoLoadFlag, kDailyArchiveFlag,
                                              kStartPasswordFlag, kParamsPasswordFlag};

}  // namespace kerfolio::save_ini
