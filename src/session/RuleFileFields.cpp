#include "session/RuleFileFields.h"

#include "base/ListViews.h"
#include "base/MessageBoxes.h"
#include "base/Text.h"
#include "document/Configuration.h"
#include "session/DroppedLines.h"
#include "session/SettingsForm.h"

#include <QDir>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QUndoCommand>
#include <QUndoStack>
#include <memory>

namespace {

// The name a field last held that the window accepted (the load's, or one confirmed since).
constexpr char kAcceptedName[] = "acceptedRuleFileName";

// A step that puts the rules of another file in place of a list's rules, and back: both are the same swap.
class SwapRules : public QUndoCommand {
public:
    SwapRules(const QString& text, std::function<void()> swap) : QUndoCommand(text), swap_(std::move(swap)) {}
    void redo() override { swap_(); }
    void undo() override { swap_(); }

private:
    std::function<void()> swap_;
};

std::string bytesOf(const QLineEdit* field) {
    return toFileBytes(field->text()).value_or(std::string());
}

} // namespace

RuleFileFields::RuleFileFields(QWidget* window, Configuration& configuration, SettingsForm& form, ListViews& lists,
                               Fields fields, Hooks hooks)
    : QObject(window), window_(window), configuration_(configuration), form_(form), lists_(lists), fields_(fields),
      hooks_(std::move(hooks)) {
    for (QLineEdit* field : fields_)
        connect(field, &QLineEdit::editingFinished, this, [this, field] { entered(field); });
    // A name picked is asked about as one typed.
    connect(&form_, &SettingsForm::filePicked, this, [this](QLineEdit* field) {
        if (indexOf(field) < fields_.size())
            entered(field);
    });
}

std::size_t RuleFileFields::indexOf(const QLineEdit* field) const {
    return static_cast<std::size_t>(std::find(fields_.begin(), fields_.end(), field) - fields_.begin());
}

void RuleFileFields::accept() {
    for (QLineEdit* field : fields_)
        field->setProperty(kAcceptedName, field->text());
}

bool RuleFileFields::refused(QLineEdit* changed) {
    form_.store(false);
    QStringList clashes;
    for (const RuleFileClash& clash : configuration_.ruleFileClashes(hooks_.otherFiles()))
        if (!changed || fields_.at(clash.file) == changed)
            clashes << fromFileBytes(clash.message);
    if (clashes.isEmpty())
        return false;
    messages::error(window_, clashes.join(u'\n') +
                                 (changed ? tr("\n\nThe previous name is kept.") : tr("\n\nNothing was saved.")));
    return true;
}

void RuleFileFields::entered(QLineEdit* field) {
    const QString accepted = field->property(kAcceptedName).toString();
    if (field->text() == accepted || *hooks_.loading)
        return;
    if (refused(field)) {
        field->setText(accepted);
        return;
    }
    const std::string file = bytesOf(field);
    if (!file.empty() && fileExists(file) && !configuration_.wasRead(file)) {
        const auto answer = messages::ask(
            window_, QStringLiteral("Confirm"),
            tr("The file \"%1\" exists, and the configurator has not read it.\n\n"
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
bool RuleFileFields::readRulesFrom(QLineEdit* field) {
    const std::string file = bytesOf(field);
    const std::size_t kind = indexOf(field);
    return messages::guarded(window_, [&] {
        LoadFindings dropped;
        std::function<void()> swap;
        if (kind == 0) {
            auto other = std::make_shared<GroupTable>(configuration_.readAccessRules(file, dropped));
            lists_.clearUndo();
            swap = [this, other] {
                std::swap(configuration_.groups(), *other);
            };
        } else if (kind == 1) {
            auto other = std::make_shared<std::vector<std::string>>(configuration_.readCacheSkipRules(file, dropped));
            swap = [this, other] {
                std::swap(configuration_.cacheSkipLines(), *other);
            };
        } else {
            auto standard = std::make_shared<StandardServices>();
            auto manual = std::make_shared<RuleLines>();
            configuration_.readPortMapping(file, *standard, *manual, dropped);
            swap = [this, standard, manual] {
                std::swap(configuration_.standardServices(), *standard);
                std::swap(configuration_.manualServices(), *manual);
            };
        }
        auto keepingSteps = [this, kind, swap] {
            lists_.keepSteps(true);
            hooks_.replaceRules(kind, swap);
            lists_.keepSteps(false);
        };
        lists_.undoStack().push(new SwapRules(QStringLiteral("read rules of %1").arg(field->text()), keepingSteps));
        configuration_.addFindings(dropped.findings());
        showDroppedLines(hooks_.statusBar, configuration_.findings());
        hooks_.notePanel->setText(
            tr("The rules of %1 are shown (Ctrl+Z brings back the previous ones)").arg(field->text()));
    });
}

// The user is asked for a name, "access.txt", "skip.txt" or "router.txt" in the configuration directory proposed.
bool RuleFileFields::nameFilesToCreate() {
    struct Unnamed {
        const char* proposal;
        const char* what;
    };
    constexpr std::array<Unnamed, 3> kinds = {{
        {"access.txt", QT_TR_NOOP("access rules")},
        {"skip.txt", QT_TR_NOOP("cache-skip rules")},
        {"router.txt", QT_TR_NOOP("port-mapping rules")},
    }};
    for (std::size_t kind = 0; kind < kinds.size(); ++kind) {
        QLineEdit* field = fields_[kind];
        if (!configuration_.hasRules(kind) || !field->text().trimmed().isEmpty())
            continue;
        QInputDialog dialog(window_);
        dialog.setObjectName(QStringLiteral("RuleFileNameDialog"));
        dialog.setWindowTitle(QStringLiteral("Save"));
        dialog.setLabelText(tr("The %1 have no file yet. Save them in the file (relative names count "
                               "from %2):")
                                .arg(tr(kinds[kind].what), QDir::toNativeSeparators(QDir::currentPath())));
        dialog.setTextValue(QLatin1String(kinds[kind].proposal));
        if (dialog.exec() != QDialog::Accepted || dialog.textValue().trimmed().isEmpty())
            return false;
        field->setText(dialog.textValue().trimmed());
        const std::string file = bytesOf(field);
        if (fileExists(file) && !configuration_.wasRead(file) &&
            messages::ask(
                window_, QStringLiteral("Confirm"),
                tr("The file \"%1\" exists already. Replace it with the %2?").arg(field->text(), tr(kinds[kind].what)),
                QMessageBox::Yes | QMessageBox::Cancel, QMessageBox::Warning, {},
                QMessageBox::Cancel) != QMessageBox::Yes) {
            field->clear();
            return false;
        }
        field->setProperty(kAcceptedName, field->text());
    }
    return true;
}
