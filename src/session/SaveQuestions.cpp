#include "session/SaveQuestions.h"

#include "base/MessageBoxes.h"
#include "base/Text.h"
#include "document/Configuration.h"
#include "session/ChangesDialog.h"

#include <QCoreApplication>
#include <QStringList>

namespace savequestions {

namespace {

// The texts of this file, translated in their own context.
struct Texts {
    Q_DECLARE_TR_FUNCTIONS(savequestions)
};

QString listed(const QStringList& files) {
    return QStringLiteral("\n\n    ") + files.join(QStringLiteral("\n    ")) + QStringLiteral("\n\n");
}

QString name(std::string_view text) {
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

const std::pair<QMessageBox::StandardButton, QString> kOverwrite{QMessageBox::Save, QStringLiteral("Overwrite")};

// Their change and ours side by side; the answer given there, or none (the question is asked again).
QMessageBox::StandardButton showOutsideChanges(QWidget* parent, const Configuration& configuration,
                                               const std::vector<Configuration::OutsideChange>& changed) {
    Configuration::ChangesSinceRead sides;
    if (!messages::guarded(parent, [&] { sides = configuration.changesSinceRead(changed); }))
        return QMessageBox::NoButton;
    const int answer = OutsideChangesDialog(std::move(sides), parent).exec();
    return answer == QDialog::Rejected ? QMessageBox::NoButton : static_cast<QMessageBox::StandardButton>(answer);
}

} // namespace

bool replaceUnusableSettingsFile(QWidget* parent, Configuration& configuration) {
    const std::string& file = configuration.settingsFile();
    if (configuration.settingsProblem().empty() || configuration.replacesSettingsFile() || !fileExists(file))
        return true;
    const bool replace =
        messages::ask(parent, QStringLiteral("Warning"),
                      Texts::tr("%1 %2, so the window shows the default settings, not its own.\n\n"
                                "Overwrite: replace it with the settings the window shows (its present content "
                                "is kept as %1.bak).\nCancel: save nothing.")
                          .arg(fromFileBytes(file), fromFileBytes(configuration.settingsProblem())),
                      QMessageBox::Save | QMessageBox::Cancel, QMessageBox::Warning, {kOverwrite},
                      QMessageBox::Cancel) == QMessageBox::Save;
    if (replace)
        configuration.allowReplacingSettingsFile();
    return replace;
}

SaveCheck checkFilesBeforeSave(QWidget* parent, Configuration& configuration) {
    if (!replaceUnusableSettingsFile(parent, configuration))
        return SaveCheck::Cancel;
    QStringList unreadable;
    QStringList changed;
    std::vector<Configuration::OutsideChange> outside;
    for (Configuration::OutsideChange& change : configuration.checkFiles()) {
        (change.unreadable ? unreadable : changed)
            << QStringLiteral("%1 (%2)").arg(fromFileBytes(change.file), fromFileBytes(change.what));
        if (!change.unreadable)
            outside.push_back(std::move(change));
    }

    if (!unreadable.isEmpty() &&
        messages::ask(parent, QStringLiteral("Warning"),
                      Texts::tr("These rule files could not be read when the configuration was loaded, so the "
                                "window does not hold their rules:") +
                          listed(unreadable) +
                          Texts::tr("Saving would replace their content with what the window shows (the "
                                    "present content would be kept only as the .bak file).\n\n"
                                    "Overwrite: write them anyway.\nCancel: save nothing."),
                      QMessageBox::Save | QMessageBox::Cancel, QMessageBox::Warning, {kOverwrite},
                      QMessageBox::Cancel) != QMessageBox::Save)
        return SaveCheck::Cancel;
    if (changed.isEmpty())
        return SaveCheck::Save;
    switch (messages::askWithMore(
        parent, QStringLiteral("Warning"),
        Texts::tr("These files were changed on disk by someone else since the configurator read them:") +
            listed(changed) +
            Texts::tr("Overwrite: save the configuration of the window over them.\n"
                      "Reload: read the files again; the changes made in the window are lost.\n"
                      "Cancel: save nothing."),
        QMessageBox::Save | QMessageBox::Reset | QMessageBox::Cancel, QMessageBox::Warning,
        {kOverwrite, {QMessageBox::Reset, QStringLiteral("Reload")}}, QMessageBox::Cancel, Texts::tr("Show changes"),
        QStringLiteral("ShowChangesButton"), [&] { return showOutsideChanges(parent, configuration, outside); })) {
    case QMessageBox::Save:
        return SaveCheck::Save;
    case QMessageBox::Reset:
        return SaveCheck::Reload;
    default:
        return SaveCheck::Cancel;
    }
}

std::optional<ConflictChoice> resolveSettingConflicts(QWidget* parent, const Configuration& configuration) {
    const std::vector<SettingConflict> conflicts = configuration.settingConflicts();
    if (conflicts.empty())
        return ConflictChoice::Mine;
    QStringList keys;
    for (const SettingConflict& conflict : conflicts) {
        const ServerSetting& setting = kServerSettings[conflict.index];
        const QString theirs =
            conflict.theirs ? QStringLiteral("\"%1\"").arg(fromFileBytes(*conflict.theirs)) : Texts::tr("no such key");
        keys << Texts::tr("[%1] %2: here \"%3\", on disk %4")
                    .arg(name(setting.section), name(setting.key), fromFileBytes(conflict.mine), theirs);
    }
    switch (messages::ask(
        parent, QStringLiteral("Warning"),
        Texts::tr("These settings of %1 were changed both in the window and on disk by someone else since the "
                  "configurator read it:")
                .arg(fromFileBytes(configuration.settingsFile())) +
            listed(keys) +
            Texts::tr("Use mine: save the values of the window.\nKeep theirs: keep the values on disk (the "
                      "window's other changes are saved).\nCancel: save nothing."),
        QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, QMessageBox::Warning,
        {{QMessageBox::Save, QStringLiteral("Use mine")}, {QMessageBox::Discard, QStringLiteral("Keep theirs")}},
        QMessageBox::Cancel)) {
    case QMessageBox::Save:
        return ConflictChoice::Mine;
    case QMessageBox::Discard:
        return ConflictChoice::Theirs;
    default:
        return std::nullopt;
    }
}

SaveEnd save(QWidget* parent, Configuration& configuration, const std::string& directory,
             std::vector<std::string>& notes, const std::string& comment) {
    const SaveLock lock(directory);
    for (;;) {
        switch (checkFilesBeforeSave(parent, configuration)) {
        case SaveCheck::Save: {
            std::optional<ConflictChoice> choice;
            Configuration::SaveResult saved;
            if (!messages::guarded(parent, [&] { choice = resolveSettingConflicts(parent, configuration); }) ||
                !choice || !messages::guarded(parent, [&] { saved = configuration.save(*choice, comment); }))
                return SaveEnd::NotSaved;
            if (!saved.changedMeanwhile.empty())
                continue;
            notes = std::move(saved.notes);
            return SaveEnd::Saved;
        }
        case SaveCheck::Reload:
            return SaveEnd::Reload;
        case SaveCheck::Cancel:
            return SaveEnd::NotSaved;
        }
    }
}

void tidyLeftovers(QWidget* parent, Configuration& configuration) {
    std::vector<Leftover> leftovers = configuration.leftovers();
    QStringList removable;
    for (const Leftover& leftover : leftovers)
        if (leftover.removable)
            removable << fromFileBytes(leftover.path);
    const bool remove =
        !removable.isEmpty() &&
        messages::ask(parent, QStringLiteral("Confirm"),
                      Texts::tr("A save that was cut short left these files, whose content is held elsewhere "
                                "or was never saved:\n\n    %1\n\nRemove them?")
                          .arg(removable.join(QStringLiteral("\n    "))),
                      QMessageBox::Yes | QMessageBox::No, QMessageBox::Question, {},
                      QMessageBox::Yes) == QMessageBox::Yes;
    configuration.settleLeftovers(std::move(leftovers), remove);
}

} // namespace savequestions
