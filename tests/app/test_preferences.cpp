#include "app/Main.h"
#include "app/Translations.h"

#include "config/ReplaceCounter.h"
#include "support/GuiTestSupport.h"

#include <QAction>
#include <QGroupBox>
#include <QHelpEvent>
#include <QScreen>
#include <QSplitter>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>
#include <QToolButton>
#include <QToolTip>
#include <QtTest>

// The configurator's preferences file glymconf.ini: what a first run shows and writes, and how the window's
// geometry, pages, hint option and pane sizes come back at the next start.
class TestPreferences : public QObject, WindowTest {
    Q_OBJECT

    static constexpr char kDefaultPreferences[] = "[Form]\r\nTop=100\r\nLeft=100\r\nHeight=480\r\nWidth=640\r\n"
                                                  "[Options]\r\nHint=0\r\n"
                                                  "[Interface]\r\nPage=0\r\nPageGroup=0\r\nPageMap=0\r\n"
                                                  "BoxName=250\r\nBoxNet=130\r\nBoxUrl=330\r\nBoxLimit=280\r\n"
                                                  "BoxPorts=270\r\n";

    QTabWidget* pages(const char* name) const { return child<QTabWidget>(name); }
    int firstPane(const char* splitter) const { return child<QSplitter>(splitter)->sizes().value(0); }

    // The window started and shown: its geometry is known only then.
    void start() {
        WindowTest::start();
        QVERIFY(showWindow());
    }
    QByteArray preferences() const { return dir->read(QStringLiteral("glymconf.ini")); }

    // Shows an inner page the way a person does: the main tab first, then the inner one.
    void visit(int page, const char* inner = nullptr, int innerPage = 0) const {
        QTabBar* bar = pages("PageControl")->tabBar();
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(page).center());
        if (inner) {
            QTabBar* innerBar = pages(inner)->tabBar();
            QTest::mouseClick(innerBar, Qt::LeftButton, {}, innerBar->tabRect(innerPage).center());
        }
        QCoreApplication::processEvents();
    }

private slots:
    void initTestCase() { QApplication::setQuitOnLastWindowClosed(false); }
    void init() {
        begin();
        dir->write(QStringLiteral("glym30.ini"), QByteArray());
    }
    void cleanup() {
        translations::install(QLocale::c());
        verifyNoProblems(finish());
    }

    void firstRun() {
        start();
        QCOMPARE(window->pos(), QPoint(100, 100));
        QCOMPARE(window->size(), QSize(640, 480));
        QVERIFY(!child<QAction>("ShowHint1")->isChecked());
        QCOMPARE(pages("PageControl")->currentIndex(), 0);
        QCOMPARE(pages("PageControl1")->currentIndex(), 0);
        QCOMPARE(pages("PageControl2")->currentIndex(), 0);
        ReplaceCounter replaces(dir->path(QString()), "glymconf.ini");
        QVERIFY(window->close());
        QCOMPARE(preferences(), QByteArray(kDefaultPreferences));
        QCOMPARE(replaces.take(), 1); // the 13 keys in one write
    }

    // The stored pane sizes are what the boxes show once their pages are seen, and what the next close writes,
    // whether or not the pages were visited.
    void paneSizes_data() {
        QTest::addColumn<bool>("visitPages");
        QTest::newRow("pages not visited") << false;
        QTest::newRow("pages visited") << true;
    }
    void paneSizes() {
        QFETCH(bool, visitPages);
        dir->write(QStringLiteral("glymconf.ini"), "[Interface]\r\nBoxName=200\r\nBoxNet=110\r\nBoxUrl=300\r\n"
                                                   "BoxLimit=260\r\nBoxPorts=240\r\n");
        start();
        if (visitPages) {
            visit(3, "PageControl1", 0);
            QCOMPARE(child<QGroupBox>("BoxName")->width(), 200);
            QCOMPARE(child<QGroupBox>("BoxNet")->height(), 110);
            visit(3, "PageControl1", 1);
            QCOMPARE(child<QGroupBox>("BoxUrl")->width(), 300);
            visit(3, "PageControl1", 2);
            QCOMPARE(child<QGroupBox>("BoxLimit")->width(), 260);
            visit(3, "PageControl1", 3);
            QCOMPARE(child<QGroupBox>("BoxPorts")->width(), 240);
            visit(0, "PageControl1", 0);
        }
        QVERIFY(window->close());
        QVERIFY2(preferences().contains("BoxName=200\r\nBoxNet=110\r\nBoxUrl=300\r\nBoxLimit=260\r\nBoxPorts=240\r\n"),
                 preferences().constData());
    }

    // Moving the window, switching pages, turning hints on and dragging a splitter: the next start restores it all.
    void roundTrip() {
        start();
        window->move(30, 40);
        window->resize(700, 520);
        visit(3, "PageControl1", 0);
        QSplitterHandle* handle = child<QSplitter>("GroupSplitter")->handle(1);
        const int drag = 180 - child<QGroupBox>("BoxName")->width();
        const QPoint grip = handle->rect().center();
        QTest::mousePress(handle, Qt::LeftButton, {}, grip);
        QTest::mouseMove(handle, grip + QPoint(drag, 0));
        QTest::mouseRelease(handle, Qt::LeftButton, {}, grip + QPoint(drag, 0));
        QCOMPARE(child<QGroupBox>("BoxName")->width(), 180);
        visit(3, "PageControl1", 2);
        visit(5, "PageControl2", 1);
        visit(4); // "Logs"
        QCOMPARE(pages("PageControl")->tabText(pages("PageControl")->currentIndex()), QStringLiteral("Logs"));
        child<QAction>("ShowHint1")->trigger();
        QVERIFY(window->close());
        const QByteArray written = preferences();
        QCOMPARE(written, QByteArray("[Form]\r\nTop=40\r\nLeft=30\r\nHeight=520\r\nWidth=700\r\n[Options]\r\nHint=1\r\n"
                                     "[Interface]\r\nPage=4\r\nPageGroup=2\r\nPageMap=1\r\nBoxName=180\r\n"
                                     "BoxNet=130\r\nBoxUrl=330\r\nBoxLimit=280\r\nBoxPorts=270\r\n"));

        window.reset();
        start();
        QCOMPARE(window->pos(), QPoint(30, 40));
        QCOMPARE(window->size(), QSize(700, 520));
        QCOMPARE(pages("PageControl")->currentIndex(), 4);
        QCOMPARE(pages("PageControl1")->currentIndex(), 2);
        QCOMPARE(pages("PageControl2")->currentIndex(), 1);
        QVERIFY(child<QAction>("ShowHint1")->isChecked());
        QVERIFY(window->close());
        QCOMPARE(preferences(), written); // a second run changes nothing
    }

    // An index that names no visible page leaves the first page active.
    void storedPageIndex_data() {
        QTest::addColumn<QByteArray>("stored");
        QTest::addColumn<int>("page");
        QTest::addColumn<int>("pageGroup");
        QTest::addColumn<int>("pageMap");
        QTest::newRow("valid") << QByteArray("Page=6\r\nPageGroup=4\r\nPageMap=1") << 6 << 4 << 1;
        QTest::newRow("too large") << QByteArray("Page=99\r\nPageGroup=5\r\nPageMap=2") << 0 << 0 << 0;
        QTest::newRow("negative") << QByteArray("Page=-1\r\nPageGroup=-1\r\nPageMap=-1") << 0 << 0 << 0;
        QTest::newRow("hidden Access page") << QByteArray("Page=7") << 0 << 0 << 0;
        QTest::newRow("hidden Test page") << QByteArray("Page=8") << 0 << 0 << 0;
        QTest::newRow("hexadecimal") << QByteArray("Page=0x5\r\nPageGroup=0X3") << 5 << 3 << 0;
        QTest::newRow("not numbers") << QByteArray("Page=Logs\r\nPageGroup=\r\nPageMap=1.0") << 0 << 0 << 0;
    }
    void storedPageIndex() {
        QFETCH(QByteArray, stored);
        QFETCH(int, page);
        QFETCH(int, pageGroup);
        QFETCH(int, pageMap);
        dir->write(QStringLiteral("glymconf.ini"), "[Interface]\r\n" + stored + "\r\n");
        start();
        QCOMPARE(pages("PageControl")->currentIndex(), page);
        QCOMPARE(pages("PageControl1")->currentIndex(), pageGroup);
        QCOMPARE(pages("PageControl2")->currentIndex(), pageMap);
        QVERIFY(window->close());
        QVERIFY(preferences().contains(QStringLiteral("Page=%1\r\n").arg(page).toLatin1()));
    }

    void valuesThatAreNotIntegers() {
        dir->write(QStringLiteral("glymconf.ini"), "[Form]\r\nTop=abc\r\nLeft=\r\nHeight=1e3\r\nWidth= 700 \r\n"
                                                   "[Options]\r\nHint=yes\r\n");
        start();
        QCOMPARE(window->pos(), QPoint(100, 100));
        QCOMPARE(window->size(), QSize(700, 480));
        QVERIFY(!child<QAction>("ShowHint1")->isChecked());
    }

    // A stored rectangle off the screen or larger than it is moved and shrunk to fit; never below the minimum.
    void geometryFittedToTheScreen_data() {
        QTest::addColumn<QByteArray>("stored");
        QTest::newRow("far right and above") << QByteArray("Top=-300\r\nLeft=5000");
        QTest::newRow("larger than the screen") << QByteArray("Top=0\r\nLeft=0\r\nHeight=5000\r\nWidth=5000");
        QTest::newRow("smaller than the minimum") << QByteArray("Height=10\r\nWidth=10");
        QTest::newRow("far left and below") << QByteArray("Top=4000\r\nLeft=-4000\r\nHeight=500\r\nWidth=700");
    }
    void geometryFittedToTheScreen() {
        QFETCH(QByteArray, stored);
        dir->write(QStringLiteral("glymconf.ini"), "[Form]\r\n" + stored + "\r\n");
        start();
        // The position is the frame's, the size the client area's (the frame is not known before the first show).
        const QRect screen = window->screen()->availableGeometry();
        QVERIFY2(screen.contains(QRect(window->pos(), window->size())), qPrintable(QStringLiteral("%1,%2 %3x%4")
                                                                                       .arg(window->x())
                                                                                       .arg(window->y())
                                                                                       .arg(window->width())
                                                                                       .arg(window->height())));
        QVERIFY(window->width() >= 640 && window->height() >= 480);
    }

    // "Show Hint" switches the pop-up hints of the window; a second click returns to the first state. The hints are
    // those of the Russian translation here.
    void showHint() {
        translations::install(QLocale(QLocale::Russian, QLocale::Russia));
        start();
        auto* hint = child<QAction>("ShowHint1");
        // A tip that is hidden lingers a moment: each check uses a button whose tip was not shown before.
        auto popUp = [&](const char* name) {
            auto* button = child<QToolButton>(name);
            QHelpEvent event(QEvent::ToolTip, QPoint(2, 2), button->mapToGlobal(QPoint(2, 2)));
            QApplication::sendEvent(button, &event);
            return QToolTip::isVisible() && QToolTip::text() == button->toolTip();
        };
        QVERIFY(!hint->isChecked());
        QVERIFY(!popUp("ButtonSave"));
        hint->trigger();
        QVERIFY(hint->isChecked());
        QVERIFY(popUp("ButtonSave"));
        hint->trigger();
        QVERIFY(!hint->isChecked());
        QVERIFY(!popUp("ButtonExit"));
        QToolTip::hideText();

        // The status bar shows the long hint of the control under the mouse either way.
        auto* picker = child<QToolButton>("SpeedButton2");
        QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), picker->mapToGlobal(QPointF(2, 2)));
        QApplication::sendEvent(picker, &enter);
        QCOMPARE(child<QStatusBar>("StatusBar1")->currentMessage(), QStringLiteral("Указать файл"));
    }

    // A preferences file that cannot be written: the error is shown and the window still closes (an administrator
    // must be able to leave a program whose directory is read-only).
    void preferencesCannotBeWritten() {
        dir->write(QStringLiteral("glymconf.ini"), kDefaultPreferences);
        QVERIFY(QFile::setPermissions(dir->path(QStringLiteral("glymconf.ini")), QFile::ReadOwner));
        start();
        window->move(20, 20);
        answers->pushBox(QMessageBox::Ok);
        QVERIFY(window->close());
        QCOMPARE(answers->seen().size(), std::size_t(1));
        QCOMPARE(answers->seen()[0].caption, QStringLiteral("Error"));
        QVERIFY2(answers->seen()[0].text.startsWith(QStringLiteral("Unable to write to ") + dir->path("glymconf.ini") +
                                                    QStringLiteral(": Permission denied")),
                 qPrintable(answers->seen()[0].text));
        QCOMPARE(preferences(), QByteArray(kDefaultPreferences));
    }
};

QTEST_MAIN(TestPreferences)
#include "test_preferences.moc"
