// The names of the rule files on the settings pages: rules that have no file yet get one at the save, a name that
// would make a save destroy another file is refused, and a name changed to a file the window has not read is asked
// about at once (its rules read, or the file replaced at the next save).

#include "app/Main.h"

#include "access/AccessLists.h"
#include "app/DroppedLines.h"
#include "base/ListModels.h"
#include "base/ListViews.h"
#include "base/MessageBoxes.h"
#include "base/Text.h"
#include "cacheskip/CacheSkipEditor.h"
#include "rules/CacheSkipFile.h"
#include "common/Error.h"
#include "common/FileIo.h"
#include "rules/PortMapFile.h"
#include "portmap/ServiceList.h"
#include "ui_Main.h"

#include <QDir>
#include <QFileInfo>
#include <QInputDialog>
#include <QUndoCommand>

namespace {

// The name a field last held that the window accepted (the load's, or one confirmed since).
constexpr char kAcceptedName[] = "acceptedRuleFileName";

// The three rule-file fields, in the order RuleFileNames and the clashes count them.
enum RuleFile { kAccess = 0, kCacheSkip = 1, kPortMapping = 2 };

// A step that puts the rules of another file in place of a list's rules, and back: both are the same swap.
class SwapRules : public QUndoCommand {
public:
    SwapRules(const QString& text, std::function<void()> swap) : QUndoCommand(text), swap_(std::move(swap)) {}
    void redo() override { swap_(); }
    void undo() override { swap_(); }

private:
    std::function<void()> swap_;
};

} // namespace

void TMainWnd::setUpRuleFileNames() {
    for (QLineEdit* field : {ui_->CheckFile, ui_->CacheSkipFile, ui_->RouterFile})
        connect(field, &QLineEdit::editingFinished, this, [this, field] { ruleFileNameEntered(field); });
}

// After a load or a save, the names shown are the ones the files were read or written under.
void TMainWnd::acceptRuleFileNames() {
    for (QLineEdit* field : {ui_->CheckFile, ui_->CacheSkipFile, ui_->RouterFile})
        field->setProperty(kAcceptedName, field->text());
}

OtherFiles TMainWnd::otherFiles() const {
    auto bytes = [](const QString& text) {
        return toFileBytes(text).value_or(std::string());
    };
    return {IniFileName.toStdString(), QFile::encodeName(preferencesFile).toStdString(),
            bytes(ui_->ConnectLogFile->text())};
}

// Shows why the names cannot be saved under, if they cannot; with changed, only the clashes of that field count.
// Returns true when a name was refused.
bool TMainWnd::refusedRuleFileNames(QLineEdit* changed) {
    QDir::setCurrent(ProgramDir.trimmed());
    const std::array<QLineEdit*, 3> fields = {ui_->CheckFile, ui_->CacheSkipFile, ui_->RouterFile};
    QStringList clashes;
    for (const RuleFileClash& clash : ruleFileClashes(ruleFileNames(), otherFiles()))
        if (!changed || fields.at(clash.file) == changed)
            clashes << fromFileBytes(clash.message);
    if (clashes.isEmpty())
        return false;
    messages::error(this, clashes.join(u'\n') + (changed ? QStringLiteral("\n\nThe previous name is kept.")
                                                         : QStringLiteral("\n\nNothing was saved.")));
    return true;
}

// A name typed or picked: one that clashes is refused (the old name comes back); an existing file the window has
// not read is asked about, since the next save would replace it.
void TMainWnd::ruleFileNameEntered(QLineEdit* field) {
    const QString accepted = field->property(kAcceptedName).toString();
    if (field->text() == accepted || loading_)
        return;
    if (refusedRuleFileNames(field)) {
        field->setText(accepted);
        return;
    }
    QDir::setCurrent(ProgramDir.trimmed());
    const std::string file = toFileBytes(field->text()).value_or(std::string());
    if (!file.empty() && fileExists(file) && !readFiles_.wasRead(file)) {
        const auto answer = messages::ask(
            this, QStringLiteral("Confirm"),
            QStringLiteral("The file \"%1\" exists, and the configurator has not read it.\n\n"
                           "Read rules: show its rules in place of the present ones (Ctrl+Z brings them back).\n"
                           "Keep rules: keep the present rules; the next save replaces the file with them.\n"
                           "Cancel: keep the previous name.")
                .arg(field->text()),
            QMessageBox::Open | QMessageBox::Save | QMessageBox::Cancel, QMessageBox::Question,
            {{QMessageBox::Open, QStringLiteral("Read rules")}, {QMessageBox::Save, QStringLiteral("Keep rules")}},
            QMessageBox::Cancel);
        if (answer == QMessageBox::Cancel || (answer == QMessageBox::Open && !readRulesFrom(field))) {
            field->setText(accepted);
            return;
        }
    }
    field->setProperty(kAcceptedName, field->text());
}

// Reads the rules of the file the field names in place of the list's rules, as one step to undo. The rules of the
// access file fill every group list again, whose earlier steps would no longer fit their rows: they are dropped.
bool TMainWnd::readRulesFrom(QLineEdit* field) {
    const std::string file = toFileBytes(field->text()).value_or(std::string());
    return messages::guarded(this, [&] {
        const FileRecord::Recording recording(readFiles_);
        LoadFindings dropped;
        std::function<void()> swap;
        if (field == ui_->CheckFile) {
            auto other = std::make_shared<GroupTable>();
            LoadAccessRules(file, *other, &dropped);
            clearUndo();
            swap = [this, other] {
                std::swap(Groups, *other);
                fillRuleLists();
            };
        } else if (field == ui_->CacheSkipFile) {
            auto other = std::make_shared<std::vector<std::string>>(loadCacheSkipLines(file, &dropped));
            swap = [this, other] {
                qobject_cast<FileLinesModel*>(list(CacheSkipEditor::list()).model)->replacing([&] {
                    std::swap(CacheSkipLines, *other);
                });
            };
        } else {
            auto standard = std::make_shared<StandardServices>();
            auto manual = std::make_shared<RuleLines>();
            loadPortMapping(file, *standard, *manual, &dropped);
            swap = [this, standard, manual] {
                qobject_cast<FileLinesModel*>(list(manualServiceList()).model)->replacing([&] {
                    std::swap(StandardServiceLines, *standard);
                    std::swap(ManualServiceLines, *manual);
                });
                showStandardServices();
            };
        }
        auto keepingSteps = [this, swap] {
            lists_->keepSteps(true);
            swap();
            lists_->keepSteps(false);
        };
        lists_->undoStack().push(new SwapRules(QStringLiteral("read rules of %1").arg(field->text()), keepingSteps));
        for (Finding& finding : dropped.findings())
            keptFindings_.push_back(std::move(finding));
        showDroppedLines(ui_->StatusBar1, keptFindings_);
        statusPanel1_->setText(
            QStringLiteral("The rules of %1 are shown (Ctrl+Z brings back the previous ones)").arg(field->text()));
    });
}

// Rules that would be saved into no file get a name first: the user is asked for one, "access.txt", "skip.txt"
// or "router.txt" in the configuration directory proposed. Returns false when the user cancels (nothing is saved).
bool TMainWnd::nameRuleFilesToCreate() {
    std::vector<std::string> accessLines;
    for (int group = 0; group < GroupTable::kSlotCount; ++group)
        if (const TProxyUsers* record = Groups.find(group))
            record->WriteTo(accessLines);
    // A load of no access file leaves group 0 with its default name: no rules of the user's.
    const bool accessRules = !accessLines.empty() && accessLines != std::vector<std::string>{"GN:0:AllUsers:"};
    const bool portMappingRules = !ManualServiceLines.empty() || StandardServiceLines != StandardServices{};
    struct Unnamed {
        QLineEdit* field;
        bool hasRules;
        const char* proposal;
        const char* what;
    };
    const std::array<Unnamed, 3> kinds = {{
        {ui_->CheckFile, accessRules, "access.txt", "access rules"},
        {ui_->CacheSkipFile, !CacheSkipLines.empty(), "skip.txt", "cache-skip rules"},
        {ui_->RouterFile, portMappingRules, "router.txt", "port-mapping rules"},
    }};
    for (const Unnamed& kind : kinds) {
        if (!kind.hasRules || !kind.field->text().trimmed().isEmpty())
            continue;
        QInputDialog dialog(this);
        dialog.setObjectName(QStringLiteral("RuleFileNameDialog"));
        dialog.setWindowTitle(QStringLiteral("Save"));
        dialog.setLabelText(QStringLiteral("The %1 have no file yet. Save them in the file (relative names count "
                                           "from %2):")
                                .arg(QLatin1String(kind.what), QDir::toNativeSeparators(ProgramDir)));
        dialog.setTextValue(QLatin1String(kind.proposal));
        if (dialog.exec() != QDialog::Accepted || dialog.textValue().trimmed().isEmpty())
            return false;
        kind.field->setText(dialog.textValue().trimmed());
        QDir::setCurrent(ProgramDir.trimmed());
        const std::string file = toFileBytes(kind.field->text()).value_or(std::string());
        if (fileExists(file) && !readFiles_.wasRead(file) &&
            messages::ask(this, QStringLiteral("Confirm"),
                          QStringLiteral("The file \"%1\" exists already. Replace it with the %2?")
                              .arg(kind.field->text(), QLatin1String(kind.what)),
                          QMessageBox::Yes | QMessageBox::Cancel, QMessageBox::Warning, {},
                          QMessageBox::Cancel) != QMessageBox::Yes) {
            kind.field->clear();
            return false;
        }
        kind.field->setProperty(kAcceptedName, kind.field->text());
    }
    return true;
}

std::vector<RuleFileContent> TMainWnd::ruleFileContentsNow() const {
    return ruleFileContents(ruleFileNames(), Groups, CacheSkipLines, StandardServiceLines, ManualServiceLines);
}

// The standard-service fields show the lines held, also after a reading that failed (nothing) or an earlier one
// that marked them taken.
void TMainWnd::showStandardServices() {
    for (int slot = 0; slot < 3; ++slot) {
        const TStructString line(StandardServiceLines[static_cast<std::size_t>(slot)], ":");
        standardServiceField(slot)->setReadOnly(false);
        standardServiceField(slot)->setText(fromFileBytes(line.Field(1)));
    }
    if (!ManualServiceLines.empty())
        SetMServiceActionExecute();
}
