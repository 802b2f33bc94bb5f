#pragma once

#include "document/Configuration.h"
#include "history/SnapshotDiff.h"

#include <QDialog>
#include <memory>
#include <vector>

class ChangesView;

namespace Ui {
class ChangesDialog;
class OutsideChangesDialog;
} // namespace Ui

// The review before a save (View > Changes, Show changes in the close question): each file a save would write,
// against what the file holds on disk now. Read-only.
class ChangesDialog : public QDialog {
    Q_OBJECT

public:
    ChangesDialog(std::vector<history::FileChange> files, QWidget* parent);
    ~ChangesDialog() override;

    // Shows what a save of the configuration would write; an error reading the files is shown instead.
    static void showPending(QWidget* parent, const Configuration& configuration);

    ChangesView* view() const;

private:
    std::unique_ptr<Ui::ChangesDialog> ui_;
};

// The two sides of an outside change, side by side (Show changes in the outside-change question): on the left
// their change (what was read against what is on disk now), on the right the window's (what was read against what
// a save would write), with the question's answers: Overwrite (QMessageBox::Save), Reload (QMessageBox::Reset) and
// Cancel, which exec() returns.
class OutsideChangesDialog : public QDialog {
    Q_OBJECT

public:
    OutsideChangesDialog(Configuration::ChangesSinceRead sides, QWidget* parent);
    ~OutsideChangesDialog() override;

    ChangesView* theirs() const;
    ChangesView* ours() const;

private:
    std::unique_ptr<Ui::OutsideChangesDialog> ui_;
};
