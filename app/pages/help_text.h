#pragma once

#include <QString>

namespace kerfolio {

// The text of the " Help  " page.
inline QString HelpText() {
    return QStringLiteral(
        "本软件用鼠标点按代替手写线切割加工报表：点按机床的事件格并确认，即记下当时的时间。"
        "多次跳步（空走）时间和断丝时间自动累加；加工完毕自动生成报表行，"
        "并可在设定的时间自动存入设定的文件夹。电脑死机后可恢复五分钟前的数据。\n\n"
        "默认密码：4826");
}

}  // namespace kerfolio
