// Every language file shipped in translations/ covers every text of
// defaults.txt and keeps the %s/%d placeholders the program fills in, in the
// same order: a dropped %s shifts the arguments into the wrong places.

#include "TestPaths.h"

#include <QDir>
#include <QFile>
#include <QMap>
#include <QRegularExpression>
#include <QTest>

class tst_LanguageFiles : public QObject
{
    Q_OBJECT

    // section/key -> text, comments and [Info] left out.
    static QMap<QString, QString> texts(const QString &path)
    {
        QMap<QString, QString> out;
        QFile f(path);
        if (!f.open(QIODevice::ReadOnly))
            return out;
        QString section;
        const QStringList lines = QString::fromUtf8(f.readAll()).split(u'\n');
        for (QString line : lines) {
            line = line.trimmed();
            if (line.startsWith(u'[') && line.endsWith(u']')) {
                section = line.mid(1, line.size() - 2);
                continue;
            }
            if (line.isEmpty() || line.startsWith(u';') || line.startsWith(u'#') || line.startsWith(u'/') || section == QLatin1String("Info"))
                continue;
            const int eq = line.indexOf(u'=');
            if (eq > 0)
                out.insert(section + u'/' + line.left(eq).trimmed().toLower(), line.mid(eq + 1));
        }
        return out;
    }

    static QStringList placeholders(const QString &text)
    {
        QStringList out;
        static const QRegularExpression re(QStringLiteral("%[sd]"));
        for (auto it = re.globalMatch(text); it.hasNext();)
            out << it.next().captured();
        return out;
    }

private Q_SLOTS:
    void language_data()
    {
        QTest::addColumn<QString>("file");
        const QDir dir(TestPaths::sourceDir() + QStringLiteral("/translations"));
        for (const QString &f : dir.entryList({QStringLiteral("*.txt")}, QDir::Files))
            if (f != QLatin1String("defaults.txt") && f != QLatin1String("en.txt"))
                QTest::newRow(qPrintable(f)) << dir.filePath(f);
        QVERIFY2(dir.exists(QStringLiteral("ru.txt")), "the Russian translation is missing");
    }
    void language()
    {
        QFETCH(QString, file);
        const auto defaults = texts(TestPaths::sourceDir() + QStringLiteral("/translations/defaults.txt"));
        const auto lang = texts(file);
        QVERIFY(defaults.size() > 100);
        QStringList missing, broken;
        for (auto it = defaults.cbegin(); it != defaults.cend(); ++it) {
            if (!lang.contains(it.key()))
                missing << it.key();
            else if (placeholders(lang.value(it.key())) != placeholders(it.value()))
                broken << it.key();
        }
        QVERIFY2(missing.isEmpty(), qPrintable(QStringLiteral("missing: ") + missing.join(QStringLiteral(", "))));
        QVERIFY2(broken.isEmpty(), qPrintable(QStringLiteral("placeholders differ: ") + broken.join(QStringLiteral(", "))));
    }
};

QTEST_GUILESS_MAIN(tst_LanguageFiles)
#include "tst_LanguageFiles.moc"
