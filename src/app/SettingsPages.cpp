// The settings page controls that do more than hold a value: the memory total and the file pickers.

#include "app/Main.h"

#include "base/MessageBoxes.h"
#include "config/MemoryTotal.h"
#include "ui_Main.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QRadioButton>

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
            if (!QDir().mkpath(directory)) {
                messages::error(this, QStringLiteral("Cannot create directory \"%1\".").arg(directory));
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
    if (Loading) {
        // The load shows the exact product once both keys are read; an unreadable value is no error there.
        ConfigChanged = true;
        return;
    }
    if (computeMemoryTotal())
        ValueChange();
}

void TMainWnd::SwitchBClick() {
    if (!Loading)
        computeMemoryTotal();
}

// Shows page count x page size in the chosen unit. Returns false, after showing the conversion error, when
// either text is not a number; the total then keeps its text.
bool TMainWnd::computeMemoryTotal() {
    const QString sizeText = ui->EditMemoryPageSize->text();
    const QString countText = ui->EditMemoryPageCount->text();
    if (sizeText.isEmpty() || countText.isEmpty()) {
        ui->EditMemoryTotal->setText(QStringLiteral("0"));
        return true;
    }
    const auto size = singlePrecision(sizeText);
    const auto count = singlePrecision(countText);
    if (!size || !count) {
        if (!Loading)
            messages::error(
                this, QStringLiteral("'%1' is not a valid floating point value").arg(size ? countText : sizeText));
        return false;
    }
    const std::array<std::pair<QRadioButton*, MemoryUnit>, 4> units = {{{ui->SwitchB, MemoryUnit::Bytes},
                                                                        {ui->SwitchKB, MemoryUnit::KiloBytes},
                                                                        {ui->SwitchMB, MemoryUnit::MegaBytes},
                                                                        {ui->SwitchGB, MemoryUnit::GigaBytes}}};
    for (const auto& [button, unit] : units) {
        if (button->isChecked()) {
            const char separator = QLocale().decimalPoint().at(0).toLatin1();
            ui->EditMemoryTotal->setText(
                QString::fromStdString(FormatMemoryTotal(*count, *size, unit, separator ? separator : '.')));
            break;
        }
    }
    return true;
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
    pickFileInto(ui->CheckFile);
}
void TMainWnd::SpeedButton9Click() {
    pickFileInto(ui->CacheSkipFile);
}
void TMainWnd::SpeedButton2Click() {
    pickFileInto(ui->MainLogFile);
}
void TMainWnd::SpeedButton3Click() {
    pickFileInto(ui->StatusLogFile);
}
void TMainWnd::SpeedButton4Click() {
    pickFileInto(ui->ConnectLogFile);
}
void TMainWnd::SpeedButton5Click() {
    pickFileInto(ui->RouterLogFile);
}
void TMainWnd::SpeedButton7Click() {
    pickFileInto(ui->RouterFile);
}
void TMainWnd::SpeedButton6Click() {
    pickFileInto(ui->DNSFile);
}

// The directory of the file cache. A name that does not exist may be typed; it is created after a question.
void TMainWnd::SpeedButton1Click() {
    DirectoryChooser dialog(this);
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
        ui->FCachePath->setText(QFileInfo(dialog.selectedFiles().first()).absoluteFilePath());
}
