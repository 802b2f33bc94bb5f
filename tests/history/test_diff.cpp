#include "history/Diff.h"

#include "PatchOracle.h"
#include "common/CoreTestSupport.h"

#include <QTest>
#include <map>
#include <random>

using namespace coretest;

// The line diff against an oracle: its unified output, applied to the older text as patch applies it, must give the
// newer text, with the counts the "+" and "-" lines show.
class TestDiff : public QObject {
    Q_OBJECT

    static std::string numbered(int first, int last, const std::map<int, std::string>& replaced = {}) {
        std::string text;
        for (int n = first; n <= last; ++n)
            text += (replaced.contains(n) ? replaced.at(n) : std::to_string(n)) + "\n";
        return text;
    }

    static void checkAgainstOracle(const std::string& older, const std::string& newer) {
        const textdiff::FileDiff diff = textdiff::diffLines(older, newer);
        const std::string unified = textdiff::unifiedDiff(diff, "a", "b");
        const patchoracle::Applied applied = patchoracle::apply(older, unified);
        QVERIFY2(applied.fault.empty(), (applied.fault + "\n" + unified).c_str());
        QCOMPARE(qbytes(applied.text), qbytes(newer));
        QCOMPARE(applied.added, diff.counts.added);
        QCOMPARE(applied.removed, diff.counts.removed);
        const textdiff::DiffCounts counted = textdiff::countChanges(older, newer);
        QCOMPARE(counted.added, diff.counts.added);
        QCOMPARE(counted.removed, diff.counts.removed);
        QCOMPARE(unified.empty(), older == newer);
    }

private slots:
    // Each case: the unified diff as diff -u prints it (after its two header lines), and the counts.
    void cases_data() {
        QTest::addColumn<QByteArray>("older");
        QTest::addColumn<QByteArray>("newer");
        QTest::addColumn<QByteArray>("hunks"); // "*": only checked against the oracle
        QTest::addColumn<int>("added");
        QTest::addColumn<int>("removed");
        QTest::newRow("both empty") << QByteArray() << QByteArray() << QByteArray() << 0 << 0;
        QTest::newRow("same") << QByteArray("a\nb\n") << QByteArray("a\nb\n") << QByteArray() << 0 << 0;
        QTest::newRow("from nothing") << QByteArray() << QByteArray("a\nb\n") << QByteArray("@@ -0,0 +1,2 @@\n+a\n+b\n")
                                      << 2 << 0;
        QTest::newRow("to nothing") << QByteArray("a\nb\n") << QByteArray() << QByteArray("@@ -1,2 +0,0 @@\n-a\n-b\n")
                                    << 0 << 2;
        QTest::newRow("one line of ten") << qbytes(numbered(1, 10)) << qbytes(numbered(1, 10, {{5, "five"}}))
                                         << QByteArray("@@ -2,7 +2,7 @@\n 2\n 3\n 4\n-5\n+five\n 6\n 7\n 8\n") << 1
                                         << 1;
        // Six unchanged lines between two changes: their contexts meet, one hunk; seven: two.
        QTest::newRow("six lines apart share a hunk")
            << qbytes(numbered(1, 20)) << qbytes(numbered(1, 20, {{5, "five"}, {12, "twelve"}}))
            << QByteArray("@@ -2,14 +2,14 @@\n 2\n 3\n 4\n-5\n+five\n 6\n 7\n 8\n 9\n 10\n 11\n-12\n+twelve\n 13\n"
                          " 14\n 15\n")
            << 2 << 2;
        QTest::newRow("seven lines apart do not")
            << qbytes(numbered(1, 20)) << qbytes(numbered(1, 20, {{5, "five"}, {13, "thirteen"}}))
            << QByteArray("@@ -2,7 +2,7 @@\n 2\n 3\n 4\n-5\n+five\n 6\n 7\n 8\n"
                          "@@ -10,7 +10,7 @@\n 10\n 11\n 12\n-13\n+thirteen\n 14\n 15\n 16\n")
            << 2 << 2;
        QTest::newRow("final line end added")
            << QByteArray("a\nb") << QByteArray("a\nb\n")
            << QByteArray("@@ -1,2 +1,2 @@\n a\n-b\n\\ No newline at end of file\n+b\n") << 1 << 1;
        QTest::newRow("no final line end on either side")
            << QByteArray("a\nb") << QByteArray("a\nc")
            << QByteArray("@@ -1,2 +1,2 @@\n a\n-b\n\\ No newline at end of file\n+c\n\\ No newline at end of file\n")
            << 1 << 1;
        QTest::newRow("same last line without line end")
            << QByteArray("a\nz") << QByteArray("b\nz")
            << QByteArray("@@ -1,2 +1,2 @@\n-a\n+b\n z\n\\ No newline at end of file\n") << 1 << 1;
        QTest::newRow("line ends CR LF to LF") << QByteArray("a\r\nb\r\n") << QByteArray("a\r\nb\n")
                                               << QByteArray("@@ -1,2 +1,2 @@\n a\r\n-b\r\n+b\n") << 1 << 1;
        QTest::newRow("all different") << QByteArray("a\nb\nc\n") << QByteArray("x\ny\n")
                                       << QByteArray("@@ -1,3 +1,2 @@\n-a\n-b\n-c\n+x\n+y\n") << 2 << 3;
        QTest::newRow("inserted first") << QByteArray("b\nc\n") << QByteArray("a\nb\nc\n")
                                        << QByteArray("@@ -1,2 +1,3 @@\n+a\n b\n c\n") << 1 << 0;
        QTest::newRow("appended") << QByteArray("a\nb\n") << QByteArray("a\nb\nc\n")
                                  << QByteArray("@@ -1,2 +1,3 @@\n a\n b\n+c\n") << 1 << 0;
        QTest::newRow("a line split in the middle of a word")
            << QByteArray("GD:1:10.0.0.0:255.0.0.0:\nGD:1:10.1.0.0:255.0.0.0:\n")
            << QByteArray("GD:1:10.0.0.0:255.0.0.0:\nGD:1:10.1.0\n.0:255.0.0.0:\n") << QByteArray("*") << 2 << 1;
        QTest::newRow("only repeated lines")
            << QByteArray("x\nx\nx\ny\nx\n") << QByteArray("x\ny\nx\nx\nx\n") << QByteArray("*") << 2 << 2;
        QTest::newRow("blank lines") << QByteArray("\n\n\n\n") << QByteArray("\n\n") << QByteArray("*") << 0 << 2;
        QTest::newRow("Windows-1251 bytes")
            << QByteArray("\xc4\xee\xec\r\n") << QByteArray("\xc4\xee\xec\xe0\r\n")
            << QByteArray("@@ -1 +1 @@\n-\xc4\xee\xec\r\n+\xc4\xee\xec\xe0\r\n") << 1 << 1;
        QTest::newRow("near both ends of a long file")
            << qbytes(numbered(1, 5000)) << qbytes(numbered(1, 5000, {{2, "two"}, {4999, "x"}})) << QByteArray("*") << 2
            << 2;
    }
    void cases() {
        QFETCH(QByteArray, older);
        QFETCH(QByteArray, newer);
        QFETCH(QByteArray, hunks);
        QFETCH(int, added);
        QFETCH(int, removed);
        const textdiff::FileDiff diff = textdiff::diffLines(stdbytes(older), stdbytes(newer));
        QCOMPARE(int(diff.counts.added), added);
        QCOMPARE(int(diff.counts.removed), removed);
        if (hunks != "*") {
            const QByteArray headers = hunks.isEmpty() ? QByteArray() : QByteArray("--- a\n+++ b\n");
            QCOMPARE(qbytes(textdiff::unifiedDiff(diff, "a", "b")), headers + hunks);
        }
        checkAgainstOracle(stdbytes(older), stdbytes(newer));
    }

    // Random versions of few distinct lines (so that most are repeated), with and without a final line end.
    void randomVersions() {
        std::mt19937 random(24);
        const std::string pieces[] = {"a\n", "b\n", "c\n", "d\r\n", "\n", "a"};
        auto text = [&] {
            std::string t;
            for (int n = std::uniform_int_distribution<int>(0, 30)(random); n > 0; --n)
                t += pieces[std::uniform_int_distribution<int>(0, 4)(random)];
            if (random() % 4 == 0)
                t += pieces[5];
            return t;
        };
        for (int round = 0; round < 500; ++round) {
            const std::string older = text();
            std::string newer = older;
            // A few edits of the older text, or a text of its own.
            if (round % 5 == 0)
                newer = text();
            else
                for (int edits = 1 + int(random() % 3); edits > 0; --edits) {
                    const std::size_t at = newer.empty() ? 0 : random() % (newer.size() + 1);
                    newer.insert(at, pieces[random() % 5]);
                }
            checkAgainstOracle(older, newer);
            if (QTest::currentTestFailed()) {
                qWarning() << "older:" << qbytes(older) << "newer:" << qbytes(newer);
                return;
            }
        }
    }

    // Ten lines changed among 100,000 distinct ones: just those are found, the hunks are the oracle's.
    void tenChangesInALongFile() {
        std::string older;
        std::string newer;
        for (int n = 0; n < 100000; ++n) {
            const std::string line =
                "GD:" + std::to_string(n % 65) + ":10." + std::to_string(n) + ".0.0:255.0.0.0:\r\n";
            older += line;
            newer += n % 10000 == 5000 ? "GD:1:192.168." + std::to_string(n) + ".0:255.255.255.0:\r\n" : line;
        }
        const textdiff::FileDiff diff = textdiff::diffLines(older, newer);
        QCOMPARE(int(diff.counts.added), 10);
        QCOMPARE(int(diff.counts.removed), 10);
        QCOMPARE(int(diff.hunks.size()), 10);
        QCOMPARE(int(diff.hunks.front().olderStart), 5001 - 3);
        checkAgainstOracle(older, newer);
    }
};

QTEST_APPLESS_MAIN(TestDiff)
#include "test_diff.moc"
