#pragma once

#include <QIcon>

namespace kerfolio {

// Our own small pictures, painted as vectors so they stay sharp at any size.
QIcon EstimateIcon();    // 加工估算: a clock
QIcon CancelIcon();      // 取消加工: a red cross
QIcon PropertiesIcon();  // 属性: a record card
QIcon WindowIcon();      // the program: a wire cutting a contour

}  // namespace kerfolio
