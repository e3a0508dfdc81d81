#include "app/board_page.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <algorithm>

#include "app/board_cell.h"
#include "app/fonts.h"
#include "board/messages.h"

namespace kerfolio {
namespace {

constexpr int kRowTops[kMachineCount] = {24, 56, 88, 120, 152, 182};
constexpr int ColumnLeft(int column) {
    return 88 + 56 * (column - 1);
}

}  // namespace

BoardPage::BoardPage(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("TabSheet1"));
    setMouseTracking(true);

    for (int k = 1; k <= kColumnCount; ++k) {
        auto* header = new QLabel(QString::fromUtf8(msg::kColumnHeaders[k - 1]), this);
        header->setObjectName(QStringLiteral("Label%1").arg(k));
        header->setAlignment(Qt::AlignCenter);
        header->setFont(KaitiFont(16, true));
        header->setGeometry(ColumnLeft(k), 8, 49, 17);
    }

    for (int m = 1; m <= kMachineCount; ++m) {
        auto* caption = new QLabel(this);
        caption->setObjectName(QStringLiteral("StaticText%1").arg(m));
        caption->setAlignment(Qt::AlignCenter);
        caption->setFrameStyle(QFrame::Box | QFrame::Plain);
        caption->setFont(KaitiFont(16, true));
        caption->setGeometry(8, kRowTops[m - 1], 65, 24);
        captions_[static_cast<std::size_t>(m - 1)] = caption;

        for (int k = 1; k <= kColumnCount; ++k) {
            const int number = CellNumber(m, TEventColumn(k));
            auto* cell = new BoardCell(this);
            cell->setObjectName(QStringLiteral("Edit%1").arg(number));
            cell->setReadOnly(true);
            cell->setCursor(Qt::PointingHandCursor);
            cell->setGeometry(ColumnLeft(k), kRowTops[m - 1], 49, 21);
            cell->setMouseTracking(true);
            cell->setContextMenuPolicy(Qt::NoContextMenu);
            cell->setAccessibleDescription(QString::fromUtf8(msg::kColumnHeaders[k - 1]));
            cell->installEventFilter(this);
            cells_[static_cast<std::size_t>(number - 1)] = cell;
        }
    }
}

void BoardPage::Show(const TJobBoard& board, int machine, int column) {
    if (column == 0) {
        const QString caption = QString::fromStdString(board.Caption(machine));
        Caption(machine)->setText(caption);
        for (int k = 1; k <= kColumnCount; ++k) {
            Cell(CellNumber(machine, TEventColumn(k)))
                ->setAccessibleName(caption + QLatin1Char(' ') +
                                    QString::fromUtf8(msg::kColumnHeaders[k - 1]));
        }
        return;
    }
    QLineEdit* cell = Cell(CellNumber(machine, TEventColumn(column)));
    cell->setText(QString::fromStdString(board.Cell(machine, TEventColumn(column))));
    cell->setCursorPosition(0);
}

bool BoardPage::eventFilter(QObject* watched, QEvent* event) {
    auto* cell = qobject_cast<QLineEdit*>(watched);
    if (cell == nullptr) return QWidget::eventFilter(watched, event);
    const int number = static_cast<int>(std::find(cells_.begin(), cells_.end(), cell) - cells_.begin()) + 1;
    if (number > kCellCount) return QWidget::eventFilter(watched, event);

    switch (event->type()) {
        case QEvent::MouseButtonRelease: {
            auto* mouse = static_cast<QMouseEvent*>(event);
            // A click is a left press and release on the same cell.
            if (mouse->button() == Qt::LeftButton && cell->rect().contains(mouse->position().toPoint()) &&
                cellClick_) {
                cellClick_(number);
            }
            break;
        }
        case QEvent::KeyPress: {
            // Keyboard users stamp a focused cell with Space or Enter.
            const int key = static_cast<QKeyEvent*>(event)->key();
            if ((key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter) && cellClick_) {
                cellClick_(number);
                return true;
            }
            break;
        }
        case QEvent::MouseMove:
            if (hover_) hover_(number);
            break;
        default:
            break;
    }
    return QWidget::eventFilter(watched, event);
}

void BoardPage::mouseMoveEvent(QMouseEvent* event) {
    if (hover_) hover_(0);
    QWidget::mouseMoveEvent(event);
}

}  // namespace kerfolio
