// The settings page controls that do more than hold a value: the memory total and the file pickers.

#include "app/Main.h"

#include "base/MessageBoxes.h"
#include "base/Text.h"
#include "config/MemoryTotal.h"
#include "ui_Main.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>

#include <filesystem>
#include <system_error>

namespace {

// The name the shared file dialog was last confirmed with, kept on the dialog.
constexpr char kLastChosenFile[] = "lastChosenFile";

// The text as a number of the user's locale, held in single precision; nothing when it is not a number.
std::optional<float> singlePrecision(const QString& text) {
    bool ok = false;
    const double value = QLocale().toDouble(text.trimmed(), &ok);
    if (!ok)
        return std::nullopt;
    return static_cast<float>(value);
}

// The toolkit's directory chooser takes only directories that exist: it disables its accept button while the name
// typed names none. This one also takes a new name: it asks, creates the directory, and then takes it.
class DirectoryChooser : public QFileDialog {
public:
    explicit DirectoryChooser(QWidget* parent) : QFileDialog(parent, QStringLiteral("Select Directory"), ".") {
        setObjectName(QStringLiteral("SelectDirectoryDialog"));
        setOption(QFileDialog::DontUseNativeDialog);
        setOption(QFileDialog::ShowDirsOnly);
        setFileMode(QFileDialog::Directory);
        nameEdit_ = findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        if (auto* buttons = findChild<QDialogButtonBox*>(QStringLiteral("buttonBox")))
            acceptButton_ = buttons->button(QDialogButtonBox::Open);
        if (acceptButton_)
            acceptButton_->installEventFilter(this);
    }

    void accept() override {
        const QString directory = QFileInfo(selectedFiles().value(0)).absoluteFilePath();
        if (!QFileInfo::exists(directory)) {
            const auto answer = messages::ask(this, QStringLiteral("Confirm"),
                                              QStringLiteral("The specified directory does not exist. Create it?"),
                                              QMessageBox::Yes | QMessageBox::No, QMessageBox::Question);
            if (answer != QMessageBox::Yes)
                return;
            std::error_code error;
            std::filesystem::create_directories(QFile::encodeName(directory).toStdString(), error);
            if (error) {
                messages::error(this, QStringLiteral("Cannot create directory \"%1\". %2")
                                          .arg(directory, QString::fromLocal8Bit(error.message())));
                return;
            }
        }
        QFileDialog::accept();
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        // Whenever the dialog disables its accept button, a name typed for a new directory enables it again.
        if (watched == acceptButton_ && event->type() == QEvent::EnabledChange && !acceptButton_->isEnabled() &&
            namesNewDirectory())
            acceptButton_->setEnabled(true);
        return QFileDialog::eventFilter(watched, event);
    }

private:
    bool namesNewDirectory() const {
        if (!nameEdit_ || nameEdit_->text().trimmed().isEmpty())
            return false;
        const QString path = selectedFiles().value(0);
        return !path.isEmpty() && !QFileInfo::exists(path);
    }

    QLineEdit* nameEdit_ = nullptr;
    QPushButton* acceptButton_ = nullptr;
};

} // namespace

void TMainWnd::EditMemoryPageCountChange() {
    if (loading_) {
        // The load shows the exact product once both keys are read; an unreadable value is no error there.
        setConfigChanged(true);
        return;
    }
    // A text that is no number is a change too: it is what a save would write, so closing asks about it.
    computeMemoryTotal();
    ValueChange();
}

void TMainWnd::SwitchBClick() {
    if (!loading_)
        computeMemoryTotal();
}

// Shows page count x page size in the chosen unit. Returns false when either text is not a number: that field is
// marked with the conversion error (no box: one per keystroke would eat the next keys) and the total shows "-"
// until both are numbers again.
bool TMainWnd::computeMemoryTotal() {
    const QString sizeText = ui_->EditMemoryPageSize->text();
    const QString countText = ui_->EditMemoryPageCount->text();
    const auto size = singlePrecision(sizeText);
    const auto count = singlePrecision(countText);
    markNumberField(ui_->EditMemoryPageSize);
    markNumberField(ui_->EditMemoryPageCount);
    if (sizeText.isEmpty() || countText.isEmpty()) {
        ui_->EditMemoryTotal->setText(QStringLiteral("0"));
        return true;
    }
    if (!size || !count) {
        ui_->EditMemoryTotal->setText(QStringLiteral("-"));
        return false;
    }
    const std::array<std::pair<QRadioButton*, MemoryUnit>, 4> units = {{{ui_->SwitchB, MemoryUnit::Bytes},
                                                                        {ui_->SwitchKB, MemoryUnit::KiloBytes},
                                                                        {ui_->SwitchMB, MemoryUnit::MegaBytes},
                                                                        {ui_->SwitchGB, MemoryUnit::GigaBytes}}};
    for (const auto& [button, unit] : units) {
        if (button->isChecked()) {
            const char separator = QLocale().decimalPoint().at(0).toLatin1();
            ui_->EditMemoryTotal->setText(
                QString::fromStdString(formatMemoryTotal(*count, *size, unit, separator ? separator : '.')));
            break;
        }
    }
    return true;
}

namespace {

// A number field's setting: the field of a text setting, or the port field of the parent proxy.
const ServerSetting* numberSettingOf(const QLineEdit* field) {
    const QByteArray name = field->objectName().toLatin1();
    const std::string_view objectName(name.constData(), static_cast<std::size_t>(name.size()));
    for (const ServerSetting& setting : kServerSettings)
        if (setting.number.whole && ((setting.kind == SettingKind::Text && setting.control == objectName) ||
                                     (setting.kind == SettingKind::Master && setting.secondControl == objectName)))
            return &setting;
    return nullptr;
}

} // namespace

QString TMainWnd::numberFieldProblem(const QLineEdit* field) const {
    const ServerSetting* setting = numberSettingOf(field);
    const QString text = field->text();
    // An empty parent port is no number to check: with an address the save asks, without one there is no parent.
    if (!setting || (setting->kind == SettingKind::Master && text.isEmpty()))
        return {};
    // The total needs the memory fields as numbers of the user's locale first.
    const bool memory = field == ui_->EditMemoryPageSize || field == ui_->EditMemoryPageCount;
    if (memory && !text.isEmpty() && !singlePrecision(text))
        return QStringLiteral("'%1' is not a valid floating point value").arg(text);
    const std::optional<std::string> bytes = toFileBytes(text);
    const std::string problem = numberProblem(setting->number, bytes.value_or(std::string()));
    if (bytes && problem.empty())
        return {};
    return QStringLiteral("'%1' %2").arg(text,
                                         QString::fromStdString(problem.empty() ? "is not a whole number" : problem));
}

void TMainWnd::markNumberField(QLineEdit* field) {
    markField(field, numberFieldProblem(field));
}

// The frame's colour is the palette's text colour turned to red, so it reads on a light and on a dark palette. The
// problem takes the place of the field's own tool tip (its hint), which comes back with the mark's end.
void TMainWnd::markField(QLineEdit* field, const QString& problem) {
    constexpr char kOwnToolTip[] = "ownToolTip";
    if (!field->property(kOwnToolTip).isValid())
        field->setProperty(kOwnToolTip, field->toolTip());
    const bool invalid = !problem.isEmpty();
    const QString toolTip = invalid ? problem : field->property(kOwnToolTip).toString();
    if (field->property(kInvalidMark).toBool() == invalid && field->toolTip() == toolTip)
        return;
    if (field->styleSheet().isEmpty() || invalid) {
        const QColor text = palette().color(QPalette::Text);
        const QColor frame = QColor::fromHsl(0, 200, std::clamp(text.lightness(), 90, 170));
        field->setStyleSheet(QStringLiteral("QLineEdit[%1=\"true\"] { border: 2px solid %2; border-radius: 2px; }")
                                 .arg(QLatin1String(kInvalidMark), frame.name()));
    }
    field->setProperty(kInvalidMark, invalid);
    field->setToolTip(toolTip);
    field->style()->unpolish(field);
    field->style()->polish(field);
    field->update();
}

// One shared file dialog serves every picker: it starts in the program's directory, and once a name has been
// chosen it offers that name (in its folder) the next time. A name that does not exist may be chosen after a
// confirmation. The current directory is left as it is.
void TMainWnd::pickFileInto(QLineEdit* field) {
    const QString last = OpenDialog1->property(kLastChosenFile).toString();
    if (last.isEmpty())
        OpenDialog1->setDirectory(QDir::currentPath());
    else
        OpenDialog1->selectFile(last); // its folder, with its name filled in
    for (;;) {
        if (OpenDialog1->exec() != QDialog::Accepted)
            return;
        const QStringList files = OpenDialog1->selectedFiles();
        if (files.isEmpty() || files.first().isEmpty())
            return;
        const QString file = files.first();
        if (!QFileInfo::exists(file)) {
            const auto answer =
                messages::ask(this, OpenDialog1->windowTitle(),
                              QStringLiteral("%1\nThis file does not exist.\nCreate the file?").arg(file),
                              QMessageBox::Yes | QMessageBox::No, QMessageBox::Warning);
            if (answer != QMessageBox::Yes)
                continue;
        }
        OpenDialog1->setProperty(kLastChosenFile, file);
        field->setText(file);
        return;
    }
}

void TMainWnd::CheckFileSelectClick() {
    pickFileInto(ui_->CheckFile);
    ruleFileNameEntered(ui_->CheckFile);
}
void TMainWnd::SpeedButton9Click() {
    pickFileInto(ui_->CacheSkipFile);
    ruleFileNameEntered(ui_->CacheSkipFile);
}
void TMainWnd::SpeedButton2Click() {
    pickFileInto(ui_->MainLogFile);
}
void TMainWnd::SpeedButton3Click() {
    pickFileInto(ui_->StatusLogFile);
}
void TMainWnd::SpeedButton4Click() {
    pickFileInto(ui_->ConnectLogFile);
}
void TMainWnd::SpeedButton5Click() {
    pickFileInto(ui_->RouterLogFile);
}
void TMainWnd::SpeedButton7Click() {
    pickFileInto(ui_->RouterFile);
    ruleFileNameEntered(ui_->RouterFile);
}
void TMainWnd::SpeedButton6Click() {
    pickFileInto(ui_->DNSFile);
}

// The directory of the file cache. A name that does not exist may be typed; it is created after a question.
void TMainWnd::SpeedButton1Click() {
    DirectoryChooser dialog(this);
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
        ui_->FCachePath->setText(QFileInfo(dialog.selectedFiles().first()).absoluteFilePath());
}
