#include "app/Main.h"
#include "app/Translations.h"
#include "base/Images.h"

#include "support/GuiTestSupport.h"

#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QRadioButton>
#include <QSplitter>
#include <QTabWidget>
#include <QTableView>
#include <QToolButton>
#include <QtTest>

// The main window's form: its named controls, pages, hints, list columns and image lists.
class TestMainForm : public QObject, WindowTest {
    Q_OBJECT

private slots:
    void init() {
        begin();
        start(QByteArray()); // an (empty) server file next to the executable, so start-up has nothing to ask
    }
    void cleanup() {
        translations::install(QLocale::c());
        verifyNoProblems(finish());
    }

    // The hints the window has had in Russian come from its Russian translation, which the window takes as it is
    // built.
    void restartInRussian() {
        translations::install(QLocale(QLocale::Russian, QLocale::Russia));
        restart();
    }

    void windowFrame() {
        QCOMPARE(window->objectName(), QStringLiteral("MainWnd"));
        QVERIFY(window->windowTitle().startsWith(QStringLiteral("GLYM add-on - "))); // then the settings file
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
            QCOMPARE(pages->isTabVisible(i), i < TMainWnd::kAccessPageIndex);
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
        restartInRussian();
        QCOMPARE(child<QGroupBox>("MainLogBox")->title(), QStringLiteral(" Main Log  "));
        QCOMPARE(child<QGroupBox>("FCacheBox")->title(), QStringLiteral(" Cache in File System  "));
        QCOMPARE(child<QGroupBox>("MemoryBox")->toolTip(), QStringLiteral("Управление памятью сервера "));
    }

    void hintsSplitIntoShortAndLong() {
        restartInRussian();
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
        QVERIFY(child<QToolButton>("ToolButton1")->isHidden());
        for (const char* name : {"ButtonGLYMStart", "ButtonStop", "ButtonRestart", "ButtonSaveAndApply"})
            QVERIFY2(!child<QToolButton>(name)->isHidden(), name);
        QVERIFY(child<QMenu>("Service1")->menuAction()->isVisible());
        QVERIFY(!child<QToolButton>("ButtonReload")->isHidden());
        QVERIFY(!child<QToolButton>("ButtonSave")->isHidden());
        QVERIFY(!child<QToolButton>("ButtonExit")->isHidden());
        QVERIFY(child<QCheckBox>("MappingLogEnable")->isHidden());
    }

    // Every list view is a report-style item view with a model, showing its columns as laid out. A column is
    // "title:width" when it starts at a fixed width, "title:*" when it takes the free room, "title" when it follows
    // its contents; a trailing ">" aligns it right, "^" centres it.
    void listViews_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("columns");
        QTest::newRow("CacheSkipRules") << "CacheSkipRules"
                                        << "Cached:95|URL / Code:*|Comments:120";
        QTest::newRow("GroupName") << "GroupName"
                                   << "Group ID:55|Group Name:*|Comments:120";
        QTest::newRow("LNetwork") << "LNetwork"
                                  << "Group ID:55|IP Address:*|Mask:93|Comments:120";
        QTest::newRow("LHost") << "LHost"
                               << "Group ID:55|Computer Name:*|Comments:120";
        QTest::newRow("LUrl") << "LUrl"
                              << "Group ID:55|Status:65^|URL Blocked:*|Comments:120";
        QTest::newRow("LWord") << "LWord"
                               << "Group ID:55|Word:*|Comments:120";
        QTest::newRow("LLimit") << "LLimit"
                                << "Group ID:55|Limit, kB/day|Comments";
        QTest::newRow("LSpeed") << "LSpeed"
                                << "Group ID:55|Speed, B/min|Comments";
        QTest::newRow("LPortB") << "LPortB"
                                << "Group ID:55|Start Port:60|End Port:60|Comments";
        QTest::newRow("LPortA") << "LPortA"
                                << "Group ID:55|Port:120|Comments";
        QTest::newRow("LTime") << "LTime"
                               << "Group ID:55|Day:70|Begin:40|End:40|Comments";
        QTest::newRow("LAuth") << "LAuth"
                               << "Group ID:55|Login|Password|Comments";
        QTest::newRow("RouterRules") << "RouterRules"
                                     << "IN Port|OUT Port|Server Name|Service Name|Threads|Buffers|Timeout|DNS "
                                        "Live|Wait|Comments";
        QTest::newRow("LStat") << "LStat"
                               << "IP Address:100|Send, kB:70>|First Access:120|Last Disconnect:120|Count "
                                  "Access:80>|Count Query:80>|Group:*";
        QTest::newRow("LStatGroups") << "LStatGroups"
                                     << "Group:160|Clients:70>|Send, kB:90>|Count Access:80>|Count Query:*>";
    }
    void listViews() {
        QFETCH(QString, name);
        QFETCH(QString, columns);
        auto* view = window->findChild<QAbstractItemView*>(name);
        QVERIFY(view && view->model());
        auto* table = qobject_cast<QTableView*>(view);
        QVERIFY(table);
        QVERIFY(table->verticalHeader()->isHidden());
        QCOMPARE(table->verticalHeader()->sectionResizeMode(0), QHeaderView::Fixed);
        QVERIFY(table->showGrid());
        QCOMPARE(view->selectionBehavior(), QAbstractItemView::SelectRows);
        // A list of rules selects several rows to delete, and has its Add, Edit and Delete buttons, with icons and
        // hints that name their keys; the statistics show one row at a time, and have none.
        const bool rules = !name.startsWith(u"LStat");
        QCOMPARE(view->selectionMode(),
                 rules ? QAbstractItemView::ExtendedSelection : QAbstractItemView::SingleSelection);
        for (const char* kind : {"Add", "Edit", "Delete"}) {
            auto* button = window->findChild<QToolButton*>(name + QLatin1String(kind));
            QCOMPARE(button != nullptr, rules);
            if (button)
                QVERIFY(!button->icon().isNull() && button->toolTip().contains(u'('));
        }
        QCOMPARE(view->editTriggers(), QAbstractItemView::NoEditTriggers);
        const QStringList layouts = columns.split(u'|');
        QCOMPARE(view->model()->columnCount(), layouts.size());
        QHeaderView* header = table->horizontalHeader();
        for (int column = 0; column < layouts.size(); ++column) {
            QString layout = layouts[column];
            Qt::Alignment horizontal = Qt::AlignLeft;
            if (layout.endsWith(u'>') || layout.endsWith(u'^')) {
                horizontal = layout.endsWith(u'>') ? Qt::AlignRight : Qt::AlignHCenter;
                layout.chop(1);
            }
            const QString title = layout.section(u':', 0, 0);
            const QString width = layout.section(u':', 1);
            const QAbstractItemModel* model = view->model();
            QCOMPARE(model->headerData(column, Qt::Horizontal).toString(), title);
            const auto alignment =
                Qt::Alignment(model->headerData(column, Qt::Horizontal, Qt::TextAlignmentRole).toInt());
            QCOMPARE(alignment & Qt::AlignHorizontal_Mask, horizontal);
            const QHeaderView::ResizeMode mode = header->sectionResizeMode(column);
            if (width.isEmpty()) {
                QCOMPARE(mode, QHeaderView::ResizeToContents);
            } else if (width == u'*') {
                QCOMPARE(mode, QHeaderView::Stretch);
            } else {
                QCOMPARE(mode, QHeaderView::Interactive);
                QVERIFY(header->sectionSize(column) >= width.toInt());
            }
        }
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
