#include "app/pages/board_page.h"

#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <algorithm>

#include "app/pages/board_cell.h"
#include "app/widgets/fonts.h"
#include "app/widgets/icons.h"
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
        // A machine's name is shown as typed, never read as markup.
        caption->setTextFormat(Qt::PlainText);
        caption->setFont(KaitiFont(16, true));
        caption->setGeometry(8, kRowTops[m - 1], 65, 24);
        caption->installEventFilter(this);
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
    BuildCaptionMenu();
}

void BoardPage::BuildCaptionMenu() {
    popupMenu1_ = new QMenu(this);
    popupMenu1_->setObjectName(QStringLiteral("PopupMenu1"));
    auto add = [this](const char* name, const QString& text, const QIcon& icon,
                      std::function<void()> CaptionMenuHandlers::*handler) {
        QAction* action = popupMenu1_->addAction(icon, text);
        action->setObjectName(QLatin1String(name));
        connect(action, &QAction::triggered, this, [this, handler] {
            if (menuHandlers_.*handler) (menuHandlers_.*handler)();
        });
        return action;
    };
    add("N11", QStringLiteral("加工估算"), EstimateIcon(), &CaptionMenuHandlers::estimate);
    add("N21", QStringLiteral("取消加工"), CancelIcon(), &CaptionMenuHandlers::cancelMachining);
    popupMenu1_->addSeparator()->setObjectName(QStringLiteral("N1"));
    QAction* properties =
        add("N41", QStringLiteral("属性"), PropertiesIcon(), &CaptionMenuHandlers::properties);
    // The default item is drawn bold whatever the style makes of the default.
    QFont bold = popupMenu1_->font();
    bold.setBold(true);
    properties->setFont(bold);
    popupMenu1_->setDefaultAction(properties);
}

void BoardPage::showEvent(QShowEvent* event) {
    // Reachable with Tab so the machine's menu opens from the keyboard too. Given only now: a label
    // that can take the focus lays its text out as a document at every change, which start-up would
    // pay for a page it does not show.
    // The frame, styled here for the same reason, shows which caption holds the focus.
    if (!captionsFocusable_) {
        captionsFocusable_ = true;
        for (QLabel* caption : captions_) {
            caption->setFocusPolicy(Qt::TabFocus);
            caption->setStyleSheet(
                QStringLiteral("QLabel { border: 1px solid #808080; } "
                               "QLabel:focus { border: 2px solid palette(highlight); }"));
        }
    }
    QWidget::showEvent(event);
}

bool BoardPage::CaptionEvent(int machine, QEvent* event) {
    QLabel* caption = Caption(machine);
    QPoint at;
    if (event->type() == QEvent::ContextMenu) {
        auto* menuEvent = static_cast<QContextMenuEvent*>(event);
        at = menuEvent->reason() == QContextMenuEvent::Mouse
                 ? menuEvent->globalPos()
                 : caption->mapToGlobal(caption->rect().bottomLeft());
    } else if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const bool menuKey = key->key() == Qt::Key_Menu ||
                             (key->key() == Qt::Key_F10 && key->modifiers() == Qt::ShiftModifier);
        if (!menuKey) return false;
        at = caption->mapToGlobal(caption->rect().bottomLeft());
    } else {
        return false;
    }
    if (menuHandlers_.opening) menuHandlers_.opening(machine);
    popupMenu1_->popup(at);
    return true;
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
    for (int m = 1; m <= kMachineCount; ++m) {
        if (watched == Caption(m)) return CaptionEvent(m, event) || QWidget::eventFilter(watched, event);
    }
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
