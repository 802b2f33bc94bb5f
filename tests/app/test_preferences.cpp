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

    // The keys after [Form], as the first close writes them when no page with a splitter was seen.
    static constexpr char kDefaultOptionsAndPanes[] =
        "[Options]\r\nHint=0\r\nTheme=System\r\n"
        "[Interface]\r\nPage=0\r\nPageGroup=0\r\nPageMap=0\r\n"
        "BoxName=250\r\nBoxNet=130\r\nBoxUrl=330\r\nBoxLimit=280\r\nBoxPorts=270\r\n"
        "BoxNameTotal=660\r\nBoxNetTotal=260\r\nBoxUrlTotal=550\r\nBoxLimitTotal=620\r\nBoxPortsTotal=620\r\n";
    static QByteArray defaultPreferences() {
        return "[Form]\r\nTop=100\r\nLeft=100\r\nHeight=480\r\nWidth=640\r\n" + QByteArray(kDefaultOptionsAndPanes);
    }

    QTabWidget* pages(const char* name) const { return child<QTabWidget>(name); }
    // The first pane's share of its splitter, both panes counted.
    double share(const char* splitter) const {
        const QList<int> sizes = child<QSplitter>(splitter)->sizes();
        return double(sizes.value(0)) / (sizes.value(0) + sizes.value(1));
    }

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

    // Without a preferences file the window opens at 1000 x 700 in the middle of the screen, as far as the screen
    // holds it; the URL rules get more than half of their page.
    void firstRun() {
        start();
        const QRect screen = window->screen()->availableGeometry();
        const QRect shown(window->pos(), window->size());
        QVERIFY(screen.contains(shown));
        QVERIFY(window->width() > 640 && window->height() > 480);
        QVERIFY(window->width() <= 1000 && window->height() <= 700);
        if (screen.width() > 1100 && screen.height() > 800)
            QCOMPARE(window->size(), QSize(1000, 700));
        // The frame the window manager adds is reckoned with: the window stands in the middle within a title bar.
        QVERIFY(qAbs(shown.center().x() - screen.center().x()) <= 30);
        QVERIFY(qAbs(shown.center().y() - screen.center().y()) <= 30);
        QVERIFY(!child<QAction>("ShowHint1")->isChecked());
        QCOMPARE(pages("PageControl")->currentIndex(), 0);
        QCOMPARE(pages("PageControl1")->currentIndex(), 0);
        QCOMPARE(pages("PageControl2")->currentIndex(), 0);
        visit(3, "PageControl1", 1);
        QVERIFY2(qAbs(share("UrlWordSplitter") - 0.6) < 0.02, qPrintable(QString::number(share("UrlWordSplitter"))));
        visit(0, "PageControl1", 0);
        ReplaceCounter replaces(dir->path(QString()), "glymconf.ini");
        QVERIFY(window->close());
        const QByteArray written = preferences();
        QVERIFY2(written.startsWith(QStringLiteral("[Form]\r\nTop=%1\r\nLeft=%2\r\nHeight=%3\r\nWidth=%4\r\n")
                                        .arg(window->y())
                                        .arg(window->x())
                                        .arg(window->height())
                                        .arg(window->width())
                                        .toLatin1()),
                 written.constData());
        QVERIFY2(written.contains("[Options]\r\nHint=0\r\nTheme=System\r\n[Interface]\r\nPage=0\r\nPageGroup=0\r\n"
                                  "PageMap=0\r\nBoxName="),
                 written.constData());
        QVERIFY2(written.contains("\r\nBoxLimit=280\r\nBoxPorts=270\r\n"), written.constData()); // pages not seen
        QVERIFY2(written.endsWith("[Recent Directories]\r\nDirectory1=" +
                                  QFileInfo(dir->executable()).absolutePath().toUtf8() + "\r\n"),
                 written.constData());
        QCOMPARE(replaces.take(), 1); // every key in one write
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

    // A pane keeps its share of the splitter: at a start in a window of another size, while the window changes size,
    // and after a drag of the handle, which sets a new share.
    void panesKeepTheirShare() {
        dir->write(QStringLiteral("glymconf.ini"),
                   "[Form]\r\nTop=0\r\nLeft=0\r\nHeight=500\r\nWidth=660\r\n[Interface]\r\nBoxUrl=600\r\n"
                   "BoxUrlTotal=1000\r\nBoxNet=100\r\nBoxNetTotal=400\r\n");
        start();
        visit(3, "PageControl1", 1);
        QVERIFY2(qAbs(share("UrlWordSplitter") - 0.6) < 0.01, qPrintable(QString::number(share("UrlWordSplitter"))));
        const int before = child<QGroupBox>("BoxUrl")->width();
        window->resize(780, 580);
        QTRY_VERIFY(child<QGroupBox>("BoxUrl")->width() > before);
        QVERIFY2(qAbs(share("UrlWordSplitter") - 0.6) < 0.01, qPrintable(QString::number(share("UrlWordSplitter"))));
        visit(3, "PageControl1", 0);
        QVERIFY2(qAbs(share("NetHostSplitter") - 0.25) < 0.02, qPrintable(QString::number(share("NetHostSplitter"))));

        // A drag to 45 %: the next start, in a smaller window, shows 45 %.
        QSplitter* splitter = child<QSplitter>("NetHostSplitter");
        QSplitterHandle* handle = splitter->handle(1);
        const QList<int> sizes = splitter->sizes();
        const int drag = (sizes[0] + sizes[1]) * 45 / 100 - sizes[0];
        const QPoint grip = handle->rect().center();
        QTest::mousePress(handle, Qt::LeftButton, {}, grip);
        QTest::mouseMove(handle, grip + QPoint(0, drag));
        QTest::mouseRelease(handle, Qt::LeftButton, {}, grip + QPoint(0, drag));
        QVERIFY2(qAbs(share("NetHostSplitter") - 0.45) < 0.02, qPrintable(QString::number(share("NetHostSplitter"))));
        QVERIFY(window->close());
        QVERIFY2(preferences().contains("\r\nBoxUrl=" + QByteArray::number(child<QGroupBox>("BoxUrl")->width())),
                 preferences().constData());

        restart();
        window->resize(640, 480);
        QVERIFY(showWindow());
        visit(3, "PageControl1", 0);
        QVERIFY2(qAbs(share("NetHostSplitter") - 0.45) < 0.02, qPrintable(QString::number(share("NetHostSplitter"))));
        visit(3, "PageControl1", 1);
        QVERIFY2(qAbs(share("UrlWordSplitter") - 0.6) < 0.01, qPrintable(QString::number(share("UrlWordSplitter"))));
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
        const QList<int> group = child<QSplitter>("GroupSplitter")->sizes();
        QVERIFY2(written.startsWith("[Form]\r\nTop=40\r\nLeft=30\r\nHeight=520\r\nWidth=700\r\n[Options]\r\n"
                                    "Hint=1\r\nTheme=System\r\n[Interface]\r\nPage=4\r\nPageGroup=2\r\nPageMap=1\r\n"
                                    "BoxName=180\r\n"),
                 written.constData());
        QVERIFY2(written.contains(QStringLiteral("\r\nBoxUrl=330\r\n").toLatin1()), written.constData());
        QVERIFY2(written.contains(QStringLiteral("\r\nBoxNameTotal=%1\r\n").arg(group[0] + group[1]).toLatin1()),
                 written.constData());

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
        dir->write(QStringLiteral("glymconf.ini"), "[Form]\r\nTop=abc\r\nLeft=\r\nHeight=1e3\r\nWidth= 660 \r\n"
                                                   "[Options]\r\nHint=yes\r\n");
        start();
        QCOMPARE(window->pos(), QPoint(100, 100));
        QCOMPARE(window->size(), QSize(660, 480));
        QVERIFY(!child<QAction>("ShowHint1")->isChecked());
    }

    // A stored rectangle off the screen or larger than it is moved and shrunk to fit; never below the minimum.
    void geometryFittedToTheScreen_data() {
        QTest::addColumn<QByteArray>("stored");
        QTest::newRow("far right and above") << QByteArray("Top=-300\r\nLeft=5000");
        QTest::newRow("larger than the screen") << QByteArray("Top=0\r\nLeft=0\r\nHeight=5000\r\nWidth=5000");
        QTest::newRow("smaller than the minimum") << QByteArray("Height=10\r\nWidth=10");
        QTest::newRow("far left and below") << QByteArray("Top=4000\r\nLeft=-4000\r\nHeight=500\r\nWidth=700");
        QTest::newRow("huge and far off") << QByteArray("Top=-3000\r\nLeft=-3000\r\nHeight=4000\r\nWidth=5000");
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
        dir->write(QStringLiteral("glymconf.ini"), defaultPreferences());
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
        QCOMPARE(preferences(), defaultPreferences());
    }
};

QTEST_MAIN(TestPreferences)
#include "test_preferences.moc"
