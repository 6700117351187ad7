#include "ZtTtyBox.h"

#include <QDir>
#include <QFile>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QtTest>

class tst_ZtTtyBox : public QObject
{
    Q_OBJECT

    static QStringList Lines(const TZtTtyBox &box)
    {
        QStringList out;
        for (int i = 0; i < box.LineCount(); ++i)
            out << box.Line(i);
        return out;
    }

private Q_SLOTS:
    void putString_data();
    void putString();
    void putLineAndChar();
    void trimsInStepsOfHundred_data();
    void trimsInStepsOfHundred();
    void linesStoredBelowOneKeepsOne();
    void readOnlyAndScrolledToEnd();
    void clearEmpties();
    void logFile();
};

void tst_ZtTtyBox::putString_data()
{
    QTest::addColumn<QStringList>("puts");
    QTest::addColumn<QStringList>("lines");
    // The box starts with one empty line; "\r" opens the next.
    QTest::addRow("result continues the request line")
        << QStringList{"\rA", " [3]", "\rB"} << QStringList{"", "A [3]", "B"};
    QTest::addRow("CR LF is one break") << QStringList{"x\r\ny"} << QStringList{"x", "y"};
    QTest::addRow("CR is a break") << QStringList{"x\ry"} << QStringList{"x", "y"};
    QTest::addRow("lone LF is dropped") << QStringList{"x\ny"} << QStringList{"xy"};
    QTest::addRow("CR LF split across calls") << QStringList{"x\r", "\ny"} << QStringList{"x", "y"};
    QTest::addRow("trailing CR leaves an empty last line") << QStringList{"a\r"} << QStringList{"a", ""};
    QTest::addRow("blank lines kept") << QStringList{"a\r\r\rb"} << QStringList{"a", "", "", "b"};
    QTest::addRow("tabs and unicode kept") << QStringList{"\tП\x00e9"} << QStringList{"\tП\x00e9"};
}

void tst_ZtTtyBox::putString()
{
    QFETCH(QStringList, puts);
    QFETCH(QStringList, lines);
    TZtTtyBox box;
    for (const QString &s : puts)
        box.PutString(s);
    QCOMPARE(Lines(box), lines);
}

void tst_ZtTtyBox::putLineAndChar()
{
    TZtTtyBox box;
    box.PutLine("first");
    box.PutChar('x');
    box.PutChar('y');
    QCOMPARE(Lines(box), (QStringList{"first", "xy"}));
}

void tst_ZtTtyBox::trimsInStepsOfHundred_data()
{
    QTest::addColumn<bool>("oneCall");
    QTest::addRow("line by line") << false;
    QTest::addRow("all in one call") << true;
}

void tst_ZtTtyBox::trimsInStepsOfHundred()
{
    QFETCH(bool, oneCall);
    TZtTtyBox box;
    QCOMPARE(box.LinesStored(), 1000);
    int maxSeen = 0;
    if (oneCall) {
        QStringList all;
        for (int i = 1; i <= 2500; ++i)
            all << QString::number(i);
        box.PutString("\r" + all.join('\r'));
    } else {
        for (int i = 1; i <= 2500; ++i) {
            box.PutString("\r" + QString::number(i));
            maxSeen = qMax(maxSeen, box.LineCount());
            if (i >= 1000)
                QVERIFY2(box.LineCount() >= 1000, qPrintable(QString::number(box.LineCount())));
        }
        QCOMPARE(maxSeen, 1099);
    }
    QVERIFY(box.LineCount() >= 1000 && box.LineCount() <= 1099);
    // The newest lines stay, in order.
    QCOMPARE(box.Line(box.LineCount() - 1), QStringLiteral("2500"));
    QCOMPARE(box.Line(box.LineCount() - 2), QStringLiteral("2499"));
    QCOMPARE(box.Line(0).toInt(), 2500 - box.LineCount() + 1);
}

void tst_ZtTtyBox::linesStoredBelowOneKeepsOne()
{
    TZtTtyBox box;
    box.SetLinesStored(0);
    QCOMPARE(box.LinesStored(), 1);
    box.SetLinesStored(-5);
    QCOMPARE(box.LinesStored(), 1);
    for (int i = 1; i <= 100; ++i)
        box.PutString("\r" + QString::number(i));
    QCOMPARE(box.LineCount(), 1);
    QCOMPARE(box.Line(0), QStringLiteral("100"));
}

void tst_ZtTtyBox::readOnlyAndScrolledToEnd()
{
    TZtTtyBox box;
    box.resize(300, 120);
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    for (int i = 0; i < 200; ++i)
        box.PutString("\rline " + QString::number(i));
    QScrollBar *sb = box.verticalScrollBar();
    QVERIFY(sb->maximum() > 0);
    QCOMPARE(sb->value(), sb->maximum());

    box.setFocus();
    const QString before = box.toPlainText();
    QTest::keyClicks(&box, "typed");
    QTest::keyClick(&box, Qt::Key_Backspace);
    QTest::keyClick(&box, Qt::Key_Return);
    QCOMPARE(box.toPlainText(), before);

    box.ScrollTo(0);
    QCOMPARE(box.textCursor().position(), 0);
    QCOMPARE(sb->value(), 0);
    box.ScrollTo(-1);
    QCOMPARE(sb->value(), sb->maximum());
}

void tst_ZtTtyBox::clearEmpties()
{
    TZtTtyBox box;
    box.PutString("a\rb");
    box.Clear();
    QCOMPARE(box.toPlainText(), QString());
    box.PutString("c");
    QCOMPARE(Lines(box), QStringList{"c"});
}

void tst_ZtTtyBox::logFile()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString saved = QDir::currentPath();
    QDir::setCurrent(dir.path());
    {
        TZtTtyBox box;
        QCOMPARE(box.LogMode(), lmDisabled);
        box.PutString("\rnot written");
        QVERIFY(!QFile::exists(dir.filePath("TtyLog.txt")));

        box.SetLogFileName(QString());
        QCOMPARE(box.LogFileName(), QStringLiteral("TtyLog.txt"));
        box.SetLogFileName(dir.filePath("box.log"));
        box.SetLogMode(lmAppend);
        box.SetMaxLogSize(200);
        for (int i = 0; i < 50; ++i)
            box.PutString(QStringLiteral("\rline %1").arg(i, 2, 10, QLatin1Char('0')));
    }
    QDir::setCurrent(saved);
    QFile f(dir.filePath("box.log"));
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray data = f.readAll();
    // Cut back to the newest part, at a line start, never past the limit.
    QVERIFY(data.size() <= 200);
    QVERIFY(data.startsWith("line "));
    QVERIFY(data.endsWith("line 49"));
}

QTEST_MAIN(tst_ZtTtyBox)
#include "tst_ZtTtyBox.moc"
