#pragma once

#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QList>
#include <QPair>
#include <QString>

// One answer of the service: a status, a body and its content type. Errors
// carry a JSON object whose "text" the client shows.
struct SimReply
{
    int status = 200;
    QByteArray body;
    QByteArray contentType = "application/json; charset=utf-8";
    QList<QPair<QByteArray, QByteArray>> headers;

    static SimReply json(int status, const QJsonObject &o)
    {
        return {status, QJsonDocument(o).toJson(QJsonDocument::Compact), "application/json; charset=utf-8", {}};
    }
    static SimReply json(int status, const QJsonArray &a)
    {
        return {status, QJsonDocument(a).toJson(QJsonDocument::Compact), "application/json; charset=utf-8", {}};
    }
    static SimReply raw(int status, const QByteArray &body, const QByteArray &type = "application/json; charset=utf-8")
    {
        return {status, body, type, {}};
    }
    static SimReply error(int status, const QString &text)
    {
        return json(status, QJsonObject{{QStringLiteral("status"), status}, {QStringLiteral("text"), text}});
    }
    // 204 answers carry no body.
    static SimReply noContent() { return {204, QByteArray(), QByteArray(), {}}; }
};
