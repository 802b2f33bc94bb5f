// The settings page controls that do more than hold a value: the memory total and the file pickers.

#include "app/Main.h"

#include "app/MessageBoxes.h"
#include "config/MemoryTotal.h"
#include "ui_Main.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QLocale>
#include <QRadioButton>

namespace {

// The text as a number of the user's locale, held in single precision; nothing when it is not a number.
std::optional<float> singlePrecision(const QString& text) {
    bool ok = false;
    const double value = QLocale().toDouble(text.trimmed(), &ok);
    if (!ok)
        return std::nullopt;
    return static_cast<float>(value);
}

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
            messages::error(this,
                            QStringLiteral("'%1' is not a valid floating point value").arg(size ? countText : sizeText));
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

// One shared file dialog serves every picker: it starts in the program's directory and offers the name it
// was last given. A name that does not exist may be chosen after a confirmation.
void TMainWnd::pickFileInto(QLineEdit* field) {
    OpenDialog1->setDirectory(QDir::currentPath());
    for (;;) {
        if (OpenDialog1->exec() != QDialog::Accepted)
            return;
        const QStringList files = OpenDialog1->selectedFiles();
        if (files.isEmpty() || files.first().isEmpty())
            return;
        const QString file = files.first();
        if (!QFileInfo::exists(file)) {
            const auto answer = messages::ask(this, OpenDialog1->windowTitle(),
                                              QStringLiteral("%1\nThis file does not exist.\nCreate the file?").arg(file),
                                              QMessageBox::Yes | QMessageBox::No, QMessageBox::Warning);
            if (answer != QMessageBox::Yes)
                continue;
        }
        OpenDialog1->selectFile(file);
        field->setText(file);
        return;
    }
}

void TMainWnd::CheckFileSelectClick() { pickFileInto(ui->CheckFile); }
void TMainWnd::SpeedButton9Click() { pickFileInto(ui->CacheSkipFile); }
void TMainWnd::SpeedButton2Click() { pickFileInto(ui->MainLogFile); }
void TMainWnd::SpeedButton3Click() { pickFileInto(ui->StatusLogFile); }
void TMainWnd::SpeedButton4Click() { pickFileInto(ui->ConnectLogFile); }
void TMainWnd::SpeedButton5Click() { pickFileInto(ui->RouterLogFile); }
void TMainWnd::SpeedButton7Click() { pickFileInto(ui->RouterFile); }
void TMainWnd::SpeedButton6Click() { pickFileInto(ui->DNSFile); }

// The directory of the file cache. A name that does not exist may be typed; it is created after a question.
void TMainWnd::SpeedButton1Click() {
    QFileDialog dialog(this, QStringLiteral("Select Directory"), QStringLiteral("."));
    dialog.setObjectName(QStringLiteral("SelectDirectoryDialog"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    dialog.setFileMode(QFileDialog::Directory);
    for (;;) {
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return;
        const QString directory = QFileInfo(dialog.selectedFiles().first()).absoluteFilePath();
        if (!QFileInfo(directory).isDir()) {
            const auto answer =
                messages::ask(this, QStringLiteral("Confirm"),
                              QStringLiteral("The specified directory does not exist. Create it?"),
                              QMessageBox::Yes | QMessageBox::No, QMessageBox::Question);
            if (answer != QMessageBox::Yes)
                continue;
            if (!QDir().mkpath(directory)) {
                messages::error(this, QStringLiteral("Cannot create directory \"%1\".").arg(directory));
                continue;
            }
        }
        ui->FCachePath->setText(directory);
        return;
    }
}
