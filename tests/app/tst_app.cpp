// The program body: a start-up that cannot go on ends with exit code 99 and
// says why, before any window.

#include "TestPaths.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

class tst_app : public QObject
{
    Q_OBJECT

    // A private copy of the program, so that everything it reads and
    // writes lies in the temporary folder.
    static bool copyProgram(const QString &dir, bool withTranslations)
    {
        const QString bin = TestPaths::binDir();
        if (!QFile::copy(bin + QStringLiteral("/velmora-monitor"), dir + QStringLiteral("/velmora-monitor")))
            return false;
        if (!withTranslations)
            return true;
        QDir().mkpath(dir + QStringLiteral("/Translations"));
        const QDir src(bin + QStringLiteral("/Translations"));
        for (const QString &f : src.entryList({QStringLiteral("*.txt")}, QDir::Files))
            if (!QFile::copy(src.filePath(f), dir + QStringLiteral("/Translations/") + f))
                return false;
        return true;
    }

private Q_SLOTS:
    void fatalStart_data()
    {
        QTest::addColumn<bool>("translations");
        QTest::addColumn<bool>("badCache");
        QTest::addColumn<QString>("prefix");
        QTest::addRow("no translation files") << false << false << "Load translation:";
        QTest::addRow("unreadable address cache") << true << true << "Load address cache:";
    }
    void fatalStart()
    {
        QFETCH(bool, translations);
        QFETCH(bool, badCache);
        QFETCH(QString, prefix);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        QVERIFY(copyProgram(dir.path(), translations));
        if (badCache)
            QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("velmora-monitor.address")));

        QProcess p;
        p.setProgram(dir.filePath(QStringLiteral("velmora-monitor")));
        p.setArguments({QStringLiteral("server=http://127.0.0.1:9")});
        p.start();
        QVERIFY(p.waitForFinished(20000));
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(p.exitCode(), 99);
        QVERIFY2(QString::fromLocal8Bit(p.readAllStandardError()).contains(prefix), qPrintable(prefix));
    }
};

QTEST_GUILESS_MAIN(tst_app)
#include "tst_app.moc"
