#include "stats/StatisticsPage.h"

#include "base/Images.h"
#include "base/ListModels.h"
#include "base/ListViews.h"
#include "base/MessageBoxes.h"
#include "base/RowOrder.h"
#include "base/Text.h"
#include "common/Error.h"
#include "common/FileIo.h"
#include "logs/ConnectionStats.h"
#include "logs/LogReading.h"
#include "rules/ClientGroups.h"
#include "stats/StatisticsChart.h"
#include "stats/StatisticsModels.h"
#include "ui_StatisticsBar.h"

#include <QAbstractProxyModel>
#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLocale>
#include <QMimeData>
#include <QProgressBar>
#include <QSplitter>
#include <QStatusBar>
#include <QTableView>
#include <QTableWidget>
#include <QThread>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <array>
#include <charconv>
#include <exception>

namespace {

const QString kReading = QStringLiteral("Reading Statistic .....");
constexpr int kProgressSteps = 1000;

// Clears a label when a scope ends, however it ends: the panel never keeps "Reading" after a reading.
class PanelNote {
public:
    PanelNote(QLabel* panel, const QString& text) : panel_(panel) { panel_->setText(text); }
    ~PanelNote() { panel_->clear(); }

private:
    QLabel* panel_;
};

constexpr Qt::Alignment kRight = Qt::AlignRight | Qt::AlignVCenter;
using enum ColumnSizing;

constexpr ListColumn kColumns[] = {
    {.title = "IP Address", .sizing = Fixed, .width = 100, .ipAddress = true},
    {.title = "Send, kB", .sizing = Fixed, .width = 70, .alignment = kRight, .numeric = true},
    {.title = "First Access", .sizing = Fixed, .width = 120},
    {.title = "Last Disconnect", .sizing = Fixed, .width = 120},
    {.title = "Count Access", .sizing = Fixed, .width = 80, .alignment = kRight, .numeric = true},
    {.title = "Count Query", .sizing = Fixed, .width = 80, .alignment = kRight, .numeric = true},
    {.title = "Group", .sizing = Stretch},
};
static_assert(StatsModel::kGroupColumn == 6);

constexpr ListDescriptor kList{.objectName = "LStat", .columns = kColumns, .source = RowSource::Records};

constexpr ListColumn kGroupColumns[] = {
    {.title = "Group", .sizing = Interactive, .width = 160},
    {.title = "Clients", .sizing = Fixed, .width = 70, .alignment = kRight, .numeric = true},
    {.title = "Send, kB", .sizing = Fixed, .width = 90, .alignment = kRight, .numeric = true},
    {.title = "Count Access", .sizing = Fixed, .width = 80, .alignment = kRight, .numeric = true},
    {.title = "Count Query", .sizing = Stretch, .alignment = kRight, .numeric = true},
};

constexpr ListDescriptor kGroupList{
    .objectName = "LStatGroups", .columns = kGroupColumns, .source = RowSource::Records};

// The presets of StatPeriod, in its order.
enum Preset { kAll, kToday, kYesterday, kThisWeek, kThisMonth, kCustom };

constexpr int kMaxFollowSeconds = 3600;

// The seconds the log's clock gives a date and time shown in the bar.
std::int64_t logSeconds(const QDateTime& time) {
    const QDate date = time.date();
    const QTime clock = time.time();
    return logtime::civilSeconds(date.year(), static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()),
                                 static_cast<unsigned>(clock.hour()), static_cast<unsigned>(clock.minute()),
                                 static_cast<unsigned>(clock.second()));
}

// A file name as the program opens it.
std::string openName(const QString& fileName) {
    return QFile::encodeName(fileName).toStdString();
}

// The list view of the Groups view, set up as LStat is, in a panel of its own (the filter row goes there).
QWidget* makeGroupsPanel(QWidget* parent, const QTableView* like) {
    auto* panel = new QWidget(parent);
    panel->setObjectName(QStringLiteral("StatGroupsPanel"));
    auto* layout = new QVBoxLayout(panel);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* view = new QTableView(panel);
    view->setObjectName(QStringLiteral("LStatGroups"));
    const QString hint = StatisticsPage::tr("Totals of each user group; a client of several groups counts in the "
                                            "row \"Several groups\" only");
    view->setToolTip(hint);
    view->setStatusTip(hint);
    view->setEditTriggers(like->editTriggers());
    view->setSelectionMode(like->selectionMode());
    view->setSelectionBehavior(like->selectionBehavior());
    view->setTabKeyNavigation(false);
    layout->addWidget(view);
    panel->hide();
    return panel;
}

const QString kCsvFilter = QStringLiteral("CSV (*.csv)");
const QString kTsvFilter = QStringLiteral("Tab-separated text (*.tsv *.txt)");

// A control of the page the form must hold; a missing one is an error of the program's build.
template <typename Widget> Widget* control(QWidget* window, const char* name) {
    auto* widget = window->findChild<Widget*>(QString::fromLatin1(name));
    if (!widget)
        throw GlymError(std::string("The main window lacks the control ") + name + ".");
    return widget;
}

// Whether an event is the user's input (keys, mouse buttons, wheel, shortcuts).
bool isUserInput(QEvent::Type type) {
    switch (type) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
        return true;
    default:
        return false;
    }
}

// The save dialog of the export: a name typed without an extension gets the one of the chosen filter, whether the
// filter was chosen in the dialog or set beforehand.
class ExportDialog final : public QFileDialog {
    Q_OBJECT

public:
    ExportDialog(QWidget* parent, const QString& directory)
        : QFileDialog(parent, QStringLiteral("Save Statistic"), directory) {
        setObjectName(QStringLiteral("SaveStatisticDialog"));
        setOption(QFileDialog::DontUseNativeDialog);
        // The page asks before replacing a file, after refusing the files of the configuration: one question, ours.
        setOption(QFileDialog::DontConfirmOverwrite);
        setAcceptMode(QFileDialog::AcceptSave);
        setFileMode(QFileDialog::AnyFile);
        setNameFilters({kCsvFilter, kTsvFilter});
        selectFile(QStringLiteral("statistic.csv"));
    }

    statsreport::TableFormat format() const {
        return selectedNameFilter() == kTsvFilter ? statsreport::TableFormat::Tsv : statsreport::TableFormat::Csv;
    }

    void accept() override {
        setDefaultSuffix(format() == statsreport::TableFormat::Tsv ? QStringLiteral("tsv") : QStringLiteral("csv"));
        QFileDialog::accept();
    }
};

} // namespace

const ListDescriptor& StatisticsPage::list() {
    return kList;
}

namespace {

// Builds the Groups view beside LStat (hidden) and binds it.
BoundList& bindGroupsView(QWidget* window, ListViews& lists) {
    auto* splitter = control<QSplitter>(window, "StatSplitter");
    splitter->insertWidget(1, makeGroupsPanel(splitter, control<QTableView>(window, "LStat")));
    return lists.bind(kGroupList, std::make_unique<GroupStatsModel>(kGroupList));
}

} // namespace

StatisticsPage::StatisticsPage(QWidget* window, ListViews& lists, QStatusBar* statusBar, QLabel* statusPanel)
    : QObject(window), window_(window), bound_(lists.bind(kList, std::make_unique<StatsModel>(kList))),
      rows_(static_cast<StatsModel*>(bound_.model)), reloadButton_(control<QToolButton>(window, "BReloadStatistic")),
      stopButton_(control<QToolButton>(window, "BStopStatistic")), statusPanel_(statusPanel),
      bar_(std::make_unique<Ui::StatisticsBar>()), groupsBound_(bindGroupsView(window, lists)),
      groupRows_(static_cast<GroupStatsModel*>(groupsBound_.model)),
      clientsPanel_(control<QWidget>(window, "StatListPanel")),
      groupsPanel_(control<QWidget>(window, "StatGroupsPanel")), clientGroups_(std::make_unique<ClientGroups>()),
      followTimer_(new QTimer(this)) {
    progress_ = new QProgressBar(statusBar);
    progress_->setObjectName(QStringLiteral("StatisticProgress"));
    progress_->setRange(0, kProgressSteps);
    progress_->setMaximumWidth(200);
    progress_->setTextVisible(false);
    progress_->hide();
    statusBar->addPermanentWidget(progress_);
    totals_ = new QLabel(statusBar);
    totals_->setObjectName(QStringLiteral("StatisticTotals"));
    statusBar->addPermanentWidget(totals_);

    stopButton_->hide();
    connect(stopButton_, &QToolButton::clicked, this, &StatisticsPage::cancel);

    auto* chartPanel = control<QWidget>(window, "StatChartPanel");
    chart_ = new StatisticsChart(chartPanel);
    auto* chartButton = control<QToolButton>(window, "BChartStatistic");
    connect(chartButton, &QToolButton::toggled, chartPanel, &QWidget::setVisible);
    chartPanel->setVisible(chartButton->isChecked());
    auto* splitter = control<QSplitter>(window, "StatSplitter");
    splitter->setStretchFactor(0, 3);
    splitter->setStretchFactor(1, 3);
    splitter->setStretchFactor(2, 2);
    setUpBar();

    // A log dropped on the page is read as Open Log reads it.
    auto* page = control<QWidget>(window, "Statistic");
    page->setAcceptDrops(true);
    page->installEventFilter(this);
    connect(followTimer_, &QTimer::timeout, this, [this] { messages::guarded(window_, [this] { followStep(); }); });
}

void StatisticsPage::setUpBar() {
    auto* bar = new QWidget(window_);
    bar_->setupUi(bar);
    auto* box = qobject_cast<QBoxLayout*>(control<QWidget>(window_, "StatBox")->layout());
    if (box == nullptr)
        throw GlymError("The statistics box lacks its layout.");
    box->insertWidget(0, bar);
    bar_->StatLogFiles->setTextFormat(Qt::PlainText);
    bar_->StatLogFiles->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    bar_->StatLogFiles->setText(tr("Log: the Connect Log of the settings"));
    const QDateTime now = QDateTime::currentDateTime();
    bar_->StatFrom->setDateTime(QDateTime(now.date(), QTime(0, 0)));
    bar_->StatTo->setDateTime(QDateTime(now.date(), QTime(23, 59, 59)));
    applyPreset(kAll);
    connect(bar_->StatPeriod, &QComboBox::activated, this, [this](int preset) {
        applyPreset(preset);
        messages::guarded(window_, [this] { reloadShown(); });
    });
    for (QDateTimeEdit* edit : {bar_->StatFrom, bar_->StatTo})
        connect(edit, &QDateTimeEdit::editingFinished, this, [this] {
            bar_->StatPeriod->setCurrentIndex(kCustom);
            messages::guarded(window_, [this] { reloadShown(); });
        });
    connect(bar_->StatFollow, &QCheckBox::toggled, this,
            [this](bool on) { messages::guarded(window_, [this, on] { startFollowing(on); }); });
    connect(bar_->StatView, &QComboBox::currentIndexChanged, this, &StatisticsPage::showView);
    connect(bar_->StatNotRead, &QToolButton::clicked, this, &StatisticsPage::showLinesNotRead);
}

StatisticsPage::~StatisticsPage() {
    cancel();
}

// The period's edit fields show the preset's first and last second; All leaves them as they are, unused.
void StatisticsPage::applyPreset(int preset) {
    const QDate today = QDate::currentDate();
    QDate first = today;
    QDate last = today;
    switch (preset) {
    case kYesterday:
        first = last = today.addDays(-1);
        break;
    case kThisWeek:
        first = today.addDays(-((today.dayOfWeek() - static_cast<int>(QLocale().firstDayOfWeek()) + 7) % 7));
        last = first.addDays(6);
        break;
    case kThisMonth:
        first = QDate(today.year(), today.month(), 1);
        last = first.addMonths(1).addDays(-1);
        break;
    default:
        break;
    }
    if (preset != kAll && preset != kCustom) {
        bar_->StatFrom->setDateTime(QDateTime(first, QTime(0, 0)));
        bar_->StatTo->setDateTime(QDateTime(last, QTime(23, 59, 59)));
    }
    bar_->StatFrom->setEnabled(preset != kAll);
    bar_->StatTo->setEnabled(preset != kAll);
}

// The logs shown, read again (for a new period): nothing before the first reading.
void StatisticsPage::reloadShown() {
    if (files_.empty() || reading_)
        return;
    readLogs(files_, shownLogs_);
}

void StatisticsPage::reload(const QString& logName) {
    if (reading_)
        return; // a reading runs already (its note must stay until it ends)
    PanelNote note(statusPanel_, kReading);
    if (!openedLogs_.isEmpty()) {
        openLogs(openedLogs_);
        return;
    }
    const auto path = toFileBytes(logName);
    // Missing (or a directory) is "not found"; anything else that exists, a named pipe say, goes to the reader,
    // which says why it cannot be read.
    if (!path || !QFileInfo::exists(logName) || QFileInfo(logName).isDir()) {
        messages::error(window_, QStringLiteral("File statistic not found! Check fields Logs->Connect Log !"));
        return;
    }
    read(logName);
}

void StatisticsPage::read(const QString& logName) {
    if (reading_)
        return;
    if (!openedLogs_.isEmpty()) {
        openLogs(openedLogs_);
        return;
    }
    const auto path = toFileBytes(logName);
    if (!path)
        throw GlymError("Cannot open file: its name cannot be written in Windows-1251.");
    readLogs({*path}, {logName});
}

void StatisticsPage::openLogs(const QStringList& fileNames) {
    if (reading_ || fileNames.isEmpty())
        return;
    std::vector<std::string> paths;
    for (const QString& name : fileNames)
        paths.push_back(openName(name));
    paths = inTimeOrder(std::move(paths));
    QStringList ordered;
    for (const std::string& path : paths)
        ordered << QFile::decodeName(QByteArray::fromStdString(path));
    openedLogs_ = ordered;
    readLogs(std::move(paths), ordered);
}

void StatisticsPage::chooseLogs() {
    QFileDialog dialog(window_, QStringLiteral("Open Log"));
    dialog.setObjectName(QStringLiteral("OpenLogDialog"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setFileMode(QFileDialog::ExistingFiles);
    dialog.setNameFilters({tr("Logs (*.log *.log.* *.gz *.zst *.txt)"), tr("All files (*)")});
    if (!openedLogs_.isEmpty())
        dialog.setDirectory(QFileInfo(openedLogs_.constLast()).absolutePath());
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    openLogs(dialog.selectedFiles());
}

void StatisticsPage::forgetOpenedLogs() {
    openedLogs_.clear();
}

void StatisticsPage::readLogs(std::vector<std::string> paths, const QStringList& shownNames) {
    LogReadingOptions options;
    if (bar_->StatPeriod->currentIndex() != kAll)
        options.period = logtime::Period{logSeconds(bar_->StatFrom->dateTime()), logSeconds(bar_->StatTo->dateTime())};
    options.follow = bar_->StatFollow->isChecked();
    options.reading.cancel = &cancel_;
    options.reading.progress = [this](std::uint64_t done, std::uint64_t total) {
        const int step = total == 0 ? kProgressSteps : static_cast<int>(done * kProgressSteps / total);
        QMetaObject::invokeMethod(progress_, "setValue", Qt::QueuedConnection, Q_ARG(int, step));
    };
    auto reading = std::make_unique<LogReading>(paths, options);
    QElapsedTimer clock;
    clock.start();
    readInWorker(*reading);
    ConnectionStats stats = reading->stats();
    // A stop asked for before the rows are shown counts, even when the last block was read meanwhile.
    if (stats.cancelled || cancel_) {
        totals_->setText(tr("Reading stopped: the rows of the reading before are kept."));
        return;
    }
    startFollowing(false);
    files_ = std::move(paths);
    shownLogs_ = shownNames;
    const QStringList names = [&] {
        QStringList list;
        for (const QString& name : shownNames)
            list << QFileInfo(name).fileName();
        return list;
    }();
    bar_->StatLogFiles->setText((shownNames.size() == 1 ? tr("Log: %1") : tr("Logs: %1")).arg(names.join(u", ")));
    bar_->StatLogFiles->setToolTip(QDir::toNativeSeparators(shownNames.join(u'\n')));
    if (options.follow && reading->followable()) {
        followed_ = std::move(reading);
        followTimer_->start(followSeconds_ * 1000);
    }
    showRows(stats, static_cast<double>(clock.nsecsElapsed()) / 1e9);
    if (stats.error)
        throw GlymError(*stats.error);
}

void StatisticsPage::clear() {
    startFollowing(false);
    files_.clear();
    notes_ = {};
    totals_->clear();
    chart_->setRows({});
    rows_->setRows({}, *clientGroups_);
    groupRows_->setTotals({}, *clientGroups_);
    bar_->StatNotRead->hide();
}

void StatisticsPage::showRows(ConnectionStats& stats, double seconds) {
    clientGroups_ = groups_ ? std::make_unique<ClientGroups>(groups_()) : std::make_unique<ClientGroups>();
    rows_->setRows(std::move(stats.rows), *clientGroups_);
    showTotals(stats, seconds);
}

// The totals, the group totals, the chart and the lines not read of the rows shown.
void StatisticsPage::showTotals(const ConnectionStats& stats, double seconds) {
    const std::vector<ConnectionStatsRow>& rows = rows_->rows();
    QString text =
        QString::fromStdString(statsreport::totalsText(statsreport::totalsOf(rows), seconds, localeNumbers()));
    if (followed_)
        text = tr("Following: %1").arg(text);
    totals_->setText(text);
    groupRows_->setTotals(statsreport::groupTotals(rows, rows_->groupOfRows()), *clientGroups_);
    notes_ = stats.notes;
    const qlonglong notRead = static_cast<qlonglong>(notes_.notRead());
    bar_->StatNotRead->setText(notRead == 1 ? tr("1 line not read")
                                            : tr("%1 lines not read").arg(QLocale().toString(notRead)));
    bar_->StatNotRead->setVisible(notRead > 0);
    showView();
}

// The Clients view shows LStat and the chart of the top clients; the Groups view LStatGroups and the chart of the
// groups.
void StatisticsPage::showView() {
    const bool groups = bar_->StatView->currentIndex() == 1;
    clientsPanel_->setVisible(!groups);
    groupsPanel_->setVisible(groups);
    if (groups)
        chart_->setRows(groupRows_->chartRows(), StatisticsChart::Subject::Groups);
    else
        chart_->setRows(rows_->rows(), StatisticsChart::Subject::Clients);
}

void StatisticsPage::setFollowInterval(int seconds) {
    followSeconds_ = std::clamp(seconds, 1, kMaxFollowSeconds);
    if (followTimer_->isActive())
        followTimer_->start(followSeconds_ * 1000);
}

void StatisticsPage::askFollowInterval() {
    bool ok = false;
    const int seconds = QInputDialog::getInt(window_, QStringLiteral("Follow Interval"),
                                             tr("Seconds between two readings of a followed log (1 to 3600):"),
                                             followSeconds_, 1, kMaxFollowSeconds, 1, &ok);
    if (ok)
        setFollowInterval(seconds);
}

// Follow on: the logs shown are read again to follow the last one (nothing before the first reading); off: the
// rows stay as they are.
void StatisticsPage::startFollowing(bool on) {
    if (!on) {
        followTimer_->stop();
        followed_.reset();
        return;
    }
    if (followed_ || reading_)
        return;
    if (!bar_->StatFollow->isChecked()) {
        const QSignalBlocker quiet(bar_->StatFollow);
        bar_->StatFollow->setChecked(true);
    }
    reloadShown();
    if (!followed_ && !files_.empty()) {
        const QSignalBlocker quiet(bar_->StatFollow);
        bar_->StatFollow->setChecked(false);
        statusPanel_->setText(tr("Only a log that is not compressed can be followed, and only until a line stops "
                                 "the reading."));
    }
}

void StatisticsPage::followStep() {
    if (!followed_ || reading_)
        return;
    QElapsedTimer clock;
    clock.start();
    LogReading::FollowStep step = LogReading::FollowStep::Unchanged;
    try {
        step = followed_->follow();
    } catch (...) {
        startFollowing(false);
        const QSignalBlocker quiet(bar_->StatFollow);
        bar_->StatFollow->setChecked(false);
        throw;
    }
    if (step == LogReading::FollowStep::Unchanged)
        return;
    ConnectionStats stats = followed_->stats();
    files_ = followed_->files();
    // The rows keep the place the user gave them: the sort is made again, the filter applied again, and the
    // selected client stays selected.
    const std::optional<int> selected = bound_.selectedRow();
    rows_->updateRows(std::move(stats.rows), *clientGroups_);
    if (bound_.proxy->sortColumn() >= 0)
        bound_.proxy->sortOnce(bound_.proxy->sortColumn(), bound_.proxy->sortOrder());
    if (const QString filter = bound_.proxy->filter(); !filter.isEmpty()) {
        bound_.proxy->setFilter(QString());
        bound_.proxy->setFilter(filter);
    }
    if (selected)
        bound_.selectRow(*selected);
    showTotals(stats, static_cast<double>(clock.nsecsElapsed()) / 1e9);
    if (!followed_->followable())
        startFollowing(false);
    if (stats.error)
        throw GlymError(*stats.error);
}

// The lines the last reading could not read: the first 1,000, with their file and line number.
void StatisticsPage::showLinesNotRead() const {
    QDialog dialog(window_);
    dialog.setObjectName(QStringLiteral("LinesNotReadDialog"));
    dialog.setWindowTitle(QStringLiteral("Lines Not Read"));
    auto* layout = new QVBoxLayout(&dialog);
    auto* summary = new QLabel(&dialog);
    const qlonglong all = static_cast<qlonglong>(notes_.notRead());
    summary->setText(tr("%1 lines not read: %2 not of 9 fields, %3 without a readable start time. The first %4:")
                         .arg(QLocale().toString(all), QLocale().toString(static_cast<qlonglong>(notes_.malformed)),
                              QLocale().toString(static_cast<qlonglong>(notes_.noTime)))
                         .arg(QLocale().toString(static_cast<qlonglong>(notes_.listed.size()))));
    layout->addWidget(summary);
    auto* table = new QTableWidget(static_cast<int>(notes_.listed.size()), 4, &dialog);
    table->setObjectName(QStringLiteral("LinesNotRead"));
    table->setHorizontalHeaderLabels(
        {QStringLiteral("File"), QStringLiteral("Line"), QStringLiteral("Why"), QStringLiteral("Text")});
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->verticalHeader()->hide();
    table->horizontalHeader()->setStretchLastSection(true);
    int row = 0;
    for (const logstats::LineNote& note : notes_.listed) {
        const QString file = note.file < files_.size()
                                 ? QFileInfo(QFile::decodeName(QByteArray::fromStdString(files_[note.file]))).fileName()
                                 : QString();
        table->setItem(row, 0, new QTableWidgetItem(file));
        table->setItem(row, 1, new QTableWidgetItem(QLocale().toString(static_cast<qulonglong>(note.line))));
        table->setItem(row, 2,
                       new QTableWidgetItem(note.fault == logstats::LineFault::NoTime ? tr("no readable start time")
                                                                                      : tr("not 9 fields")));
        table->setItem(row, 3, new QTableWidgetItem(fromFileBytes(note.text)));
        ++row;
    }
    table->resizeColumnsToContents();
    layout->addWidget(table);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, &dialog);
    connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    layout->addWidget(buttons);
    dialog.resize(760, 420);
    dialog.exec();
}

// Runs the reading in a worker thread and waits for it in a local event loop, so the window stays alive.
void StatisticsPage::readInWorker(LogReading& reading) {
    std::exception_ptr failure;
    cancel_ = false;
    showReading(true);
    QThread* worker = QThread::create([&] {
        try {
            reading.read();
        } catch (...) {
            failure = std::current_exception();
        }
    });
    QEventLoop waiting;
    connect(worker, &QThread::finished, &waiting, &QEventLoop::quit);
    worker->start();
    waiting.exec();
    worker->wait();
    delete worker;

    showReading(false);
    if (failure)
        std::rethrow_exception(failure);
}

// While a reading runs, the stop button stands in the reload button's place and takes the user's input, with
// Escape; the rest of the window only repaints.
void StatisticsPage::showReading(bool running) {
    reading_ = running;
    reloadButton_->setEnabled(!running);
    reloadButton_->setVisible(!running);
    stopButton_->setVisible(running);
    if (running)
        progress_->setValue(0);
    progress_->setVisible(running);
    if (running)
        qApp->installEventFilter(this);
    else
        qApp->removeEventFilter(this);
}

bool StatisticsPage::eventFilter(QObject* watched, QEvent* event) {
    if (!reading_ && (event->type() == QEvent::DragEnter || event->type() == QEvent::Drop))
        return dropLogs(event);
    if (!reading_ || !isUserInput(event->type()))
        return false;
    if (event->type() == QEvent::Shortcut)
        return true; // no action of the menus meanwhile
    // Input reaches a widget through its window's handle, which is let through; other windows (a message box the
    // closing window asks) keep their input.
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget || widget->window() != window_)
        return false;
    if ((event->type() == QEvent::KeyPress || event->type() == QEvent::ShortcutOverride) &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        if (event->type() == QEvent::KeyPress)
            cancel();
        else
            event->accept(); // taken as a key press, not as a shortcut
        return true;
    }
    return widget != stopButton_;
}

// Local files dragged onto the page are taken, and read when dropped.
bool StatisticsPage::dropLogs(QEvent* event) {
    auto* drop = static_cast<QDropEvent*>(event);
    QStringList files;
    for (const QUrl& url : drop->mimeData()->urls())
        if (url.isLocalFile())
            files << url.toLocalFile();
    if (files.isEmpty())
        return false;
    drop->acceptProposedAction();
    if (event->type() == QEvent::Drop) {
        // Read once the drop has ended: the source of the drag waits for it.
        QTimer::singleShot(0, this, [this, files] {
            messages::guarded(window_, [this, &files] {
                PanelNote note(statusPanel_, kReading);
                openLogs(files);
            });
        });
    }
    return true;
}

// ---------------------------------------------------------------------------------------------------------------
// Export

void StatisticsPage::save() {
    // The first export starts in the program's directory, the next ones where the last one went.
    ExportDialog dialog(window_, exportDirectory_.isEmpty() ? QDir::currentPath() : exportDirectory_);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    exportDirectory_ = dialog.directory().absolutePath();
    const QString fileName = dialog.selectedFiles().constFirst();
    // A refused name ends the export with its message; the next export starts in the same directory.
    refuseProtected(fileName);
    const QFileInfo existing(fileName);
    if (existing.exists() || existing.isSymLink()) {
        const auto answer = messages::ask(
            window_, QStringLiteral("Confirm"),
            tr("%1 already exists.\nReplace it with the statistics?").arg(QDir::toNativeSeparators(fileName)),
            QMessageBox::Yes | QMessageBox::No, QMessageBox::Warning, {}, QMessageBox::No);
        if (answer != QMessageBox::Yes)
            return;
    }
    const std::size_t rows = exportTo(fileName, dialog.format());
    const QString exported = QDir::toNativeSeparators(QFileInfo(fileName).absoluteFilePath());
    statusPanel_->setText(rows == 1 ? tr("Statistic exported to %1: 1 row").arg(exported)
                                    : tr("Statistic exported to %1: %2 rows").arg(exported).arg(rows));
}

void StatisticsPage::refuseProtected(const QString& fileName) const {
    if (!protectedFiles_)
        return;
    const std::string path = QFile::encodeName(fileName).toStdString();
    for (const ProtectedFile& file : protectedFiles_()) {
        if (file.path.empty() || !sameFile(file.path, path))
            continue;
        QString text =
            tr("The statistics cannot be exported to %1: it is %2").arg(QDir::toNativeSeparators(fileName), file.what);
        if (!file.name.isEmpty())
            text += QStringLiteral(" \"%1\"").arg(file.name);
        text += tr(". Choose another file.");
        throw GlymError(toFileBytes(text).value_or(text.toStdString()));
    }
}

std::vector<std::size_t> StatisticsPage::shownOrder() const {
    const QAbstractItemModel* shown = bound_.view->model();
    std::vector<std::size_t> order;
    order.reserve(static_cast<std::size_t>(shown->rowCount()));
    for (int row = 0; row < shown->rowCount(); ++row) {
        QModelIndex index = shown->index(row, 0);
        while (index.isValid() && index.model() != rows_) {
            const auto* proxy = qobject_cast<const QAbstractProxyModel*>(index.model());
            index = proxy ? proxy->mapToSource(index) : QModelIndex();
        }
        if (!index.isValid())
            throw GlymError("The statistics cannot be exported: a row of the list has no row of the reading.");
        order.push_back(static_cast<std::size_t>(index.row()));
    }
    return order;
}

std::size_t StatisticsPage::exportTo(const QString& fileName, statsreport::TableFormat otherwise) const {
    refuseProtected(fileName);
    const std::string path = QFile::encodeName(fileName).toStdString();
    const statsreport::TableFormat format = statsreport::formatForFile(path, otherwise);
    const int rowCount = rows_->rowCount();
    std::array<std::string_view, std::size(kColumns)> cells;
    std::string scratch;

    // Every row is written once in the order of the reading, where its cells lie one after the other in memory,
    // and its record is then copied into the order the list shows. Writing the rows in a sorted order straight
    // away would fetch their cells from all over memory: three times slower for a million rows.
    statsreport::TableText records(format, static_cast<std::size_t>(rowCount) * 80);
    std::vector<std::size_t> starts;
    starts.reserve(static_cast<std::size_t>(rowCount) + 1);
    for (int row = 0; row < rowCount; ++row) {
        starts.push_back(records.bytes().size());
        for (std::size_t column = 0; column < cells.size(); ++column)
            cells[column] = rows_->cellBytes(row, static_cast<int>(column), scratch);
        records.addRecord(cells);
    }
    starts.push_back(records.bytes().size());

    for (std::size_t column = 0; column < cells.size(); ++column)
        cells[column] = kColumns[column].title;
    statsreport::TableText table(format, records.bytes().size() + 128);
    table.addRecord(cells);
    const std::vector<std::size_t> order = shownOrder();
    const std::string_view text = records.bytes();
    constexpr std::size_t kAhead = 8; // records fetched ahead of their copy
    for (std::size_t i = 0; i < order.size(); ++i) {
        if (i + kAhead < order.size())
            __builtin_prefetch(text.data() + starts[order[i + kAhead]]);
        table.addText(text.substr(starts[order[i]], starts[order[i] + 1] - starts[order[i]]));
    }
    try {
        writeFileAtomically(path, table.bytes());
    } catch (const GlymError& failure) {
        // The name came from the file system, not from the proxy's files: its message is said again in the
        // code page messages are read in.
        throw GlymError(toFileBytes(QString::fromLocal8Bit(failure.what())).value_or(failure.what()));
    }
    return order.size();
}

#include "StatisticsPage.moc"
