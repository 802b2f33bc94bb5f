// The configurator's preferences file: window geometry and interface state, kept between runs.

#include "app/Main.h"

#include "base/MessageBoxes.h"
#include "config/Preferences.h"
#include "ui_Main.h"

#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QGuiApplication>
#include <QScreen>
#include <QSplitter>
#include <QStandardPaths>
#include <QTabWidget>

namespace {

// A page index outside the visible pages leaves the page control on its first page.
void showPage(QTabWidget* pages, int index) {
    pages->setCurrentIndex(index >= 0 && index < pages->count() && pages->isTabVisible(index) ? index : 0);
}

// The window's rectangle moved and shrunk as little as needed to lie on the screen it is meant for.
QRect fittedToScreen(QRect wanted, const QSize& minimum) {
    const QScreen* screen = QGuiApplication::screenAt(wanted.center());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return wanted;
    const QRect area = screen->availableGeometry();
    wanted.setWidth(std::max(std::min(wanted.width(), area.width()), minimum.width()));
    wanted.setHeight(std::max(std::min(wanted.height(), area.height()), minimum.height()));
    wanted.moveLeft(std::clamp(wanted.left(), area.left(), std::max(area.left(), area.right() - wanted.width() + 1)));
    wanted.moveTop(std::clamp(wanted.top(), area.top(), std::max(area.top(), area.bottom() - wanted.height() + 1)));
    return wanted;
}

// The size asked for a splitter's first pane, kept on the splitter until its layout has given it real room.
constexpr char kWantedFirstPane[] = "wantedFirstPane";

// The first pane of a splitter gets its stored size; the other takes what is left as the window changes size.
void setFirstPane(QSplitter* splitter, int size) {
    splitter->setProperty(kWantedFirstPane, size);
    splitter->setStretchFactor(0, 0);
    splitter->setStretchFactor(1, 1);
    const int total = std::max(splitter->orientation() == Qt::Horizontal ? splitter->width() : splitter->height(),
                               size + splitter->handleWidth() + 1);
    splitter->setSizes({size, total - size - splitter->handleWidth()});
}

// The first pane's size as the window shows it. A splitter on a page never shown has not been laid out yet: its
// panes are squeezed into a default size, so the size asked for (and shown once the page is seen) counts.
int firstPane(const QSplitter* splitter) {
    if (!splitter->testAttribute(Qt::WA_Resized)) {
        bool stored = false;
        const int wanted = splitter->property(kWantedFirstPane).toInt(&stored);
        if (stored)
            return wanted;
    }
    return splitter->sizes().value(0);
}

// The folder of the user's configuration directory that holds the preferences of an installed program.
constexpr char kConfigFolder[] = "glymconf";

// Directories that hold installed programs: nothing is written there, even by root.
bool isSystemDirectory(const QString& path) {
    for (const char* system : {"/usr", "/bin", "/sbin"})
        if (path == QLatin1String(system) || path.startsWith(QLatin1String(system) + QLatin1Char('/')))
            return true;
    return false;
}

} // namespace

// Beside the executable, as a program run from its own folder always kept them. An installed program (its directory
// not writable, or a system directory) keeps them in the user's configuration directory instead, so that closing
// the window does not fail on every run.
QString TMainWnd::preferencesLocation(const QString& executablePath) {
    const QString besideExecutable = QString::fromStdString(PreferencesFilePath(executablePath.toStdString()));
    const QFileInfo directory(QFileInfo(executablePath).absolutePath());
    if (directory.isWritable() && !isSystemDirectory(directory.canonicalFilePath()))
        return besideExecutable;
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QLatin1Char('/') +
           QLatin1String(kConfigFolder) + QLatin1Char('/') + QFileInfo(besideExecutable).fileName();
}

bool TMainWnd::LoadPreferences() {
    return messages::guarded(this, [this] { loadPreferences(); });
}

void TMainWnd::loadPreferences() {
    PreferenceValues value = LoadPreferenceValues(PreferencesFile.toStdString());

    const QRect geometry = fittedToScreen(QRect(value[PreferenceKey::Left], value[PreferenceKey::Top],
                                                value[PreferenceKey::Width], value[PreferenceKey::Height]),
                                          minimumSize());
    move(geometry.topLeft());
    resize(geometry.size());

    ShowHints = value[PreferenceKey::Hint] != 0;
    ui->ShowHint1->setChecked(ShowHints);

    showPage(ui->PageControl, value[PreferenceKey::Page]);
    showPage(ui->PageControl1, value[PreferenceKey::PageGroup]);
    showPage(ui->PageControl2, value[PreferenceKey::PageMap]);

    setFirstPane(ui->GroupSplitter, value[PreferenceKey::BoxName]);
    setFirstPane(ui->NetHostSplitter, value[PreferenceKey::BoxNet]);
    setFirstPane(ui->UrlWordSplitter, value[PreferenceKey::BoxUrl]);
    setFirstPane(ui->LimitSpeedSplitter, value[PreferenceKey::BoxLimit]);
    setFirstPane(ui->PortsSplitter, value[PreferenceKey::BoxPorts]);
}

bool TMainWnd::SavePreferences() {
    return messages::guarded(this, [this] { savePreferences(); });
}

void TMainWnd::savePreferences() {
    const PreferenceValues value = {
        {PreferenceKey::Top, y()},
        {PreferenceKey::Left, x()},
        {PreferenceKey::Height, height()},
        {PreferenceKey::Width, width()},
        {PreferenceKey::Hint, ShowHints ? 1 : 0},
        {PreferenceKey::Page, ui->PageControl->currentIndex()},
        {PreferenceKey::PageGroup, ui->PageControl1->currentIndex()},
        {PreferenceKey::PageMap, ui->PageControl2->currentIndex()},
        {PreferenceKey::BoxName, firstPane(ui->GroupSplitter)},
        {PreferenceKey::BoxNet, firstPane(ui->NetHostSplitter)},
        {PreferenceKey::BoxUrl, firstPane(ui->UrlWordSplitter)},
        {PreferenceKey::BoxLimit, firstPane(ui->LimitSpeedSplitter)},
        {PreferenceKey::BoxPorts, firstPane(ui->PortsSplitter)},
    };
    QDir().mkpath(QFileInfo(PreferencesFile).absolutePath()); // the user's folder may not exist yet
    SavePreferenceValues(PreferencesFile.toStdString(), value);
}
