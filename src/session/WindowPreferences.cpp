#include "session/WindowPreferences.h"

#include <QDir>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QGuiApplication>
#include <QMainWindow>
#include <QScreen>
#include <QSplitter>
#include <QStandardPaths>
#include <QStyle>
#include <QTabWidget>
#include <algorithm>
#include <cmath>
#include <tuple>
#include <utility>

namespace {

// A page index outside the visible pages leaves the page control on its first page.
void showPage(QTabWidget* pages, int index) {
    pages->setCurrentIndex(index >= 0 && index < pages->count() && pages->isTabVisible(index) ? index : 0);
}

// The widths of the window manager's frame around the window: measured once the window is shown; before, the
// title bar the style would draw and a thin border stand in for them.
QMargins frameOf(const QWidget* window) {
    if (window->isVisible()) {
        const QRect frame = window->frameGeometry();
        const QRect client = window->geometry();
        return {client.left() - frame.left(), client.top() - frame.top(), frame.right() - client.right(),
                frame.bottom() - client.bottom()};
    }
    const int titleBar = window->style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, window);
    return {2, titleBar + 2, 2, 2};
}

// The window moved and shrunk as little as needed for its frame to lie on the screen it is meant for. The
// rectangle is the frame's top left with the size of the client area, as pos() and size() give them.
QRect fittedToScreen(const QRect& wanted, const QSize& minimum, const QMargins& frame) {
    QRect outer(wanted.topLeft(), wanted.size().grownBy(frame));
    const QScreen* screen = QGuiApplication::screenAt(outer.center());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return wanted;
    const QRect area = screen->availableGeometry();
    const QSize least = minimum.grownBy(frame);
    outer.setWidth(std::max(std::min(outer.width(), area.width()), least.width()));
    outer.setHeight(std::max(std::min(outer.height(), area.height()), least.height()));
    outer.moveLeft(std::clamp(outer.left(), area.left(), std::max(area.left(), area.right() - outer.width() + 1)));
    outer.moveTop(std::clamp(outer.top(), area.top(), std::max(area.top(), area.bottom() - outer.height() + 1)));
    return {outer.topLeft(), outer.size().shrunkBy(frame)};
}

// The first start's window: large enough for the lists, in the middle of the screen.
constexpr QSize kFirstWindow(1000, 700);

QRect firstWindow(const QSize& minimum, const QMargins& frame) {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return {QPoint(100, 100), kFirstWindow};
    QRect outer(QPoint(), kFirstWindow.grownBy(frame));
    outer.moveCenter(screen->availableGeometry().center());
    return fittedToScreen({outer.topLeft(), kFirstWindow}, minimum, frame);
}

// The first pane of a splitter at its share of the splitter's length, applied whenever the splitter is laid out
// or resized: a window of another size, or at another scale, shows the same proportions. A drag of the handle takes
// a new share. Until the splitter is first shown (its page not yet seen), the share is the one it was given.
class PaneShare : public QObject {
public:
    static PaneShare* of(QSplitter* splitter) {
        for (QObject* child : splitter->children())
            if (auto* share = dynamic_cast<PaneShare*>(child))
                return share;
        return new PaneShare(splitter);
    }

    // `pane` pixels of `total`; a total of 0 (not known) keeps the pane at its pixels until the handle is dragged.
    void set(int pane, int total) {
        pane_ = pane;
        total_ = total;
        if (laidOut())
            apply();
    }

    // The pane's size and the splitter's length as the window shows them; as set while never shown (a splitter on
    // a page not seen may have been laid out in passing, at a size the window never had).
    std::pair<int, int> shown() const {
        if (!seen_)
            return {pane_, total_};
        const QList<int> sizes = splitter_->sizes();
        return {sizes.value(0), sizes.value(0) + sizes.value(1)};
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Resize)
            apply();
        else if (event->type() == QEvent::Show)
            seen_ = true;
        return false;
    }

private:
    explicit PaneShare(QSplitter* splitter) : QObject(splitter), splitter_(splitter) {
        splitter->setStretchFactor(0, 0);
        splitter->setStretchFactor(1, 1);
        splitter->installEventFilter(this);
        connect(splitter, &QSplitter::splitterMoved, this, [this] { std::tie(pane_, total_) = shown(); });
    }

    bool laidOut() const { return splitter_->testAttribute(Qt::WA_Resized); }

    // Both panes, without the handle between them.
    int length() const {
        const QRect area = splitter_->contentsRect();
        return (splitter_->orientation() == Qt::Horizontal ? area.width() : area.height()) - splitter_->handleWidth();
    }

    void apply() {
        const int available = length();
        if (available <= 0)
            return;
        const double share = total_ > 0 ? double(pane_) / total_ : double(pane_) / available;
        const int pane = std::clamp(static_cast<int>(std::lround(share * available)), 0, available);
        splitter_->setSizes({pane, available - pane});
    }

    QSplitter* splitter_;
    int pane_ = 0;
    int total_ = 0;
    bool seen_ = false;
};

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
struct KeptSplitter {
    PreferenceKey pane;
    PreferenceKey total;
    const char* name;
};
constexpr KeptSplitter kSplitters[] = {
    {PreferenceKey::BoxName, PreferenceKey::BoxNameTotal, "GroupSplitter"},
    {PreferenceKey::BoxNet, PreferenceKey::BoxNetTotal, "NetHostSplitter"},
    {PreferenceKey::BoxUrl, PreferenceKey::BoxUrlTotal, "UrlWordSplitter"},
    {PreferenceKey::BoxLimit, PreferenceKey::BoxLimitTotal, "LimitSpeedSplitter"},
    {PreferenceKey::BoxPorts, PreferenceKey::BoxPortsTotal, "PortsSplitter"},
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

Options optionsOf(const PreferenceValues& value) {
    Options options{value.at(PreferenceKey::Hint) != 0,
                    value.at(PreferenceKey::AskSaveComment) != 0,
                    value.theme,
                    {},
                    std::max(1, value.at(PreferenceKey::HistoryKeep)),
                    value.at(PreferenceKey::HistoryBesideFiles) != 0};
    for (const std::string& directory : value.recentDirectories)
        options.recentDirectories << QFile::decodeName(QByteArray::fromStdString(directory));
    options.serviceUnit = QString::fromStdString(value.serviceUnit);
    options.followSeconds = value.at(PreferenceKey::FollowInterval);
    return options;
}

history::Place historyPlace(const Options& options) {
    return {.userRoot = history::defaultUserRoot(),
            .besideFiles = options.historyBesideFiles,
            .keep = static_cast<std::size_t>(std::max(1, options.historyKeep))};
}

Options readOptions(const QString& file) {
    return optionsOf(loadPreferenceValues(file.toStdString()));
}

Options load(QMainWindow* window, const QString& file) {
    const PreferenceValues value = loadPreferenceValues(file.toStdString());
    const QMargins frame = frameOf(window);
    const QRect geometry = QFileInfo::exists(file)
                               ? fittedToScreen(QRect(value.at(PreferenceKey::Left), value.at(PreferenceKey::Top),
                                                      value.at(PreferenceKey::Width), value.at(PreferenceKey::Height)),
                                                window->minimumSize(), frame)
                               : firstWindow(window->minimumSize(), frame);
    window->move(geometry.topLeft());
    window->resize(geometry.size());
    for (const auto& [key, name] : kPages)
        showPage(child<QTabWidget>(window, name), value.at(key));
    for (const KeptSplitter& kept : kSplitters)
        PaneShare::of(child<QSplitter>(window, kept.name))->set(value.at(kept.pane), value.at(kept.total));
    return optionsOf(value);
}

void save(const QMainWindow* window, const QString& file, const Options& options) {
    PreferenceValues value;
    value.numbers = {
        {PreferenceKey::Hint, options.popupHints ? 1 : 0},
        {PreferenceKey::AskSaveComment, options.askSaveComment ? 1 : 0},
        {PreferenceKey::HistoryKeep, options.historyKeep},
        {PreferenceKey::HistoryBesideFiles, options.historyBesideFiles ? 1 : 0},
        {PreferenceKey::FollowInterval, options.followSeconds},
        {PreferenceKey::Top, window->y()},
        {PreferenceKey::Left, window->x()},
        {PreferenceKey::Height, window->height()},
        {PreferenceKey::Width, window->width()},
    };
    for (const auto& [key, name] : kPages)
        value[key] = child<QTabWidget>(window, name)->currentIndex();
    for (const KeptSplitter& kept : kSplitters)
        std::tie(value[kept.pane], value[kept.total]) = PaneShare::of(child<QSplitter>(window, kept.name))->shown();
    value.theme = options.theme;
    for (const QString& directory : options.recentDirectories)
        value.recentDirectories.push_back(QFile::encodeName(directory).toStdString());
    value.serviceUnit = options.serviceUnit.toStdString();
    QDir().mkpath(QFileInfo(file).absolutePath()); // the user's folder may not exist yet
    savePreferenceValues(file.toStdString(), value);
}

QStringList withRecentDirectory(QStringList recent, const QString& directory) {
    recent.removeAll(directory);
    recent.prepend(directory);
    while (recent.size() > static_cast<qsizetype>(kRecentDirectoryCount))
        recent.removeLast();
    return recent;
}

} // namespace windowpreferences
