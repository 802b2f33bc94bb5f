#include "session/WindowPreferences.h"

#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QGuiApplication>
#include <QMainWindow>
#include <QScreen>
#include <QSplitter>
#include <QStandardPaths>
#include <QTabWidget>
#include <algorithm>
#include <utility>

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

// The page controls and splitters whose state is kept, by the objectName the window gives them.
constexpr std::pair<PreferenceKey, const char*> kPages[] = {
    {PreferenceKey::Page, "PageControl"},
    {PreferenceKey::PageGroup, "PageControl1"},
    {PreferenceKey::PageMap, "PageControl2"},
};
constexpr std::pair<PreferenceKey, const char*> kSplitters[] = {
    {PreferenceKey::BoxName, "GroupSplitter"},  {PreferenceKey::BoxNet, "NetHostSplitter"},
    {PreferenceKey::BoxUrl, "UrlWordSplitter"}, {PreferenceKey::BoxLimit, "LimitSpeedSplitter"},
    {PreferenceKey::BoxPorts, "PortsSplitter"},
};

template <typename Widget> Widget* child(const QMainWindow* window, const char* name) {
    return window->findChild<Widget*>(QLatin1String(name));
}

} // namespace

namespace windowpreferences {

// Beside the executable, as a program run from its own folder always kept them. An installed program (its directory
// not writable, or a system directory) keeps them in the user's configuration directory instead, so that closing
// the window does not fail on every run.
QString location(const QString& executablePath) {
    const QString besideExecutable = QString::fromStdString(preferencesFilePath(executablePath.toStdString()));
    const QFileInfo directory(QFileInfo(executablePath).absolutePath());
    if (directory.isWritable() && !isSystemDirectory(directory.canonicalFilePath()))
        return besideExecutable;
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QLatin1Char('/') +
           QLatin1String(kConfigFolder) + QLatin1Char('/') + QFileInfo(besideExecutable).fileName();
}

Options load(QMainWindow* window, const QString& file) {
    const PreferenceValues value = loadPreferenceValues(file.toStdString());
    const QRect geometry = fittedToScreen(QRect(value.at(PreferenceKey::Left), value.at(PreferenceKey::Top),
                                                value.at(PreferenceKey::Width), value.at(PreferenceKey::Height)),
                                          window->minimumSize());
    window->move(geometry.topLeft());
    window->resize(geometry.size());
    for (const auto& [key, name] : kPages)
        showPage(child<QTabWidget>(window, name), value.at(key));
    for (const auto& [key, name] : kSplitters)
        setFirstPane(child<QSplitter>(window, name), value.at(key));
    return {.popupHints = value.at(PreferenceKey::Hint) != 0,
            .askSaveComment = value.at(PreferenceKey::AskSaveComment) != 0};
}

void save(const QMainWindow* window, const QString& file, const Options& options) {
    PreferenceValues value = {
        {PreferenceKey::Hint, options.popupHints ? 1 : 0},
        {PreferenceKey::AskSaveComment, options.askSaveComment ? 1 : 0},
        {PreferenceKey::Top, window->y()},
        {PreferenceKey::Left, window->x()},
        {PreferenceKey::Height, window->height()},
        {PreferenceKey::Width, window->width()},
    };
    for (const auto& [key, name] : kPages)
        value[key] = child<QTabWidget>(window, name)->currentIndex();
    for (const auto& [key, name] : kSplitters)
        value[key] = firstPane(child<QSplitter>(window, name));
    QDir().mkpath(QFileInfo(file).absolutePath()); // the user's folder may not exist yet
    savePreferenceValues(file.toStdString(), value);
}

} // namespace windowpreferences
