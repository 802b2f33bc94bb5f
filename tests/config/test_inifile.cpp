#include "common/Error.h"
#include "config/IniFile.h"

#include "common/CoreTestSupport.h"
#include "config/ReplaceCounter.h"

#include <QTemporaryDir>
#include <QTest>

#include <functional>
#include <limits>
#include <random>
#include <sys/stat.h>

using namespace coretest;

// The INI layer: reads and writes with the behaviour of the Windows profile functions, on the file itself.
class TestIniFile : public QObject {
    Q_OBJECT

private slots:
    void init();

    void readString_data();
    void readString();
    void readFromMissingFileOrDirectory();
    void readInteger_data();
    void readInteger();
    void readBool_data();
    void readBool();

    void writeString_data();
    void writeString();
    void writeIntegerAndBool();
    void writeSeriesIntoHandWrittenFile();

    void writeToReadOnlyFileFails();
    void writeFailureNamesThePathAsGiven();
    void writeInMissingDirectoryFails();
    void unreadableFileReadsAsMissingAndIsNotWritten();
    void writeThroughSymbolicLink();
    void writeRefusesWhatWouldNotReadBack_data();
    void writeRefusesWhatWouldNotReadBack();
    void nonRegularFiles_data();
    void nonRegularFiles();

    void sessionWritesOnce();
    void sessionEqualsSingleWrites();

    void binaryFile();
    void megabyteLine();
    void noLineEnds();
    void nulBytes();
    void largeSection();

private:
    QString iniPath() const { return dir_->filePath("glym30.ini"); }
    IniFile ini() const { return IniFile(iniPath().toStdString()); }
    static QString failureOf(const std::function<void()>& action);

    std::unique_ptr<QTemporaryDir> dir_;
};

namespace {
std::string s(const QByteArray& bytes) {
    return stdbytes(bytes);
}
} // namespace

void TestIniFile::init() {
    dir_ = std::make_unique<QTemporaryDir>();
    QVERIFY(dir_->isValid());
}

QString TestIniFile::failureOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const GlymError& error) {
        return QString::fromLatin1(error.what());
    }
    return QStringLiteral("<no error>");
}

void TestIniFile::readString_data() {
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QByteArray>("section");
    QTest::addColumn<QByteArray>("key");
    QTest::addColumn<QByteArray>("expected");
    const QByteArray s = "S", k = "k";

    QTest::newRow("plain") << QByteArray("[Server]\r\nPort=3128\r\n") << QByteArray("Server") << QByteArray("Port")
                           << QByteArray("3128");
    QTest::newRow("blanks around brackets, names and value")
        << QByteArray("  [  Server  ]  \r\n  Port  =  3128  \r\n") << QByteArray("Server") << QByteArray("Port")
        << QByteArray("3128");
    QTest::newRow("tabs count as blanks") << QByteArray("\t[\tServer\t]\r\n\tPort\t=\t3128\t\r\n")
                                          << QByteArray("Server") << QByteArray("Port") << QByteArray("3128");
    QTest::newRow("inner blanks of a name count")
        << QByteArray("[Wait Socket]\r\nWrite  Remote=1\r\nWrite Remote=2\r\n") << QByteArray("Wait Socket")
        << QByteArray("Write Remote") << QByteArray("2");
    QTest::newRow("names ignore Latin case")
        << QByteArray("[SERVER]\r\nport=1\r\n") << QByteArray("Server") << QByteArray("Port") << QByteArray("1");
    QTest::newRow("names ignore Cyrillic case")
        << QByteArray("[\xCF\xF0\xEE\xEA\xF1\xE8]\r\n\xEA\xEB\xFE\xF7=1\r\n") << QByteArray("\xCF\xD0\xCE\xCA\xD1\xC8")
        << QByteArray("\xCA\xCB\xDE\xD7") << QByteArray("1");
    QTest::newRow("double quotes dropped") << QByteArray("[S]\r\nk=\"a b\"\r\n") << s << k << QByteArray("a b");
    QTest::newRow("single quotes dropped") << QByteArray("[S]\r\nk='a b'\r\n") << s << k << QByteArray("a b");
    QTest::newRow("blanks inside quotes kept") << QByteArray("[S]\r\nk=  \" a \"  \r\n") << s << k << QByteArray(" a ");
    QTest::newRow("one pair only") << QByteArray("[S]\r\nk=\"\"a\"\"\r\n") << s << k << QByteArray("\"a\"");
    QTest::newRow("empty quotes") << QByteArray("[S]\r\nk=\"\"\r\n") << s << k << QByteArray("");
    QTest::newRow("unmatched quotes kept") << QByteArray("[S]\r\nk=\"a'\r\n") << s << k << QByteArray("\"a'");
    QTest::newRow("lone quote kept") << QByteArray("[S]\r\nk=\"\r\n") << s << k << QByteArray("\"");
    QTest::newRow("opening quote only kept") << QByteArray("[S]\r\nk=\"abc\r\n") << s << k << QByteArray("\"abc");
    QTest::newRow("empty value is not the default") << QByteArray("[S]\r\nk=\r\n") << s << k << QByteArray("");
    QTest::newRow("blank value is empty") << QByteArray("[S]\r\nk=   \r\n") << s << k << QByteArray("");
    QTest::newRow("key without = gives the default") << QByteArray("[S]\r\nk\r\n") << s << k << QByteArray("dflt");
    QTest::newRow("= inside the value") << QByteArray("[S]\r\nk=a=b\r\n") << s << k << QByteArray("a=b");
    QTest::newRow("first section of a name wins")
        << QByteArray("[S]\r\nk=1\r\n[S]\r\nk=2\r\n") << s << k << QByteArray("1");
    QTest::newRow("later section of the same name is not searched")
        << QByteArray("[S]\r\na=1\r\n[s]\r\nk=2\r\n") << s << k << QByteArray("dflt");
    QTest::newRow("first key of a name wins") << QByteArray("[S]\r\nk=1\r\nK=2\r\n") << s << k << QByteArray("1");
    QTest::newRow("key before the first section is never found")
        << QByteArray("k=1\r\n[S]\r\nj=2\r\n") << s << k << QByteArray("dflt");
    QTest::newRow("key of another section is not taken")
        << QByteArray("[A]\r\nk=1\r\n[S]\r\nj=2\r\n") << s << k << QByteArray("dflt");
    QTest::newRow("same key in two sections")
        << QByteArray("[A]\r\nk=1\r\n[S]\r\nk=2\r\n") << s << k << QByteArray("2");
    QTest::newRow("comment line is not the key") << QByteArray("[S]\r\n;k=1\r\nk=2\r\n") << s << k << QByteArray("2");
    QTest::newRow("text after the closing bracket") << QByteArray("[S] ; note\r\nk=1\r\n") << s << k << QByteArray("1");
    QTest::newRow("header without closing bracket starts a section")
        << QByteArray("[ S \r\nk=1\r\n") << s << k << QByteArray("1");
    QTest::newRow("section name ends at the first bracket")
        << QByteArray("[S]x]\r\nk=1\r\n") << s << k << QByteArray("1");
    QTest::newRow("nothing after the first bracket counts")
        << QByteArray("[S]x]\r\nk=1\r\n") << QByteArray("S]x") << k << QByteArray("dflt");
    QTest::newRow("a comment is no key, even asked for by its text")
        << QByteArray("[S]\r\n;k=1\r\n  ;j=2\r\n") << s << QByteArray(";k") << QByteArray("dflt");
    QTest::newRow("an indented comment is no key")
        << QByteArray("[S]\r\n \t;k=1\r\n") << s << QByteArray(";k") << QByteArray("dflt");
    QTest::newRow("UTF-8 signature before the first section")
        << QByteArray("\xEF\xBB\xBF[S]\r\nk=1\r\n") << s << k << QByteArray("1");
    QTest::newRow("UTF-8 signature before blanks and the first section")
        << QByteArray("\xEF\xBB\xBF  [S]\r\nk=1\r\n") << s << k << QByteArray("1");
    QTest::newRow("UTF-8 signature elsewhere is text")
        << QByteArray("[A]\r\n\xEF\xBB\xBF[S]\r\nk=1\r\n") << s << k << QByteArray("dflt");
    QTest::newRow("spaces around the names asked for do not count")
        << QByteArray("[S]\r\nk=1\r\n") << QByteArray("  S ") << QByteArray(" k  ") << QByteArray("1");
    QTest::newRow("a tab in the name asked for is a character")
        << QByteArray("[S]\r\nk=1\r\n") << QByteArray("\tS") << k << QByteArray("dflt");
    QTest::newRow("LF line ends") << QByteArray("[S]\nj=1\nk=2\n") << s << k << QByteArray("2");
    QTest::newRow("CR line ends") << QByteArray("[S]\rj=1\rk=2\r") << s << k << QByteArray("2");
    QTest::newRow("no final line end") << QByteArray("[S]\r\nk=1") << s << k << QByteArray("1");
    QTest::newRow("blank lines around") << QByteArray("\r\n\r\n[S]\r\n\r\n \r\nk=1\r\n\r\n") << s << k
                                        << QByteArray("1");
    QTest::newRow("value cut at NUL") << QByteArray("[S]\r\nk=ab\0cd\r\n", 15) << s << k << QByteArray("ab");
    QTest::newRow("value cut to 2047 bytes")
        << QByteArray("[S]\r\nk=" + QByteArray(3000, 'x') + "\r\n") << s << k << QByteArray(2047, 'x');
    QTest::newRow("value of exactly 2047 bytes")
        << QByteArray("[S]\r\nk=" + QByteArray(2047, 'x') + "\r\n") << s << k << QByteArray(2047, 'x');
    QTest::newRow("quotes dropped before the cut")
        << QByteArray("[S]\r\nk=\"" + QByteArray(2100, 'y') + "\"\r\n") << s << k << QByteArray(2047, 'y');
    QTest::newRow("high bytes kept") << QByteArray("[S]\r\nk=\xCF\xF0\xEE\xEA\xF1\xE8 \xB9\r\n") << s << k
                                     << QByteArray("\xCF\xF0\xEE\xEA\xF1\xE8 \xB9");
    QTest::newRow("missing section") << QByteArray("[A]\r\nk=1\r\n") << s << k << QByteArray("dflt");
    QTest::newRow("empty file") << QByteArray() << s << k << QByteArray("dflt");
}

void TestIniFile::readString() {
    QFETCH(QByteArray, content);
    QFETCH(QByteArray, section);
    QFETCH(QByteArray, key);
    QFETCH(QByteArray, expected);
    QVERIFY(writeBytes(iniPath(), content));
    QCOMPARE(qbytes(ini().readString(s(section), s(key), "dflt")), expected);
    QCOMPARE(readBytes(iniPath()), content); // reading changes nothing
}

void TestIniFile::readFromMissingFileOrDirectory() {
    QCOMPARE(qbytes(ini().readString("Server", "Port", "3128")), QByteArray("3128"));
    QCOMPARE(ini().readInteger("Server", "Cache Type", 1), 1);
    QVERIFY(ini().readBool("DNS Cache", "Enable", true));
    QVERIFY(!ini().readBool("Users", "Enable", false));
    QVERIFY(!QFile::exists(iniPath())); // reading creates nothing

    QVERIFY(QDir(dir_->path()).mkdir("glym30.ini"));
    QCOMPARE(qbytes(ini().readString("Server", "Port", "3128")), QByteArray("3128"));
}

void TestIniFile::readInteger_data() {
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<int>("expected");
    const int max = std::numeric_limits<int>::max();
    const int min = std::numeric_limits<int>::min();

    QTest::newRow("decimal") << QByteArray("k=42") << 42;
    QTest::newRow("blanks around") << QByteArray("k =  42  ") << 42;
    QTest::newRow("negative") << QByteArray("k=-5") << -5;
    QTest::newRow("plus sign") << QByteArray("k=+5") << 5;
    QTest::newRow("0x") << QByteArray("k=0x10") << 16;
    QTest::newRow("0X") << QByteArray("k=0X1F") << 31;
    QTest::newRow("dollar") << QByteArray("k=$10") << 16;
    QTest::newRow("quoted") << QByteArray("k=\"12\"") << 12;
    QTest::newRow("max") << QByteArray("k=2147483647") << max;
    QTest::newRow("min") << QByteArray("k=-2147483648") << min;
    QTest::newRow("hex all ones") << QByteArray("k=0xFFFFFFFF") << -1;
    QTest::newRow("0x alone") << QByteArray("k=0x") << 7;
    QTest::newRow("dollar alone") << QByteArray("k=$") << 7;
    QTest::newRow("trailing letters") << QByteArray("k=12abc") << 7;
    QTest::newRow("word") << QByteArray("k=yes") << 7;
    QTest::newRow("fraction") << QByteArray("k=1.5") << 7;
    QTest::newRow("too big") << QByteArray("k=2147483648") << 7;
    QTest::newRow("empty") << QByteArray("k=") << 7;
    QTest::newRow("no =") << QByteArray("k") << 7;
    QTest::newRow("missing key") << QByteArray("j=1") << 7;
}

void TestIniFile::readInteger() {
    QFETCH(QByteArray, line);
    QFETCH(int, expected);
    QVERIFY(writeBytes(iniPath(), "[S]\r\n" + line + "\r\n"));
    QCOMPARE(ini().readInteger("S", "k", 7), expected);
}

void TestIniFile::readBool_data() {
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<bool>("defaultValue");
    QTest::addColumn<bool>("expected");

    QTest::newRow("1") << QByteArray("k=1") << false << true;
    QTest::newRow("0") << QByteArray("k=0") << true << false;
    QTest::newRow("5 counts as checked") << QByteArray("k=5") << false << true;
    QTest::newRow("-1 counts as checked") << QByteArray("k=-1") << false << true;
    QTest::newRow("0x10 counts as checked") << QByteArray("k=0x10") << false << true;
    QTest::newRow("0x0 is not checked") << QByteArray("k=0x0") << true << false;
    QTest::newRow("blanks around 0") << QByteArray("k= 0 ") << true << false;
    QTest::newRow("yes takes the default true") << QByteArray("k=yes") << true << true;
    QTest::newRow("yes takes the default false") << QByteArray("k=yes") << false << false;
    QTest::newRow("empty takes the default") << QByteArray("k=") << true << true;
    QTest::newRow("missing takes the default") << QByteArray("j=0") << true << true;
}

void TestIniFile::readBool() {
    QFETCH(QByteArray, line);
    QFETCH(bool, defaultValue);
    QFETCH(bool, expected);
    QVERIFY(writeBytes(iniPath(), "[S]\r\n" + line + "\r\n"));
    QCOMPARE(ini().readBool("S", "k", defaultValue), expected);
}

void TestIniFile::writeString_data() {
    QTest::addColumn<bool>("exists");
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QByteArray>("section");
    QTest::addColumn<QByteArray>("key");
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<QByteArray>("after");
    const QByteArray a = "A", b = "B", s = "S", c = "c", k = "k";

    QTest::newRow("new file") << false << QByteArray() << s << k << QByteArray("v") << QByteArray("[S]\r\nk=v\r\n");
    QTest::newRow("empty file") << true << QByteArray() << s << k << QByteArray("v") << QByteArray("[S]\r\nk=v\r\n");

    QTest::newRow("replace keeps the key name as in the file")
        << true << QByteArray("[s]\r\n  KEY = old  \r\nx=1\r\n") << s << QByteArray("key") << QByteArray("new")
        << QByteArray("[s]\r\nKEY=new\r\nx=1\r\n");
    QTest::newRow("replace in LF file") << true << QByteArray("[S]\nk=1\nj=2\n") << s << k << QByteArray("9")
                                        << QByteArray("[S]\nk=9\r\nj=2\n");
    QTest::newRow("replace key without =") << true << QByteArray("[S]\r\nk\r\nj=2\r\n") << s << k << QByteArray("9")
                                           << QByteArray("[S]\r\nk=9\r\nj=2\r\n");
    QTest::newRow("replace quoted value")
        << true << QByteArray("[S]\r\nk=\"a b\"\r\n") << s << k << QByteArray("9") << QByteArray("[S]\r\nk=9\r\n");
    QTest::newRow("replace last line without line end")
        << true << QByteArray("[S]\r\nk=1") << s << k << QByteArray("9") << QByteArray("[S]\r\nk=9\r\n");
    QTest::newRow("replace first of two equal keys") << true << QByteArray("[S]\r\nk=1\r\nk=2\r\n") << s << k
                                                     << QByteArray("9") << QByteArray("[S]\r\nk=9\r\nk=2\r\n");
    QTest::newRow("add to first of two equal sections")
        << true << QByteArray("[S]\r\na=1\r\n[S]\r\nk=2\r\n") << s << k << QByteArray("9")
        << QByteArray("[S]\r\na=1\r\nk=9\r\n[S]\r\nk=2\r\n");
    QTest::newRow("key before the first section untouched")
        << true << QByteArray("k=0\r\n[S]\r\nj=1\r\n") << s << k << QByteArray("9")
        << QByteArray("k=0\r\n[S]\r\nj=1\r\nk=9\r\n");
    QTest::newRow("add after last key, before blank lines")
        << true << QByteArray("[A]\r\na=1\r\n\r\n\r\n[B]\r\nb=2\r\n") << a << c << QByteArray("3")
        << QByteArray("[A]\r\na=1\r\nc=3\r\n\r\n\r\n[B]\r\nb=2\r\n");
    QTest::newRow("add before comments ending the section")
        << true << QByteArray("[A]\r\na=1\r\n; note\r\n\r\n;more\r\n[B]\r\n") << a << c << QByteArray("3")
        << QByteArray("[A]\r\na=1\r\nc=3\r\n; note\r\n\r\n;more\r\n[B]\r\n");
    QTest::newRow("add after the last key, a comment between keys kept")
        << true << QByteArray("[A]\r\na=1\r\n; note\r\nb=2\r\n; end") << a << c << QByteArray("3")
        << QByteArray("[A]\r\na=1\r\n; note\r\nb=2\r\nc=3\r\n; end");
    QTest::newRow("add after the header of a section of comments")
        << true << QByteArray("[A]\r\n; c=1\r\n[B]\r\n") << a << c << QByteArray("3")
        << QByteArray("[A]\r\nc=3\r\n; c=1\r\n[B]\r\n");
    QTest::newRow("add to a header without closing bracket")
        << true << QByteArray("[A\r\na=1\r\n") << a << c << QByteArray("3") << QByteArray("[A\r\na=1\r\nc=3\r\n");
    QTest::newRow("replace under a header with text after the bracket")
        << true << QByteArray("[A] x]\r\nc=1\r\n") << a << c << QByteArray("3") << QByteArray("[A] x]\r\nc=3\r\n");
    QTest::newRow("names written without their spaces")
        << true << QByteArray("[A]\r\n") << QByteArray(" B  ") << QByteArray("  b ") << QByteArray("2")
        << QByteArray("[A]\r\n[B]\r\nb=2\r\n");
    QTest::newRow("names found without their spaces")
        << true << QByteArray("[B]\r\nb=1\r\n") << QByteArray(" B") << QByteArray("b ") << QByteArray("2")
        << QByteArray("[B]\r\nb=2\r\n");
    QTest::newRow("UTF-8 signature kept, its section written to")
        << true << QByteArray("\xEF\xBB\xBF[A]\r\na=1\r\n") << a << QByteArray("a") << QByteArray("2")
        << QByteArray("\xEF\xBB\xBF[A]\r\na=2\r\n");
    QTest::newRow("UTF-8 signature alone") << true << QByteArray("\xEF\xBB\xBF") << a << QByteArray("a")
                                           << QByteArray("2") << QByteArray("\xEF\xBB\xBF[A]\r\na=2\r\n");
    QTest::newRow("add to empty section") << true << QByteArray("[A]\r\n\r\n[B]\r\n") << a << c << QByteArray("3")
                                          << QByteArray("[A]\r\nc=3\r\n\r\n[B]\r\n");
    QTest::newRow("add to header without line end")
        << true << QByteArray("[A]") << a << c << QByteArray("3") << QByteArray("[A]\r\nc=3\r\n");
    QTest::newRow("add after last line without line end")
        << true << QByteArray("[A]\r\na=1") << a << c << QByteArray("3") << QByteArray("[A]\r\na=1\r\nc=3\r\n");
    QTest::newRow("add into LF file") << true << QByteArray("[A]\na=1\n[B]\nb=2\n") << a << c << QByteArray("3")
                                      << QByteArray("[A]\na=1\nc=3\r\n[B]\nb=2\n");
    QTest::newRow("add into CR file") << true << QByteArray("[A]\ra=1\r") << a << c << QByteArray("3")
                                      << QByteArray("[A]\ra=1\rc=3\r\n");
    QTest::newRow("add to last section before trailing blank lines")
        << true << QByteArray("[A]\r\na=1\r\n\r\n \r\n") << a << c << QByteArray("3")
        << QByteArray("[A]\r\na=1\r\nc=3\r\n\r\n \r\n");
    QTest::newRow("append section") << true << QByteArray("[A]\r\na=1\r\n") << b << QByteArray("b") << QByteArray("2")
                                    << QByteArray("[A]\r\na=1\r\n[B]\r\nb=2\r\n");
    QTest::newRow("append section after missing line end")
        << true << QByteArray("[A]\r\na=1") << b << QByteArray("b") << QByteArray("2")
        << QByteArray("[A]\r\na=1\r\n[B]\r\nb=2\r\n");
    QTest::newRow("append section to LF file") << true << QByteArray("[A]\na=1\n") << b << QByteArray("b")
                                               << QByteArray("2") << QByteArray("[A]\na=1\n[B]\r\nb=2\r\n");
    QTest::newRow("append section after trailing blank lines")
        << true << QByteArray("[A]\r\na=1\r\n\r\n") << b << QByteArray("b") << QByteArray("2")
        << QByteArray("[A]\r\na=1\r\n\r\n[B]\r\nb=2\r\n");
    QTest::newRow("append section to keys without section")
        << true << QByteArray("k=1") << b << QByteArray("k") << QByteArray("2") << QByteArray("k=1\r\n[B]\r\nk=2\r\n");
    QTest::newRow("odd spacing and unknown sections kept")
        << true << QByteArray("  [ A ]  \r\n x = 1 \r\n[Unknown]\r\nfoo = bar\r\n") << a << QByteArray("x")
        << QByteArray("2") << QByteArray("  [ A ]  \r\nx=2\r\n[Unknown]\r\nfoo = bar\r\n");
    QTest::newRow("names matched ignoring case")
        << true << QByteArray("[Server]\r\nPort=1\r\n") << QByteArray("server") << QByteArray("PORT") << QByteArray("9")
        << QByteArray("[Server]\r\nPort=9\r\n");
    QTest::newRow("Cyrillic names matched ignoring case")
        << true << QByteArray("[\xCF\xF0\xEE\xEA\xF1\xE8]\r\n\xEA\xEB\xFE\xF7=1\r\n")
        << QByteArray("\xCF\xD0\xCE\xCA\xD1\xC8") << QByteArray("\xCA\xCB\xDE\xD7") << QByteArray("\xFF")
        << QByteArray("[\xCF\xF0\xEE\xEA\xF1\xE8]\r\n\xEA\xEB\xFE\xF7=\xFF\r\n");
    QTest::newRow("empty value") << true << QByteArray("[A]\r\nx=1\r\n") << a << QByteArray("x") << QByteArray()
                                 << QByteArray("[A]\r\nx=\r\n");
    QTest::newRow("value written as given") << true << QByteArray("[A]\r\n") << a << QByteArray("x")
                                            << QByteArray(" \"v\" ") << QByteArray("[A]\r\nx= \"v\" \r\n");
    QTest::newRow("other bytes kept") << true
                                      << QByteArray("\xEF\xBB\xBF; header\r\n[A]\r\n\x01\x02\xFF\r\nx=1\r\n\x1A") << a
                                      << QByteArray("x") << QByteArray("2")
                                      << QByteArray("\xEF\xBB\xBF; header\r\n[A]\r\n\x01\x02\xFF\r\nx=2\r\n\x1A");
    QTest::newRow("NUL bytes of other lines kept")
        << true << QByteArray("[A]\r\nz=\0\0\r\nx=1\r\n", 16) << a << QByteArray("x") << QByteArray("2")
        << QByteArray("[A]\r\nz=\0\0\r\nx=2\r\n", 16);
}

void TestIniFile::writeString() {
    QFETCH(bool, exists);
    QFETCH(QByteArray, before);
    QFETCH(QByteArray, section);
    QFETCH(QByteArray, key);
    QFETCH(QByteArray, value);
    QFETCH(QByteArray, after);
    if (exists)
        QVERIFY(writeBytes(iniPath(), before));
    IniFile file = ini();
    file.writeString(s(section), s(key), s(value));
    QCOMPARE(readBytes(iniPath()), after);
    QCOMPARE(entries(dir_->path()), QStringList{"glym30.ini"});
    // What was written reads back (trimmed and unquoted as every read is).
    const QByteArray expected = value.trimmed();
    const bool quoted = expected.size() >= 2 && expected.front() == '"' && expected.back() == '"';
    QCOMPARE(qbytes(file.readString(s(section), s(key), "dflt")),
             quoted ? expected.mid(1, expected.size() - 2) : expected);
}

void TestIniFile::writeIntegerAndBool() {
    IniFile file = ini();
    file.writeInteger("S", "negative", -5);
    file.writeInteger("S", "min", std::numeric_limits<int>::min());
    file.writeBool("S", "on", true);
    file.writeBool("S", "off", false);
    file.writeInteger("S", "negative", 12);
    QCOMPARE(readBytes(iniPath()), QByteArray("[S]\r\nnegative=12\r\nmin=-2147483648\r\non=1\r\noff=0\r\n"));
    QCOMPARE(file.readInteger("S", "min", 0), std::numeric_limits<int>::min());
    QVERIFY(file.readBool("S", "on", false));
    QVERIFY(!file.readBool("S", "off", true));
}

// A file written by hand: comments, odd spacing, quotes, an unknown section, a second section of the same name,
// a key before the first section, an LF-only section and no final line end. Only the lines written change.
void TestIniFile::writeSeriesIntoHandWrittenFile() {
    QVERIFY(writeBytes(iniPath(), "; GLYM proxy settings\r\n"
                                  "Orphan=1\r\n"
                                  "\r\n"
                                  "[Server]\r\n"
                                  "Port = 8080 \r\n"
                                  "Master=\"10.0.0.1:3128\"\r\n"
                                  "; threads below\r\n"
                                  "Threads\r\n"
                                  "\r\n"
                                  "[Custom]\r\n"
                                  "Keep = me\r\n"
                                  "[server]\r\n"
                                  "Port=9999\r\n"
                                  "[Users]\n"
                                  "Enable=1\n"
                                  "Count=64"));
    IniFile file = ini();
    QCOMPARE(qbytes(file.readString("Server", "Master", "")), QByteArray("10.0.0.1:3128"));
    QCOMPARE(qbytes(file.readString("Server", "Port", "")), QByteArray("8080"));

    file.writeString("Server", "Port", "3128");
    file.writeString("Server", "Master", "10.0.0.2:8080");
    file.writeString("Server", "Threads", "32");
    file.writeInteger("Server", "Cache Type", 1);
    file.writeString("Users", "Count", "128");
    file.writeString("Users", "Time To Live", "600000");
    file.writeBool("Check", "Enable", false);

    QCOMPARE(readBytes(iniPath()), QByteArray("; GLYM proxy settings\r\n"
                                              "Orphan=1\r\n"
                                              "\r\n"
                                              "[Server]\r\n"
                                              "Port=3128\r\n"
                                              "Master=10.0.0.2:8080\r\n"
                                              "; threads below\r\n"
                                              "Threads=32\r\n"
                                              "Cache Type=1\r\n"
                                              "\r\n"
                                              "[Custom]\r\n"
                                              "Keep = me\r\n"
                                              "[server]\r\n"
                                              "Port=9999\r\n"
                                              "[Users]\n"
                                              "Enable=1\n"
                                              "Count=128\r\n"
                                              "Time To Live=600000\r\n"
                                              "[Check]\r\n"
                                              "Enable=0\r\n"));
    QCOMPARE(qbytes(file.readString("Server", "Port", "")), QByteArray("3128"));
    QCOMPARE(qbytes(file.readString("Custom", "Keep", "")), QByteArray("me"));
}

void TestIniFile::writeToReadOnlyFileFails() {
    const QByteArray content = "[Server]\r\nPort=3128\r\n";
    QVERIFY(writeBytes(iniPath(), content));
    QCOMPARE(::chmod(QFile::encodeName(iniPath()).constData(), 0444), 0);
    IniFile file = ini();
    // The plain message first, then the reason.
    const QString expected = "Unable to write to " + iniPath() + ": Permission denied";
    for (const QString& failure : {failureOf([&] { file.writeString("Server", "Port", "8080"); }),
                                   failureOf([&] { file.writeString("New", "Key", "1"); }),
                                   failureOf([&] { file.writeInteger("Server", "Threads", 32); }),
                                   failureOf([&] { file.writeBool("Users", "Enable", true); })})
        QVERIFY2(failure.startsWith(expected), qPrintable(failure));
    QCOMPARE(readBytes(iniPath()), content);
    QFileInfo info(iniPath());
    QCOMPARE(info.permissions() & (QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther), QFile::Permissions());
    QCOMPARE(entries(dir_->path()), QStringList{"glym30.ini"});
    QCOMPARE(qbytes(file.readString("Server", "Port", "")), QByteArray("3128")); // reading still works
}

// The message names the file the way the caller named it, relative paths included.
void TestIniFile::writeFailureNamesThePathAsGiven() {
    QVERIFY(writeBytes(iniPath(), "[Server]\r\n"));
    QCOMPARE(::chmod(QFile::encodeName(iniPath()).constData(), 0444), 0);
    const QString previous = QDir::currentPath();
    QVERIFY(QDir::setCurrent(dir_->path()));
    IniFile file("./glym30.ini");
    const QString failure = failureOf([&] { file.writeString("Server", "Port", "1"); });
    QVERIFY(QDir::setCurrent(previous));
    QVERIFY2(failure.startsWith(QStringLiteral("Unable to write to ./glym30.ini: Permission denied")),
             qPrintable(failure));
    QCOMPARE(readBytes(iniPath()), QByteArray("[Server]\r\n"));
}

void TestIniFile::writeInMissingDirectoryFails() {
    const QString path = dir_->filePath("missing/glym30.ini");
    IniFile file(path.toStdString());
    const QString failure = failureOf([&] { file.writeString("Server", "Port", "1"); });
    QVERIFY2(failure.startsWith("Unable to write to " + path + ": No such file or directory"), qPrintable(failure));
    QCOMPARE(entries(dir_->path()), QStringList());
    QCOMPARE(qbytes(file.readString("Server", "Port", "3128")), QByteArray("3128"));
}

// A file that exists but cannot be read (here a file whose every read fails, which binds root too).
void TestIniFile::unreadableFileReadsAsMissingAndIsNotWritten() {
    const QString path = QStringLiteral("/proc/self/mem");
    if (!QFileInfo(path).isFile())
        QSKIP("no /proc/self/mem here");
    IniFile file(path.toStdString());
    QCOMPARE(qbytes(file.readString("Server", "Port", "3128")), QByteArray("3128"));
    QCOMPARE(file.readInteger("Server", "Cache Type", 1), 1);
    const QString failure = failureOf([&] { file.writeString("Server", "Port", "1"); });
    QVERIFY2(failure.startsWith("Unable to write to " + path + ": ") && failure.size() > path.size() + 22,
             qPrintable(failure));
}

void TestIniFile::writeThroughSymbolicLink() {
    QVERIFY(QDir(dir_->path()).mkdir("etc"));
    QVERIFY(writeBytes(dir_->filePath("etc/glym30.ini"), "[Server]\r\nPort=3128\r\n"));
    QVERIFY(QFile::link("etc/glym30.ini", iniPath()));
    IniFile file = ini();
    file.writeString("Server", "Port", "8080");
    QVERIFY(QFileInfo(iniPath()).isSymLink());
    QCOMPARE(readBytes(dir_->filePath("etc/glym30.ini")), QByteArray("[Server]\r\nPort=8080\r\n"));
    QCOMPARE(entries(dir_->filePath("etc")), QStringList{"glym30.ini"});
}

void TestIniFile::writeRefusesWhatWouldNotReadBack_data() {
    QTest::addColumn<QByteArray>("section");
    QTest::addColumn<QByteArray>("key");
    QTest::addColumn<QByteArray>("value");
    QTest::newRow("CR LF in value") << QByteArray("S") << QByteArray("k") << QByteArray("a\r\n[Evil]\r\nx=1");
    QTest::newRow("LF in value") << QByteArray("S") << QByteArray("k") << QByteArray("a\nb");
    QTest::newRow("CR in value") << QByteArray("S") << QByteArray("k") << QByteArray("a\rb");
    QTest::newRow("NUL in value") << QByteArray("S") << QByteArray("k") << QByteArray("a\0b", 3);
    QTest::newRow("LF in key") << QByteArray("S") << QByteArray("k\nj") << QByteArray("1");
    QTest::newRow("CR in section") << QByteArray("S\r") << QByteArray("k") << QByteArray("1");
    QTest::newRow("NUL in section") << QByteArray("S\0T", 3) << QByteArray("k") << QByteArray("1");
    QTest::newRow("key that is a section header") << QByteArray("S") << QByteArray("[x]") << QByteArray("1");
    QTest::newRow("key starting with [") << QByteArray("S") << QByteArray(" [x") << QByteArray("1");
    QTest::newRow("key that is a comment") << QByteArray("S") << QByteArray(";k") << QByteArray("1");
    QTest::newRow("key holding =") << QByteArray("S") << QByteArray("a=b") << QByteArray("1");
    QTest::newRow("section holding ]") << QByteArray("S]x") << QByteArray("k") << QByteArray("1");
    QTest::newRow("key beginning with a tab") << QByteArray("S") << QByteArray("\tk") << QByteArray("1");
    QTest::newRow("section ending with a tab") << QByteArray("S\t") << QByteArray("k") << QByteArray("1");
}

// A name the file would not give back as written (it would read as another key, a section or a comment, or be
// added again at every write) is refused like a line break; the file is left as it was.
void TestIniFile::writeRefusesWhatWouldNotReadBack() {
    QFETCH(QByteArray, section);
    QFETCH(QByteArray, key);
    QFETCH(QByteArray, value);
    const QByteArray content = "[S]\r\nk=old\r\n";
    QVERIFY(writeBytes(iniPath(), content));
    IniFile file = ini();
    const QString failure = failureOf([&] { file.writeString(s(section), s(key), s(value)); });
    QVERIFY2(failure.startsWith("Unable to write to " + iniPath()), qPrintable(failure));
    QCOMPARE(readBytes(iniPath()), content);
}

// Something other than a regular file in the file's place reads like a missing file, cannot be written (the
// reason is given) and stays as it is; nothing waits for a FIFO's writer or reads a device without end.
void TestIniFile::nonRegularFiles_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("reason");
    QTest::newRow("FIFO") << "fifo"
                          << "Not a regular file";
    QTest::newRow("link to /dev/zero") << "device"
                                       << "Not a regular file";
    QTest::newRow("directory") << "directory"
                               << "Is a directory";
}

void TestIniFile::nonRegularFiles() {
    QFETCH(QString, kind);
    QFETCH(QString, reason);
    const QByteArray path = QFile::encodeName(iniPath());
    if (kind == "fifo")
        QCOMPARE(::mkfifo(path.constData(), 0644), 0);
    else if (kind == "device")
        QVERIFY(QFile::link("/dev/zero", iniPath()));
    else
        QVERIFY(QDir(dir_->path()).mkdir("glym30.ini"));
    struct stat before {};
    QCOMPARE(::lstat(path.constData(), &before), 0);

    IniFile file = ini();
    QCOMPARE(qbytes(file.readString("Server", "Port", "3128")), QByteArray("3128"));
    QCOMPARE(file.readInteger("Server", "Threads", 32), 32);
    QCOMPARE(failureOf([&] { file.writeString("Server", "Port", "1"); }),
             "Unable to write to " + iniPath() + ": " + reason);
    IniSession session(iniPath().toStdString());
    QCOMPARE(failureOf([&] { session.writeBool("Users", "Enable", true); }),
             "Unable to write to " + iniPath() + ": " + reason);
    file.flush();

    struct stat after {};
    QCOMPARE(::lstat(path.constData(), &after), 0);
    QCOMPARE(after.st_ino, before.st_ino);
    QCOMPARE(entries(dir_->path()), QStringList{"glym30.ini"});
}

// A session reads the file once, shows its own writes to its reads, touches the file only at commit, and then
// replaces it exactly once; a session that wrote nothing leaves it alone.
void TestIniFile::sessionWritesOnce() {
    const QByteArray before = "[Server]\r\nPort=3128\r\n; end of server\r\n[Other]\r\nx=1\r\n";
    QVERIFY(writeBytes(iniPath(), before));
    ReplaceCounter replaces(dir_->path(), "glym30.ini");
    QVERIFY(replaces.valid());

    IniSession session(iniPath().toStdString());
    session.writeString("Server", "Port", "8080");
    session.writeString("Server", "Threads", "32");
    session.writeInteger("server", "THREADS", 64);
    session.writeBool("Users", "Enable", true);
    session.writeString("Users", "Count", "5");
    QCOMPARE(qbytes(session.readString("Server", "Port", "")), QByteArray("8080"));
    QCOMPARE(session.readInteger("Server", "Threads", 0), 64);
    QVERIFY(session.readBool("users", "enable", false));
    QCOMPARE(readBytes(iniPath()), before);

    session.commit();
    QCOMPARE(readBytes(iniPath()), QByteArray("[Server]\r\nPort=8080\r\nThreads=64\r\n; end of server\r\n[Other]\r\n"
                                              "x=1\r\n[Users]\r\nEnable=1\r\nCount=5\r\n"));
    QCOMPARE(replaces.take(), 1);
    session.commit(); // nothing written since
    IniSession reader(iniPath().toStdString());
    QCOMPARE(qbytes(reader.readString("Users", "Count", "")), QByteArray("5"));
    reader.commit();
    QCOMPARE(replaces.take(), 0);
    QCOMPARE(entries(dir_->path()), QStringList{"glym30.ini"});
}

// Any series of writes through one session gives the file, and the reads, that the same writes one at a time give.
void TestIniFile::sessionEqualsSingleWrites() {
    const QByteArray start = "\xEF\xBB\xBF; settings\r\n"
                             "[Server]\r\n Port = 1 \r\n;Threads=9\r\nMaster\r\n\r\n"
                             "[Users]\nEnable=1\n; users end\n"
                             "[Custom\r\nKeep = me\r\n"
                             "[server]\r\nPort=2\r\n"
                             "[Tail]\r\nLast=1";
    const char* const sections[] = {"Server", "users", "Custom", "New", "Tail", " server "};
    const char* const keys[] = {"Port", "Threads", "Master", "Enable", "Keep", "Last", "Added"};
    const char* const values[] = {"1", "", "a b", "\"q\"", "\xCF\xF0\xEE"};
    const QString single = dir_->filePath("single.ini");
    std::mt19937 random(30);
    for (int round = 0; round < 20; ++round) {
        QVERIFY(writeBytes(iniPath(), start));
        QVERIFY(writeBytes(single, start));
        IniSession session(iniPath().toStdString());
        IniFile file(single.toStdString());
        for (int step = 0; step < 12; ++step) {
            const std::string section = sections[random() % std::size(sections)];
            const std::string key = keys[random() % std::size(keys)];
            const std::string value = values[random() % std::size(values)];
            session.writeString(section, key, value);
            file.writeString(section, key, value);
            for (const char* const other : keys)
                QCOMPARE(qbytes(session.readString(section, other, "-")), qbytes(file.readString(section, other, "-")));
        }
        session.commit();
        QCOMPARE(readBytes(iniPath()), readBytes(single));
    }
}

// Arbitrary bytes (NUL, CR, LF, brackets, "=") neither crash the layer nor get lost: a write of a new section
// appends to them, and what was written reads back.
void TestIniFile::binaryFile() {
    std::mt19937 random(1251);
    QByteArray noise;
    for (int i = 0; i < 256 * 1024; ++i) {
        const auto roll = random() % 16;
        noise += roll == 0 ? '\n' : roll == 1 ? '[' : roll == 2 ? ']' : roll == 3 ? '=' : char(random() % 256);
    }
    QVERIFY(writeBytes(iniPath(), noise));
    IniFile file = ini();
    file.readString("S", "k", "");
    file.readInteger("S", "k", 0);
    file.writeString("Fresh Section", "Key", "value");
    QCOMPARE(qbytes(file.readString("fresh section", "KEY", "")), QByteArray("value"));
    const QByteArray after = readBytes(iniPath());
    QVERIFY(after.startsWith(noise));
    QVERIFY(after.endsWith("[Fresh Section]\r\nKey=value\r\n"));
    QVERIFY(after.size() - noise.size() <= qsizetype(sizeof "\r\n[Fresh Section]\r\nKey=value\r\n"));
}

void TestIniFile::megabyteLine() {
    const QByteArray big(1 << 20, 'x');
    QVERIFY(writeBytes(iniPath(), "[S]\r\nk=" + big + "\r\nj=2\r\n"));
    IniFile file = ini();
    QCOMPARE(qbytes(file.readString("S", "k", "")), QByteArray(2047, 'x'));
    QCOMPARE(file.readInteger("S", "j", 0), 2);
    file.writeString("S", "j", "3");
    QCOMPARE(readBytes(iniPath()), "[S]\r\nk=" + big + "\r\nj=3\r\n");
    file.writeString("S", "k", "short");
    QCOMPARE(readBytes(iniPath()), QByteArray("[S]\r\nk=short\r\nj=3\r\n"));

    QVERIFY(writeBytes(iniPath(), "[" + big + "]"));
    QCOMPARE(qbytes(file.readString(s(big), "k", "d")), QByteArray("d"));
    file.writeString("S", "k", "1");
    QCOMPARE(readBytes(iniPath()), "[" + big + "]\r\n[S]\r\nk=1\r\n");
}

void TestIniFile::noLineEnds() {
    QVERIFY(writeBytes(iniPath(), "[S]k=1"));
    IniFile file = ini();
    QCOMPARE(qbytes(file.readString("S", "k", "d")), QByteArray("d")); // the header line holds no key
    file.writeString("S", "k", "2");
    QCOMPARE(readBytes(iniPath()), QByteArray("[S]k=1\r\nk=2\r\n"));
    QCOMPARE(qbytes(file.readString("S", "k", "d")), QByteArray("2"));

    QVERIFY(writeBytes(iniPath(), "k=1"));
    QCOMPARE(qbytes(file.readString("S", "k", "d")), QByteArray("d"));
}

void TestIniFile::nulBytes() {
    const QByteArray content("\0\0\r\n[S]\r\nk=ab\0cd\r\nj=\0\r\n\0=5\r\nm=1\0", 32);
    QVERIFY(writeBytes(iniPath(), content));
    IniFile file = ini();
    QCOMPARE(qbytes(file.readString("S", "k", "d")), QByteArray("ab"));
    QCOMPARE(qbytes(file.readString("S", "j", "d")), QByteArray(""));
    QCOMPARE(qbytes(file.readString("S", "m", "d")), QByteArray("1"));
    QCOMPARE(file.readInteger("S", "k", 7), 7);
    file.writeString("S", "j", "x");
    QCOMPARE(readBytes(iniPath()), QByteArray("\0\0\r\n[S]\r\nk=ab\0cd\r\nj=x\r\n\0=5\r\nm=1\0", 32));
}

// Adding a key at the end of a section of 100,000 lines stays linear in the file's size.
void TestIniFile::largeSection() {
    QByteArray content = "[Big]\r\n";
    for (int i = 0; i < 100000; ++i)
        content += "key" + QByteArray::number(i) + "=" + QByteArray::number(i) + "\r\n";
    content += "[Next]\r\nn=1\r\n";
    QVERIFY(writeBytes(iniPath(), content));
    IniFile file = ini();
    file.writeString("Big", "added", "yes");
    file.writeString("Big", "key99999", "last");
    QCOMPARE(file.readInteger("Big", "key0", -1), 0);
    QCOMPARE(qbytes(file.readString("Big", "key99999", "")), QByteArray("last"));
    const QByteArray after = readBytes(iniPath());
    QVERIFY(after.endsWith("key99998=99998\r\nkey99999=last\r\nadded=yes\r\n[Next]\r\nn=1\r\n"));
    QCOMPARE(after.size(), content.size() - 5 + 4 + qsizetype(sizeof "added=yes\r\n") - 1);
}

QTEST_APPLESS_MAIN(TestIniFile)
#include "test_inifile.moc"
