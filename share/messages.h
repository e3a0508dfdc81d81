#pragma once

// The share layer's texts for the operator (UTF-8; Chinese like every text the program shows).
namespace kerfolio::share {

inline constexpr char kConninfoTooLong[] =
    "save.ini 的 [share] database 太长（最多 98 字节），请改用 database_file= 或 service=";
inline constexpr char kConninfoFileUnreadable[] = "无法读取数据库连接文件：";
inline constexpr char kBadConninfo[] = "数据库连接字符串无效：";
inline constexpr char kConnectFailed[] = "无法连接共享数据库：";
inline constexpr char kServerTimedOut[] = "共享数据库无响应，连接已断开";
inline constexpr char kServerError[] = "共享数据库出错：";
inline constexpr char kSchemaMissing[] =
    "共享数据库尚未建表，且本用户无权建表：请管理员用所有者角色运行一次本程序或 kerfolio-report --postgres";
inline constexpr char kSchemaOld[] =
    "共享数据库的表比本程序旧，且本用户无权更新：请管理员用所有者角色运行一次本程序或 kerfolio-report "
    "--postgres";
inline constexpr char kSchemaTooNew[] = "共享数据库的表版本比本程序新，请升级本程序";
inline constexpr char kPcNotRegistered[] =
    "本机尚未在共享数据库登记给这个数据库用户，事件暂不发送；请管理员用 kerfolio.register_pc "
    "登记本机。本机编号：";
inline constexpr char kPcNotRegisteredUser[] = "，数据库用户：";
inline constexpr char kUnregisteredPcs[] = "未登记的电脑：";
inline constexpr char kUnregisteredPcsUnit[] = " 台";
inline constexpr char kJournalError[] = "无法读取本机日志：";
inline constexpr char kLagPrefix[] = "尚有 ";
inline constexpr char kLagMiddle[] = " 个事件未发送到共享数据库（自 ";
inline constexpr char kLagSuffix[] = " 起）";

}  // namespace kerfolio::share
