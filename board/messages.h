#pragma once

// Every operator-facing text of the job board, verbatim, in one place.
namespace kerfolio::msg {

// Refusals of the cell clicks.
inline constexpr char kAlreadyMounted[] = "工件已经上机！请小心点按";
inline constexpr char kNotMounted[] = "工件还未上机！请小心点按";
inline constexpr char kAlreadyMachining[] = "工件已在加工！请小心点按";
inline constexpr char kNotMachining[] = "没有工件在加工！请小心点按";
inline constexpr char kJumpOpen[] = "工件正在跳步中！请小心点按";
inline constexpr char kNoJump[] = "工件还未开始跳步！请小心点按";
inline constexpr char kBreakOpen[] = "工件正在断丝中！请小心点按";
inline constexpr char kNoBreak[] = "工件加工没有断丝！请小心点按";
inline constexpr char kUnmountIdle[] = "非法命令？无工件在加工中！";
inline constexpr char kUnmountJumping[] = "工件加工正跳步中，无法结束！";
inline constexpr char kUnmountBreaking[] = "工件加工正断丝中，无法结束！";

// Confirmation dialog.
inline constexpr char kConfirmQuestion[] = "你确信要输入以下信息吗！";
inline constexpr char kConfirmQuestionColon[] = "你确信要输入以下信息吗:";  // wire-break end only
inline constexpr char kDeleteQuestion[] = "你确信要删除以下信息吗！";
inline constexpr char kInProcessData[] = " 加工中数据";

// Event phrases of columns 1..6.
inline constexpr const char* kEventPhrases[] = {" 工件上机：", " 开始加工：", " 跳步开始：",
                                                " 跳步结束：", " 断丝开始：", " 断丝结束："};

// Context menu of a machine's caption.
inline constexpr char kNothingToEstimate[] = "没有工件加工中，无法估计";
inline constexpr char kEstimateByEfficiency[] = " 按机床属性的效率";
inline constexpr char kEstimatePerMinute[] = "平方mm每分钟算，";
inline constexpr char kEstimateFinishAt[] = "工件加工大概在";
inline constexpr char kEstimateDone[] = "完成";
inline constexpr char kDivisionByZero[] = "Floating point division by zero";
inline constexpr char kInvalidOperation[] = "Invalid floating point operation";

// Workpiece entry.
inline constexpr char kEntryEmpty[] = "工件名称或加工量不能为空！";
inline constexpr char kEntryNotInteger[] = "加工量不能有字符！";

// Completion dialog labels, also the field names inside the report line.
inline constexpr const char* kCompletionLabels[] = {
    "机床:", "工件名称:", "上机时间:", "开始加工:", "跳步时间:", "断丝时间:", "完成时间:", "加工量:"};

// Column headers of the board.
inline constexpr const char* kColumnHeaders[] = {"上机",   "开机",   "跳步始", "跳步终",
                                                 "断丝始", "断丝终", "下机"};

// Status-bar hint after the machine's caption, by column.
inline constexpr const char* kHintSuffixes[] = {" 工件上机", " 开始加工", " 跳步开始", " 跳步结束",
                                                " 断丝开始", " 断丝结束", " 加工完毕"};

}  // namespace kerfolio::msg
