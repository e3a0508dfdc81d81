#include <gtest/gtest.h>

#include <QAction>
#include <QCoreApplication>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QTranslator>
#include <algorithm>
#include <memory>

#include "app/qt_translations.h"
#include "tests/app/gui_test_support.h"

namespace kerfolio::test {
namespace {

// Under a Chinese desktop the text fields' own menu once said Copy and Select All.
TEST(QtTranslations, QtsOwnTextsFollowTheDesktopsLanguage) {
    const struct {
        QLocale locale;
        const char* copy;  // the start of the text field menu's Copy entry
    } cases[] = {
        {QLocale(QLocale::Chinese, QLocale::China), "复制"},
        {QLocale(QLocale::Chinese, QLocale::Taiwan), "複製"},
        {QLocale(QLocale::English, QLocale::UnitedStates), "&Copy"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.locale.name().toStdString());
        QTranslator* translator = InstallQtTranslations(c.locale);
        QLineEdit edit(QStringLiteral("text"));
        edit.selectAll();
        const std::unique_ptr<QMenu> menu(edit.createStandardContextMenu());
        QStringList entries;
        for (const QAction* action : menu->actions())
            entries << action->text();
        const auto copies = std::count_if(entries.begin(), entries.end(), [&](const QString& entry) {
            return entry.startsWith(QString::fromUtf8(c.copy));
        });
        EXPECT_EQ(copies, 1) << entries.join(QStringLiteral(" | ")).toStdString();
        if (translator != nullptr) {
            QCoreApplication::removeTranslator(translator);
            delete translator;
        }
    }
}

}  // namespace
}  // namespace kerfolio::test
