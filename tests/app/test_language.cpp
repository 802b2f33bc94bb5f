#include "access/AccessLists.h"
#include "access/GroupNameDialog.h"
#include "access/SpeedDialog.h"
#include "app/Help.h"
#include "app/Translations.h"
#include "base/RuleDialog.h"
#include "cacheskip/CacheSkipDialog.h"
#include "portmap/ManualServiceDialog.h"
#include "widgets/Advspin.h"

#include "support/GuiTestSupport.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAction>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QStackedWidget>
#include <QTabBar>
#include <QTabWidget>
#include <QTextBlock>
#include <QTextBrowser>
#include <QtTest>

// The texts of the window in the user's language, the hints of every control, and the manual and About box of the
// Help menu.
class TestLanguage : public QObject, WindowTest {
    Q_OBJECT

    static QLocale russianLocale() { return QLocale(QLocale::Russian, QLocale::Russia); }

    // The hint (tool tip, or status tip) of a control or an action of the window.
    QString hintOf(const QString& name, const QString& kind) const {
        QObject* object = window->findChild<QObject*>(name);
        if (!object)
            return QStringLiteral("<no %1>").arg(name);
        return object->property(kind.toLatin1().constData()).toString();
    }

    static bool isInputControl(const QWidget* widget) {
        return qobject_cast<const QLineEdit*>(widget) || qobject_cast<const QAbstractButton*>(widget) ||
               qobject_cast<const QComboBox*>(widget) ||
               (qobject_cast<const QAbstractItemView*>(widget) && !qobject_cast<const QHeaderView*>(widget));
    }

    // Every control a person uses (fields, buttons, boxes, lists) that can be shown, below root. The controls of
    // the hidden pages and hidden controls never show (a page of a tab widget only waits for its tab); a part of
    // a control (its drop button, say) shows the control's hint, and Qt's own parts (qt_..., the scroll buttons
    // of a tab bar) are no controls of ours.
    static QList<QWidget*> inputControls(QWidget* root, const QTabWidget* pages = nullptr) {
        QList<QWidget*> found;
        for (QWidget* widget : root->findChildren<QWidget*>()) {
            if (!isInputControl(widget) || widget->objectName().isEmpty() ||
                widget->objectName().startsWith(QLatin1String("qt_")) || qobject_cast<QTabBar*>(widget->parentWidget()))
                continue;
            bool shown = true;
            for (QWidget* w = widget; w && w != root && shown; w = w->parentWidget()) {
                const bool page = qobject_cast<QStackedWidget*>(w->parentWidget()) != nullptr;
                shown = (page || !w->isHidden()) && !w->isWindow() && (w == widget || !isInputControl(w));
                if (pages && pages->indexOf(w) >= 0)
                    shown = shown && pages->isTabVisible(pages->indexOf(w));
            }
            if (shown)
                found << widget;
        }
        return found;
    }

    static QStringList withoutHint(const QList<QWidget*>& controls) {
        QStringList names;
        for (const QWidget* control : controls)
            if (control->toolTip().trimmed().isEmpty())
                names << control->objectName();
        return names;
    }

private Q_SLOTS:
    void init() { begin(); }
    void cleanup() {
        translations::install(QLocale::c());
        verifyNoProblems(finish());
    }

    void translationFollowsTheLocale_data() {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QString>("installed");
        QTest::newRow("Russian") << russianLocale() << "glymconf_ru";
        QTest::newRow("Russian, Ukraine") << QLocale(QLocale::Russian, QLocale::Ukraine) << "glymconf_ru";
        QTest::newRow("English") << QLocale(QLocale::English, QLocale::UnitedStates) << "";
        QTest::newRow("C") << QLocale::c() << "";
        QTest::newRow("no translation") << QLocale(QLocale::German, QLocale::Germany) << "";
    }
    void translationFollowsTheLocale() {
        QFETCH(QLocale, locale);
        QFETCH(QString, installed);
        QCOMPARE(translations::install(russianLocale()), QStringLiteral("glymconf_ru"));
        QCOMPARE(translations::install(locale), installed); // each call replaces what the one before installed
        QCOMPARE(TRuleDialog::whyNotStorable(QStringLiteral("a:b")).startsWith(QLatin1String("cannot hold")),
                 installed.isEmpty());
    }

    // The hints the window has had in Russian are the Russian translation, byte for byte (double blanks, trailing
    // blanks and the Latin "A" of "Aдрес" included); the English texts say the same with the units spelled out.
    // Captions are English in both.
    void hintsInBothLanguages_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("english");
        QTest::addColumn<QString>("russian");
        auto row = [](const char* name, const char* kind, const char* english, const char* russian) {
            QTest::addRow("%s %s", name, kind) << name << kind << english << QString::fromUtf8(russian);
        };
        row("ButtonSave", "toolTip", "Save the configuration", "Сохранить конфигурацию");
        row("Exit1", "toolTip", "Exit", "Выход");
        row("Exit1", "statusTip", "Quit the configurator", "Завершить работу программы");
        row("MemoryBox", "toolTip", "Memory management of the server", "Управление памятью сервера ");
        row("SpeedButton9", "statusTip", "Choose the file of the cache-skip rules",
            "Выбор файла с правилами  избирательного кэширования");
        row("SMTPaddress", "toolTip", "Address of the incoming mail server (SMTP, port 25)",
            "A\xd0\xb4рес почтового сервера  входящих");
        row("LSpeed", "toolTip", "Speed of access to web pages of each group, in bytes per minute",
            "Скорость доступа  к страницам Интернет");
        row("LLimit", "toolTip", "Daily traffic limit of each group, in kilobytes per day",
            "Ограничение по суточному трафику клиентов ");
        row("Service1", "toolTip", "Control the GLYM service", "Упраление сервисом GLYM");
        row("EditProxyPort", "toolTip", "Port on which the proxy listens for its clients (1 to 65535, usually 3128)",
            "Порт, на котором прокси ждёт своих клиентов (от 1 до 65535, обычно 3128)");
    }
    void hintsInBothLanguages() {
        QFETCH(QString, name);
        QFETCH(QString, kind);
        QFETCH(QString, english);
        QFETCH(QString, russian);
        QVERIFY(russian.startsWith(u'A') == (name == QLatin1String("SMTPaddress"))); // the data itself: Latin A
        for (const auto& [locale, expected] : {std::pair{russianLocale(), russian}, std::pair{QLocale::c(), english}}) {
            translations::install(locale);
            window.reset();
            start(QByteArray());
            QCOMPARE(hintOf(name, kind), expected);
            QCOMPARE(child<QTabWidget>("PageControl")->tabText(0), QStringLiteral("General rules"));
            QCOMPARE(child<QGroupBox>("FCacheBox")->title(), QStringLiteral(" Cache in File System  "));
            QCOMPARE(child<QAction>("Save1")->text(), QStringLiteral("&Save"));
        }
    }

    // A hint given in code follows the language too: the dialog of a traffic limit speaks of kilobytes per day,
    // the dialog of a speed of bytes per minute.
    void hintsOfTheCodeInBothLanguages() {
        translations::install(russianLocale());
        auto limit = TFSpeed::createForLimit(nullptr, EditorAction::Add);
        QCOMPARE(static_cast<TFSpeed*>(limit.get())->speed->toolTip(),
                 QString::fromUtf8("Суточное ограничение трафика группы, в килобайтах в сутки (от 0 до 2147483647)"));
        translations::install(QLocale::c());
        auto speed = TFSpeed::createForSpeed(nullptr, EditorAction::Add);
        limit = TFSpeed::createForLimit(nullptr, EditorAction::Add);
        QCOMPARE(static_cast<TFSpeed*>(speed.get())->speed->toolTip(),
                 QStringLiteral("Speed limit of the group, in bytes per minute (0 to 2147483647)"));
        QCOMPARE(static_cast<TFSpeed*>(limit.get())->speed->toolTip(),
                 QStringLiteral("Daily traffic limit of the group, in kilobytes per day (0 to 2147483647)"));
    }

    // Every field, button and list of the window and of every dialog has a hint.
    void everyControlHasAHint() {
        start(QByteArray());
        const QList<QWidget*> controls = inputControls(window.get(), child<QTabWidget>("PageControl"));
        QVERIFY(controls.size() > 100);
        QVERIFY2(withoutHint(controls).isEmpty(), qPrintable(withoutHint(controls).join(u' ')));

        std::vector<std::unique_ptr<QDialog>> dialogs;
        for (const ListDescriptor* list : accesslists::all())
            if (list->dialog.create) // the group list makes its dialog itself
                dialogs.push_back(list->dialog.create(window.get(), EditorAction::Add));
        dialogs.push_back(std::make_unique<TFGroupName>(window.get()));
        dialogs.push_back(std::make_unique<TFCacheSkip>(window.get()));
        dialogs.push_back(std::make_unique<TFMService>(window.get()));
        for (const auto& dialog : dialogs) {
            const QList<QWidget*> fields = inputControls(dialog.get());
            QVERIFY2(fields.size() >= 4, qPrintable(dialog->objectName())); // the fields, Ok and Cancel
            QVERIFY2(withoutHint(fields).isEmpty(),
                     qPrintable(dialog->objectName() + QStringLiteral(": ") + withoutHint(fields).join(u' ')));
        }
    }

    // F1 opens the manual at the section about the page shown, the inner page's where the page has pages.
    void f1OpensTheSectionOfThePage_data() {
        QTest::addColumn<QString>("page");
        QTest::addColumn<QString>("innerPage");
        QTest::addColumn<QString>("heading");
        QTest::newRow("General rules") << "GeneralSheet"
                                       << ""
                                       << "General rules";
        QTest::newRow("Cache") << "Cache"
                               << ""
                               << "Cache";
        QTest::newRow("Cache Rulers") << "CacheRulers"
                                      << ""
                                      << "Cache Rulers";
        QTest::newRow("Group") << "Users"
                               << "GroupSheet"
                               << "Permissions: Group";
        QTest::newRow("Traffic") << "Users"
                                 << "TrafficSheet"
                                 << "Permissions: Traffic";
        QTest::newRow("Access") << "Users"
                                << "TimeAuthSheet"
                                << "Permissions: Access";
        QTest::newRow("Logs") << "Logs"
                              << ""
                              << "Logs";
        QTest::newRow("Manual Service") << "Advanced"
                                        << "ManualServiceSheet"
                                        << "Advanced: Manual Service";
        QTest::newRow("Statistic") << "Statistic"
                                   << ""
                                   << "Statistic";
    }
    void f1OpensTheSectionOfThePage() {
        QFETCH(QString, page);
        QFETCH(QString, innerPage);
        QFETCH(QString, heading);
        start(QByteArray());
        auto* pages = child<QTabWidget>("PageControl");
        pages->setCurrentWidget(window->findChild<QWidget*>(page));
        if (!innerPage.isEmpty()) {
            auto* inner = window->findChild<QWidget*>(innerPage);
            qobject_cast<QTabWidget*>(inner->parentWidget()->parentWidget())->setCurrentWidget(inner);
        }
        window->show();
        QApplication::setActiveWindow(window.get());
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
        QTest::keyClick(window.get(), Qt::Key_F1);

        auto* manual = window->findChild<help::ManualWindow*>(QStringLiteral("UserManual"));
        QVERIFY(manual && manual->isVisible());
        QTextBrowser* text = manual->browser();
        QVERIFY(text->toPlainText().contains(QStringLiteral("glymconf --check")));
        QTRY_COMPARE(text->cursorForPosition(QPoint(4, 4)).block().text(), heading); // at the top of the view
    }

    void aboutNamesVersionLicenceAndQt() {
        start(QByteArray());
        answers->pushBox(QMessageBox::Ok);
        child<QAction>("About1")->trigger();
        QCOMPARE(answers->seen().size(), std::size_t(1));
        const QString text = answers->seen()[0].text;
        QVERIFY2(text.contains(QStringLiteral("GLYM configurator</b> 1.0.1.66")), qPrintable(text));
        QVERIFY(text.contains(QStringLiteral("Licence: ")));
        QVERIFY(text.contains(QStringLiteral("Qt %1").arg(QString::fromLatin1(qVersion()))));
    }
};

QTEST_MAIN(TestLanguage)
#include "test_language.moc"
