#include "ZtFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

class TestZtFiles : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    // A fresh folder per test, so that listings see only their own files.
    void init()
    {
        fDir = std::make_unique<QTemporaryDir>();
        QVERIFY(fDir->isValid());
    }
    void writeAndReadText();
    void writeErrors();
    void readInvalidUtf8();
    void appendLogFile();
    void readFileTail_data();
    void readFileTail();
    void trimFileHead();
    void fileAt();
    void normalizeDir_data();
    void normalizeDir();
    void listFiles();
    void safeFileName_data();
    void safeFileName();
    void exportFileName_data();
    void exportFileName();

private:
    QString path(const QString &name) const { return fDir->filePath(name); }
    std::unique_ptr<QTemporaryDir> fDir;
};

static QByteArray readAll(const QString &fn)
{
    QFile f(fn);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void TestZtFiles::writeAndReadText()
{
    const QString fn = path(QStringLiteral("t.txt"));
    const QString text = QStringLiteral("Grüße\r\n");
    const qint64 utf8Len = text.toUtf8().size();

    QCOMPARE(WriteTextFile(fn, text, true, true), utf8Len + 3);
    QVERIFY(readAll(fn).startsWith("\xEF\xBB\xBF"));
    QCOMPARE(ReadTextFile(fn), text); // the mark is skipped

    // Appending adds no second mark.
    QCOMPARE(WriteTextFile(fn, QStringLiteral("more"), false, true), qint64(4));
    QCOMPARE(ReadTextFile(fn), text + QStringLiteral("more"));

    // Overwriting without utf8 writes no mark; the text is still UTF-8.
    QCOMPARE(WriteTextFile(fn, text, true, false), utf8Len);
    QCOMPARE(readAll(fn), text.toUtf8());
    QCOMPARE(ReadTextFile(fn, false, 3), QStringLiteral("Gr\uFFFD")); // cut inside "ü"

    // Appending to a missing file creates it.
    QCOMPARE(WriteTextFile(path(QStringLiteral("new.txt")), QStringLiteral("x"), false), qint64(1));
    QCOMPARE(ReadTextFile(path(QStringLiteral("absent.txt"))), QString());
}

void TestZtFiles::writeErrors()
{
    QCOMPARE(WriteTextFile(QString(), QStringLiteral("x")), qint64(-1));
    QCOMPARE(WriteTextFile(path(QStringLiteral("no/such/dir/f.txt")), QStringLiteral("x")), qint64(-2));
    QCOMPARE(WriteTextFile(path(QStringLiteral("no/such/dir/f.txt")), QStringLiteral("x"), false), qint64(-2));
}

void TestZtFiles::readInvalidUtf8()
{
    const QString fn = path(QStringLiteral("bad.txt"));
    QFile f(fn);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("ok\xFF\xFE\xC3");
    f.close();
    const QString t = ReadTextFile(fn);
    QVERIFY(t.startsWith(QStringLiteral("ok")));
    QVERIFY(t.size() >= 3);
}

void TestZtFiles::appendLogFile()
{
    const QString fn = path(QStringLiteral("log.txt"));
    AppendLogFile(fn, QStringLiteral("\r\nGET /x\r\n200 OK"), QStringLiteral("http"));
    AppendLogFile(fn, QStringLiteral("\rnext"));
    const QStringList lines = QString::fromUtf8(readAll(fn)).split(QStringLiteral("\r\n"));
    QCOMPARE(lines.size(), 4);
    QCOMPARE(lines[0], QString());
    const QRegularExpression stamp(QStringLiteral("^\\d{8} \\d{6} "));
    QVERIFY(stamp.match(lines[1]).hasMatch());
    QVERIFY(lines[1].endsWith(QStringLiteral(" [http] GET /x")));
    QVERIFY(lines[2].endsWith(QStringLiteral(" [http] 200 OK")));
    QVERIFY(stamp.match(lines[3]).hasMatch());
    QVERIFY(lines[3].endsWith(QStringLiteral(" next")));
    QVERIFY(!lines[3].contains(u'['));
}

void TestZtFiles::readFileTail_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<int>("lines");
    QTest::addColumn<QString>("expected");
    QTest::addRow("last two") << QByteArray("a\nb\nc\n") << 2 << "b\nc\n";
    QTest::addRow("no final line feed") << QByteArray("a\nb\nc") << 1 << "c";
    QTest::addRow("more than there are") << QByteArray("a\nb\n") << 10 << "a\nb\n";
    QByteArray big;
    for (int i = 0; i < 2000; ++i)
        big += "line " + QByteArray::number(i) + '\n';
    QTest::addRow("across blocks") << big << 3 << "line 1997\nline 1998\nline 1999\n";
    QTest::addRow("empty file") << QByteArray() << 3 << "";
}

void TestZtFiles::readFileTail()
{
    QFETCH(QByteArray, content);
    QFETCH(int, lines);
    QFETCH(QString, expected);
    const QString fn = path(QStringLiteral("tail.txt"));
    QFile f(fn);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(content);
    f.close();
    QCOMPARE(ReadFileTail(fn, lines), expected);
}

void TestZtFiles::trimFileHead()
{
    const QString fn = path(QStringLiteral("grow.log"));
    QByteArray data;
    for (int i = 0; data.size() < 30000; ++i)
        data += "entry " + QByteArray::number(i).rightJustified(5, '0') + " ..............................\n";
    QFile f(fn);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(data);
    f.close();

    // 5000 bytes over the limit is under the 10240-byte slack: untouched.
    QVERIFY(!TrimFileHead(fn, data.size() - 5000));
    QCOMPARE(readAll(fn), data);

    const qint64 limit = 10000;
    QVERIFY(TrimFileHead(fn, limit));
    const QByteArray rest = readAll(fn);
    // Lines that end within the first (size - limit) bytes go; the line that
    // straddles that point stays whole.
    QVERIFY(data.endsWith(rest));
    QVERIFY(rest.startsWith("entry "));
    QVERIFY(rest.size() >= limit);
    QVERIFY(rest.size() < limit + 64);
    QVERIFY(!QFileInfo::exists(path(QStringLiteral("grow.$$$"))));
    QVERIFY(!TrimFileHead(path(QStringLiteral("missing.log")), 0));
}

void TestZtFiles::fileAt()
{
    const QString fn = path(QStringLiteral("bin.dat"));
    QCOMPARE(WriteFileAt(fn, QByteArray("0123456789"), 0), qint64(10)); // created
    QCOMPARE(WriteFileAt(fn, QByteArray("AB"), 4), qint64(2));
    QCOMPARE(WriteFileAt(fn, QByteArray("Z"), -1), qint64(1)); // from the end
    QCOMPARE(readAll(fn), QByteArray("0123AB678Z"));
    QCOMPARE(ReadFileAt(fn, 3, 2), QByteArray("23A"));
    QCOMPARE(ReadFileAt(fn, 2, -2), QByteArray("8Z"));
    char buf[4];
    QCOMPARE(ReadFileAt(path(QStringLiteral("none")), buf, 4, 0), qint64(-1));
    QCOMPARE(ReadFileAt(fn, buf, 4, -20), qint64(-1));
    QCOMPARE(FileSizeOf(fn), qint64(10));
    QCOMPARE(FileSizeOf(path(QStringLiteral("none"))), qint64(-1));
}

void TestZtFiles::normalizeDir_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("base");
    QTest::addColumn<QString>("expected");
    QTest::addRow("backslashes") << " C:\\data\\maps " << "" << "C:/data/maps/";
    QTest::addRow("doubled separators") << "/a//b///c/" << "" << "/a/b/c/";
    QTest::addRow("network pair stays") << "\\\\server\\share" << "" << "//server/share/";
    QTest::addRow("relative to base") << ".\\cache" << "/opt/app" << "/opt/app/cache/";
    QTest::addRow("dot without base") << "./cache" << "" << "./cache/";
    QTest::addRow("empty stays empty") << "  " << "" << "";
}

void TestZtFiles::normalizeDir()
{
    QFETCH(QString, input);
    QFETCH(QString, base);
    QFETCH(QString, expected);
    QCOMPARE(NormalizeDir(input, base), expected);
}

void TestZtFiles::listFiles()
{
    QDir d(fDir->path());
    QVERIFY(d.mkdir(QStringLiteral("sub")));
    WriteTextFile(path(QStringLiteral("a.txt")), QStringLiteral("1"));
    WriteTextFile(path(QStringLiteral("b.txt")), QStringLiteral("2"));
    WriteTextFile(path(QStringLiteral("c.png")), QStringLiteral("3"));
    QCOMPARE(ListFiles(fDir->path(), QStringLiteral("*.txt"), false), QStringLiteral("a.txt\r\nb.txt"));
    QCOMPARE(ListFiles(fDir->path(), QStringLiteral("a.*"), true), NormalizeDir(fDir->path()) + QStringLiteral("a.txt"));
    const QStringList all = ListFiles(fDir->path(), QStringLiteral("*"), false).split(QStringLiteral("\r\n"));
    QVERIFY(all.contains(QStringLiteral("sub")));
    QVERIFY(all.contains(QStringLiteral("..")));
    QCOMPARE(ListFiles(path(QStringLiteral("none")), QStringLiteral("*"), false), QString());
}

void TestZtFiles::safeFileName_data()
{
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("name");
    QTest::addRow("plain") << "Car 12" << "Car 12";
    QTest::addRow("period with slashes and colons") << "Car 1 01/03/2026 10:00" << "Car 1 01 03 2026 10 00";
    QTest::addRow("every refused character") << "a/b\\c:d*e?f\"g<h>i|j" << "a b c d e f g h i j";
    QTest::addRow("control characters") << QStringLiteral("a\tb\nc\x01") << "a b c";
    QTest::addRow("dots at the ends") << "..car..." << "car";
    QTest::addRow("only refused characters") << "///::" << "export";
    QTest::addRow("empty") << "" << "export";
    QTest::addRow("non-Latin kept") << QStringLiteral(u"Машина №5") << QStringLiteral(u"Машина №5");
    QTest::addRow("120 characters kept") << QString(120, u'a') << QString(120, u'a');
    QTest::addRow("121 characters cut") << QString(121, u'a') << QString(120, u'a');
    QTest::addRow("Cyrillic, 127 letters: 120 kept") << QString(127, QChar(0x0416)) << QString(120, QChar(0x0416));
    QTest::addRow("CJK, 85 characters of 3 bytes fit") << QString(85, QChar(0x4E2D)) << QString(85, QChar(0x4E2D));
    QTest::addRow("CJK, 86 characters cut to 85") << QString(86, QChar(0x4E2D)) << QString(85, QChar(0x4E2D));
    // Emoji: a surrogate pair, 4 bytes each. 40 CJK (120 bytes) and 33 emoji
    // make 252 bytes; the 34th would pass 255, and half of one is never kept.
    const QString face = QStringLiteral(u"\U0001F600");
    const QString cjk40(40, QChar(0x4E2D));
    QTest::addRow("emoji never split") << cjk40 + face.repeated(40) << cjk40 + face.repeated(33);
    // A letter and its combining accent (3 bytes) stay together.
    const QString accented = QStringLiteral(u"e\u0301");
    QTest::addRow("accent never parted from its letter") << accented.repeated(90) << accented.repeated(60);
}

// The name is what the label says, and a file of that name can be written.
void TestZtFiles::safeFileName()
{
    QFETCH(QString, label);
    QFETCH(QString, name);
    const QString got = SafeFileName(label);
    QCOMPARE(got, name);
    QVERIFY(got.toUtf8().size() <= MaxFileNameBytes);
    // With an extension where it still fits (ExportFileName makes room for one).
    const QString file = got + (got.toUtf8().size() <= MaxFileNameBytes - 4 ? QStringLiteral(".gpx") : QString());
    QFile f(path(file));
    QVERIFY2(f.open(QIODevice::WriteOnly), qPrintable(got));
    f.close();
    QCOMPARE(QDir(fDir->path()).entryList(QDir::Files), QStringList{file});
}

// An export name with its extension: at most 255 bytes, cut between
// characters, and a file of that name can be written.
void TestZtFiles::exportFileName_data()
{
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("extension");
    QTest::addColumn<QString>("name");
    QTest::addRow("short") << "Car 12" << "gpx" << "Car 12.gpx";
    QTest::addRow("nothing left") << "///" << "csv" << "export.csv";
    QTest::addRow("no extension") << "Car" << "" << "Car";
    // 83 CJK characters (249 bytes) and ".gpx" (4) make 253; the 84th (3 more) does not fit.
    QTest::addRow("CJK cut for the extension") << QString(100, QChar(0x4E2D)) << "gpx" << QString(83, QChar(0x4E2D)) + ".gpx";
    QTest::addRow("Cyrillic: 120 letters fit with it") << QString(120, QChar(0x0416)) << "gpx" << QString(120, QChar(0x0416)) + ".gpx";
    // 40 CJK and 32 emoji (248 bytes) and ".kml" make 252; a 33rd emoji, 256.
    const QString face = QStringLiteral(u"\U0001F600");
    const QString cjk40(40, QChar(0x4E2D));
    QTest::addRow("emoji cut whole for the extension") << cjk40 + face.repeated(40) << "kml" << cjk40 + face.repeated(32) + ".kml";
    QTest::addRow("cut after a blank: no blank at the end")
        << QString(83, QChar(0x4E2D)) + QStringLiteral(u" \u4E2D") << "gpx" << QString(83, QChar(0x4E2D)) + ".gpx";
}

void TestZtFiles::exportFileName()
{
    QFETCH(QString, label);
    QFETCH(QString, extension);
    QFETCH(QString, name);
    const QString got = ExportFileName(label, extension);
    QCOMPARE(got, name);
    QVERIFY(got.toUtf8().size() <= MaxFileNameBytes);
    QFile f(path(got));
    QVERIFY2(f.open(QIODevice::WriteOnly), qPrintable(f.errorString()));
    f.close();
    QVERIFY(f.remove());
}

QTEST_GUILESS_MAIN(TestZtFiles)
#include "tst_ZtFiles.moc"
