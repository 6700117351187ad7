// The installed program: desktop entry and AppStream data that validate, an
// install into a fresh prefix that finds its own translations, and a command
// line that answers --help and --version without a display.

#include "TestPaths.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

class tst_Install : public QObject
{
    Q_OBJECT

    struct Run
    {
        int code = -1;
        QString out, err;
    };

    static Run run(const QString &program, const QStringList &args, const QProcessEnvironment &env = QProcessEnvironment::systemEnvironment())
    {
        QProcess p;
        p.setProcessEnvironment(env);
        p.start(program, args);
        Run r;
        if (!p.waitForFinished(120000)) {
            p.kill();
            p.waitForFinished();
            r.err = QStringLiteral("timed out");
            return r;
        }
        r.code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
        r.out = QString::fromLocal8Bit(p.readAllStandardOutput());
        r.err = QString::fromLocal8Bit(p.readAllStandardError());
        return r;
    }

    // A clean environment: no display, XDG folders inside dir, a given locale.
    static QProcessEnvironment isolated(const QString &dir, const QString &locale = QStringLiteral("C"))
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("DISPLAY"));
        env.remove(QStringLiteral("QT_QPA_PLATFORM"));
        env.remove(QStringLiteral("LANGUAGE"));
        env.insert(QStringLiteral("LC_ALL"), locale);
        env.insert(QStringLiteral("LANG"), locale);
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), dir + QStringLiteral("/config"));
        env.insert(QStringLiteral("XDG_CACHE_HOME"), dir + QStringLiteral("/cache"));
        env.insert(QStringLiteral("XDG_DATA_HOME"), dir + QStringLiteral("/data"));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), dir);
        return env;
    }

    QTemporaryDir fPrefix;
    QString fProgram;

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(fPrefix.isValid());
        const QString buildDir = QDir(TestPaths::binDir() + QStringLiteral("/..")).absolutePath();
        const Run r = run(QStringLiteral("cmake"), {QStringLiteral("--install"), buildDir, QStringLiteral("--prefix"), fPrefix.path()});
        QVERIFY2(r.code == 0, qPrintable(r.out + r.err));
        fProgram = fPrefix.filePath(QStringLiteral("bin/velmora-monitor"));
        QVERIFY(QFile::exists(fProgram));
    }

    void installedFiles_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addRow("desktop entry") << "share/applications/velmora-monitor.desktop";
        QTest::addRow("metainfo") << "share/metainfo/io.velmora.Monitor.metainfo.xml";
        QTest::addRow("scalable icon") << "share/icons/hicolor/scalable/apps/velmora-monitor.svg";
        for (int size : {16, 22, 24, 32, 48, 64, 128, 256})
            QTest::addRow("%dpx icon", size) << QStringLiteral("share/icons/hicolor/%1x%1/apps/velmora-monitor.png").arg(size);
        QTest::addRow("defaults") << "share/velmora-monitor/translations/defaults.txt";
        QTest::addRow("russian") << "share/velmora-monitor/translations/ru.txt";
    }
    void installedFiles()
    {
        QFETCH(QString, path);
        QVERIFY2(QFile::exists(fPrefix.filePath(path)), qPrintable(path));
    }

    void desktopEntryValidates()
    {
        const Run r = run(QStringLiteral("desktop-file-validate"), {fPrefix.filePath(QStringLiteral("share/applications/velmora-monitor.desktop"))});
        QVERIFY2(r.code == 0 && r.out.trimmed().isEmpty(), qPrintable(r.out + r.err));
    }

    void metainfoValidates()
    {
        const Run r = run(QStringLiteral("appstreamcli"),
                          {QStringLiteral("validate"), QStringLiteral("--no-net"), QStringLiteral("--pedantic"),
                           fPrefix.filePath(QStringLiteral("share/metainfo/io.velmora.Monitor.metainfo.xml"))});
        QVERIFY2(r.code == 0, qPrintable(r.out + r.err));
    }

    // The installed copy finds its translations under the prefix, writes
    // nothing beside itself, and picks Russian for a Russian locale.
    void versionFindsTranslations_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("language");
        QTest::addRow("C locale") << "C" << QStringList() << "built-in English";
        QTest::addRow("ru_RU locale") << "ru_RU.UTF-8" << QStringList() << "ru";
        QTest::addRow("ru_RU with lang=en") << "ru_RU.UTF-8" << QStringList{QStringLiteral("lang=en")} << "en";
    }
    void versionFindsTranslations()
    {
        QFETCH(QString, locale);
        QFETCH(QStringList, args);
        QFETCH(QString, language);
        QTemporaryDir home;
        QVERIFY(home.isValid());
        const Run r = run(fProgram, QStringList{QStringLiteral("--version")} + args, isolated(home.path(), locale));
        QVERIFY2(r.code == 0, qPrintable(r.out + r.err));
        QVERIFY2(r.out.startsWith(QStringLiteral("Velmora Monitor ") + QStringLiteral(VELMORA_VERSION)), qPrintable(r.out));
        const QString translations = QDir(fPrefix.filePath(QStringLiteral("share/velmora-monitor/translations"))).absolutePath();
        QVERIFY2(r.out.contains(QStringLiteral("Translations: ") + translations), qPrintable(r.out));
        QVERIFY2(r.out.contains(QStringLiteral("Language: ") + language + u'\n'), qPrintable(r.out));
        QVERIFY2(!QFile::exists(fPrefix.filePath(QStringLiteral("bin/velmora-monitor.ini"))), "settings written beside the installed program");
    }

    // The package names the Debian runtime packages the program links.
    void debianPackage()
    {
        QTemporaryDir out;
        QVERIFY(out.isValid());
        const QString buildDir = QDir(TestPaths::binDir() + QStringLiteral("/..")).absolutePath();
        const Run r = run(QStringLiteral("cpack"), {QStringLiteral("-G"), QStringLiteral("DEB"), QStringLiteral("--config"),
                                                    buildDir + QStringLiteral("/CPackConfig.cmake"), QStringLiteral("-B"), out.path()});
        QVERIFY2(r.code == 0, qPrintable(r.out + r.err));
        const QStringList debs = QDir(out.path()).entryList({QStringLiteral("*.deb")}, QDir::Files);
        QCOMPARE(debs.size(), 1);
        const Run f = run(QStringLiteral("dpkg-deb"), {QStringLiteral("-f"), QDir(out.path()).filePath(debs.first()), QStringLiteral("Depends")});
        QCOMPARE(f.code, 0);
        for (const char *pkg : {"libqt6widgets6", "libqt6gui6", "libqt6core6", "libcurl4", "libc6"})
            QVERIFY2(f.out.contains(QLatin1String(pkg)), qPrintable(f.out));
        const Run c = run(QStringLiteral("dpkg-deb"), {QStringLiteral("-c"), QDir(out.path()).filePath(debs.first())});
        for (const char *file : {"./usr/bin/velmora-monitor", "./usr/share/applications/velmora-monitor.desktop",
                                 "./usr/share/velmora-monitor/translations/ru.txt"})
            QVERIFY2(c.out.contains(QLatin1String(file)), file);
    }

    // Every key of the README's configuration table is in the usage.
    void helpListsEveryConfigurationKey()
    {
        QFile readme(TestPaths::sourceDir() + QStringLiteral("/README.md"));
        QVERIFY(readme.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(readme.readAll());
        QStringList keys;
        const QRegularExpression row(QStringLiteral("^\\| `([a-z_]+)` \\|"), QRegularExpression::MultilineOption);
        for (auto it = row.globalMatch(text); it.hasNext();)
            keys << it.next().captured(1);
        QVERIFY(keys.size() >= 16);
        QTemporaryDir home;
        const Run r = run(fProgram, {QStringLiteral("--help")}, isolated(home.path()));
        QCOMPARE(r.code, 0);
        QVERIFY(r.out.startsWith(QStringLiteral("Usage: velmora-monitor")));
        for (const QString &k : keys)
            QVERIFY2(r.out.contains(QStringLiteral("\n  ") + k + u' '), qPrintable(k));
    }

    void unknownOptionRefused_data()
    {
        QTest::addColumn<QString>("option");
        QTest::addRow("long") << "--bogus";
        QTest::addRow("short") << "-x";
    }
    void unknownOptionRefused()
    {
        QFETCH(QString, option);
        QTemporaryDir home;
        QProcessEnvironment env = isolated(home.path());
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        const Run r = run(fProgram, {QStringLiteral("server=http://127.0.0.1:9"), option}, env);
        QCOMPARE(r.code, 2);
        QVERIFY2(r.err.contains(QStringLiteral("unknown option ") + option), qPrintable(r.err));
        QVERIFY(r.err.contains(QStringLiteral("Usage: velmora-monitor")));
    }
};

QTEST_GUILESS_MAIN(tst_Install)
#include "tst_Install.moc"
