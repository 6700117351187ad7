#pragma once

// The 200 answers a list request can get besides a good list: those that
// are an empty list, and the broken ones that must fail the call, be named
// once in the log and leave what the client held.

#include "RecordingServer.h"

#include <QTest>

struct ListAnswer
{
    QByteArray body;
    QByteArray contentType = "application/json";
    qsizetype cutAt = -1;

    void serve(RecordingServer &srv, const QString &path) const
    {
        if (cutAt >= 0)
            srv.answerCut(path, 200, body, cutAt, contentType);
        else
            srv.answer(path, 200, body, contentType);
    }
};
Q_DECLARE_METATYPE(ListAnswer)

// Columns "answer" (ListAnswer) and "result" (0 for an empty list, -1 for a
// failure); opName is the member a list may come under in an object. With
// listRequired, an answer without the list (null, an object without it) is a
// failure too.
inline void addListAnswerRows(const QByteArray &opName, const QByteArray &goodList, bool listRequired = false)
{
    QTest::addColumn<ListAnswer>("answer");
    QTest::addColumn<int>("result");
    const int none = listRequired ? -1 : 0;
    QTest::addRow("empty list") << ListAnswer{"[]"} << 0;
    QTest::addRow("null") << ListAnswer{"null"} << none;
    QTest::addRow("object without the list") << ListAnswer{"{}"} << none;
    QTest::addRow("JSON cut off") << ListAnswer{goodList.left(goodList.size() - 3)} << -1;
    QTest::addRow("transfer cut off") << ListAnswer{goodList, "application/json", goodList.size() / 2} << -1;
    QTest::addRow("no body") << ListAnswer{QByteArray(), QByteArray()} << -1;
    QTest::addRow("a web page") << ListAnswer{"<html><body>Sign in to the network</body></html>", "text/html"} << -1;
    QTest::addRow("JSON text") << ListAnswer{"\"ok\""} << -1;
    QTest::addRow("JSON number") << ListAnswer{"12"} << -1;
    QTest::addRow("list member not a list") << ListAnswer{"{\"" + opName + "\":{\"uid\":1}}"} << -1;
}
