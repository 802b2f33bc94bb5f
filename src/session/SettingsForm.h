#pragma once

#include "config/ServerSettings.h"

#include <QObject>
#include <QString>
#include <vector>

class Configuration;
class QFileDialog;
class QLineEdit;
class QWidget;

// The settings pages of a window bound to the configuration: every control kServerSettings names (found in the
// window by its objectName) shows its setting's value, and the values the controls hold go back into the
// configuration before anything reads them there. Besides, the controls that do more than hold a value: the memory
// total, the marks of fields the proxy cannot read as numbers, and the file and directory pickers.
class SettingsForm : public QObject {
    Q_OBJECT

public:
    SettingsForm(QWidget* window, Configuration& configuration);

    // The dynamic property that marks a field whose text cannot be used; the fields' style sheet draws it.
    static const char* const kInvalidMark;

    // Shows a setting's value in its controls (a load shows each as it is read).
    void show(const ServerSetting& setting, const SettingValue& value);
    // After the memory keys are read, the total shows their product in the unit chosen (in bytes, the exact one).
    void showMemoryTotalOfLoad();
    // Puts the values of the controls into the configuration. With strict, text that glym30.ini (Windows-1251)
    // cannot store is an error naming the setting (GlymError, nothing stored); without, such a setting keeps the
    // value the configuration has.
    void store(bool strict) const;

    // What a save is to do about settings the proxy could not use: number fields marked as such, a parent proxy
    // left with only its address or its port. False: save nothing.
    bool confirmBeforeSave() const;

    // Shows page count x page size in the chosen unit. Returns false when either text is not a number: that
    // field is marked with the conversion error and the total shows "-" until both are numbers again.
    bool computeMemoryTotal();

    // The fields the proxy reads as numbers: why it cannot read the text of one, as its tool tip says it ("'lots'
    // is not a whole number"; empty when it can), and marking it so.
    QString numberFieldProblem(const QLineEdit* field) const;
    void markNumberField(QLineEdit* field);
    // A field whose text the proxy cannot use is marked (frame and tool tip); an empty problem clears the mark.
    static void markField(QLineEdit* field, const QString& problem);

    // The shared file dialog of every picker (objectName "OpenDialog1"); a picked name goes into the field.
    QFileDialog* fileDialog() const { return fileDialog_; }
    void pickFileInto(QLineEdit* field);
    // The file dialog starts in the current directory again (another configuration directory was opened).
    void startPickersAfresh();
    // The directory of the file cache: a name that does not exist may be typed; it is created after a question.
    void pickDirectoryInto(QLineEdit* field);
    // A picker's button: the field of that objectName gets a file picked (the cache directory: a directory).
    void pickInto(const char* fieldName);

Q_SIGNALS:
    // The user changed a value (a number field is marked as it is typed into); the memory fields and units apart.
    void valueChanged();
    void memoryChanged();
    void unitChosen(); // the unit of the memory total (SwitchB, SwitchKB, SwitchMB, SwitchGB)
    void filePicked(QLineEdit* field);

private:
    QLineEdit* field(std::string_view objectName) const;
    SettingValue valueOf(const ServerSetting& setting, bool strict) const;
    bool confirmNumberFields() const;
    bool confirmParentProxy() const;

    QWidget* window_;
    Configuration& configuration_;
    QFileDialog* fileDialog_;
};
