#include "session/SettingsForm.h"

#include "base/MessageBoxes.h"
#include "base/Text.h"
#include "common/Error.h"
#include "common/Numbers.h"
#include "config/MemoryTotal.h"
#include "document/Configuration.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>

#include <algorithm>
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
                messages::error(this, SettingsForm::tr("Cannot create directory \"%1\". %2")
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

QString name(std::string_view objectName) {
    return QString::fromLatin1(objectName.data(), static_cast<qsizetype>(objectName.size()));
}

bool isMemoryField(std::string_view control) {
    return control == "EditMemoryPageCount" || control == "EditMemoryPageSize";
}

QString listed(const QStringList& lines) {
    return QStringLiteral("\n\n    ") + lines.join(QStringLiteral("\n    ")) + QStringLiteral("\n\n");
}

} // namespace

const char* const SettingsForm::kInvalidMark = "invalid";

SettingsForm::SettingsForm(QWidget* window, Configuration& configuration)
    : QObject(window), window_(window), configuration_(configuration), fileDialog_(new QFileDialog(window)) {
    fileDialog_->setObjectName(QStringLiteral("OpenDialog1"));
    fileDialog_->setOption(QFileDialog::DontUseNativeDialog);
    fileDialog_->setFileMode(QFileDialog::AnyFile);
    fileDialog_->setAcceptMode(QFileDialog::AcceptOpen);
    for (const ServerSetting& setting : kServerSettings) {
        for (std::string_view control : {setting.control, setting.secondControl}) {
            if (control.empty())
                continue;
            QWidget* widget = window_->findChild<QWidget*>(name(control));
            if (!widget)
                throw GlymError("The window has no control \"" + std::string(control) + "\" for a setting");
            auto* edit = qobject_cast<QLineEdit*>(widget);
            if (edit && isMemoryField(control))
                connect(edit, &QLineEdit::textChanged, this, &SettingsForm::memoryChanged);
            else if (edit)
                connect(edit, &QLineEdit::textChanged, this, &SettingsForm::valueChanged);
            else if (auto* button = qobject_cast<QAbstractButton*>(widget))
                connect(button, &QAbstractButton::toggled, this, &SettingsForm::valueChanged);
            // A field the proxy reads as a number is marked while it is typed into (the memory fields by their
            // total, which needs them as numbers too).
            const bool numberField =
                setting.number.whole &&
                control == (setting.kind == SettingKind::Master ? setting.secondControl : setting.control);
            if (numberField && !isMemoryField(control))
                connect(edit, &QLineEdit::textChanged, this, [this, edit] { markNumberField(edit); });
        }
    }
    for (const char* unit : {"SwitchB", "SwitchKB", "SwitchMB", "SwitchGB"})
        connect(window_->findChild<QRadioButton*>(QLatin1String(unit)), &QRadioButton::toggled, this,
                [this](bool checked) {
                    if (checked)
                        Q_EMIT unitChosen();
                });
}

QLineEdit* SettingsForm::field(std::string_view objectName) const {
    return window_->findChild<QLineEdit*>(name(objectName));
}

void SettingsForm::show(const ServerSetting& s, const SettingValue& value) {
    switch (s.kind) {
    case SettingKind::Text:
        field(s.control)->setText(fromFileBytes(value.text));
        if (s.number.whole && !isMemoryField(s.control))
            markNumberField(field(s.control)); // the text may not have changed
        break;
    case SettingKind::Check:
        window_->findChild<QCheckBox*>(name(s.control))->setChecked(value.on);
        break;
    case SettingKind::CacheType:
        window_->findChild<QRadioButton*>(name(value.on ? s.control : s.secondControl))->setChecked(true);
        break;
    case SettingKind::Master:
        field(s.control)->setText(fromFileBytes(value.text));
        field(s.secondControl)->setText(fromFileBytes(value.port));
        markNumberField(field(s.secondControl));
        break;
    }
}

// A reload keeps the unit the user chose: only the bytes are shown exactly.
void SettingsForm::showMemoryTotalOfLoad() {
    computeMemoryTotal(); // marks a field that holds no number; the total is then "-"
    if (!window_->findChild<QRadioButton*>(QStringLiteral("SwitchB"))->isChecked())
        return;
    const auto count = parseInt64(field("EditMemoryPageCount")->text().toStdString());
    const auto size = parseInt64(field("EditMemoryPageSize")->text().toStdString());
    __int128 product = 0;
    if (count && size)
        product = static_cast<__int128>(*count) * *size;
    if (count && size && product >= INT64_MIN && product <= INT64_MAX)
        field("EditMemoryTotal")->setText(QString::number(static_cast<qint64>(product)));
}

// A setting's value as its controls hold it.
SettingValue SettingsForm::valueOf(const ServerSetting& s, bool strict) const {
    bool storable = true;
    auto bytesOf = [&](std::string_view control) {
        const std::optional<std::string> bytes = toFileBytes(field(control)->text());
        if (!bytes && strict)
            throw GlymError("Nothing was saved: the setting \"" + std::string(s.key) + "\" of [" +
                            std::string(s.section) +
                            "] holds a character that glym30.ini cannot store (Windows-1251).");
        storable = storable && bytes;
        return bytes.value_or(std::string());
    };
    const std::size_t index = static_cast<std::size_t>(&s - kServerSettings.data());
    SettingValue value;
    switch (s.kind) {
    case SettingKind::Text:
        value = {bytesOf(s.control), {}, false};
        break;
    case SettingKind::Check:
        value = {{}, {}, window_->findChild<QCheckBox*>(name(s.control))->isChecked()};
        break;
    case SettingKind::CacheType:
        value = {{}, {}, window_->findChild<QRadioButton*>(name(s.control))->isChecked()};
        break;
    case SettingKind::Master:
        value = {bytesOf(s.control), bytesOf(s.secondControl), false};
        break;
    }
    return storable ? value : configuration_.setting(index);
}

void SettingsForm::store(bool strict) const {
    std::vector<SettingValue> values;
    for (const ServerSetting& setting : kServerSettings)
        values.push_back(valueOf(setting, strict)); // all or nothing
    for (std::size_t i = 0; i < values.size(); ++i)
        configuration_.setSetting(i, std::move(values[i]));
}

bool SettingsForm::confirmBeforeSave() const {
    return confirmNumberFields() && confirmParentProxy();
}

// Fields the proxy reads as numbers whose text it cannot read (the marked ones, untouched values of the file
// too) are listed; they are saved as they stand only when the user says so.
bool SettingsForm::confirmNumberFields() const {
    QStringList marked;
    for (const ServerSetting& setting : kServerSettings) {
        if (!setting.number.whole)
            continue;
        const QLineEdit* numberField =
            field(setting.kind == SettingKind::Master ? setting.secondControl : setting.control);
        if (const QString problem = numberFieldProblem(numberField); !problem.isEmpty())
            marked << QStringLiteral("[%1] %2: %3").arg(name(setting.section), name(setting.key), problem);
    }
    return marked.isEmpty() ||
           messages::ask(window_, QStringLiteral("Warning"),
                         tr("These settings hold values that the proxy cannot read as its numbers:") + listed(marked) +
                             tr("Save anyway: store them as they stand.\nCancel: save nothing."),
                         QMessageBox::Save | QMessageBox::Cancel, QMessageBox::Warning,
                         {{QMessageBox::Save, QStringLiteral("Save anyway")}},
                         QMessageBox::Cancel) == QMessageBox::Save;
}

// A parent proxy needs its address and its port. When the user has left only one of them, the save stores none;
// an untouched value of the file is kept as it stands.
bool SettingsForm::confirmParentProxy() const {
    const QString address = field("EditParentIP")->text();
    const QString port = field("EditParentPort")->text();
    if (address.isEmpty() == port.isEmpty())
        return true;
    // Text Windows-1251 cannot hold (the save refuses it later) counts as changed: no file value holds "\n".
    const SettingValue shown{toFileBytes(address).value_or("\n"), toFileBytes(port).value_or("\n"), false};
    if (!configuration_.differsFromRead(Configuration::settingOfControl("EditParentIP"), shown))
        return true;
    const QString half = address.isEmpty() ? tr("the port \"%1\" but no address").arg(port)
                                           : tr("the address \"%1\" but no port").arg(address);
    return messages::ask(window_, QStringLiteral("Warning"),
                         tr("The parent proxy has %1: the proxy needs both to use it.\n\n"
                            "Save without parent proxy: store no parent proxy (an empty Master of "
                            "[Server]).\nCancel: save nothing.")
                             .arg(half),
                         QMessageBox::Save | QMessageBox::Cancel, QMessageBox::Warning,
                         {{QMessageBox::Save, QStringLiteral("Save without parent proxy")}},
                         QMessageBox::Cancel) == QMessageBox::Save;
}

bool SettingsForm::computeMemoryTotal() {
    const QString sizeText = field("EditMemoryPageSize")->text();
    const QString countText = field("EditMemoryPageCount")->text();
    const auto size = singlePrecision(sizeText);
    const auto count = singlePrecision(countText);
    markNumberField(field("EditMemoryPageSize"));
    markNumberField(field("EditMemoryPageCount"));
    if (sizeText.isEmpty() || countText.isEmpty()) {
        field("EditMemoryTotal")->setText(QStringLiteral("0"));
        return true;
    }
    if (!size || !count) {
        field("EditMemoryTotal")->setText(QStringLiteral("-"));
        return false;
    }
    const std::array<std::pair<const char*, MemoryUnit>, 4> units = {{{"SwitchB", MemoryUnit::Bytes},
                                                                      {"SwitchKB", MemoryUnit::KiloBytes},
                                                                      {"SwitchMB", MemoryUnit::MegaBytes},
                                                                      {"SwitchGB", MemoryUnit::GigaBytes}}};
    for (const auto& [button, unit] : units) {
        if (window_->findChild<QRadioButton*>(QLatin1String(button))->isChecked()) {
            const char separator = QLocale().decimalPoint().at(0).toLatin1();
            field("EditMemoryTotal")
                ->setText(QString::fromStdString(formatMemoryTotal(*count, *size, unit, separator ? separator : '.')));
            break;
        }
    }
    return true;
}

QString SettingsForm::numberFieldProblem(const QLineEdit* numberField) const {
    const ServerSetting* setting = numberSettingOf(numberField);
    const QString text = numberField->text();
    // An empty parent port is no number to check: with an address the save asks, without one there is no parent.
    if (!setting || (setting->kind == SettingKind::Master && text.isEmpty()))
        return {};
    // The total needs the memory fields as numbers of the user's locale first.
    const bool memory = isMemoryField(numberField->objectName().toStdString());
    if (memory && !text.isEmpty() && !singlePrecision(text))
        return QStringLiteral("'%1' is not a valid floating point value").arg(text);
    const std::optional<std::string> bytes = toFileBytes(text);
    const std::string problem = numberProblem(setting->number, bytes.value_or(std::string()));
    if (bytes && problem.empty())
        return {};
    return QStringLiteral("'%1' %2").arg(text,
                                         QString::fromStdString(problem.empty() ? "is not a whole number" : problem));
}

void SettingsForm::markNumberField(QLineEdit* field) {
    markField(field, numberFieldProblem(field));
}

// The frame's colour is the palette's text colour turned to red, so it reads on a light and on a dark palette. The
// problem takes the place of the field's own tool tip (its hint), which comes back with the mark's end.
void SettingsForm::markField(QLineEdit* field, const QString& problem) {
    constexpr char kOwnToolTip[] = "ownToolTip";
    if (!field->property(kOwnToolTip).isValid())
        field->setProperty(kOwnToolTip, field->toolTip());
    const bool invalid = !problem.isEmpty();
    const QString toolTip = invalid ? problem : field->property(kOwnToolTip).toString();
    if (field->property(kInvalidMark).toBool() == invalid && field->toolTip() == toolTip)
        return;
    if (field->styleSheet().isEmpty() || invalid) {
        const QColor text = field->palette().color(QPalette::Text);
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
void SettingsForm::pickFileInto(QLineEdit* field) {
    const QString last = fileDialog_->property(kLastChosenFile).toString();
    if (last.isEmpty())
        fileDialog_->setDirectory(QDir::currentPath());
    else
        fileDialog_->selectFile(last); // its folder, with its name filled in
    for (;;) {
        if (fileDialog_->exec() != QDialog::Accepted)
            return;
        const QStringList files = fileDialog_->selectedFiles();
        if (files.isEmpty() || files.first().isEmpty())
            return;
        const QString file = files.first();
        if (!QFileInfo::exists(file)) {
            const auto answer = messages::ask(window_, fileDialog_->windowTitle(),
                                              tr("%1\nThis file does not exist.\nCreate the file?").arg(file),
                                              QMessageBox::Yes | QMessageBox::No, QMessageBox::Warning);
            if (answer != QMessageBox::Yes)
                continue;
        }
        fileDialog_->setProperty(kLastChosenFile, file);
        field->setText(file);
        return;
    }
}

void SettingsForm::startPickersAfresh() {
    fileDialog_->setProperty(kLastChosenFile, QVariant());
}

void SettingsForm::pickInto(const char* fieldName) {
    QLineEdit* picked = field(fieldName);
    if (std::string_view(fieldName) == "FCachePath")
        return pickDirectoryInto(picked);
    pickFileInto(picked);
    Q_EMIT filePicked(picked);
}

void SettingsForm::pickDirectoryInto(QLineEdit* field) {
    DirectoryChooser dialog(window_);
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
        field->setText(QFileInfo(dialog.selectedFiles().first()).absoluteFilePath());
}
