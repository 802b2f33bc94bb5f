#pragma once

#include "logs/StatsReport.h"

#include <QObject>
#include <span>
#include <vector>

class QBarCategoryAxis;
class QChart;
class QChartView;
class QComboBox;
class QValueAxis;
class QWidget;

// The chart beside LStat: horizontal bars of the top clients (or user groups) by traffic ("Send, kB") or by connections
// ("Count Access"), chosen in the combo box above it, each labelled with its address and amount. It shows the clients
// of the last reading in their ranking, whatever order the list is sorted in. It is drawn in the colours of the
// palette, and again whenever the palette changes.
class StatisticsChart : public QObject {
    Q_OBJECT

public:
    static constexpr std::size_t kBars = 20;

    // Builds the combo box (ChartMeasure) and the chart view (StatisticChart) into panel.
    explicit StatisticsChart(QWidget* panel);

    // What the bars stand for: the clients of a reading, or the user groups (a group's name in place of the address).
    enum class Subject { Clients, Groups };

    // Ranks the rows of a reading and draws the chosen measure.
    void setRows(std::span<const ConnectionStatsRow> rows, Subject subject = Subject::Clients);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void draw();
    void takePaletteColours();

    QComboBox* measure_;
    QChartView* view_;
    QChart* chart_;
    QBarCategoryAxis* clients_;
    QValueAxis* amounts_;
    std::vector<statsreport::RankedClient> byTraffic_;
    std::vector<statsreport::RankedClient> byConnections_;
    Subject subject_ = Subject::Clients;
};
