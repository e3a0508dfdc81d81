#include "app/pages/status_bar.h"

#include <QHBoxLayout>
#include <QLabel>

#include "app/widgets/fonts.h"

namespace kerfolio {

TStatusBar::TStatusBar(QWidget* parent) : QFrame(parent) {
    setObjectName(QStringLiteral("StatusBar1"));
    setFont(SongtiFont(12));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 2, 0, 0);
    layout->setSpacing(2);
    constexpr int widths[] = {53, 120, 50, 0};
    for (int i = 0; i < 4; ++i) {
        auto* panel = new QLabel(this);
        panel->setObjectName(QStringLiteral("Panel%1").arg(i + 1));
        panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        panel->setIndent(2);
        panel->setTextFormat(Qt::PlainText);  // hints carry machine names as typed
        if (widths[i] > 0) {
            panel->setFixedWidth(widths[i]);
            layout->addWidget(panel);
        } else {
            panel->setMinimumWidth(50);
            layout->addWidget(panel, 1);
        }
        panels_[static_cast<std::size_t>(i)] = panel;
    }
}

void TStatusBar::SetPanelText(int panel, const QString& text) {
    QLabel* label = panels_.at(static_cast<std::size_t>(panel - 1));
    label->setText(text);
    if (!label->toolTip().isEmpty()) label->setToolTip(QString());  // it spoke of the text replaced
}

void TStatusBar::SetPanelNote(int panel, const QString& text, const QString& more) {
    SetPanelText(panel, text);
    panels_.at(static_cast<std::size_t>(panel - 1))->setToolTip(more);
}

QString TStatusBar::PanelText(int panel) const {
    return panels_.at(static_cast<std::size_t>(panel - 1))->text();
}

}  // namespace kerfolio
