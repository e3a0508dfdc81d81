#pragma once

#include <QString>
#include <optional>

#include "app/dialogs/fixed_dialog.h"

class QFileSystemModel;
class QPushButton;
class QTreeView;

namespace kerfolio {

// Folder selection. Created once and reused, so the tree keeps what was expanded and selected.
class TOKBottomDlg3 : public FixedDialog {
    Q_OBJECT

  public:
    explicit TOKBottomDlg3(QWidget* parent = nullptr);

    // Shows the dialog modally. nullopt on Cancel, Esc or the close box; on "&Yes" the selected
    // folder's full path, or an empty text when nothing is selected.
    std::optional<QString> ChooseFolder();

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void BitBtn1Click();

    QFileSystemModel* model_ = nullptr;
    QTreeView* shellTreeView1_;
    QPushButton* bitBtn1_;
    QPushButton* bitBtn2_;
    QString chosen_;
};

}  // namespace kerfolio
