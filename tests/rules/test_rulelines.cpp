#include "rules/RuleLines.h"

#include <QTest>

#include <set>

// Rule lines keep their ids while other lines come and go, so a list row always reaches its own line.
class TestRuleLines : public QObject {
    Q_OBJECT

private slots:
    void idsAreUniqueAcrossLists();
    void replaceAndRemoveKeepTheOtherLines();
    void idOfAnotherListIsNotFound();
    void findIgnoringCase_data();
    void findIgnoringCase();
    void manyRemovals();
};

namespace {
QByteArray texts(const RuleLines& lines) {
    QByteArray result;
    for (const auto& entry : lines)
        result += QByteArray::fromStdString(entry.text) + ';';
    return result;
}
} // namespace

void TestRuleLines::idsAreUniqueAcrossLists() {
    RuleLines a, b;
    std::set<RuleLines::Id> ids;
    for (int i = 0; i < 50; ++i) {
        QVERIFY(ids.insert(a.append("GD:1:" + std::to_string(i))).second);
        QVERIFY(ids.insert(b.append("same text")).second);
    }
    QCOMPARE(a.size(), std::size_t(50));
    QCOMPARE(b.size(), std::size_t(50));
}

void TestRuleLines::replaceAndRemoveKeepTheOtherLines() {
    RuleLines lines;
    const auto first = lines.append("PA:1:a:");
    const auto second = lines.append("PD:1:b:");
    const auto third = lines.append("PA:1:a:"); // duplicates are separate lines

    QVERIFY(lines.replace(second, "PD:1:changed:"));
    QCOMPARE(texts(lines), QByteArray("PA:1:a:;PD:1:changed:;PA:1:a:;"));
    QVERIFY(lines.remove(first));
    QCOMPARE(texts(lines), QByteArray("PD:1:changed:;PA:1:a:;"));
    QCOMPARE(QByteArray::fromStdString(*lines.find(third)), QByteArray("PA:1:a:"));
    QCOMPARE(lines[0].id, second);

    QVERIFY(!lines.remove(first));
    QVERIFY(!lines.replace(first, "x"));
    QVERIFY(lines.find(first) == nullptr);
    const auto fourth = lines.append("BW:1:w:");
    QVERIFY(fourth != first && fourth != second && fourth != third);
    QCOMPARE(texts(lines), QByteArray("PD:1:changed:;PA:1:a:;BW:1:w:;"));
}

void TestRuleLines::idOfAnotherListIsNotFound() {
    RuleLines a, b;
    const auto inA = a.append("GD:1:x:");
    const auto inB = b.append("GD:1:x:");
    QVERIFY(b.find(inA) == nullptr);
    QVERIFY(!b.remove(inA));
    QVERIFY(!b.replace(inA, "y"));
    QCOMPARE(b.size(), std::size_t(1));
    QVERIFY(a.find(inB) == nullptr);
}

void TestRuleLines::findIgnoringCase_data() {
    QTest::addColumn<QByteArray>("wanted");
    QTest::addColumn<int>("index"); // -1: none
    QTest::newRow("exact") << QByteArray("CR:25:25:relay:smtp:15:15:60:100:100:") << 1;
    QTest::newRow("Latin case") << QByteArray("cr:25:25:RELAY:SMTP:15:15:60:100:100:") << 1;
    QTest::newRow("first of equal lines") << QByteArray("CD:1:pc:") << 0;
    QTest::newRow("Cyrillic case") << QByteArray("GN:2:\xCE\xD4\xC8\xD1:") << 3;
    QTest::newRow("blanks count") << QByteArray("CD:1:pc: ") << -1;
    QTest::newRow("prefix is not equal") << QByteArray("CD:1:") << -1;
}

void TestRuleLines::findIgnoringCase() {
    QFETCH(QByteArray, wanted);
    QFETCH(int, index);
    RuleLines lines;
    std::vector<RuleLines::Id> ids = {lines.append("CD:1:PC:"), lines.append("CR:25:25:relay:smtp:15:15:60:100:100:"),
                                      lines.append("cd:1:pc:"), lines.append("GN:2:\xEE\xF4\xE8\xF1:")};
    const auto found = lines.findIgnoringCase(wanted.toStdString());
    QCOMPARE(found.has_value(), index >= 0);
    if (index >= 0)
        QCOMPARE(*found, ids[std::size_t(index)]);
}

void TestRuleLines::manyRemovals() {
    RuleLines lines, other;
    std::vector<RuleLines::Id> ids;
    for (int i = 0; i < 1000; ++i) {
        ids.push_back(lines.append(std::to_string(i)));
        other.append("gap"); // ids of one list are not consecutive
    }
    for (std::size_t i = 0; i < ids.size(); i += 3)
        QVERIFY(lines.remove(ids[i]));
    for (std::size_t i = 0; i < ids.size(); ++i) {
        const std::string* text = lines.find(ids[i]);
        if (i % 3 == 0)
            QVERIFY(text == nullptr);
        else
            QVERIFY(text && *text == std::to_string(i));
    }
    QCOMPARE(lines.size(), std::size_t(666));
}

QTEST_APPLESS_MAIN(TestRuleLines)
#include "test_rulelines.moc"
