#include "app/dialogs/folder_dlg.h"

#include <QDir>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QPushButton>
#include <QTreeView>

namespace kerfolio {

TOKBottomDlg3::TOKBottomDlg3(QWidget* parent)
    : FixedDialog(QStringLiteral("TOKBottomDlg3"), QStringLiteral("路径选择！"), 192, 199, parent) {
    shellTreeView1_ = new QTreeView(this);
    shellTreeView1_->setObjectName(QStringLiteral("ShellTreeView1"));
    shellTreeView1_->setGeometry(0, 0, 192, 161);
    shellTreeView1_->setIndentation(19);
    shellTreeView1_->setHeaderHidden(true);
    shellTreeView1_->setSelectionMode(QAbstractItemView::SingleSelection);
    shellTreeView1_->setAccessibleName(QStringLiteral("文件夹"));

    bitBtn1_ = AddButton("BitBtn1", QStringLiteral("&Yes"), {16, 168, 65, 25});
    connect(bitBtn1_, &QPushButton::clicked, this, [this] { BitBtn1Click(); });

    bitBtn2_ = AddButton("BitBtn2", QStringLiteral("Cancel"), {96, 168, 65, 25});
    connect(bitBtn2_, &QPushButton::clicked, this, &QDialog::reject);
}

void TOKBottomDlg3::showEvent(QShowEvent* event) {
    // The tree is read when the dialog is first wanted: watching the whole file system from start-up
    // costs every run time and memory for a dialog that most runs never open.
    if (model_ == nullptr) {
        // Folders only, from the file-system root, so home and every mounted drive are reachable.
        model_ = new QFileSystemModel(this);
        model_->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot);
        model_->setRootPath(QDir::rootPath());
        shellTreeView1_->setModel(model_);
        for (int column = 1; column < model_->columnCount(); ++column)
            shellTreeView1_->hideColumn(column);
        shellTreeView1_->expand(model_->index(QDir::rootPath()));
    }
    FixedDialog::showEvent(event);
}

std::optional<QString> TOKBottomDlg3::ChooseFolder() {
    chosen_.clear();
    if (exec() != QDialog::Accepted) return std::nullopt;
    return chosen_;
}

void TOKBottomDlg3::BitBtn1Click() {
    const QModelIndexList selected =
        model_ != nullptr ? shellTreeView1_->selectionModel()->selectedRows() : QModelIndexList();
    chosen_ = selected.isEmpty() ? QString() : QDir::toNativeSeparators(model_->filePath(selected.first()));
    accept();
}

}  // namespace kerfolio
