#include "tests/app/gui_test_support.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTest>
#include <algorithm>

namespace kerfolio::test {

ModalScript::ModalScript() {
    timer_.setInterval(5);
    QObject::connect(&timer_, &QTimer::timeout, [this] { Poll(); });
    timer_.start();
}

ModalScript::~ModalScript() {
    timer_.stop();
}

ModalScript& ModalScript::Then(Step step) {
    steps_.push_back(std::move(step));
    return *this;
}

void ModalScript::Poll() {
    std::erase_if(handled_, [](const QPointer<QWidget>& w) { return w.isNull() || !w->isVisible(); });
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == nullptr || steps_.empty()) return;
    if (std::find(handled_.begin(), handled_.end(), modal) != handled_.end()) return;
    handled_.emplace_back(modal);
    modal->installEventFilter(this);
    Step step = std::move(steps_.front());
    steps_.pop_front();
    ++answered_;
    QPointer<QWidget> target(modal);
    QTimer::singleShot(0, [step = std::move(step), target] {
        if (target) step(target);
    });
}

bool ModalScript::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Hide) {
        std::erase_if(handled_, [watched](const QPointer<QWidget>& w) { return w.data() == watched; });
        watched->removeEventFilter(this);
    }
    return false;
}

void Click(QWidget* parent, const QString& objectName) {
    auto* button = parent->findChild<QAbstractButton*>(objectName);
    ASSERT_NE(button, nullptr) << objectName.toStdString();
    QTest::mouseClick(button, Qt::LeftButton);
}

void Type(QWidget* parent, const QString& objectName, const QString& text) {
    auto* edit = parent->findChild<QLineEdit*>(objectName);
    ASSERT_NE(edit, nullptr) << objectName.toStdString();
    edit->clear();
    // Key events carrying the text, so characters without a key code (Chinese) type too.
    for (const QChar ch : text) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(ch));
        QApplication::sendEvent(edit, &press);
        QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, QString(ch));
        QApplication::sendEvent(edit, &release);
    }
}

QString TextOf(QWidget* parent, const QString& objectName) {
    auto* edit = parent->findChild<QLineEdit*>(objectName);
    return edit ? edit->text() : QStringLiteral("<no %1>").arg(objectName);
}

bool ClickCellAnswering(QWidget* window, int n, std::initializer_list<ModalScript::Step> steps) {
    ModalScript script;
    for (const auto& step : steps)
        script.Then(step);
    auto* cell = window->findChild<QLineEdit*>(QStringLiteral("Edit%1").arg(n));
    if (cell == nullptr) return false;
    QTest::mouseClick(cell, Qt::LeftButton);
    return script.Finished();
}

ModalScript::Step Press(const QString& button) {
    return [button](QWidget* modal) { Click(modal, button); };
}

ModalScript::Step Fill(std::vector<std::pair<QString, QString>> fields, const QString& button) {
    return [fields = std::move(fields), button](QWidget* modal) {
        for (const auto& [name, text] : fields)
            Type(modal, name, text);
        Click(modal, button);
    };
}

ModalScript::Step Capture(std::function<void(QWidget*)> look, const QString& button) {
    return [look = std::move(look), button](QWidget* modal) {
        look(modal);
        Click(modal, button);
    };
}

}  // namespace kerfolio::test
