#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QTabWidget>
#include <QTest>
#include <algorithm>
#include <cmath>
#include <memory>

#include "app/form1.h"
#include "tests/app/gui_test_support.h"

namespace kerfolio::test {
namespace {

// Relative luminance and contrast ratio as the accessibility guidelines measure them.
double Luminance(const QColor& colour) {
    auto linear = [](double v) { return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
    return 0.2126 * linear(colour.redF()) + 0.7152 * linear(colour.greenF()) +
           0.0722 * linear(colour.blueF());
}

double Contrast(const QColor& a, const QColor& b) {
    const double la = Luminance(a);
    const double lb = Luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// A dark desktop theme as an operator may have chosen one.
QPalette DarkPalette() {
    QPalette dark;
    dark.setColor(QPalette::Window, QColor(0x35, 0x35, 0x35));
    dark.setColor(QPalette::WindowText, QColor(0xE0, 0xE0, 0xE0));
    dark.setColor(QPalette::Base, QColor(0x2A, 0x2A, 0x2A));
    dark.setColor(QPalette::AlternateBase, QColor(0x42, 0x42, 0x42));
    dark.setColor(QPalette::Text, QColor(0xE0, 0xE0, 0xE0));
    dark.setColor(QPalette::Button, QColor(0x35, 0x35, 0x35));
    dark.setColor(QPalette::ButtonText, QColor(0xE0, 0xE0, 0xE0));
    dark.setColor(QPalette::Highlight, QColor(0x2A, 0x82, 0xDA));
    dark.setColor(QPalette::HighlightedText, Qt::white);
    return dark;
}

// The ground a widget's text is drawn on: its own where it paints one, else that of the nearest
// parent that does.
QColor Ground(const QWidget* widget) {
    for (const QWidget* w = widget; w != nullptr; w = w->parentWidget()) {
        if (w->autoFillBackground() || w->isWindow() || w->backgroundRole() == QPalette::Base)
            return w->palette().color(w->backgroundRole());
    }
    return {};
}

class DarkDesktop : public ::testing::Test {
  protected:
    DarkDesktop() : desktop_(QApplication::palette()) {
        QApplication::setPalette(DarkPalette());
        form_ = std::make_unique<TForm1>(FormContext{folder_.Path().toStdString(), &messages_, &clock_});
    }
    ~DarkDesktop() override {
        form_.reset();
        QApplication::setPalette(desktop_);
    }
    QPalette desktop_;
    TempFolder folder_;
    RecordingMessages messages_;
    FixedClock clock_;
    std::unique_ptr<TForm1> form_;
};

// Fixing one of the two colours and taking the other from the desktop once put light grey times on
// the cells' white ground.
TEST_F(DarkDesktop, EveryWidgetWithColoursOfItsOwnReadsAtLeastFourAndAHalfToOne) {
    int fixed = 0;
    for (QWidget* widget : form_->findChildren<QWidget*>()) {
        if (!widget->testAttribute(Qt::WA_SetPalette)) continue;
        ++fixed;
        const QColor text = widget->palette().color(widget->foregroundRole());
        const QColor ground = Ground(widget);
        EXPECT_GE(Contrast(text, ground), 4.5)
            << widget->objectName().toStdString() << " in " << widget->window()->objectName().toStdString()
            << ": " << text.name().toStdString() << " on " << ground.name().toStdString();
    }
    EXPECT_GE(fixed, 42 + 3) << "the cells, the password field and the confirmation's two lines";
}

// Enter and Space stamp the focused cell, so the operator must see which cell that is.
TEST_F(DarkDesktop, TheFocusedCellLooksDifferentFromTheOthers) {
    form_->findChild<QTabWidget*>("PageControl1")->setCurrentIndex(0);
    form_->show();
    QApplication::setActiveWindow(form_.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(form_.get()));
    auto* first = form_->findChild<QLineEdit*>("Edit9");
    auto* second = form_->findChild<QLineEdit*>("Edit16");
    ASSERT_TRUE(first && second);

    first->setFocus(Qt::MouseFocusReason);
    ASSERT_TRUE(QTest::qWaitFor([&] { return first->hasFocus(); }));
    const QImage focused = first->grab().toImage();
    const QImage unfocused = second->grab().toImage();
    EXPECT_NE(focused, unfocused);

    second->setFocus(Qt::TabFocusReason);
    ASSERT_TRUE(QTest::qWaitFor([&] { return second->hasFocus(); }));
    EXPECT_EQ(second->grab().toImage(), focused) << "the frame goes with the focus";
    EXPECT_EQ(first->grab().toImage(), unfocused);
}

}  // namespace
}  // namespace kerfolio::test
