#pragma once

#include "rules/RulesFile.h"

#include <QObject>
#include <QString>
#include <array>
#include <functional>

class Configuration;
class ListViews;
class QLabel;
class QLineEdit;
class QStatusBar;
class QWidget;
class SettingsForm;

// The names of the rule files on the settings pages: rules that have no file yet get one at the save, a name that
// would make a save destroy another file is refused, and a name changed to a file the configuration has not read is
// asked about at once (its rules read, or the file replaced at the next save).
class RuleFileFields : public QObject {
    Q_OBJECT

public:
    // The three name fields in the order RuleFileNames counts them: access, cache-skip, port-mapping rules.
    using Fields = std::array<QLineEdit*, 3>;
    // What the window does for the fields.
    struct Hooks {
        // The files the names must not be (glym30.ini, the preferences, the connection log).
        std::function<OtherFiles()> otherFiles;
        // Replaces the rules of one file (0, 1 or 2) by change, the lists that show them following.
        std::function<void(std::size_t file, const std::function<void()>& change)> replaceRules;
        // Where the window tells the user about the rules: the note panel, and the findings in the status bar.
        QStatusBar* statusBar;
        QLabel* notePanel;
        // While it is true, names shown are not asked about (a load is filling the fields).
        const bool* loading;
    };
    RuleFileFields(QWidget* window, Configuration& configuration, SettingsForm& form, ListViews& lists, Fields fields,
                   Hooks hooks);

    // After a load or a save, the names shown are the ones the files were read or written under.
    void accept();
    // Shows why the names cannot be saved under, if they cannot; with changed, only the clashes of that field
    // count. Returns true when a name was refused.
    bool refused(QLineEdit* changed = nullptr);
    // A name typed or picked: one that clashes is refused (the old name comes back); an existing file the
    // configuration has not read is asked about, since the next save would replace it.
    void entered(QLineEdit* field);
    // Rules that would be saved into no file get a name first. False when the user cancels (nothing is saved).
    bool nameFilesToCreate();

private:
    bool readRulesFrom(QLineEdit* field);
    std::size_t indexOf(const QLineEdit* field) const;

    QWidget* window_;
    Configuration& configuration_;
    SettingsForm& form_;
    ListViews& lists_;
    Fields fields_;
    Hooks hooks_;
};
