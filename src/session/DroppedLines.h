#pragma once

#include "common/Findings.h"

#include <QDialog>
#include <memory>
#include <vector>

class QStatusBar;

namespace Ui {
class DroppedLinesDialog;
}

// Says, after a load (and again after a save), which lines of the rule files were left out (and so will not be
// saved again): a note in the status bar, "3 lines of skip.txt will not be kept - details", that opens the list of
// those lines. A finding of line 0 is about a whole file ("./glym30.ini cannot be read: Permission denied") and is
// said as it stands. Nothing is shown when there is nothing to say.
void showDroppedLines(QStatusBar* statusBar, const std::vector<Finding>& findings);

// The list of the lines left out: file, line number, reason and the line itself. Read-only.
class DroppedLinesDialog : public QDialog {
    Q_OBJECT

public:
    // At most this many lines are listed; the text above the list says how many there are in all.
    static constexpr std::size_t kListedLines = 10000;
    // A line's text is shown up to this many characters.
    static constexpr int kShownCharacters = 2000;

    DroppedLinesDialog(const std::vector<Finding>& findings, QWidget* parent);
    ~DroppedLinesDialog() override;

private:
    std::unique_ptr<Ui::DroppedLinesDialog> ui_;
};
