#include "session/HistoryDialog.h"

#include "base/MessageBoxes.h"
#include "base/Text.h"
#include "history/SnapshotDiff.h"
#include "history/Store.h"
#include "session/ChangesView.h"
#include "session/HistoryModel.h"
#include "ui_HistoryDialog.h"

#include <QHeaderView>
#include <QTimer>
#include <algorithm>
#include <exception>

namespace {

// What the entries of CompareWith hold: a generation's number, or one of these.
constexpr qlonglong kPrevious = -1;
constexpr qlonglong kFilesNow = -2;

} // namespace

HistoryDialog::HistoryDialog(Sources sources, QWidget* parent)
    : QDialog(parent), ui_(new Ui::HistoryDialog), sources_(std::move(sources)), model_(new HistoryModel(this)) {
    ui_->setupUi(this);
    ui_->Generations->setModel(model_);
    QHeaderView* header = ui_->Generations->horizontalHeader();
    for (int column = 0; column < HistoryModel::Comment; ++column)
        header->setSectionResizeMode(column, QHeaderView::ResizeToContents);
    ui_->HistorySplitter->setStretchFactor(0, 2);
    ui_->HistorySplitter->setStretchFactor(1, 3);
    ui_->HistorySplitter->setSizes({240, 360});
    ui_->HistoryPlace->setText(tr("Every save of the configuration in %1 is recorded in %2.")
                                   .arg(QString::fromStdString(sources_.configurationDirectory),
                                        QString::fromStdString(sources_.storeDirectory)));

    // The diff follows the choice once the events of the choice are done: a key held down reads no file per row.
    auto showLater = [this] {
        if (std::exchange(diffPending_, true))
            return;
        QTimer::singleShot(0, this, [this] {
            diffPending_ = false;
            showDiff();
        });
    };
    connect(ui_->Generations->selectionModel(), &QItemSelectionModel::currentRowChanged, this, showLater);
    connect(ui_->CompareWith, &QComboBox::currentIndexChanged, this, showLater);
    connect(ui_->RestoreButton, &QPushButton::clicked, this, &HistoryDialog::restoreChosen);
    connect(ui_->HistoryButtons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    reload();
}

HistoryDialog::~HistoryDialog() = default;

ChangesView* HistoryDialog::changes() const {
    return ui_->GenerationChanges;
}

void HistoryDialog::reload() {
    history::Listing listing;
    QStringList problems;
    try {
        listing = history::Store(sources_.storeDirectory).list();
    } catch (const std::exception& error) {
        problems << fromFileBytes(error.what());
    }
    for (const std::string& problem : listing.problems)
        problems << fromFileBytes(problem);
    if (listing.generations.empty() && problems.isEmpty())
        problems << tr("No save has been recorded yet.");
    model_->setGenerations(std::move(listing.generations));
    ui_->HistoryProblems->setText(problems.join(u'\n'));
    ui_->HistoryProblems->setVisible(!problems.isEmpty());
    fillComparisons();
    if (model_->rowCount() > 0)
        ui_->Generations->selectRow(0);
    ui_->RestoreButton->setEnabled(model_->rowCount() > 0);
}

void HistoryDialog::fillComparisons() {
    QComboBox* combo = ui_->CompareWith;
    const QVariant was = combo->currentData();
    const QSignalBlocker quiet(combo);
    combo->clear();
    combo->addItem(tr("the generation before it"), kPrevious);
    combo->addItem(tr("the files now"), kFilesNow);
    for (const history::Generation& generation : model_->generations())
        combo->addItem(tr("generation %1 (%2)")
                           .arg(generation.number)
                           .arg(QString::fromStdString(history::localTime(generation.time))),
                       static_cast<qlonglong>(generation.number));
    combo->setCurrentIndex(std::max(combo->findData(was), 0));
}

void HistoryDialog::choose(unsigned number, Comparison comparison, unsigned other) {
    ui_->Generations->selectRow(model_->rowOf(number));
    const qlonglong wanted = comparison == WithPrevious   ? kPrevious
                             : comparison == WithFilesNow ? kFilesNow
                                                          : static_cast<qlonglong>(other);
    ui_->CompareWith->setCurrentIndex(ui_->CompareWith->findData(wanted));
    showDiff();
}

unsigned HistoryDialog::chosen() const {
    const QModelIndex current = ui_->Generations->selectionModel()->currentIndex();
    return current.isValid() ? model_->generation(current.row()).number : 0;
}

const history::Snapshot& HistoryDialog::filesOf(unsigned number) {
    auto found = files_.find(number);
    if (found == files_.end()) {
        const history::Generation& generation = model_->generation(model_->rowOf(number));
        found = files_.emplace(number, history::Store(sources_.storeDirectory).files(generation)).first;
    }
    return found->second;
}

// The older version is removed (-) and the newer added (+): the generation before the chosen one, or the chosen one
// before the files now, or the lower number of two generations.
void HistoryDialog::showDiff() {
    const unsigned number = chosen();
    ui_->ComparedVersions->clear();
    if (number == 0)
        return ui_->GenerationChanges->setChanges({}, tr("Choose a generation."));
    auto named = [](unsigned generation) {
        return tr("generation %1").arg(generation);
    };
    try {
        const history::Snapshot nothing;
        const history::Snapshot* older = &nothing;
        const history::Snapshot* newer = nullptr;
        history::Snapshot now;
        QString olderName = tr("nothing");
        QString newerName = named(number);
        const qlonglong with = ui_->CompareWith->currentData().toLongLong();
        if (with == kPrevious) {
            const int previousRow = model_->rowOf(number) + 1;
            if (previousRow < model_->rowCount()) {
                const unsigned previous = model_->generation(previousRow).number;
                older = &filesOf(previous);
                olderName = named(previous);
            }
            newer = &filesOf(number);
        } else if (with == kFilesNow) {
            now = sources_.filesNow();
            older = &filesOf(number);
            newer = &now;
            olderName = named(number);
            newerName = tr("the files now");
        } else {
            const auto [first, second] = std::minmax(number, static_cast<unsigned>(with));
            older = &filesOf(first);
            newer = &filesOf(second);
            olderName = named(first);
            newerName = named(second);
        }
        ui_->ComparedVersions->setText(QStringLiteral("%1 \u2192 %2").arg(olderName, newerName));
        ui_->GenerationChanges->setChanges(history::compareSnapshots(*older, *newer),
                                           tr("The two versions hold the same lines."));
    } catch (const std::exception& error) {
        ui_->GenerationChanges->setChanges({}, fromFileBytes(error.what()));
    }
}

void HistoryDialog::restoreChosen() {
    const unsigned number = chosen();
    if (number == 0)
        return;
    const history::Generation& generation = model_->generation(model_->rowOf(number));
    if (messages::ask(this, QStringLiteral("Confirm"),
                      tr("Restore generation %1, saved %2 by %3?\n\n"
                         "Its files are written back as a save: those that differ from the disk are replaced, each "
                         "rule file keeping its present content as .bak, and the window reads them again. The "
                         "restore is recorded in the history as a generation of its own, so restoring the one "
                         "before it undoes it.")
                          .arg(number)
                          .arg(QString::fromStdString(history::localTime(generation.time)),
                               QString::fromStdString(generation.user)),
                      QMessageBox::Yes | QMessageBox::No, QMessageBox::Question) != QMessageBox::Yes)
        return;
    if (sources_.restore(number))
        reload();
}
