#include "app/Main.h"
#include "base/Images.h"
#include "base/ListColumns.h"

#include "support/GuiTestSupport.h"

#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSplitter>
#include <QTabWidget>
#include <QToolButton>
#include <QTreeWidget>
#include <QtTest>

// The main window's form: its named controls, pages, hints, list columns and image lists.
class TestMainForm : public QObject, WindowTest {
    Q_OBJECT

private slots:
    void init() {
        begin();
        start(QByteArray()); // an (empty) server file next to the executable, so start-up has nothing to ask
    }
    void cleanup() { verifyNoProblems(finish()); }

    void windowFrame() {
        QCOMPARE(window->objectName(), QStringLiteral("MainWnd"));
        QCOMPARE(window->windowTitle(), QStringLiteral("GLYM add-on"));
        QCOMPARE(window->minimumSize(), QSize(640, 480));
        QCOMPARE(child<QLabel>("VerPanel")->text(), QStringLiteral("GLYM configurator ver.1.0.1.66"));
    }

    void namedControls_data() {
        QTest::addColumn<QString>("className");
        QTest::addColumn<QString>("names");
        QTest::newRow("edit fields") << "QLineEdit"
                                     << "EditProxyPort EditParentIP EditParentPort EditTreadsCount EditTreadsTime "
                                        "EditUsersCount EditUsersIdle EditUsersLive EditMemoryPageCount "
                                        "EditMemoryPageSize EditMemoryTotal EditSocketWriteRemote "
                                        "EditSocketReadRemote EditSocketWriteLocal EditSocketReadLocal "
                                        "MCacheSizeLimit MCacheCountObject MCacheLive MCacheIdle MCacheSizeMin "
                                        "MCacheSizeMax FCachePath FCacheSize FCacheCount FCacheLive FCacheIdle "
                                        "FCacheSizeMin FCacheSizeMax FCacheSaveTime CacheSkipFile RefreshMin "
                                        "RefreshMax RefreshDefault RefreshStep RefreshFrom RefreshTo MainLogFile "
                                        "StatusLogFile ConnectLogFile RouterLogFile RouterFile DNSIdleTime DNSLive "
                                        "DNSCount DNSFile DNSSaveTime DNSUpdateTime DNSUpdateFrom DNSUpdateTo "
                                        "CheckFile CheckUpdate BalancerInterval SMTPaddress POP3address NNTPaddress";
        QTest::newRow("check boxes") << "QCheckBox"
                                     << "UsersEnabled MCacheEnabled FCacheEnabled CacheSkipEnabled RefreshEnable "
                                        "RefreshForced MainLogEnable StatusLogEnable ConnectLogEnable RouterEnable "
                                        "MappingLogEnable DNSEnable DNSUpdate CheckEnable CheckAccess "
                                        "BalancerEnable BalancerCache";
        QTest::newRow("radio buttons") << "QRadioButton"
                                       << "MemoryCache FileCache SwitchB SwitchKB SwitchMB SwitchGB";
        QTest::newRow("tool buttons") << "QToolButton"
                                      << "SpeedButton1 SpeedButton2 SpeedButton3 SpeedButton4 SpeedButton5 "
                                         "SpeedButton6 SpeedButton7 SpeedButton9 CheckFileSelect ButtonReload "
                                         "ButtonSave ButtonGLYMStart ButtonStop ButtonRestart ButtonExit ToolButton1 "
                                         "BReloadStatistic BSaveStatistic";
        QTest::newRow("boxes") << "QGroupBox"
                               << "BoxName BoxNet BoxUrl BoxLimit BoxPorts";
        QTest::newRow("actions") << "QAction"
                                 << "Reload1 Save1 Exit1 ShowHint1";
    }
    void namedControls() {
        QFETCH(QString, className);
        QFETCH(QString, names);
        for (const QString& name : names.split(u' ')) {
            QObject* object = window->findChild<QObject*>(name);
            QVERIFY2(object != nullptr, qPrintable(name));
            QVERIFY2(object->inherits(className.toLatin1().constData()), qPrintable(name));
        }
    }

    void pages() {
        auto* pages = child<QTabWidget>("PageControl");
        const QStringList captions{"General rules", "Cache",     "Cache Rulers", "Permissions", "Logs",
                                   "Advanced",      "Statistic", "Access",       "Test"};
        const QStringList names{"GeneralSheet", "Cache",     "CacheRulers", "Users", "Logs",
                                "Advanced",     "Statistic", "Access",      "Test"};
        QCOMPARE(pages->count(), captions.size());
        for (int i = 0; i < pages->count(); ++i) {
            QCOMPARE(pages->tabText(i), captions[i]);
            QCOMPARE(pages->widget(i)->objectName(), names[i]);
            QCOMPARE(pages->isTabVisible(i), i < TMainWnd::AccessPageIndex);
        }
        auto* permissions = child<QTabWidget>("PageControl1");
        QCOMPARE(permissions->tabPosition(), QTabWidget::West);
        QStringList inner;
        for (int i = 0; i < permissions->count(); ++i)
            inner << permissions->tabText(i);
        QCOMPARE(inner, (QStringList{"Group", "Cache Blocking", "Traffic", "Ports", "Access"}));
        auto* mapping = child<QTabWidget>("PageControl2");
        QCOMPARE(mapping->tabText(0), QStringLiteral("Standart Service"));
        QCOMPARE(mapping->tabText(1), QStringLiteral("Manual Service"));
        QVERIFY(child<QSplitter>("GroupSplitter")->indexOf(child<QGroupBox>("BoxName")) == 0);
        QVERIFY(child<QSplitter>("NetHostSplitter")->indexOf(child<QGroupBox>("BoxNet")) == 0);
    }

    void textsKeepTheirBlanks() {
        QCOMPARE(child<QGroupBox>("MainLogBox")->title(), QStringLiteral(" Main Log  "));
        QCOMPARE(child<QGroupBox>("FCacheBox")->title(), QStringLiteral(" Cache in File System  "));
        QCOMPARE(child<QGroupBox>("MemoryBox")->toolTip(), QStringLiteral("Управление памятью сервера "));
    }

    void hintsSplitIntoShortAndLong() {
        QCOMPARE(child<QAction>("Exit1")->toolTip(), QStringLiteral("Выход"));
        QCOMPARE(child<QAction>("Exit1")->statusTip(), QStringLiteral("Завершить работу программы"));
        QCOMPARE(child<QToolButton>("SpeedButton2")->toolTip(), QStringLiteral("Указать файл"));
        QCOMPARE(child<QToolButton>("SpeedButton2")->statusTip(), QStringLiteral("Указать файл"));
    }

    void radioGroupsAreSeparate() {
        auto* memory = child<QRadioButton>("MemoryCache");
        auto* bytes = child<QRadioButton>("SwitchB");
        QVERIFY(memory->isChecked());
        QVERIFY(bytes->isChecked());
        child<QRadioButton>("SwitchMB")->click();
        QVERIFY(!bytes->isChecked());
        QVERIFY(memory->isChecked());
        child<QRadioButton>("FileCache")->click();
        QVERIFY(!memory->isChecked());
        QVERIFY(child<QRadioButton>("SwitchMB")->isChecked());
    }

    void readOnlyTotal() {
        auto* total = child<QLineEdit>("EditMemoryTotal");
        QVERIFY(total->isReadOnly());
        QVERIFY(!(total->focusPolicy() & Qt::TabFocus));
    }

    void hiddenControls() {
        for (const char* name : {"ButtonReload", "ButtonGLYMStart", "ButtonStop", "ButtonRestart", "ToolButton1"})
            QVERIFY2(child<QToolButton>(name)->isHidden(), name);
        QVERIFY(!child<QToolButton>("ButtonSave")->isHidden());
        QVERIFY(!child<QToolButton>("ButtonExit")->isHidden());
        QVERIFY(child<QCheckBox>("MappingLogEnable")->isHidden());
    }

    // Every list of the column table is in the form with the table's header, widths and resize modes.
    void listColumnsApplied() {
        for (const ListViewColumns& entry : listViewColumnTable()) {
            auto* list = child<QTreeWidget>(entry.listName);
            QVERIFY2(list != nullptr, entry.listName);
            QCOMPARE(list->columnCount(), int(entry.columns.size()));
            QVERIFY(!list->rootIsDecorated());
            QCOMPARE(list->selectionBehavior(), QAbstractItemView::SelectRows);
            QCOMPARE(list->editTriggers(), QAbstractItemView::NoEditTriggers);
            for (int column = 0; column < list->columnCount(); ++column) {
                const ListColumn& columnLayout = entry.columns[std::size_t(column)];
                QCOMPARE(list->headerItem()->text(column), QString::fromUtf8(columnLayout.title));
                const QHeaderView::ResizeMode mode = list->header()->sectionResizeMode(column);
                if (columnLayout.sizing == ColumnSizing::Fixed) {
                    QCOMPARE(mode, QHeaderView::Interactive);
                    QVERIFY(list->header()->sectionSize(column) >= columnLayout.width);
                } else {
                    QCOMPARE(mode, columnLayout.sizing == ColumnSizing::Stretch ? QHeaderView::Stretch
                                                                                : QHeaderView::ResizeToContents);
                }
            }
        }
    }

    void columnAlignment_data() {
        QTest::addColumn<QString>("list");
        QTest::addColumn<int>("column");
        QTest::addColumn<int>("horizontal");
        QTest::newRow("LStat Send") << "LStat" << 1 << int(Qt::AlignRight);
        QTest::newRow("LStat First Access") << "LStat" << 2 << int(Qt::AlignLeft);
        QTest::newRow("LStat Count Access") << "LStat" << 4 << int(Qt::AlignRight);
        QTest::newRow("LStat Count Query") << "LStat" << 5 << int(Qt::AlignRight);
        QTest::newRow("LUrl Status") << "LUrl" << 1 << int(Qt::AlignHCenter);
        QTest::newRow("LUrl URL") << "LUrl" << 2 << int(Qt::AlignLeft);
        QTest::newRow("column past the end") << "LStat" << 6 << int(Qt::AlignLeft);
        QTest::newRow("unknown list") << "Memo1" << 0 << int(Qt::AlignLeft);
    }
    void columnAlignment() {
        QFETCH(QString, list);
        QFETCH(int, column);
        QFETCH(int, horizontal);
        QCOMPARE(int(listColumnAlignment(list, column) & Qt::AlignHorizontal_Mask), horizontal);
    }

    void imageLists() {
        for (ImageList list :
             {ImageList::ImageList1, ImageList::CacheSkipImage, ImageList::IAuth, ImageList::ImageCache}) {
            for (int index = 0; index < imageCount(list); ++index) {
                const QPixmap image = listImage(list, index).pixmap(16, 16);
                QVERIFY(!image.isNull());
                QCOMPARE(image.size(), QSize(16, 16));
            }
            QVERIFY(listImage(list, imageCount(list)).isNull());
            QVERIFY(listImage(list, -1).isNull());
        }
        QCOMPARE(imageCount(ImageList::ImageList1), 12);
        QVERIFY(!child<QToolButton>("ButtonSave")->icon().isNull());
    }
};

QTEST_MAIN(TestMainForm)
#include "test_mainform.moc"
