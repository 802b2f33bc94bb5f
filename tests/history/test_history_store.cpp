#include "document/Configuration.h"
#include "history/ContentId.h"
#include "history/SnapshotDiff.h"
#include "history/Store.h"

#include "common/CoreTestSupport.h"
#include "common/Error.h"

#include <QTemporaryDir>
#include <QTest>

using namespace coretest;
using history::FileRole;

// The history's store on its own (dedup, pruning, damaged generations and contents, where it lives) and recorded by
// the configuration's save and restore.
class TestHistoryStore : public QObject {
    Q_OBJECT

    QTemporaryDir* dir_ = nullptr;
    QString previous_;

    std::string path(const QString& name) const { return dir_->filePath(name).toStdString(); }
    QString storeFolder() const { return dir_->filePath(QStringLiteral("store")); }
    history::Store store() const { return history::Store(storeFolder().toStdString()); }
    QStringList contents() const { return entries(storeFolder() + QStringLiteral("/blobs")); }
    QStringList generationFiles() const { return entries(storeFolder() + QStringLiteral("/generations")); }

    static history::Snapshot snapshot(const std::string& settings, const std::string& access) {
        return {{FileRole::Settings, "glym30.ini", settings}, {FileRole::AccessRules, "access.txt", access}};
    }
    static std::string bigFile(int lines, const std::string& changed = {}) {
        std::string text;
        for (int n = 0; n < lines; ++n)
            text +=
                (n == lines / 2 && !changed.empty() ? changed : "GD:1:10." + std::to_string(n) + ".0.0:255.0.0.0:") +
                "\r\n";
        return text;
    }
    QList<unsigned> numbersListed() const {
        QList<unsigned> numbers;
        for (const history::Generation& generation : store().list().generations)
            numbers << generation.number;
        return numbers;
    }

    // A copy of examples/ made current, as the window works on it, with its history in the temporary directory.
    Configuration loadedExample() {
        for (const char* name : {"glym30.ini", "access.txt", "skip.txt", "router.txt"})
            QFile::copy(QStringLiteral(GLYM_TEST_DATA "/../../examples/") + QLatin1String(name),
                        dir_->filePath(QLatin1String(name)));
        Configuration configuration;
        configuration.setHistory({.userRoot = path(QStringLiteral("state")), .besideFiles = false, .keep = 200});
        configuration.load({});
        return configuration;
    }
    static void setPort(Configuration& configuration, const std::string& port) {
        configuration.setSetting(Configuration::settingOfControl("EditProxyPort"), {port, {}, false});
    }
    QMap<QString, QByteArray> configurationFiles() const {
        QMap<QString, QByteArray> files;
        for (const char* name : {"glym30.ini", "access.txt", "skip.txt", "router.txt"})
            files[QLatin1String(name)] = readBytes(dir_->filePath(QLatin1String(name)));
        return files;
    }

private slots:
    void init() {
        dir_ = new QTemporaryDir;
        previous_ = QDir::currentPath();
        QVERIFY(QDir::setCurrent(dir_->path()));
    }
    void cleanup() {
        QDir::setCurrent(previous_);
        delete dir_;
    }

    // Two saves of the same big file store it once; a file changed in one line is stored again, counted +1 -1.
    void identicalContentsAreStoredOnce() {
        const std::string access = bigFile(20000);
        history::Store history = store();
        const auto first = history.record(snapshot("[Server]\r\nPort=1\r\n", access), "first", 200);
        const auto second = history.record(snapshot("[Server]\r\nPort=2\r\n", access), "second", 200);
        QCOMPARE(first.generation.number, 1u);
        QCOMPARE(second.generation.number, 2u);
        QCOMPARE(contents().size(), 3); // two settings files, one access file
        QCOMPARE(second.generation.files[1].content, first.generation.files[1].content);
        QCOMPARE(int(second.generation.files[1].change.added), 0);
        QCOMPARE(int(first.generation.files[1].change.added), 20000); // the first counts every line

        const auto third = history.record(snapshot("[Server]\r\nPort=2\r\n", bigFile(20000, "GD:2:1.2.3.4:")), "", 200);
        QCOMPARE(contents().size(), 4);
        QCOMPARE(int(third.generation.filesChanged()), 1);
        QCOMPARE(int(third.generation.change().added), 1);
        QCOMPARE(int(third.generation.change().removed), 1);
        QCOMPARE(qbytes(*history.files(history.generation(1))[1].bytes), qbytes(access));
    }

    // Only the newest `keep` generations stay, and only the contents they hold.
    void pruningRemovesOldGenerationsAndTheirContents() {
        history::Store history = store();
        for (int n = 1; n <= 5; ++n)
            history.record(snapshot("[Server]\r\nPort=" + std::to_string(n) + "\r\n", "GN:0:All:\r\n"), "", 3);
        QCOMPARE(numbersListed(), (QList<unsigned>{5, 4, 3}));
        QCOMPARE(generationFiles(), (QStringList{"00000003", "00000004", "00000005"}));
        QStringList held;
        for (const char* bytes :
             {"[Server]\r\nPort=3\r\n", "[Server]\r\nPort=4\r\n", "[Server]\r\nPort=5\r\n", "GN:0:All:\r\n"})
            held << QString::fromStdString(history::contentId(bytes));
        held.sort();
        QCOMPARE(contents(), held);
        // Numbers are never used again.
        QCOMPARE(history.record(snapshot("x", "y"), "", 3).generation.number, 6u);
    }

    // A generation that cannot be read is told, naming its file; the others are listed, a new one is recorded, and
    // no content goes while it may be one of its.
    void damagedGenerationIsReported() {
        history::Store history = store();
        for (int n = 1; n <= 3; ++n)
            history.record(snapshot("[Server]\r\nPort=" + std::to_string(n) + "\r\n", "GN:0:All:\r\n"), "", 3);
        const QString damaged = storeFolder() + QStringLiteral("/generations/00000002");
        QVERIFY(writeBytes(damaged, "glymconf generation 1\nnumber\tx\n"));
        const history::Listing listing = history.list();
        QCOMPARE(int(listing.generations.size()), 2);
        QCOMPARE(listing.problems,
                 (std::vector<std::string>{damaged.toStdString() + ": line 2: \"x\" is not a number"}));
        const QStringList before = contents();

        const auto recorded = history.record(snapshot("[Server]\r\nPort=4\r\n", "GN:0:All:\r\n"), "", 3);
        QCOMPARE(recorded.generation.number, 4u);
        QCOMPARE(recorded.problems, listing.problems);
        QVERIFY(contents().contains(QString::fromStdString(history::contentId("[Server]\r\nPort=2\r\n"))));
        QVERIFY(before.size() < contents().size());
        QVERIFY_THROWS_EXCEPTION(GlymError, history.generation(2));
    }

    // A content whose bytes are not the ones stored is refused, naming it. Contents are not flushed one by one, so
    // a crash may leave one empty or without its name: the next save that holds it stores it again, and a
    // temporary file of a content cut short goes at the next pruning.
    void damagedContentIsRefused_data() {
        QTest::addColumn<QByteArray>("left"); // what the content's file holds; null: it is gone
        QTest::addColumn<QByteArray>("fault");
        QTest::newRow("other bytes") << QByteArray("GN:0:Bad:\r\n") << QByteArray(": the content is damaged");
        QTest::newRow("emptied") << QByteArray("") << QByteArray(": the content is damaged");
        QTest::newRow("gone") << QByteArray() << QByteArray("Cannot open file");
    }
    void damagedContentIsRefused() {
        QFETCH(QByteArray, left);
        QFETCH(QByteArray, fault);
        history::Store history = store();
        history.record(snapshot("[Server]\r\nPort=1\r\n", "GN:0:All:\r\n"), "", 200);
        QCOMPARE(entries(storeFolder() + QStringLiteral("/blobs")).size(), 2); // no temporary file stays
        const QString blob = storeFolder() + "/blobs/" + QString::fromStdString(history::contentId("GN:0:All:\r\n"));
        if (left.isNull())
            QVERIFY(QFile::remove(blob));
        else
            QVERIFY(writeBytes(blob, left));
        QVERIFY(writeBytes(blob + ".part99999", "GN:0:A")); // a content cut short
        try {
            history.files(history.generation(1));
            QFAIL("a damaged content was read");
        } catch (const GlymError& error) {
            QVERIFY2(QByteArray(error.what()).contains(fault), error.what());
            QVERIFY2(QByteArray(error.what()).contains(blob.toUtf8()), error.what());
        }
        history.record(snapshot("[Server]\r\nPort=1\r\n", "GN:0:All:\r\n"), "", 200);
        QCOMPARE(readBytes(blob), QByteArray("GN:0:All:\r\n"));
        QCOMPARE(qbytes(*history.files(history.generation(1))[1].bytes), QByteArray("GN:0:All:\r\n"));
        history.record(snapshot("[Server]\r\nPort=2\r\n", "GN:0:All:\r\n"), "", 2); // prunes one
        QVERIFY(!QFile::exists(blob + ".part99999"));
    }

    // The stored text of a generation reads back as it was, whatever bytes its names and comment hold; texts that
    // are not a generation are refused with the line and what is wrong.
    void generationText_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QByteArray>("fault");
        const QByteArray good = "glymconf generation 1\nnumber\t3\ntime\t100\nuser\tu\nhost\th\ncomment\t\n";
        QTest::newRow("good") << good << QByteArray();
        QTest::newRow("no format line") << QByteArray("number\t3\n") << QByteArray("line 1: not a generation");
        QTest::newRow("cut short") << good + "file\tsettings" << QByteArray("the text is cut short");
        QTest::newRow("field missing") << QByteArray("glymconf generation 1\nnumber\t3\n")
                                       << QByteArray("the field \"time\" is missing");
        QTest::newRow("unknown field") << good + "colour\tred\n" << QByteArray("line 7: an unknown field \"colour\"");
        QTest::newRow("twice") << good + "user\tv\n" << QByteArray("line 7: a second \"user\"");
        QTest::newRow("unknown role") << good + "file\tlog\tx\t-\t0\t0\t0\n"
                                      << QByteArray("line 7: \"log\" is no file of the configuration");
        QTest::newRow("bad content id") << good + "file\taccess\tx\tabc\t0\t0\t0\n"
                                        << QByteArray("line 7: \"abc\" is no content id");
        QTest::newRow("field too many") << good + "file\taccess\tx\t-\t0\t0\t0\t0\n"
                                        << QByteArray("line 7: a field too many");
        QTest::newRow("unknown escape") << good + "file\taccess\tx\\q\t-\t0\t0\t0\n"
                                        << QByteArray("line 7: an unknown escape \"\\q\"");
    }
    void generationText() {
        QFETCH(QByteArray, text);
        QFETCH(QByteArray, fault);
        try {
            history::parseGeneration(stdbytes(text));
            QCOMPARE(QByteArray(), fault);
        } catch (const GlymError& error) {
            QVERIFY2(QByteArray(error.what()).startsWith(fault) && !fault.isEmpty(), error.what());
        }
    }
    void generationTextRoundTrip() {
        history::Generation generation{7,
                                       1765363325,
                                       "al\tice",
                                       "host\\1",
                                       "line one\nline two \xe9",
                                       {{FileRole::Settings, "glym30.ini", history::contentId("x"), 1, {1, 0}},
                                        {FileRole::CacheSkip, "skip\n\xc4.txt", {}, 0, {0, 3}}}};
        const history::Generation read = history::parseGeneration(history::formatGeneration(generation));
        QCOMPARE(history::formatGeneration(read), history::formatGeneration(generation));
        QCOMPARE(read.comment, generation.comment);
        QCOMPARE(read.files[1].name, generation.files[1].name);
        QVERIFY(read.files[1].content.empty());
    }

    // The store is named for the directory it belongs to, whatever the spelling; a directory with its own
    // ".glymconf-history" keeps the history there.
    void whereTheHistoryLives() {
        QVERIFY(QDir().mkpath(QStringLiteral("a/glym")));
        QVERIFY(QDir().mkpath(QStringLiteral("b/glym")));
        const history::Place place{.userRoot = "/state", .besideFiles = false, .keep = 200};
        const std::string first = history::storeDirectory(place, "a/glym");
        QVERIFY2(QByteArray::fromStdString(first).startsWith("/state/glym-"), first.c_str());
        QCOMPARE(history::storeDirectory(place, path(QStringLiteral("a/./glym/"))), first);
        QVERIFY(history::storeDirectory(place, "b/glym") != first);
        QVERIFY(QDir().mkpath(QStringLiteral("b/glym/.glymconf-history")));
        QCOMPARE(history::storeDirectory(place, "b/glym"), std::string("b/glym/.glymconf-history"));
        QCOMPARE(history::storeDirectory({.userRoot = "", .besideFiles = true, .keep = 1}, "a/glym"),
                 std::string("a/glym/.glymconf-history"));
        QCOMPARE(history::storeDirectory({}, "a/glym"), std::string());
    }

    // Every save of the configuration is recorded; a history that cannot be written never stops one.
    void saveRecordsAndNeverFailsForTheHistory() {
        Configuration configuration = loadedExample();
        setPort(configuration, "3129");
        Configuration::SaveResult saved = configuration.save(ConflictChoice::Mine, "port 3129");
        QCOMPARE(saved.generation, 1u);
        QVERIFY(saved.notes.empty());
        const history::Store history(configuration.historyDirectory());
        const history::Generation generation = history.generation(1);
        QCOMPARE(generation.comment, std::string("port 3129"));
        QCOMPARE(int(generation.files.size()), 4);
        QCOMPARE(generation.user, history::currentUser());
        QVERIFY(history::holdsSameFiles(generation, configuration.filesOnDisk()));

        // The user's state directory is a file: the save stands and says why the history has no record of it.
        QVERIFY(writeBytes(QStringLiteral("blocked"), "not a directory"));
        configuration.setHistory(
            {.userRoot = path(QStringLiteral("blocked")) + "/history", .besideFiles = false, .keep = 200});
        setPort(configuration, "3130");
        saved = configuration.save();
        QCOMPARE(saved.generation, 0u);
        QVERIFY(readBytes(QStringLiteral("glym30.ini")).contains("Port=3130"));
        QCOMPARE(int(saved.notes.size()), 1);
        QVERIFY2(saved.notes[0].starts_with("The save could not be recorded in the history: Cannot make the history "
                                            "folder " +
                                            path(QStringLiteral("blocked"))),
                 saved.notes[0].c_str());
    }

    // A restore writes the generation's bytes back, recording the changes made outside first and itself after;
    // restoring the generation before it undoes it.
    void restoreWritesTheGenerationBack() {
        Configuration configuration = loadedExample();
        setPort(configuration, "3129");
        configuration.groups().find(0)->SetGroupLine("GN:0:Everyone:");
        QCOMPARE(configuration.save().generation, 1u);
        const QMap<QString, QByteArray> first = configurationFiles();
        setPort(configuration, "3130");
        QCOMPARE(configuration.save().generation, 2u);
        const QMap<QString, QByteArray> second = configurationFiles();
        QVERIFY(writeBytes(QStringLiteral("skip.txt"), "SD:/changed/outside/:\r\n"));

        Configuration::SaveResult restored = configuration.restore(1);
        QCOMPARE(restored.generation, 4u);
        QCOMPARE(configurationFiles(), first);
        const history::Store history(configuration.historyDirectory());
        QCOMPARE(history.generation(3).comment, std::string("As found before restoring generation 1"));
        QCOMPARE(readBytes(QStringLiteral("skip.txt.bak")), QByteArray("SD:/changed/outside/:\r\n"));
        QCOMPARE(history.generation(4).comment, std::string("Restored generation 1"));
        QVERIFY(!history::anyDifference(
            history::compareSnapshots(history.files(history.generation(1)), configuration.filesOnDisk())));

        restored = configuration.restore(2, "back");
        QCOMPARE(restored.generation, 5u); // nothing changed outside: no generation before it
        QCOMPARE(history.generation(5).comment, std::string("Restored generation 2: back"));
        QMap<QString, QByteArray> now = configurationFiles();
        QCOMPARE(now, second);

        // The files hold it already: nothing is written or recorded.
        restored = configuration.restore(5);
        QCOMPARE(restored.generation, 0u);
        QCOMPARE(restored.notes,
                 (std::vector<std::string>{"The files already hold generation 5: nothing was written."}));
        QVERIFY_THROWS_EXCEPTION(GlymError, configuration.restore(9));
    }
};

QTEST_APPLESS_MAIN(TestHistoryStore)
#include "test_history_store.moc"
