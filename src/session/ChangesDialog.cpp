#include "session/ChangesDialog.h"

#include "base/MessageBoxes.h"
#include "session/ChangesView.h"
#include "ui_ChangesDialog.h"
#include "ui_OutsideChangesDialog.h"

#include <QMessageBox>
#include <QPushButton>

ChangesDialog::ChangesDialog(std::vector<history::FileChange> files, QWidget* parent)
    : QDialog(parent), ui_(new Ui::ChangesDialog) {
    ui_->setupUi(this);
    connect(ui_->ChangesButtons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    ui_->PendingChanges->setChanges(std::move(files), tr("Nothing to save: the files hold what the window shows."));
}

ChangesDialog::~ChangesDialog() = default;

ChangesView* ChangesDialog::view() const {
    return ui_->PendingChanges;
}

void ChangesDialog::showPending(QWidget* parent, const Configuration& configuration) {
    std::vector<history::FileChange> files;
    if (messages::guarded(parent, [&] { files = configuration.pendingChanges(); }))
        ChangesDialog(std::move(files), parent).exec();
}

OutsideChangesDialog::OutsideChangesDialog(Configuration::ChangesSinceRead sides, QWidget* parent)
    : QDialog(parent), ui_(new Ui::OutsideChangesDialog) {
    ui_->setupUi(this);
    QDialogButtonBox* buttons = ui_->OutsideChangesButtons;
    buttons->button(QDialogButtonBox::Save)->setText(QStringLiteral("Overwrite"));
    buttons->button(QDialogButtonBox::Reset)->setText(QStringLiteral("Reload"));
    buttons->button(QDialogButtonBox::Cancel)->setDefault(true);
    // The question's answers, as its message box gives them.
    connect(buttons, &QDialogButtonBox::clicked, this, [this, buttons](QAbstractButton* button) {
        switch (buttons->standardButton(button)) {
        case QDialogButtonBox::Save:
            return done(QMessageBox::Save);
        case QDialogButtonBox::Reset:
            return done(QMessageBox::Reset);
        default:
            return done(QMessageBox::Cancel);
        }
    });
    ui_->TheirChanges->setChanges(std::move(sides.theirs), tr("Their change left no line different."));
    ui_->OurChanges->setChanges(std::move(sides.ours), tr("The window changes no line of these files."));
}

OutsideChangesDialog::~OutsideChangesDialog() = default;

ChangesView* OutsideChangesDialog::theirs() const {
    return ui_->TheirChanges;
}

ChangesView* OutsideChangesDialog::ours() const {
    return ui_->OurChanges;
}
