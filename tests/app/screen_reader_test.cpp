#include <gtest/gtest.h>

#include <QAccessible>
#include <QDialog>
#include <QMap>
#include <functional>

#include "app/form1.h"
#include "tests/app/gui_test_support.h"

namespace kerfolio::test {
namespace {

bool Interactive(QAccessibleInterface* control) {
    switch (control->role()) {
        case QAccessible::PushButton:
        case QAccessible::CheckBox:
        case QAccessible::RadioButton:
        case QAccessible::EditableText:
        case QAccessible::SpinBox:
        case QAccessible::ComboBox:
        case QAccessible::PageTab:
        case QAccessible::Tree:
        case QAccessible::List:
        case QAccessible::Table:
            return true;
        // Containers that pass the focus on to the controls inside: the row of tabs is announced by
        // its current tab, whose name it takes.
        case QAccessible::PageTabList:
        case QAccessible::LayeredPane:
        case QAccessible::Pane:
        case QAccessible::Client:
        case QAccessible::Grouping:
            return false;
        default:
            return control->state().focusable;
    }
}

// Every interactive control below window, with the name a screen reader announces for it. The rows of
// a tree or list are its contents, not controls of their own.
void CollectNames(QAccessibleInterface* node, QMultiMap<QString, QString>& names) {
    for (int i = 0; i < node->childCount(); ++i) {
        QAccessibleInterface* child = node->child(i);
        if (child == nullptr) continue;
        const QString object = child->object() != nullptr ? child->object()->objectName() : QString();
        if (Interactive(child)) names.insert(child->text(QAccessible::Name), object);
        const QAccessible::Role role = child->role();
        if (role != QAccessible::Tree && role != QAccessible::List && role != QAccessible::Table)
            CollectNames(child, names);
    }
}

// A screen reader tells the controls of a window apart by their names alone: the password prompt's
// field once had none, and the Options page announced two fields by their group's one title.
TEST(ScreenReader, EveryControlOfEveryWindowHasANameOfItsOwn) {
    TempFolder folder;
    RecordingMessages messages;
    FixedClock clock;
    TForm1 form({folder.Path().toStdString(), &messages, &clock});
    QList<QWidget*> windows{&form};
    for (QDialog* dialog : form.findChildren<QDialog*>())
        windows << dialog;
    ASSERT_EQ(windows.size(), 7);

    for (QWidget* window : windows) {
        SCOPED_TRACE(window->objectName().toStdString());
        QMultiMap<QString, QString> names;
        CollectNames(QAccessible::queryAccessibleInterface(window), names);
        EXPECT_GE(names.size(), 2);
        for (const QString& name : names.uniqueKeys()) {
            const QStringList controls = names.values(name);
            EXPECT_FALSE(name.trimmed().isEmpty()) << "no name: " << controls.join(' ').toStdString();
            EXPECT_EQ(controls.size(), 1)
                << "\"" << name.toStdString() << "\" names: " << controls.join(' ').toStdString();
        }
    }
}

}  // namespace
}  // namespace kerfolio::test
