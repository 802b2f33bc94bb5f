#include "config/MemoryTotal.h"

#include <QTest>

#include <string>

// The memory total's text: page count x page size in the chosen unit, 3 decimals and at most 10 significant
// digits, or the scientific form once the rounded value has more than 10 integer digits.
class TestMemoryTotal : public QObject {
    Q_OBJECT

private slots:
    void format_data() {
        QTest::addColumn<float>("count");
        QTest::addColumn<float>("size");
        QTest::addColumn<int>("unit");
        QTest::addColumn<char>("separator");
        QTest::addColumn<QString>("expected");
        const int b = int(MemoryUnit::Bytes), kb = int(MemoryUnit::KiloBytes), mb = int(MemoryUnit::MegaBytes),
                  gb = int(MemoryUnit::GigaBytes);
        QTest::newRow("B") << 1000.0f << 4096.0f << b << '.' << "4096000.000";
        QTest::newRow("kB") << 1000.0f << 4096.0f << kb << '.' << "4000.000";
        QTest::newRow("MB") << 1000.0f << 4096.0f << mb << '.' << "3.906";
        QTest::newRow("GB, locale separator") << 1000.0f << 4096.0f << gb << ',' << "0,004";
        QTest::newRow("count held in single precision") << 123456789.0f << 1.0f << b << '.' << "123456792.000";
        QTest::newRow("ten integer digits") << 9999.0f << 1000000.0f << b << '.' << "9999000000.000";
        QTest::newRow("eleven integer digits") << 1000000.0f << 65536.0f << b << '.' << "6.5536E+10";
        // 9999999999.99993896484375: ten integer digits before rounding, eleven after.
        QTest::newRow("rounding carries into an eleventh digit")
            << 100000.0078125f << 99999.9921875f << b << '.' << "1E+10";
        // 9999998437.50006103515625 keeps its 10 significant digits only.
        QTest::newRow("ten digits, rounded") << 99999.9921875f << 99999.9921875f << b << '.' << "9999998438.000";
        QTest::newRow("more than 10 significant digits") << 3.0f << 1234567.125f << b << '.' << "3703701.375";
        QTest::newRow("negative zero") << -1.0f << 0.0001f << b << '.' << "0.000";
    }

    void format() {
        QFETCH(float, count);
        QFETCH(float, size);
        QFETCH(int, unit);
        QFETCH(char, separator);
        QFETCH(QString, expected);
        QCOMPARE(QString::fromStdString(formatMemoryTotal(count, size, MemoryUnit(unit), separator)), expected);
    }
};

QTEST_APPLESS_MAIN(TestMemoryTotal)
#include "test_memorytotal.moc"
