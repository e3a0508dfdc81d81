#pragma once

// Every text the report program shows or writes, in one place. The report itself is in Chinese like
// the rest of the program; the command line talks to an administrator in English.
namespace kerfolio::rmsg {

// Why a report line or an archive file does not read.
inline constexpr char kFileUnreadable[] = "文件无法读取 ";
inline constexpr char kNameNotDate[] = "文件名不是日期";
inline constexpr char kFolderUnreadable[] = "文件夹无法读取 ";
inline constexpr char kLineTooLong[] = "行过长（超过 64 KB），不是报表行";
inline constexpr char kMoreProblems[] = "从此行起另有 ";
inline constexpr char kMoreProblemsEnd[] = " 行无法读取，不再逐行列出";
inline constexpr char kIsFolder[] = "是文件夹，不是存档文件";
inline constexpr char kIsFifo[] = "是管道（FIFO），不是普通文件，未读取";
inline constexpr char kIsDevice[] = "是设备，不是普通文件，未读取";
inline constexpr char kNotRegular[] = "不是普通文件，未读取";

// Column headers of the period table, in order.
inline constexpr const char* kPeriodHeaders[] = {
    "机床",     "期间",     "件数",       "加工量平方mm",     "加工时间",
    "跳步时间", "断丝时间", "净切割时间", "效率平方mm每分钟", "切割占比%"};

// Columns the CSV adds after those: the same times in decimal hours, which a spreadsheet can add up.
inline constexpr const char* kHourHeaders[] = {"加工小时", "跳步小时", "断丝小时", "净切割小时"};

// Column headers of the shop overview, one row per machine for the whole report.
inline constexpr const char* kOverviewHeaders[] = {
    "机床", "件数", "加工量平方mm", "净切割小时", "跳步和断丝小时", "切割占比%", "效率平方mm每分钟"};

// Column headers of the job list, one row per job.
inline constexpr const char* kJobHeaders[] = {
    "机床", "工件", "装夹", "开始", "完成", "净切割时间", "加工量平方mm", "效率平方mm每分钟", "文件", "行"};
inline constexpr char kJobsHeading[] = "工件清单";
inline constexpr char kJobsMatching[] = "工件名含“";
inline constexpr char kJobsMatchingEnd[] = "”";
inline constexpr char kJobsTotal[] = "合计";
inline constexpr char kJobsCount[] = " 件";
inline constexpr char kNoJobsListed[] = "没有符合的工件。";

// Column headers of the learned-efficiency table, in order.
inline constexpr const char* kAdviceHeaders[] = {
    "机床", "最近件数", "设定效率", "估算偏差中位数分钟", "使估算准确的效率", "净切割效率中位数（钢丝实际）",
    "建议"};

// Verdicts on a machine's finishing-time estimates.
inline constexpr char kEstimatesLong[] = "估算偏长（实际完成较早）";
inline constexpr char kEstimatesShort[] = "估算偏短（实际完成较晚）";
inline constexpr char kEstimatesRight[] = "估算基本准确";
inline constexpr char kSuggestPrefix[] = "，建议设定效率 ";
inline constexpr char kSuggestSuffix[] = "（使估算与实际完成一致）";
inline constexpr char kNoHistory[] = "没有可用的完成记录";
inline constexpr char kStoredUnreadable[] = "设定效率无法使用";
inline constexpr char kNoRecord[] = "机床参数中没有此机床";

// Headings of the report.
inline constexpr char kTitle[] = "Kerfolio 机床报表";
inline constexpr char kLearnedHeading[] = "效率学习（每台机床最近20件）";
inline constexpr char kProblemsHeading[] = "无法读取的行和文件";
inline constexpr char kNoticesHeading[] = "需要核对的行和文件";
inline constexpr char kOverviewHeading[] = "全厂概览";
inline constexpr char kWholePeriod[] = "全期";
inline constexpr char kWholeShop[] = "全厂合计";
// After the number of periods asked for, when the page shows them by month.
inline constexpr char kByMonthNote[] = " 个期间太多，网页按月显示；逐期数据见 CSV（--csv）。";
// Before the date: shares count from that day, the first the archives read cover.
inline constexpr char kCoveredNote[] = "存档从 ";
inline constexpr char kCoveredNoteEnd[] = " 起才有记录，切割占比只按此日起的天数计算。";
inline constexpr char kSplitNote[] =
    "跨过午夜的工件，加工时间按日历日分开计入；跳步和断丝时间按各天所占加工时间的比例分摊。"
    "件数和加工量计入完成的那一天；效率是该期间完成的工件的加工量除以这些工件的全部净切割时间。";

// What the report found questionable but still read.
inline constexpr char kRepeatOf[] = "与前面的行相同（只有序号不同），同一工件只计一次：";
inline constexpr char kOverlapWith[] = "与同一机床的另一工件时间重叠，其加工时间未计入：";
inline constexpr char kModifiedOn[] = "文件名的日期与文件修改日期相差超过一天，修改于 ";
inline constexpr char kReadAs[] = "，文件名读作 ";
inline constexpr char kMoreNotices[] = "另有 ";
inline constexpr char kMoreNoticesEnd[] = " 处需要核对，不再逐处列出";
inline constexpr char kNoJobs[] = "所选期间没有完成的工件。";
inline constexpr char kChartCutting[] = "净切割";
inline constexpr char kChartJump[] = "跳步";
inline constexpr char kChartBreak[] = "断丝";
inline constexpr char kChartShare[] = "切割占比";
inline constexpr char kChartHours[] = "小时";
inline constexpr char kFilesRead[] = "已读文件";
inline constexpr char kJobsRead[] = "件工件";
inline constexpr char kProblemsCount[] = "处无法读取";
inline constexpr char kLineWord[] = "行";
inline constexpr char kProgress[] = "读取存档文件";

}  // namespace kerfolio::rmsg

namespace kerfolio::rmsg {
inline constexpr char kJournalUnreadable[] = "记录库无法读取 ";
// After share's "未登记的电脑：N 台": ids on the shared database the owner has not named.
inline constexpr char kUnregisteredJobsLeftOut[] = "（其工件不计入报表）";
inline constexpr char kServerUnreadable[] = "共享数据库无法读取：";
// "尚有 N 个事件未发送到共享数据库（自 2026-12-08 14:05 起）": the report is this PC's own, the server's is
// behind.
inline constexpr char kUnsentPrefix[] = "尚有 ";
inline constexpr char kUnsentMiddle[] = " 个事件未发送到共享数据库（自 ";
inline constexpr char kUnsentSuffix[] = " 起）";
inline constexpr char kCorrected[] = "完成时修改了（原值 → 确认值）：";
inline constexpr char kJumpAndBreakExceed[] =
    "跳步与断丝时间之和超过加工时间：两者可能同时发生，文本行记不下重叠多少，净切割时间按 0 计";
inline constexpr char kTimeRanBackwards[] =
    "时间倒退（两次点击之间时钟或时区被调回）：此单的时间不可靠，负的时长按 0 计；未用于效率学习";
inline constexpr char kLongerThanDay[] =
    "按加工量和设定效率应超过一天，一天以上的部分无从得知；未用于效率学习";
inline constexpr char kUnordered[] = "装夹、开始、完成的时间在一天之内排不出先后；未用于效率学习";
inline constexpr char kClockChangeUnresolved[] = "时间落在时钟调整（夏令时）之中，无法确定，按最短的读法计入";
}  // namespace kerfolio::rmsg
