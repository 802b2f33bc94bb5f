// The server settings file glym30.ini: the controls of the main window are the only copy of its values.

#include "app/Main.h"

#include "app/MessageBoxes.h"
#include "app/Text.h"
#include "cacheskip/CacheSkipFile.h"
#include "common/Error.h"
#include "common/Numbers.h"
#include "config/IniFile.h"
#include "config/ServerSettings.h"
#include "ui_Main.h"

#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>

namespace {

std::string str(std::string_view text) { return std::string(text); }

QString name(std::string_view objectName) { return QString::fromLatin1(objectName.data(), objectName.size()); }

// Restores a flag when a scope ends, however it ends.
class FlagScope {
public:
    explicit FlagScope(bool& flag) : flag_(flag) { flag_ = true; }
    ~FlagScope() { flag_ = false; }

private:
    bool& flag_;
};

} // namespace

void TMainWnd::connectSettingsControls() {
    for (const ServerSetting& setting : kServerSettings) {
        for (std::string_view control : {setting.control, setting.secondControl}) {
            if (control.empty())
                continue;
            QWidget* widget = findChild<QWidget*>(name(control));
            if (widget == ui->EditMemoryPageCount || widget == ui->EditMemoryPageSize)
                connect(static_cast<QLineEdit*>(widget), &QLineEdit::textChanged, this,
                        &TMainWnd::EditMemoryPageCountChange);
            else if (auto* edit = qobject_cast<QLineEdit*>(widget))
                connect(edit, &QLineEdit::textChanged, this, &TMainWnd::ValueChange);
            else if (auto* button = qobject_cast<QAbstractButton*>(widget))
                connect(button, &QAbstractButton::toggled, this, &TMainWnd::ValueChange);
        }
    }
    for (QRadioButton* unit : {ui->SwitchB, ui->SwitchKB, ui->SwitchMB, ui->SwitchGB})
        connect(unit, &QRadioButton::toggled, this, [this](bool checked) {
            if (checked)
                SwitchBClick();
        });
    for (auto [button, handler] : std::initializer_list<std::pair<QToolButton*, void (TMainWnd::*)()>>{
             {ui->SpeedButton1, &TMainWnd::SpeedButton1Click},
             {ui->CheckFileSelect, &TMainWnd::CheckFileSelectClick},
             {ui->SpeedButton9, &TMainWnd::SpeedButton9Click},
             {ui->SpeedButton2, &TMainWnd::SpeedButton2Click},
             {ui->SpeedButton3, &TMainWnd::SpeedButton3Click},
             {ui->SpeedButton4, &TMainWnd::SpeedButton4Click},
             {ui->SpeedButton5, &TMainWnd::SpeedButton5Click},
             {ui->SpeedButton7, &TMainWnd::SpeedButton7Click},
             {ui->SpeedButton6, &TMainWnd::SpeedButton6Click},
         })
        connect(button, &QToolButton::clicked, this, handler);
}

// Reads the settings of the table from first up to last (excluded) into their controls.
void TMainWnd::readSettings(const IniFile& ini, std::size_t first, std::size_t last) {
    for (std::size_t i = first; i < last; ++i) {
        const ServerSetting& s = kServerSettings[i];
        switch (s.kind) {
        case SettingKind::Text:
            findChild<QLineEdit*>(name(s.control))
                ->setText(fromFileBytes(ini.readString(str(s.section), str(s.key), str(s.loadDefault))));
            break;
        case SettingKind::Check:
            findChild<QCheckBox*>(name(s.control))
                ->setChecked(ini.readBool(str(s.section), str(s.key), s.loadDefault == "1"));
            break;
        case SettingKind::CacheType: {
            const bool memory = ini.readInteger(str(s.section), str(s.key), 1) == 1;
            findChild<QRadioButton*>(name(memory ? s.control : s.secondControl))->setChecked(true);
            break;
        }
        case SettingKind::Master: {
            const std::string value = ini.readString(str(s.section), str(s.key), str(s.loadDefault));
            const ParentProxy parent = SplitMaster(value);
            findChild<QLineEdit*>(name(s.control))->setText(fromFileBytes(parent.address));
            findChild<QLineEdit*>(name(s.secondControl))->setText(fromFileBytes(parent.port));
            break;
        }
        }
    }
}

// After the memory keys are read, the total shows their exact product in bytes.
void TMainWnd::showMemoryTotalOfLoad() {
    const auto count = parseInt64(ui->EditMemoryPageCount->text().toStdString());
    const auto size = parseInt64(ui->EditMemoryPageSize->text().toStdString());
    __int128 product = 0;
    if (count && size)
        product = static_cast<__int128>(*count) * *size;
    if (count && size && product >= INT64_MIN && product <= INT64_MAX)
        ui->EditMemoryTotal->setText(QString::number(static_cast<qint64>(product)));
    else if (!computeMemoryTotal())
        ui->EditMemoryTotal->clear(); // not numbers: there is no total to show
}

RuleFileNames TMainWnd::ruleFileNames() const {
    auto bytes = [](const QLineEdit* field) { return toFileBytes(field->text()).value_or(std::string()); };
    return {bytes(ui->CheckFile), bytes(ui->CacheSkipFile), bytes(ui->RouterFile)};
}

bool TMainWnd::LoadServerConfig() { return messages::guarded(this, [this] { loadServerConfig(); }); }

void TMainWnd::loadServerConfig() {
    FlagScope loading(Loading);
    LineTokenizer = std::make_unique<TStructString>("", ":");
    LineBuilder = std::make_unique<TUnStructString>(":");
    const IniFile ini(IniFileName.toStdString());
    GroupCount = GroupTable::kSlotCount;

    // Each rule file is read as soon as the setting that names it is known.
    std::size_t first = 0;
    for (std::size_t i = 0; i < kServerSettings.size(); ++i) {
        const std::string_view section = kServerSettings[i].section;
        if (i + 1 < kServerSettings.size() && kServerSettings[i + 1].section == section)
            continue;
        readSettings(ini, first, i + 1);
        first = i + 1;
        if (section == "Memory Pool") {
            showMemoryTotalOfLoad();
        } else if (section == kCacheSkipFileSection) {
            CacheSkipLines.clear();
            LoadSkipActionExecute();
        } else if (section == kRouterSection) {
            StandardServiceLines = {};
            ManualServiceLines.clear();
            LoadMServiceActionExecute();
        }
    }

    LoadAccessRules(ruleFileNames().accessRules, Groups);
    fillRuleLists();
    ConfigChanged = false;
}

// Text a setting's control holds must be storable in glym30.ini (Windows-1251) before anything is written.
void TMainWnd::checkSettingsStorable() const {
    for (const ServerSetting& s : kServerSettings) {
        if (s.kind != SettingKind::Text && s.kind != SettingKind::Master)
            continue;
        for (std::string_view control : {s.control, s.secondControl}) {
            const auto* field = control.empty() ? nullptr : findChild<QLineEdit*>(name(control));
            if (field && !firstUnencodable(field->text()).isNull())
                throw GlymError("Nothing was saved: the setting \"" + str(s.key) + "\" of [" + str(s.section) +
                                "] holds a character that glym30.ini cannot store (Windows-1251).");
        }
    }
}

void TMainWnd::writeSettings(IniFile& ini) const {
    for (const ServerSetting& s : kServerSettings) {
        const std::string section = str(s.section);
        const std::string key = str(s.key);
        switch (s.kind) {
        case SettingKind::Text:
            ini.writeString(section, key, *toFileBytes(findChild<QLineEdit*>(name(s.control))->text()));
            break;
        case SettingKind::Check:
            ini.writeBool(section, key, findChild<QCheckBox*>(name(s.control))->isChecked());
            break;
        case SettingKind::CacheType:
            ini.writeInteger(section, key, findChild<QRadioButton*>(name(s.control))->isChecked() ? 1 : 2);
            break;
        case SettingKind::Master: {
            const QString address = findChild<QLineEdit*>(name(s.control))->text();
            const QString port = findChild<QLineEdit*>(name(s.secondControl))->text();
            const bool complete = !address.isEmpty() && !port.isEmpty();
            ini.writeString(section, key, complete ? *toFileBytes(address + QLatin1Char(':') + port) : std::string());
            break;
        }
        }
    }
}

bool TMainWnd::SaveServerConfig() { return messages::guarded(this, [this] { saveServerConfig(); }); }

void TMainWnd::saveServerConfig() {
    QDir::setCurrent(ProgramDir.trimmed());
    checkSettingsStorable();
    IniFile ini(IniFileName.toStdString());
    writeSettings(ini);
    SaveRuleFiles(ruleFileNames(), Groups, CacheSkipLines, StandardServiceLines, ManualServiceLines);
    ini.flush();
    ConfigChanged = false;
}

void TMainWnd::CreateDefaultServerConfig() {
    const auto answer = messages::ask(this, QStringLiteral("Warning"), QStringLiteral("GLYM30.ini not found. Create new?"),
                                      QMessageBox::Yes | QMessageBox::No, QMessageBox::Question);
    if (answer == QMessageBox::Yes) {
        messages::guarded(this, [this] {
            IniFile ini(IniFileName.toStdString());
            for (const DefaultSetting& d : kDefaultServerSettings) {
                const std::string section = str(d.section);
                const std::string key = str(d.key);
                switch (d.kind) {
                case DefaultSetting::Kind::Check:
                    ini.writeBool(section, key, d.number != 0);
                    break;
                case DefaultSetting::Kind::Integer:
                    ini.writeInteger(section, key, d.number);
                    break;
                case DefaultSetting::Kind::Text:
                    ini.writeString(section, key, str(d.text));
                    break;
                }
            }
        });
    }
    raise();
    activateWindow();
}
