#include "app/Main.h"

#include "support/GuiTestSupport.h"

#include <QAbstractItemView>
#include <QAction>
#include <QChart>
#include <QChartView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QStatusBar>
#include <QStyle>
#include <QTabBar>
#include <QTabWidget>
#include <QToolButton>
#include <QtTest>

// The window as a person works with it: the title and Save follow the change state, and the standard keys act
// without ever becoming text in the field that has the focus.
class TestWindow : public QObject, WindowTest {
    Q_OBJECT

    static constexpr char kServerFile[] = "[Server]\r\nPort=3128\r\n";

    QLineEdit* portField() const { return child<QLineEdit>("EditProxyPort"); }
    QByteArray serverFile() const { return dir->read(QStringLiteral("glym30.ini")); }

    // The mark in the title and the three ways to save always agree with the flag.
    void verifyShows(bool changed) const {
        QCOMPARE(window->isWindowModified(), changed);
        QCOMPARE(child<QToolButton>("ButtonSave")->isEnabled(), changed);
        QCOMPARE(child<QAction>("Save1")->isEnabled(), changed);
    }
    // The largest difference in lightness between a tab's background (its commonest colour) and any pixel inside
    // it: the text, when the text can be read.
    static int tabContrast(QTabBar* bar, int tab) {
        const QImage image = bar->grab(bar->tabRect(tab).adjusted(4, 4, -4, -4)).toImage();
        QHash<QRgb, int> counts;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                ++counts[image.pixel(x, y)];
        QRgb background = 0;
        for (auto it = counts.cbegin(); it != counts.cend(); ++it)
            if (it.value() > counts.value(background))
                background = it.key();
        int contrast = 0;
        for (auto it = counts.cbegin(); it != counts.cend(); ++it)
            contrast = std::max(contrast, std::abs(QColor(it.key()).lightness() - QColor(background).lightness()));
        return contrast;
    }

    bool activate() {
        window->show();
        QApplication::setActiveWindow(window.get());
        return QTest::qWaitForWindowActive(window.get());
    }

private Q_SLOTS:
    void init() {
        begin();
        dir->write(QStringLiteral("glym30.ini"), kServerFile);
    }
    void cleanup() { verifyNoProblems(finish()); }

    // One session: typed, saved by Ctrl+S, flagged directly, loaded again, changed by a rule list.
    void titleAndSaveFollowTheChangeState() {
        start();
        QCOMPARE(window->windowTitle(),
                 QStringLiteral("GLYM add-on - ") + dir->path(QStringLiteral("glym30.ini")) + QStringLiteral("[*]"));
        verifyShows(false);

        QVERIFY(activate());
        portField()->setFocus();
        QTest::keyClicks(portField(), QStringLiteral("0"));
        verifyShows(true);
        QTest::keyClick(portField(), Qt::Key_S, Qt::ControlModifier);
        QVERIFY(serverFile().contains("\r\nPort=31280\r\n"));
        QCOMPARE(portField()->text(), QStringLiteral("31280"));
        verifyShows(false);

        // Code that writes the flag itself (as the handlers' callers may) is shown at the next event.
        window->ConfigChanged = true;
        QTRY_VERIFY(window->isWindowModified());
        verifyShows(true);
        QVERIFY(QMetaObject::invokeMethod(window.get(), "LoadServerConfig"));
        verifyShows(false);
        QVERIFY(QMetaObject::invokeMethod(window.get(), "RouterRulesChange"));
        verifyShows(true);
        window->ConfigChanged = false;
        QTRY_VERIFY(!child<QToolButton>("ButtonSave")->isEnabled());
        verifyShows(false);
    }

    // Alt with a letter opens a menu or does nothing; Ctrl+S with nothing to save writes nothing; Ctrl+Q closes
    // through the close question; F5 shows the statistics read afresh. The field with the focus shows its hint and
    // keeps its text through all of it.
    // The hint the status bar shows is painted where the hint panel stands, and the notes panel, which stretches
    // over the rest of the bar, does not cover it: the hint's place looks the same with a note as without one.
    void theHintIsNotCovered() {
        start();
        QVERIFY(activate());
        auto* bar = child<QStatusBar>("StatusBar1");
        auto* notes = child<QLabel>("StatusPanel1");
        auto hintPlace = [bar](const QString& note, QLabel* panel) {
            panel->setText(note);
            bar->showMessage(QStringLiteral("WWWWWWWWWWWWWWWWWWWW"));
            return bar->grab().toImage().copy(0, 0, 300, bar->height());
        };
        const QImage alone = hintPlace({}, notes);
        const QImage withNote = hintPlace(QString(60, u'#'), notes);
        bar->clearMessage();
        const QImage empty = bar->grab().toImage().copy(0, 0, 300, bar->height());
        QVERIFY2(alone != empty, "the hint is not painted");
        QVERIFY2(withNote == alone, "the note covers the hint");
        // A message longer than the hint panel (a report) is painted whole.
        auto beyondThePanel = [bar] {
            return bar->grab().toImage().copy(360, 0, 200, bar->height());
        };
        const QImage nothing = beyondThePanel();
        bar->showMessage(QString(60, u'W'));
        QVERIFY2(beyondThePanel() != nothing, "a long message is cut");
        // So it is beside the panels of the features (the service's state, the statistics' totals, one more here):
        // they give way while it shows, nothing visible left of its end, and get their room back after.
        auto* panel = new QLabel(QString(30, u'#'), bar);
        bar->addPermanentWidget(panel);
        bar->clearMessage();
        QTRY_COMPARE(panel->width(), panel->sizeHint().width());
        const QString message(50, u'W'); // as long as the bar holds beside the notes' least width
        const int messageEnd = bar->fontMetrics().horizontalAdvance(message);
        auto panelsStart = [bar] {
            int start = bar->width();
            for (QWidget* widget : bar->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
                if (widget->isVisible() && widget->width() > 0 && widget->objectName() != "StatusPanel0")
                    start = std::min(start, widget->x()); // the hint panel is empty, under the message
            return start;
        };
        bar->showMessage(message);
        QTRY_VERIFY2(panelsStart() >= messageEnd, qPrintable(QString::number(panelsStart())));
        bar->clearMessage();
        QTRY_COMPARE(panel->width(), panel->sizeHint().width());
    }

    // View > Theme: Dark draws the window from a dark palette, the inner vertical tabs and the chart too, and the
    // choice comes back at the next start; System gives back the style and palette the program started with.
    void themeIsKeptAndReadable() {
        start();
        const QString startingStyle = QApplication::style()->name();
        const QPalette startingPalette = QApplication::palette();
        QVERIFY(child<QAction>("ThemeSystem")->isChecked());
        QVERIFY(activate()); // switched while shown: the pages not seen yet take the palette too
        child<QAction>("ThemeDark")->trigger();
        QVERIFY(child<QAction>("ThemeDark")->isChecked());
        QVERIFY(!child<QAction>("ThemeSystem")->isChecked());
        QCOMPARE(QApplication::style()->name().toLower(), QStringLiteral("fusion"));
        QVERIFY(QApplication::palette().color(QPalette::Window).lightness() < 100);

        child<QTabWidget>("PageControl")->setCurrentWidget(child<QWidget>("Users"));
        QTabBar* inner = child<QTabWidget>("PageControl1")->tabBar();
        QCOMPARE(inner->currentIndex(), 0);
        for (int tab : {0, 1}) // the page shown, and one not shown
            QVERIFY2(tabContrast(inner, tab) > 100, qPrintable(QString::number(tabContrast(inner, tab))));
        QWidget* networks = child<QAbstractItemView>("LNetwork")->viewport();
        QVERIFY(networks->grab().toImage().pixelColor(networks->width() - 3, networks->height() - 3).lightness() < 100);
        QChart* chart = child<QChartView>("StatisticChart")->chart();
        QCOMPARE(chart->backgroundBrush().color(), QApplication::palette().color(QPalette::Base));
        QCOMPARE(chart->titleBrush().color(), QApplication::palette().color(QPalette::WindowText));

        QVERIFY(window->close());
        QVERIFY(dir->read(QStringLiteral("glymconf.ini")).contains("\r\nTheme=Dark\r\n"));
        restart();
        QVERIFY(child<QAction>("ThemeDark")->isChecked());
        QVERIFY(QApplication::palette().color(QPalette::Window).lightness() < 100);
        child<QAction>("ThemeLight")->trigger();
        QVERIFY(QApplication::palette().color(QPalette::Window).lightness() > 150);
        QCOMPARE(child<QChartView>("StatisticChart")->chart()->backgroundBrush().color(),
                 QApplication::palette().color(QPalette::Base));
        child<QAction>("ThemeSystem")->trigger();
        QCOMPARE(QApplication::style()->name(), startingStyle);
        QCOMPARE(QApplication::palette(), startingPalette);
        QVERIFY(window->close());
        QByteArray preferences = dir->read(QStringLiteral("glymconf.ini"));
        QVERIFY(preferences.contains("\r\nTheme=System\r\n"));

        // A start in Dark from the desktop's look: the window, built before the theme is read, is dark when shown.
        dir->write(QStringLiteral("glymconf.ini"), preferences.replace("Theme=System", "Theme=Dark"));
        restart();
        QVERIFY(window->palette().color(QPalette::Window).lightness() < 100);
        QVERIFY(child<QChartView>("StatisticChart")->chart()->backgroundBrush().color().lightness() < 100);
        child<QAction>("ThemeSystem")->trigger();
        QCOMPARE(window->palette().color(QPalette::Window), startingPalette.color(QPalette::Window));
    }

    void shortcutsDoNotTypeIntoFields() {
        dir->write(QStringLiteral("connect.log"), QByteArray());
        dir->write(QStringLiteral("glym30.ini"), QByteArray(kServerFile) + "[Connect Log]\r\nFile Name=" +
                                                     dir->path("connect.log").toUtf8() + "\r\n");
        start();
        const QByteArray saved = serverFile();
        QVERIFY(activate());
        QLineEdit* field = child<QLineEdit>("FCachePath");
        child<QTabWidget>("PageControl")->setCurrentWidget(child<QWidget>("Cache"));
        field->setFocus();
        QVERIFY(!field->statusTip().isEmpty());
        QCOMPARE(child<QStatusBar>("StatusBar1")->currentMessage(), field->statusTip());
        const QString before = field->text();

        QTest::keyClick(field, Qt::Key_F, Qt::AltModifier);
        QTRY_VERIFY(child<QMenu>("File1")->isVisible());
        QTest::keyClick(child<QMenu>("File1"), Qt::Key_Escape);
        QTest::keyClick(child<QMenu>("File1"), Qt::Key_Escape);
        QTRY_VERIFY(window->isActiveWindow());
        for (Qt::Key key : {Qt::Key_Z, Qt::Key_2, Qt::Key_Q})
            QTest::keyClick(field, key, Qt::AltModifier);
        QTest::keyClick(field, Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(field->text(), before);
        QCOMPARE(serverFile(), saved);
        QVERIFY(!window->ConfigChanged);

        portField()->setText(QStringLiteral("8080"));
        answers->pushBox(QMessageBox::Cancel);
        QTest::keyClick(portField(), Qt::Key_Q, Qt::ControlModifier);
        QTRY_COMPARE(answers->seen().size(), std::size_t(1));
        QCOMPARE(answers->seen()[0].text, QStringLiteral("Save changes to config?"));
        QVERIFY(window->isVisible());

        QVERIFY(activate()); // the box had the keys
        QTest::keyClick(field, Qt::Key_F5);
        QCOMPARE(child<QTabWidget>("PageControl")->currentWidget()->objectName(), QStringLiteral("Statistic"));
        QCOMPARE(field->text(), before);
    }
};

QTEST_MAIN(TestWindow)
#include "test_window.moc"
