#include "sms_filter.h"

#include <QTest>

class tst_SmsFilter : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Reading a "get filters" answer: filter lines in file order, other lines
    // ignored, unknown type codes kept; a line that cannot be read stops the
    // reading and says so, with the filters before it kept.
    void parse_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QStringList>("hashes");
        QTest::addRow("the example line")
            << QByteArray("filter3={\"note\":\"\",\"conditions\":[{\"type\":1,\"arg\":\"18\"}],\"actions\":[{\"type\":1,\"arg\":1}]}\n")
            << true << QStringList{"[Age>=18][Forward:Telegram]"};
        QTest::addRow("other lines ignored, mark and CR LF")
            << QByteArray("\xEF\xBB\xBFversion=2\r\nno separator\r\nfilterX=not json\r\n"
                          "filter0={\"note\":\"Ads\",\"conditions\":[{\"type\":0,\"arg\":\"\"},{\"type\":2,\"arg\":\"Win\"}],"
                          "\"actions\":[{\"type\":0,\"arg\":0}]}\r\n")
            << true << QStringList{"[ShortNumber,Template=Win\u2026][Delete:Message]"};
        QTest::addRow("unknown types kept")
            << QByteArray("filter0={\"note\":\"x\",\"conditions\":[{\"type\":5,\"arg\":\"q\"}],\"actions\":[{\"type\":7,\"arg\":3}]}")
            << true << QStringList{"[Unknown][]"};
        QTest::addRow("bad JSON stops, earlier kept")
            << QByteArray("filter0={\"note\":\"a\",\"conditions\":[],\"actions\":[]}\nfilter1={\"note\":\nfilter2={\"note\":\"c\","
                          "\"conditions\":[],\"actions\":[]}\n")
            << false << QStringList{"[][]"};
        QTest::addRow("missing actions stops")
            << QByteArray("filter0={\"note\":\"a\",\"conditions\":[]}\n") << false << QStringList{};
        QTest::addRow("text type code stops")
            << QByteArray("filter0={\"note\":\"a\",\"conditions\":[{\"type\":\"1\",\"arg\":\"\"}],\"actions\":[]}\n") << false
            << QStringList{};
        const QString longNote(1500, u'n');
        QTest::addRow("longer than 999 characters")
            << (QStringLiteral("filter0={\"note\":\"%1\",\"conditions\":[],\"actions\":[]}").arg(longNote)).toUtf8() << true
            << QStringList{"[][]"};
    }
    void parse()
    {
        QFETCH(QByteArray, text);
        QFETCH(bool, ok);
        QFETCH(QStringList, hashes);
        std::vector<TSmsFilter> filters;
        QString error;
        QCOMPARE(TSmsFilter::ParseAnswer(text, filters, error), ok);
        QCOMPARE(error.isEmpty(), ok);
        QStringList got;
        for (const TSmsFilter &f : filters)
            got << f.Hash();
        QCOMPARE(got, hashes);
    }

    // Unknown codes go back to the device as they came.
    void unknownTypesWrittenBack()
    {
        std::vector<TSmsFilter> filters;
        QString error;
        QVERIFY(TSmsFilter::ParseAnswer(
            "filter0={\"note\":\"x\",\"conditions\":[{\"type\":5,\"arg\":\"q\"}],\"actions\":[{\"type\":7,\"arg\":3}]}", filters,
            error));
        QCOMPARE(filters[0].ToJsonStr(),
                 QStringLiteral("{\"note\":\"x\",\"conditions\":[{\"type\":5,\"arg\":\"q\"}],\"actions\":[{\"type\":7,\"arg\":3}]}"));
    }

    // The set command: blanks as %20, JSON escapes for quotes and slashes, a
    // literal % that the device would otherwise turn into a blank or a line
    // break kept as a JSON escape; no filters is the empty list.
    void command_data()
    {
        QTest::addColumn<QString>("note");
        QTest::addColumn<QString>("pair");
        QTest::addRow("blank") << "No ads" << "filter0={\"note\":\"No%20ads\",";
        QTest::addRow("slash and quote") << "a/b \"c\"" << "filter0={\"note\":\"a\\/b%20\\\"c\\\"\",";
        QTest::addRow("line break") << "a\r\nb" << "filter0={\"note\":\"a\\r\\nb\",";
        QTest::addRow("literal %20") << "50%20" << "filter0={\"note\":\"50\\u002520\",";
        QTest::addRow("non-ASCII unchanged") << "Спам" << "filter0={\"note\":\"Спам\",";
    }
    void command()
    {
        QFETCH(QString, note);
        QFETCH(QString, pair);
        TSmsFilter f;
        f.Note = note;
        f.Conditions.emplace_back(0, QString());
        f.Actions.emplace_back(0, 0);
        const QString cmd = TSmsFilter::SetCommand({f});
        QCOMPARE(cmd, QStringLiteral("set filters ") + pair + QStringLiteral("\"conditions\":[{\"type\":0,\"arg\":\"\"}],\"actions\":[{\"type\":0,\"arg\":0}]}"));
        // What the device reads back after undoing its escapes is the note.
        QString json = cmd.section(u'=', 1);
        json.replace(QLatin1String("%20"), QLatin1String(" "));
        std::vector<TSmsFilter> back;
        QString error;
        QVERIFY(TSmsFilter::ParseAnswer(("filter0=" + json).toUtf8(), back, error));
        QCOMPARE(back.at(0).Note, note);
        QCOMPARE(TSmsFilter::SetCommand({}), QStringLiteral("set filters"));
    }
};

QTEST_GUILESS_MAIN(tst_SmsFilter)
#include "tst_SmsFilter.moc"
