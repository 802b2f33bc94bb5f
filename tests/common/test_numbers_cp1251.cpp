#include "common/Cp1251.h"
#include "common/Numbers.h"

#include <QChar>
#include <QStringDecoder>
#include <QTest>

#include <array>
#include <limits>

// Whole-number parsing of the files' texts, and the Windows-1251 code page: mapping to Unicode and letter case.
class TestNumbersCp1251 : public QObject {
    Q_OBJECT

private slots:
    void parseInt32_data();
    void parseInt32();
    void parseInt64_data();
    void parseInt64();
    void notAnIntegerMessage();

    void toUnicodeMatchesTheCodec();
    void roundTripOfEveryByte();
    void fromUnicodeCoversExactlyTheCodePage();
    void foldCaseMatchesUnicodeLowerCase();
    void foldCaseOfText();
    void equalsIgnoreCase_data();
    void equalsIgnoreCase();
};

namespace {
constexpr qint64 kInt32Min = std::numeric_limits<std::int32_t>::min();
constexpr qint64 kInt32Max = std::numeric_limits<std::int32_t>::max();
constexpr qint64 kInt64Min = std::numeric_limits<std::int64_t>::min();
constexpr qint64 kInt64Max = std::numeric_limits<std::int64_t>::max();
} // namespace

void TestNumbersCp1251::parseInt32_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<qint64>("value");

    QTest::newRow("zero") << QByteArray("0") << true << qint64(0);
    QTest::newRow("plain") << QByteArray("42") << true << qint64(42);
    QTest::newRow("minus") << QByteArray("-42") << true << qint64(-42);
    QTest::newRow("plus") << QByteArray("+42") << true << qint64(42);
    QTest::newRow("minus zero") << QByteArray("-0") << true << qint64(0);
    QTest::newRow("leading blanks") << QByteArray("   7") << true << qint64(7);
    QTest::newRow("leading zeros") << QByteArray("0012") << true << qint64(12);
    QTest::newRow("many leading zeros") << QByteArray("000000000000000000000000042") << true << qint64(42);
    QTest::newRow("max") << QByteArray("2147483647") << true << kInt32Max;
    QTest::newRow("min") << QByteArray("-2147483648") << true << kInt32Min;
    QTest::newRow("hex 0x") << QByteArray("0x1F") << true << qint64(31);
    QTest::newRow("hex 0X lower digits") << QByteArray("0X1f") << true << qint64(31);
    QTest::newRow("hex dollar") << QByteArray("$ff") << true << qint64(255);
    QTest::newRow("hex negative") << QByteArray("-$10") << true << qint64(-16);
    QTest::newRow("hex sign then 0x") << QByteArray("-0x10") << true << qint64(-16);
    QTest::newRow("hex all ones is -1") << QByteArray("$FFFFFFFF") << true << qint64(-1);
    QTest::newRow("hex top bit") << QByteArray("0x80000000") << true << kInt32Min;
    QTest::newRow("hex leading zeros") << QByteArray("0x00000000000000000001") << true << qint64(1);

    QTest::newRow("empty") << QByteArray("") << false << qint64(0);
    QTest::newRow("blanks only") << QByteArray("   ") << false << qint64(0);
    QTest::newRow("sign only") << QByteArray("-") << false << qint64(0);
    QTest::newRow("plus only") << QByteArray("+") << false << qint64(0);
    QTest::newRow("trailing blank") << QByteArray("7 ") << false << qint64(0);
    QTest::newRow("inner blank") << QByteArray("1 2") << false << qint64(0);
    QTest::newRow("blank after sign") << QByteArray("- 1") << false << qint64(0);
    QTest::newRow("two signs") << QByteArray("--1") << false << qint64(0);
    QTest::newRow("mixed signs") << QByteArray("+-1") << false << qint64(0);
    QTest::newRow("trailing letters") << QByteArray("12abc") << false << qint64(0);
    QTest::newRow("letters") << QByteArray("abc") << false << qint64(0);
    QTest::newRow("exponent") << QByteArray("1e3") << false << qint64(0);
    QTest::newRow("fraction") << QByteArray("1.0") << false << qint64(0);
    QTest::newRow("max + 1") << QByteArray("2147483648") << false << qint64(0);
    QTest::newRow("min - 1") << QByteArray("-2147483649") << false << qint64(0);
    QTest::newRow("huge") << QByteArray("99999999999999999999999") << false << qint64(0);
    QTest::newRow("hex 33 bits") << QByteArray("0x100000000") << false << qint64(0);
    QTest::newRow("0x alone") << QByteArray("0x") << false << qint64(0);
    QTest::newRow("dollar alone") << QByteArray("$") << false << qint64(0);
    QTest::newRow("bad hex digit") << QByteArray("0xg") << false << qint64(0);
    QTest::newRow("sign after 0x") << QByteArray("0x-1") << false << qint64(0);
    QTest::newRow("sign after dollar") << QByteArray("$-1") << false << qint64(0);
    QTest::newRow("NUL inside") << QByteArray("1\0"
                                              "2",
                                              3)
                                << false << qint64(0);
    QTest::newRow("high byte") << QByteArray("1\xB2") << false << qint64(0);
}

void TestNumbersCp1251::parseInt32() {
    QFETCH(QByteArray, text);
    QFETCH(bool, valid);
    QFETCH(qint64, value);
    const auto parsed = ::parseInt32(std::string_view(text.constData(), std::size_t(text.size())));
    QCOMPARE(parsed.has_value(), valid);
    if (valid)
        QCOMPARE(qint64(*parsed), value);
}

void TestNumbersCp1251::parseInt64_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<qint64>("value");

    QTest::newRow("beyond 32 bits") << QByteArray("4294967296") << true << qint64(4294967296LL);
    QTest::newRow("32-bit pattern is positive") << QByteArray("$FFFFFFFF") << true << qint64(0xFFFFFFFFLL);
    QTest::newRow("max") << QByteArray("9223372036854775807") << true << kInt64Max;
    QTest::newRow("min") << QByteArray("-9223372036854775808") << true << kInt64Min;
    QTest::newRow("hex all ones is -1") << QByteArray("$FFFFFFFFFFFFFFFF") << true << qint64(-1);
    QTest::newRow("hex top bit") << QByteArray("0x8000000000000000") << true << kInt64Min;
    QTest::newRow("max + 1") << QByteArray("9223372036854775808") << false << qint64(0);
    QTest::newRow("min - 1") << QByteArray("-9223372036854775809") << false << qint64(0);
    QTest::newRow("hex 65 bits") << QByteArray("$10000000000000000") << false << qint64(0);
    QTest::newRow("unsigned max") << QByteArray("18446744073709551615") << false << qint64(0);
}

void TestNumbersCp1251::parseInt64() {
    QFETCH(QByteArray, text);
    QFETCH(bool, valid);
    QFETCH(qint64, value);
    const auto parsed = ::parseInt64(std::string_view(text.constData(), std::size_t(text.size())));
    QCOMPARE(parsed.has_value(), valid);
    if (valid)
        QCOMPARE(qint64(*parsed), value);
}

void TestNumbersCp1251::notAnIntegerMessage() {
    QCOMPARE(QByteArray::fromStdString(::notAnIntegerMessage("abc")), QByteArray("'abc' is not a valid integer value"));
    QCOMPARE(QByteArray::fromStdString(::notAnIntegerMessage("")), QByteArray("'' is not a valid integer value"));
}

// Every byte but 0x98 (undefined in the code page) maps to the code point the system codec gives.
void TestNumbersCp1251::toUnicodeMatchesTheCodec() {
    QStringDecoder decoder("windows-1251");
    if (!decoder.isValid())
        QSKIP("this Qt has no windows-1251 codec");
    for (int byte = 0; byte < 256; ++byte) {
        if (byte == 0x98)
            continue;
        const char raw = char(byte);
        const QString decoded = decoder.decode(QByteArrayView(&raw, 1));
        QVERIFY2(decoded.size() == 1, qPrintable(QString::number(byte, 16)));
        QVERIFY2(decoded.at(0).unicode() == cp1251::toUnicode(static_cast<unsigned char>(byte)),
                 qPrintable(QStringLiteral("byte 0x%1 gives U+%2, the codec U+%3")
                                .arg(byte, 2, 16, QChar('0'))
                                .arg(int(cp1251::toUnicode(static_cast<unsigned char>(byte))), 4, 16, QChar('0'))
                                .arg(int(decoded.at(0).unicode()), 4, 16, QChar('0'))));
    }
    QCOMPARE(int(cp1251::toUnicode(0x98)), 0x98);
}

void TestNumbersCp1251::roundTripOfEveryByte() {
    for (int byte = 0; byte < 256; ++byte) {
        const auto back = cp1251::fromUnicode(cp1251::toUnicode(static_cast<unsigned char>(byte)));
        QVERIFY2(back.has_value() && *back == byte, qPrintable(QString::number(byte, 16)));
    }
}

// fromUnicode holds a byte for the 256 code points of the code page and for nothing else.
void TestNumbersCp1251::fromUnicodeCoversExactlyTheCodePage() {
    std::array<int, 0x10000> byteOf{};
    byteOf.fill(-1);
    for (int byte = 0; byte < 256; ++byte)
        byteOf[cp1251::toUnicode(static_cast<unsigned char>(byte))] = byte;
    for (int codePoint = 0; codePoint < 0x10000; ++codePoint) {
        const auto byte = cp1251::fromUnicode(char16_t(codePoint));
        if (byteOf[codePoint] < 0)
            QVERIFY2(!byte.has_value(), qPrintable(QString::number(codePoint, 16)));
        else
            QVERIFY2(byte.has_value() && *byte == byteOf[codePoint], qPrintable(QString::number(codePoint, 16)));
    }
}

// The lower-case byte of every byte is the byte of Unicode's lower-case letter (Latin, Cyrillic and the
// Serbian, Macedonian, Ukrainian and Belarusian letters of the upper half alike).
void TestNumbersCp1251::foldCaseMatchesUnicodeLowerCase() {
    int folded = 0;
    for (int byte = 0; byte < 256; ++byte) {
        const char16_t lower = QChar(cp1251::toUnicode(static_cast<unsigned char>(byte))).toLower().unicode();
        const auto expected = cp1251::fromUnicode(lower);
        QVERIFY2(expected.has_value(), qPrintable(QString::number(byte, 16)));
        QVERIFY2(cp1251::foldCase(static_cast<unsigned char>(byte)) == *expected,
                 qPrintable(QStringLiteral("byte 0x%1 folds to 0x%2, expected 0x%3")
                                .arg(byte, 2, 16, QChar('0'))
                                .arg(int(cp1251::foldCase(static_cast<unsigned char>(byte))), 2, 16, QChar('0'))
                                .arg(int(*expected), 2, 16, QChar('0'))));
        if (*expected != byte)
            ++folded;
    }
    QCOMPARE(folded, 26 + 32 + 15); // Latin, the contiguous Cyrillic block, the other capitals
}

void TestNumbersCp1251::foldCaseOfText() {
    static const char kText[] = "GLYM \xCF\xD0\xCE\xCA\xD1\xC8 \xA8\xB2\xAF 123\0Z";
    static const char kExpected[] = "glym \xEF\xF0\xEE\xEA\xF1\xE8 \xB8\xB3\xBF 123\0z";
    const std::string text(kText, sizeof kText - 1);
    const std::string expected(kExpected, sizeof kExpected - 1);
    QCOMPARE(QByteArray::fromStdString(cp1251::foldCase(text)), QByteArray::fromStdString(expected));
}

void TestNumbersCp1251::equalsIgnoreCase_data() {
    QTest::addColumn<QByteArray>("a");
    QTest::addColumn<QByteArray>("b");
    QTest::addColumn<bool>("equal");

    QTest::newRow("Latin") << QByteArray("Idle Thread Time") << QByteArray("IDLE thread time") << true;
    QTest::newRow("Cyrillic block") << QByteArray("\xCF\xF0\xEE\xEA\xF1\xE8") << QByteArray("\xCF\xD0\xCE\xCA\xD1\xC8")
                                    << true;
    QTest::newRow("Yo") << QByteArray("\xA8\xE6") << QByteArray("\xB8\xC6") << true;
    QTest::newRow("Ukrainian I and Yi") << QByteArray("\xB2\xAF") << QByteArray("\xB3\xBF") << true;
    QTest::newRow("empty") << QByteArray("") << QByteArray("") << true;
    QTest::newRow("different length") << QByteArray("a") << QByteArray("ab") << false;
    QTest::newRow("Latin I is not Cyrillic I") << QByteArray("I") << QByteArray("\xB3") << false;
    QTest::newRow("Cyrillic A is not Latin a") << QByteArray("\xC0") << QByteArray("a") << false;
    QTest::newRow("symbols are not letters") << QByteArray("@[") << QByteArray("`{") << false;
    QTest::newRow("NUL compared too") << QByteArray("a\0b", 3) << QByteArray("A\0B", 3) << true;
    QTest::newRow("NUL against other") << QByteArray("a\0b", 3) << QByteArray("a b") << false;
}

void TestNumbersCp1251::equalsIgnoreCase() {
    QFETCH(QByteArray, a);
    QFETCH(QByteArray, b);
    QFETCH(bool, equal);
    const std::string_view left(a.constData(), std::size_t(a.size()));
    const std::string_view right(b.constData(), std::size_t(b.size()));
    QCOMPARE(cp1251::equalsIgnoreCase(left, right), equal);
    QCOMPARE(cp1251::equalsIgnoreCase(right, left), equal);
}

QTEST_APPLESS_MAIN(TestNumbersCp1251)
#include "test_numbers_cp1251.moc"
