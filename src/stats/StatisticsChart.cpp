#include "stats/StatisticsChart.h"

#include "base/Text.h"
#include "stats/StatisticsModels.h"

#include <QBarCategoryAxis>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QEvent>
#include <QHorizontalBarSeries>
#include <QLocale>
#include <QVBoxLayout>
#include <QValueAxis>
#include <algorithm>

namespace {

// The measures in the order of the combo box.
constexpr statsreport::Measure kMeasures[] = {statsreport::Measure::Traffic, statsreport::Measure::Connections};
constexpr qsizetype kLongestAddress = 24; // characters of an address a bar label shows

QString amountText(statsreport::Measure measure, std::int64_t value) {
    return measure == statsreport::Measure::Traffic
               ? QString::fromStdString(statsreport::humanKilobytes(value, localeNumbers()))
               : QLocale().toString(static_cast<qlonglong>(value));
}

// A colour part of the way from one to another, for lines that must show on the background in any palette.
QColor between(const QColor& from, const QColor& to, double part) {
    return QColor::fromRgbF(static_cast<float>(from.redF() + (to.redF() - from.redF()) * part),
                            static_cast<float>(from.greenF() + (to.greenF() - from.greenF()) * part),
                            static_cast<float>(from.blueF() + (to.blueF() - from.blueF()) * part));
}

} // namespace

StatisticsChart::StatisticsChart(QWidget* panel) : QObject(panel) {
    auto* layout = new QVBoxLayout(panel);
    layout->setContentsMargins(0, 0, 0, 0);
    measure_ = new QComboBox(panel);
    measure_->setObjectName(QStringLiteral("ChartMeasure"));
    measure_->addItems({QStringLiteral("Send, kB"), QStringLiteral("Count Access")});
    measure_->setToolTip(tr("What the bars of the top clients measure"));
    chart_ = new QChart;
    chart_->legend()->hide();
    chart_->setMargins(QMargins(2, 2, 2, 2));
    // The axes stay for the page's life; a drawing only changes their labels and range.
    clients_ = new QBarCategoryAxis(chart_);
    amounts_ = new QValueAxis(chart_);
    QFont labelFont = clients_->labelsFont();
    if (labelFont.pointSizeF() > 0)
        labelFont.setPointSizeF(labelFont.pointSizeF() * 0.85);
    clients_->setLabelsFont(labelFont);
    chart_->addAxis(clients_, Qt::AlignLeft);
    chart_->addAxis(amounts_, Qt::AlignBottom);
    view_ = new QChartView(chart_, panel); // the view owns the chart
    view_->setObjectName(QStringLiteral("StatisticChart"));
    view_->setRenderHint(QPainter::Antialiasing);
    view_->setMinimumWidth(260);
    layout->addWidget(measure_);
    layout->addWidget(view_, 1);
    connect(measure_, &QComboBox::currentIndexChanged, this, &StatisticsChart::draw);
    view_->installEventFilter(this);
    draw();
}

bool StatisticsChart::eventFilter(QObject* watched, QEvent* event) {
    if (watched == view_ && event->type() == QEvent::PaletteChange)
        draw();
    return QObject::eventFilter(watched, event);
}

// The chart's own theme is light: its background, texts, lines and bars are taken from the view's palette instead.
void StatisticsChart::takePaletteColours() {
    const QPalette palette = view_->palette();
    const QColor text = palette.color(QPalette::WindowText);
    const QColor lines = between(palette.color(QPalette::Base), text, 0.3);
    view_->setBackgroundBrush(palette.brush(QPalette::Base));
    chart_->setBackgroundBrush(palette.brush(QPalette::Base));
    chart_->setBackgroundPen(QPen(lines));
    chart_->setTitleBrush(text);
    for (QAbstractAxis* axis : {static_cast<QAbstractAxis*>(clients_), static_cast<QAbstractAxis*>(amounts_)}) {
        axis->setLabelsBrush(text);
        axis->setTitleBrush(text);
        axis->setLinePenColor(lines);
        axis->setGridLineColor(lines);
    }
}

void StatisticsChart::setRows(std::span<const ConnectionStatsRow> rows, Subject subject) {
    subject_ = subject;
    byTraffic_ = statsreport::topClients(rows, statsreport::Measure::Traffic, kBars);
    byConnections_ = statsreport::topClients(rows, statsreport::Measure::Connections, kBars);
    draw();
}

void StatisticsChart::draw() {
    takePaletteColours();
    const statsreport::Measure measure = kMeasures[std::max(measure_->currentIndex(), 0)];
    const auto& top = measure == statsreport::Measure::Traffic ? byTraffic_ : byConnections_;
    chart_->removeAllSeries();
    clients_->clear();
    const char* subject = subject_ == Subject::Groups ? "groups" : "clients";
    chart_->setTitle(top.empty() ? QStringLiteral("No %1").arg(QLatin1String(subject))
                                 : QStringLiteral("Top %1 %2 by %3")
                                       .arg(top.size())
                                       .arg(QLatin1String(subject))
                                       .arg(measure == statsreport::Measure::Traffic ? "traffic" : "connections"));
    clients_->setVisible(!top.empty());
    amounts_->setVisible(!top.empty());
    if (top.empty())
        return;

    // Traffic is drawn in the unit of the largest bar, so that the axis reads "MiB" or "GiB" rather than KiB.
    std::int64_t largest = 0;
    for (const auto& client : top)
        largest = std::max(largest, client.value < 0 ? -client.value : client.value);
    const statsreport::KilobyteUnit unit = statsreport::unitFor(largest);
    const double scale = measure == statsreport::Measure::Traffic ? unit.kilobytes : 1.0;

    auto* bars = new QBarSet(measure_->currentText());
    bars->setColor(view_->palette().color(QPalette::Highlight));
    bars->setBorderColor(view_->palette().color(QPalette::Highlight).darker(120));
    QStringList labels;
    double lowest = 0;
    double highest = 0;
    // The series draws its first category at the bottom: the largest client goes in last, to stand on top.
    for (std::size_t i = top.size(); i-- > 0;) {
        const double value = static_cast<double>(top[i].value) / scale;
        *bars << value;
        lowest = std::min(lowest, value);
        highest = std::max(highest, value);
        QString address = fromFileBytes(top[i].address);
        if (address.size() > kLongestAddress)
            address = address.left(kLongestAddress - 1) + QChar(0x2026);
        // Category labels must differ: two addresses shortened alike are told apart by their rank.
        while (labels.contains(address + QStringLiteral("  ") + amountText(measure, top[i].value)))
            address = QStringLiteral("%1. %2").arg(i + 1).arg(address);
        labels << address + QStringLiteral("  ") + amountText(measure, top[i].value);
    }
    auto* series = new QHorizontalBarSeries;
    series->append(bars);
    chart_->addSeries(series);
    clients_->append(labels);
    series->attachAxis(clients_);
    amounts_->setRange(lowest, highest > lowest ? highest : lowest + 1);
    amounts_->applyNiceNumbers();
    amounts_->setTitleText(measure == statsreport::Measure::Traffic ? QString::fromLatin1(unit.name)
                                                                    : QStringLiteral("connections"));
    series->attachAxis(amounts_);
}
