#pragma once

// Every text of the live page and the server's answers, in one place.
namespace kerfolio::live::msg {

inline constexpr const char* kStateTexts[] = {"空闲", "已上机", "加工中", "跳步中", "断丝中"};
inline constexpr const char* kStateNames[] = {"idle", "mounted", "machining", "jumping", "wire_broken"};
inline constexpr char kJump[] = "跳步";
inline constexpr char kWireBreak[] = "断丝";

inline constexpr char kPageTitle[] = "线切割机床看板";
inline constexpr char kPcTime[] = "本机时间";
inline constexpr char kWorkpiece[] = "工件";
inline constexpr char kAmount[] = "加工量";
inline constexpr char kMounted[] = "上机时间";
inline constexpr char kStarted[] = "开始加工";
inline constexpr char kJumpTotal[] = "跳步累计";
inline constexpr char kBreakTotal[] = "断丝累计";
inline constexpr char kOpen[] = "未结束";
inline constexpr char kSince[] = "自";
inline constexpr char kLasting[] = "已持续";
inline constexpr char kEstimate[] = "加工估算";
inline constexpr char kOverdue[] = "已超出估算";
inline constexpr char kToday[] = "今日完成（记事本）";
inline constexpr char kTodayCount[] = "件数";
inline constexpr char kTodayAmount[] = "加工量合计";
inline constexpr char kUnreadLines[] = "无法识别的行";
inline constexpr char kNoJobsYet[] = "今日尚无完成的工件";
inline constexpr const char* kJobHeaders[] = {"机床", "工件名称", "开始加工", "完成时间", "加工量"};
inline constexpr char kRefreshNote[] = "本页只读，每 5 秒自动刷新";
inline constexpr int kRefreshSeconds = 5;

// The office board: every PC's machines from the shared database.
inline constexpr char kOfficeTitle[] = "全厂线切割机床看板";
inline constexpr char kOfficeTime[] = "办公室时间";
inline constexpr char kPc[] = "电脑";
inline constexpr char kLastArrived[] = "最后事件到达";
inline constexpr char kAgo[] = "前";
inline constexpr char kSilent[] = "已超过 10 分钟没有新事件";
inline constexpr char kNoPcsYet[] = "共享数据库中还没有登记任何电脑";
inline constexpr char kNotHeardYet[] = "尚未收到本机的事件";
inline constexpr char kUnregisteredPcs[] = "未登记的电脑：%1 台（不在看板上，请管理员登记）";
inline constexpr char kServerAway[] = "共享数据库暂时无法读取：";
inline constexpr char kDataFrom[] = "以下为上次读到的数据，读取时间";
inline constexpr char kNeverRead[] = "尚未读到任何数据";

// HTTP answers other than the page.
inline constexpr char kNotFound[] = "没有这个页面";
inline constexpr char kForbidden[] = "需要访问密钥";
inline constexpr char kMethodNotAllowed[] = "只允许 GET 和 HEAD";
inline constexpr char kBadRequest[] = "请求格式不被接受";
inline constexpr char kForeignHost[] = "请用本机的地址或名称访问";
inline constexpr char kNotPublished[] = "看板尚未就绪";

// Start-up: the address the live board could not use, and why.
inline constexpr char kCannotListen[] = "实时看板无法在 %1 上监听：%2";
inline constexpr char kBadAddress[] = "地址应为 IP:端口，例如 127.0.0.1:8470 或 0.0.0.0:8470";
inline constexpr char kPortZero[] = "端口应在 1 到 65535 之间";
inline constexpr char kKeyTooLong[] = "访问密钥最长 97 个字节（设置文件每项只读前 99 个字节），请改短";
inline constexpr char kAddressInUse[] = "端口已被占用";
inline constexpr char kNoPermission[] = "没有权限使用这个端口";
inline constexpr char kNoSuchAddress[] = "本机没有这个地址";

}  // namespace kerfolio::live::msg
