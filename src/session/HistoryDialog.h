#pragma once

#include "history/Generation.h"

#include <QDialog>
#include <functional>
#include <map>
#include <memory>
#include <string>

class ChangesView;
class HistoryModel;

namespace Ui {
class HistoryDialog;
}

// The history of saves (File > History...): the generations, newest first, and the diff of the one chosen against
// the generation before it, the files now or any other generation; Restore writes the chosen one back.
class HistoryDialog : public QDialog {
    Q_OBJECT

public:
    // Where the history is, and what the dialog asks of the window.
    struct Sources {
        std::string storeDirectory;
        std::string configurationDirectory; // said above the list
        std::function<history::Snapshot()> filesNow;
        // Restores the generation of that number as the window saves (its questions asked); whether it did.
        std::function<bool(unsigned number)> restore;
    };

    // What the chosen generation is compared with: the first entries of CompareWith, the generations after them.
    enum Comparison { WithPrevious, WithFilesNow, WithGeneration };

    explicit HistoryDialog(Sources sources, QWidget* parent = nullptr);
    ~HistoryDialog() override;

    // Reads the list again (the newest first chosen); what cannot be read is said below it.
    void reload();
    const HistoryModel& model() const { return *model_; }
    ChangesView* changes() const;
    // The generation chosen, and what it is compared with (the generation's number for WithGeneration).
    void choose(unsigned number, Comparison comparison, unsigned other = 0);

private:
    unsigned chosen() const; // 0: none
    void showDiff();
    void fillComparisons();
    const history::Snapshot& filesOf(unsigned number);
    void restoreChosen();

    std::unique_ptr<Ui::HistoryDialog> ui_;
    Sources sources_;
    HistoryModel* model_ = nullptr;
    std::map<unsigned, history::Snapshot> files_; // of the generations read so far (their contents checked)
    bool diffPending_ = false;
};
