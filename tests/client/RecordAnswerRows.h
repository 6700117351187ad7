#pragma once

// The 200 answers a request for one record can get besides the record: the
// broken ones, which must fail the call, be named once in the log and leave
// the record the client held. The single-record sibling of ListAnswerRows.h.

#include "ListAnswerRows.h"

#include <QTest>

// Rows "<call>: <case>" with columns "call" (QString), "answer" (ListAnswer)
// and "ok" (bool), added by the caller. The first row is the good record
// itself, the other side of every broken case.
inline void addRecordAnswerRows(const QString &call, const QByteArray &goodRecord)
{
    const auto row = [&](const char *name, const ListAnswer &answer, bool ok) {
        QTest::addRow("%s: %s", qPrintable(call), name) << call << answer << ok;
    };
    row("the record", ListAnswer{goodRecord}, true);
    row("JSON cut off", ListAnswer{goodRecord.left(goodRecord.size() - 3)}, false);
    row("transfer cut off", ListAnswer{goodRecord, "application/json", goodRecord.size() / 2}, false);
    row("no body", ListAnswer{QByteArray(), QByteArray()}, false);
    row("a web page", ListAnswer{"<html><body>Sign in to the network</body></html>", "text/html"}, false);
    row("empty object", ListAnswer{"{}"}, false);
    row("null", ListAnswer{"null"}, false);
    row("JSON text", ListAnswer{"\"ok\""}, false);
    row("JSON number", ListAnswer{"12"}, false);
    row("a list of the record", ListAnswer{"[" + goodRecord + "]"}, false);
    row("a list under the call's name", ListAnswer{"{\"" + call.toUtf8() + "\":[" + goodRecord + "]}"}, false);
    row("uid a text", ListAnswer{R"({"uid":"x","name":""})"}, false);
    row("uid zero", ListAnswer{R"({"uid":0,"name":""})"}, false);
    row("uid past 32 bits", ListAnswer{R"({"uid":4294967300,"name":""})"}, false);
}
