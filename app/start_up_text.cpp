#include "app/start_up_text.h"

#include <QStringList>

namespace kerfolio {

QString StartUpRestoreText(const journal::StartUpRestore& restore, const QString& journalFile,
                           const QString& leftBehind) {
    QStringList told;
    const QString lostSinceSnapshot =
        QStringLiteral("上次程序若未正常退出，最后一次快照之后的操作已无法恢复，请核对看板与记录本。");
    if (!restore.damagedAside.empty())
        told << QStringLiteral("事件日志文件已损坏，已改名保存为“%1”，并已新建事件日志。")
                        .arg(QString::fromStdString(restore.damagedAside)) +
                    lostSinceSnapshot;
    if (restore.missing && !leftBehind.isEmpty()) {
        told << QStringLiteral("数据文件夹不能写入，事件日志改记在“%1”；原来的事件日志“%2”保留不动。")
                        .arg(journalFile, leftBehind) +
                    lostSinceSnapshot;
    } else if (restore.missing) {
        told << QStringLiteral("这个数据文件夹原有的事件日志已不在，已新建事件日志“%1”。").arg(journalFile) +
                    lostSinceSnapshot;
    }
    if (!restore.foreignAside.empty())
        told << QStringLiteral(
                    "事件日志属于另一台电脑或另一个数据文件夹，已改名保存为“%1”，并已新建事件日志；"
                    "其中的操作没有恢复到看板上。")
                        .arg(QString::fromStdString(restore.foreignAside)) +
                    lostSinceSnapshot;
    if (restore.applied > 0)
        told << QStringLiteral("上次程序未正常退出。已从事件日志恢复快照之后的 %1 个操作。")
                    .arg(restore.applied);
    if (restore.passedOver > 0)
        told << QStringLiteral("另有 %1 个操作无法恢复：它们之前的操作没有记入事件日志（当时日志无法写入）。")
                    .arg(restore.passedOver);
    if (!restore.known)
        told << QStringLiteral(
            "快照文件不是事件日志记下的那一份（可能是从别处复制来的），恢复的操作可能不全或重复，"
            "请核对看板与记录本。");
    return told.join(QLatin1Char('\n'));
}

}  // namespace kerfolio
