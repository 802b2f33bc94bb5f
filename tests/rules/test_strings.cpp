#include "rules/Strings.h"

#include "common/CoreTestSupport.h"

#include <QTest>

using namespace coretest;

Q_DECLARE_METATYPE(QByteArrayList)

// The rule-line tokenizers: TStructString splits, TUnStructString joins, NormalizeRuleLine trims every field.
class TestStrings : public QObject {
    Q_OBJECT

private slots:
    void parse_data();
    void parse();
    void fieldOutsideTheLine();
    void parseReplacesTheFields();
    void join_data();
    void join();
    void clearStartsANewLine();
    void joinThenParseGivesTheFieldsBack();
    void colonInsideAValueShiftsTheFields();
    void normalize_data();
    void normalize();
};

namespace {
std::string s(const QByteArray& bytes) {
    return stdbytes(bytes);
}
} // namespace

void TestStrings::parse_data() {
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QByteArray>("delimiters");
    QTest::addColumn<QByteArrayList>("fields");

    const QByteArray colon = ":";
    QTest::newRow("group line ending in an empty field")
        << QByteArray("GN:0:AllUsers:") << colon << QByteArrayList{"GN", "0", "AllUsers", ""};
    QTest::newRow("empty line is one empty field") << QByteArray() << colon << QByteArrayList{""};
    QTest::newRow("no delimiter") << QByteArray("abc") << colon << QByteArrayList{"abc"};
    QTest::newRow("delimiter only") << QByteArray(":") << colon << QByteArrayList{"", ""};
    QTest::newRow("adjacent delimiters") << QByteArray("a::b") << colon << QByteArrayList{"a", "", "b"};
    QTest::newRow("leading delimiter") << QByteArray(":a") << colon << QByteArrayList{"", "a"};
    QTest::newRow("delimiters only") << QByteArray(":::") << colon << QByteArrayList{"", "", "", ""};
    QTest::newRow("fields trimmed") << QByteArray("GD: 1 :  10.0.0.1 :255.255.255.255:") << colon
                                    << QByteArrayList{"GD", "1", "10.0.0.1", "255.255.255.255", ""};
    QTest::newRow("blank field is empty") << QByteArray("a:   :b") << colon << QByteArrayList{"a", "", "b"};
    QTest::newRow("control bytes trimmed") << QByteArray("\t\x01x\x1f :\r\n") << colon << QByteArrayList{"x", ""};
    QTest::newRow("NUL trimmed") << QByteArray("\0a\0:b", 5) << colon << QByteArrayList{"a", "b"};
    QTest::newRow("high bytes never trimmed")
        << QByteArray("\xA0x\xA0:\xFF") << colon << QByteArrayList{"\xA0x\xA0", "\xFF"};
    QTest::newRow("inner blanks kept") << QByteArray(" a b : c  d ") << colon << QByteArrayList{"a b", "c  d"};
    QTest::newRow("Cyrillic") << QByteArray("GN:1:\xC1\xF3\xF5\xE3\xE0\xEB\xF2\xE5\xF0\xE8\xFF:") << colon
                              << QByteArrayList{"GN", "1", "\xC1\xF3\xF5\xE3\xE0\xEB\xF2\xE5\xF0\xE8\xFF", ""};
    QTest::newRow("blank as delimiter") << QByteArray("10.0.0.1  GET") << QByteArray(" ")
                                        << QByteArrayList{"10.0.0.1", "", "GET"};
    QTest::newRow("each character of the set splits")
        << QByteArray("a b\tc:d") << QByteArray(" \t") << QByteArrayList{"a", "b", "c:d"};
    QTest::newRow("no delimiters at all") << QByteArray("a:b") << QByteArray() << QByteArrayList{"a:b"};
}

void TestStrings::parse() {
    QFETCH(QByteArray, line);
    QFETCH(QByteArray, delimiters);
    QFETCH(QByteArrayList, fields);
    TStructString tokenizer("x:y:z", s(delimiters));
    QCOMPARE(tokenizer.Parse(s(line)), int(fields.size()));
    QCOMPARE(tokenizer.Count(), int(fields.size()));
    QByteArrayList got;
    for (int i = 0; i < tokenizer.Count(); ++i)
        got << qbytes(tokenizer.Field(i));
    QCOMPARE(got, fields);

    TStructString constructed(s(line), s(delimiters)); // the constructor parses as Parse does
    QCOMPARE(constructed.Count(), int(fields.size()));
    QCOMPARE(qbytes(constructed.Field(constructed.Count() - 1)), fields.back());

    if (delimiters == ":") { // the field reader that copies nothing finds the same fields
        const std::string text = s(line);
        for (int i = 0; i <= int(fields.size()); ++i)
            QCOMPARE(qbytes(std::string(TrimField(ruleField(text, i)))), fields.value(i));
    }
}

void TestStrings::fieldOutsideTheLine() {
    TStructString tokenizer("GD: 1 :  10.0.0.1 :255.255.255.255:", ":");
    QCOMPARE(qbytes(tokenizer.Field(2)), QByteArray("10.0.0.1"));
    QCOMPARE(qbytes(tokenizer.Field(5)), QByteArray());
    QCOMPARE(qbytes(tokenizer.Field(9)), QByteArray());
    QCOMPARE(qbytes(tokenizer.Field(-1)), QByteArray());

    TStructString fresh("", ":"); // the shared tokenizer starts out holding one empty field
    QCOMPARE(fresh.Count(), 1);
    QCOMPARE(qbytes(fresh.Field(0)), QByteArray());
}

void TestStrings::parseReplacesTheFields() {
    TStructString tokenizer("", ":");
    QCOMPARE(tokenizer.Parse("a:b:c"), 3);
    QCOMPARE(tokenizer.Parse("x"), 1);
    QCOMPARE(qbytes(tokenizer.Field(0)), QByteArray("x"));
    QCOMPARE(qbytes(tokenizer.Field(1)), QByteArray());
}

void TestStrings::join_data() {
    QTest::addColumn<QByteArrayList>("parts");
    QTest::addColumn<QByteArray>("separator");
    QTest::addColumn<QByteArray>("line");

    QTest::newRow("no parts") << QByteArrayList{} << QByteArray(":") << QByteArray();
    QTest::newRow("one part") << QByteArrayList{"a"} << QByteArray(":") << QByteArray("a");
    QTest::newRow("one empty part") << QByteArrayList{""} << QByteArray(":") << QByteArray();
    QTest::newRow("two empty parts") << QByteArrayList{"", ""} << QByteArray(":") << QByteArray(":");
    QTest::newRow("empty last value ends in the separator")
        << QByteArrayList{"GD", "1", "10.0.0.0", "255.0.0.0", ""} << QByteArray(":")
        << QByteArray("GD:1:10.0.0.0:255.0.0.0:");
    QTest::newRow("default group line") << QByteArrayList{"GN", "0", "AllUsers", ""} << QByteArray(":")
                                        << QByteArray("GN:0:AllUsers:");
    QTest::newRow("values untrimmed") << QByteArrayList{" a ", "b\t"} << QByteArray(":") << QByteArray(" a :b\t");
    QTest::newRow("longer separator") << QByteArrayList{"a", "b", "c"} << QByteArray(", ") << QByteArray("a, b, c");
}

void TestStrings::join() {
    QFETCH(QByteArrayList, parts);
    QFETCH(QByteArray, separator);
    QFETCH(QByteArray, line);
    TUnStructString builder(s(separator));
    for (const QByteArray& part : parts)
        builder.Add(s(part));
    QCOMPARE(qbytes(builder.Join()), line);
    QCOMPARE(qbytes(builder.Join()), line); // joining does not consume the parts
}

void TestStrings::clearStartsANewLine() {
    TUnStructString builder(":");
    builder.Add("SD");
    builder.Add("old");
    builder.Clear();
    QCOMPARE(qbytes(builder.Join()), QByteArray());
    builder.Add("SA");
    builder.Add("url");
    builder.Add("");
    QCOMPARE(qbytes(builder.Join()), QByteArray("SA:url:"));
    QCOMPARE(qbytes(JoinRuleLine({"CS", "smtp.example", ""})), QByteArray("CS:smtp.example:"));
}

void TestStrings::joinThenParseGivesTheFieldsBack() {
    const QList<QByteArrayList> cases = {
        {""},
        {"", ""},
        {"GN", "0", "AllUsers", ""},
        {"", "x", ""},
        {"WT", "1", "1", "9", "18", ""},
        {"CR", "25", "25", "relay", "smtp", "15", "15", "60", "100", "100", ""},
    };
    for (const QByteArrayList& fields : cases) {
        TUnStructString builder(":");
        for (const QByteArray& field : fields)
            builder.Add(s(field));
        TStructString tokenizer("", ":");
        QCOMPARE(tokenizer.Parse(builder.Join()), int(fields.size()));
        for (int i = 0; i < fields.size(); ++i)
            QCOMPARE(qbytes(tokenizer.Field(i)), fields[i]);
    }
}

// There is no quoting: a comment typed as "a:b" becomes two fields, and every later field moves by one.
void TestStrings::colonInsideAValueShiftsTheFields() {
    TUnStructString builder(":");
    for (const char* field : {"GD", "1", "10.0.0.0", "255.0.0.0", "a:b"})
        builder.Add(field);
    TStructString tokenizer("", ":");
    QCOMPARE(tokenizer.Parse(builder.Join()), 6);
    QCOMPARE(qbytes(tokenizer.Field(4)), QByteArray("a"));
    QCOMPARE(qbytes(tokenizer.Field(5)), QByteArray("b"));
}

void TestStrings::normalize_data() {
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QByteArray>("normalized");

    QTest::newRow("group line") << QByteArray("GN: 1 : Sales : ") << QByteArray("GN:1:Sales:");
    QTest::newRow("blanks around the tag") << QByteArray("GN : 2 : Sales : note ") << QByteArray("GN:2:Sales:note");
    QTest::newRow("empty line") << QByteArray() << QByteArray();
    QTest::newRow("blank line") << QByteArray(" \t ") << QByteArray();
    QTest::newRow("delimiter only") << QByteArray(" : ") << QByteArray(":");
    QTest::newRow("empty fields kept") << QByteArray("a:: :b:") << QByteArray("a:::b:");
    QTest::newRow("already normal") << QByteArray("GD:1:10.0.0.0:255.0.0.0:") << QByteArray("GD:1:10.0.0.0:255.0.0.0:");
    QTest::newRow("manual service") << QByteArray(" CR: 25 :25: relay :smtp:15:15:60:100:100: ")
                                    << QByteArray("CR:25:25:relay:smtp:15:15:60:100:100:");
    QTest::newRow("inner blanks kept") << QByteArray("BW:1: bad word : x ") << QByteArray("BW:1:bad word:x");
    QTest::newRow("control bytes and NUL cut") << QByteArray("\x01GD\0:\x1f"
                                                             "3",
                                                             7)
                                               << QByteArray("GD:3");
    QTest::newRow("high bytes kept") << QByteArray("GN:1:\xA0\xC0\xA0") << QByteArray("GN:1:\xA0\xC0\xA0");
    QTest::newRow("extra fields kept") << QByteArray("SA : x : y : z") << QByteArray("SA:x:y:z");
}

// The result is what the shared tokenizer and builder give: every field trimmed, the number of fields kept.
void TestStrings::normalize() {
    QFETCH(QByteArray, line);
    QFETCH(QByteArray, normalized);
    QCOMPARE(qbytes(NormalizeRuleLine(s(line))), normalized);

    TStructString tokenizer("", ":");
    TUnStructString builder(":");
    const int count = tokenizer.Parse(s(line));
    for (int i = 0; i < count; ++i)
        builder.Add(tokenizer.Field(i));
    QCOMPARE(qbytes(builder.Join()), normalized);
}

QTEST_APPLESS_MAIN(TestStrings)
#include "test_strings.moc"
