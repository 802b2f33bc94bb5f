// glym_ini_bench [--line-mb N] [--keep DIR]
// Times glym30.ini with a very long line in a section the configurator does not know (as another tool may leave
// one): reading the 67 settings key by key through IniFile and in one session, the start-up of the main window,
// one save of the settings, and the preferences save of a close. The save also reports how often it replaced
// glym30.ini. The cache-skip file holds a rule as long: the time to draw its list, and that the save keeps it.

#include "app/Main.h"
#include "config/IniFile.h"
#include "config/ServerSettings.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTabWidget>
#include <QTemporaryDir>
#include <cstdio>
#include <cstring>
#include <string>
#include <sys/inotify.h>
#include <unistd.h>

namespace {

struct Options {
    int lineMegabytes = 50;
    QString keep; // a directory to generate into and leave behind, instead of a temporary one
};

Options parseOptions(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        const bool hasValue = i + 1 < argc;
        if (std::strcmp(argv[i], "--line-mb") == 0 && hasValue)
            options.lineMegabytes = std::atoi(argv[++i]);
        else if (std::strcmp(argv[i], "--keep") == 0 && hasValue)
            options.keep = QString::fromLocal8Bit(argv[++i]);
        else {
            std::fprintf(stderr, "usage: glym_ini_bench [--line-mb N] [--keep DIR]\n");
            std::exit(2);
        }
    }
    return options;
}

// Every setting with its load default, section by section, and a foreign section holding one long line after
// the memory pool, so that the keys read and written after it lie beyond the line.
QByteArray serverIni(int lineMegabytes) {
    QByteArray text;
    QByteArray section;
    for (const ServerSetting& setting : kServerSettings) {
        const QByteArray name(setting.section.data(), static_cast<qsizetype>(setting.section.size()));
        if (name != section) {
            if (section == "Memory Pool")
                text += "[Vendor Extras]\r\nBlob=" + QByteArray(qsizetype(lineMegabytes) << 20, 'x') + "\r\n";
            text += "[" + name + "]\r\n";
            section = name;
        }
        const QByteArray key(setting.key.data(), static_cast<qsizetype>(setting.key.size()));
        QByteArray value(setting.loadDefault.data(), static_cast<qsizetype>(setting.loadDefault.size()));
        if (name == "Cache Skip")
            value = key == "Enable" ? "1" : key == "File Name" ? "skip.txt" : value;
        text += key + "=" + value + "\r\n";
    }
    return text;
}

// Counts the times a file of a directory is replaced by a rename (every atomic write ends in one).
class ReplaceCounter {
public:
    ReplaceCounter(const QString& directory, QByteArray name) : name_(std::move(name)) {
        fd_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        if (fd_ >= 0)
            // Identical events in a row are merged into one: the creation of each temporary file keeps them apart.
            inotify_add_watch(fd_, QFile::encodeName(directory).constData(), IN_MOVED_TO | IN_CREATE);
    }
    ~ReplaceCounter() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    // The replaces since the last call (-1 when they cannot be counted here).
    int take() {
        if (fd_ < 0)
            return -1;
        int count = 0;
        alignas(inotify_event) char buffer[1 << 16];
        for (;;) {
            const ssize_t got = ::read(fd_, buffer, sizeof buffer);
            if (got <= 0)
                return count;
            for (ssize_t at = 0; at < got;) {
                const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
                if ((event->mask & IN_MOVED_TO) && event->len > 0 && name_ == event->name)
                    ++count;
                at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            }
        }
    }

private:
    QByteArray name_;
    int fd_ = -1;
};

class Report {
public:
    Report() { std::printf("%-46s %10s\n", "", "wall"); }
    void begin() { wall_.start(); }
    void add(const char* what, const QString& note = QString()) {
        std::printf("%-46s %10.1f ms  %s\n", what, static_cast<double>(wall_.nsecsElapsed()) / 1e6, qPrintable(note));
        std::fflush(stdout);
    }

private:
    QElapsedTimer wall_;
};

QString replaces(int count) {
    return count < 0 ? QStringLiteral("replaces not counted") : QStringLiteral("%1 replace(s)").arg(count);
}

} // namespace

int main(int argc, char** argv) {
    const Options options = parseOptions(argc, argv);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir temporary;
    const QString dir = options.keep.isEmpty() ? temporary.path() : QDir(options.keep).absolutePath();
    QDir().mkpath(dir);
    const QString iniPath = dir + QStringLiteral("/glym30.ini");
    {
        QFile file(iniPath);
        const QByteArray bytes = serverIni(options.lineMegabytes);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(iniPath));
            return 1;
        }
    }
    // The cache-skip file holds one rule of the same length among short ones.
    const QByteArray longRule = "SD:" + QByteArray(qsizetype(options.lineMegabytes) << 20, 'y') + ":\r\n";
    {
        QFile file(dir + QStringLiteral("/skip.txt"));
        const QByteArray bytes = "SA:short.example:\r\n" + longRule + "SD:*.php?*:\r\n";
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
            std::fprintf(stderr, "cannot write the cache-skip file\n");
            return 1;
        }
    }
    std::printf("glym30.ini: %lld bytes, a line of %d MB in a foreign section; skip.txt: a rule as long\n",
                static_cast<long long>(QFileInfo(iniPath).size()), options.lineMegabytes);
    Report report;
    ReplaceCounter counter(dir, "glym30.ini");

    // One read per key, as a caller of the INI layer that opens nothing but the file itself does.
    report.begin();
    const IniFile ini(iniPath.toStdString());
    std::size_t bytesRead = 0;
    for (const ServerSetting& s : kServerSettings)
        bytesRead += ini.readString(std::string(s.section), std::string(s.key), std::string(s.loadDefault)).size();
    report.add("67 keys read one call each (IniFile)", QStringLiteral("%1 bytes of values").arg(bytesRead));

    // The same keys from one reading of the file, as the start-up reads them.
    report.begin();
    std::size_t sessionBytes = 0;
    loadServerSettings(
        iniPath.toStdString(),
        [&sessionBytes](const ServerSetting&, const SettingValue& value) {
            sessionBytes += value.text.size() + value.port.size();
        },
        [](LoadPoint) {});
    report.add("67 keys read in one session (loadServerSettings)",
               QStringLiteral("%1 bytes of values").arg(sessionBytes));

    report.begin();
    TMainWnd window(dir + QStringLiteral("/glymconf"));
    report.add("start-up (TMainWnd constructed)");

    // Drawing the cache-skip list with the long rule in view.
    report.begin();
    window.resize(1000, 700);
    window.show();
    if (auto* list = window.findChild<QWidget*>(QStringLiteral("CacheSkipRules"))) {
        for (QWidget* w = list; w && w != &window; w = w->parentWidget())
            if (auto* tabs = qobject_cast<QTabWidget*>(w->parentWidget() ? w->parentWidget()->parentWidget() : nullptr))
                tabs->setCurrentWidget(w);
        list->repaint();
    }
    QApplication::processEvents();
    report.add("cache-skip list shown with the long rule");

    counter.take();
    report.begin();
    const bool saved = window.SaveServerConfig();
    report.add("SaveServerConfig", (saved ? QString() : QStringLiteral("FAILED, ")) + replaces(counter.take()));

    report.begin();
    const bool preferencesSaved = window.SavePreferences();
    report.add("SavePreferences (every close)", preferencesSaved ? QString() : QStringLiteral("FAILED"));

    const QByteArray after = [&] {
        QFile file(iniPath);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }();
    const QByteArray skipAfter = [&] {
        QFile file(dir + QStringLiteral("/skip.txt"));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }();
    const bool ruleKept = skipAfter.contains(longRule);
    std::printf("the long cache-skip rule %s\n", ruleKept ? "is kept" : "WAS LOST");
    const bool kept = after.contains("Blob=" + QByteArray(qsizetype(options.lineMegabytes) << 20, 'x') + "\r\n");
    std::printf("the long line %s\n", kept ? "is kept" : "WAS LOST");
    return saved && kept && ruleKept ? 0 : 1;
}
