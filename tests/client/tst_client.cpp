// The request envelope, the JSON readers, the client's state and the account
// operations, against a real server on 127.0.0.1.

#include "AppPaths.h"
#include "ClientFixture.h"
#include "OSM.ObjectInfo.h"
#include "JsonRules.h"
#include "TestProxy.h"
#include "ZtHttp.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QTest>
#include <QUrlQuery>

#include <cmath>

class TestClient : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void loginWireForm()
    {
        ClientFixture f{QString()};
        QVERIFY(f.ok());
        f.srv.answer(QStringLiteral("/api/v1/user/login"), 200,
                     R"({"uid":7,"login":"ann","name":"Ann","email":"ann@x.org","tz":10800,"t_chat_id":9007199254740993,"lang":"ru","apiToken":"TOK"})");
        const QString pass = QStringLiteral("p&ss=1%+ x");
        QVERIFY(f.client->Login(QStringLiteral("ann"), pass));

        const RecordedRequest r = f.srv.last();
        QCOMPARE(r.method, QStringLiteral("POST"));
        QCOMPARE(r.target, QStringLiteral("/api/v1/user/login"));
        const QUrlQuery form(QString::fromUtf8(r.body));
        QCOMPARE(form.queryItemValue(QStringLiteral("uname"), QUrl::FullyDecoded), QStringLiteral("ann"));
        QCOMPARE(form.queryItemValue(QStringLiteral("upass"), QUrl::FullyDecoded), pass);
        const int requestId = r.header(QStringLiteral("X-Request-ID")).toInt();
        QVERIFY(requestId >= 1000 && requestId <= 10999);
        QCOMPARE(r.header(QStringLiteral("X-Requested-With")), QStringLiteral("xmlhttprequest"));

        QCOMPARE(f.client->Token(), QStringLiteral("TOK"));
        QCOMPARE(f.client->UserInfo().Uid, 7);
        QCOMPARE(f.client->UserInfo().ApiToken, QString()); // the token before sign-in
        QCOMPARE(f.client->UserInfo().TgChatId, Q_INT64_C(9007199254740993));
        QCOMPARE(f.client->UserInfo().Lang, QStringLiteral("ru"));
        QCOMPARE(f.client->TimeZone(), 0.125);
        QCOMPARE(f.client->UserName(), QStringLiteral("Ann <ann@x.org>"));

        QVERIFY2(f.log.startsWith(QStringLiteral("\rVelmoraClient.Login(%1, POST /user/login): 200").arg(requestId)),
                 qPrintable(f.log));
        QVERIFY(!f.log.contains(QStringLiteral("p&ss")) && !f.log.contains(QStringLiteral("p%26ss")));
        QVERIFY2(!f.log.contains(QStringLiteral("uname")), "the sign-in data must not reach the log");

        // The next request carries the new token.
        f.client->GetUser();
        QCOMPARE(f.srv.last().header(QStringLiteral("X-Auth-Token")), QStringLiteral("TOK"));
    }

    void newPasswordStaysOutOfTheLog()
    {
        ClientFixture f{QStringLiteral("TOK")};
        QVERIFY(f.ok());
        f.srv.answer(QStringLiteral("/api/v1/user"), 200, R"({"uid":7,"login":"ann"})");
        QVERIFY(f.client->UpdateUser({{QStringLiteral("name"), QStringLiteral("Ann")},
                                      {QStringLiteral("password"), QStringLiteral("s3cret")}}));
        QVERIFY(QString::fromUtf8(f.srv.last().body).contains(QStringLiteral("password=s3cret")));
        QVERIFY2(!f.log.contains(QStringLiteral("s3cret")), qPrintable(f.log));
        QVERIFY2(f.log.contains(QStringLiteral("name=Ann password=***")), qPrintable(f.log));
    }

    void signInSendsAnEmptyToken()
    {
        RawCapture raw;
        QVERIFY(raw.start());
        QTemporaryDir dir;
        ExeDir = dir.path() + QLatin1Char('/');
        AppPaths::setBaseDir(dir.path());
        TVelmoraClient c(QStringLiteral("http://127.0.0.1:%1").arg(raw.port()), QString(), QStringLiteral("0"));
        c.Login(QStringLiteral("a"), QStringLiteral("b"));
        QVERIFY2(raw.request().contains("\r\nX-Auth-Token:\r\n"), raw.request().constData());
    }

    void loginRefused()
    {
        ClientFixture f{QString()};
        QVERIFY(f.ok());
        f.srv.answer(QStringLiteral("/api/v1/user/login"), 406, R"({"text":"bad credentials"})");
        QVERIFY(!f.client->Login(QStringLiteral("ann"), QStringLiteral("x")));
        QCOMPARE(f.client->ResultCode(), 406);
        QVERIFY(f.client->Token().isEmpty());
        QCOMPARE(f.client->ErrorMessage(), QStringLiteral("[406]"));
    }

    void localRefusals_data()
    {
        QTest::addColumn<QString>("server");
        QTest::addColumn<QString>("token");
        QTest::addColumn<QString>("method");
        QTest::addColumn<QString>("opName");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("message");
        QTest::addRow("no server") << "" << "T" << "GET" << "Objects" << "/user/objects" << "no API server specified";
        QTest::addRow("no path") << "srv" << "T" << "GET" << "Objects" << "" << "no API method specified";
        QTest::addRow("no token") << "srv" << "" << "GET" << "Objects" << "/user/objects" << "no API token specified";
        QTest::addRow("no token, op name case differs") << "srv" << "" << "POST" << "login" << "/user/login" << "no API token specified";
        QTest::addRow("unknown method") << "srv" << "T" << "PATCH" << "Objects" << "/user/objects" << "unknow HttpMethod [PATCH]";
    }
    void localRefusals()
    {
        QFETCH(QString, server);
        QFETCH(QString, token);
        QFETCH(QString, method);
        QFETCH(QString, opName);
        QFETCH(QString, path);
        QFETCH(QString, message);
        ClientFixture f(token);
        QVERIFY(f.ok());
        QString log; // outlives the client, which logs its sign-out when destroyed
        TVelmoraClient c(server.isEmpty() ? QString() : f.srv.baseUrl(), token, QStringLiteral("0"));
        c.SetLogCallback([&log](const QString &fmt, const QVariantList &args, int n) { log += FormatLogText(fmt, args, n); });
        QCOMPARE(c.Request(method, opName, path, QString()), -1);
        QCOMPARE(c.ResultCode(), -1);
        QVERIFY2(log.endsWith(QStringLiteral("): \r  X: ") + message), qPrintable(log));
        QCOMPARE(f.srv.count(), 0);
        QVERIFY(c.ResultData() == nullptr);
    }

    void urlAndQuery_data()
    {
        QTest::addColumn<QString>("serverSuffix");
        QTest::addColumn<QString>("method");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("data");
        QTest::addColumn<QString>("target");
        QTest::addColumn<QByteArray>("body");
        QTest::addRow("trailing slashes and spaces") << "// / " << "GET" << "objects" << "" << "/api/v1/objects" << QByteArray();
        QTest::addRow("path with slash") << "/" << "GET" << "/user/objects" << "" << "/api/v1/user/objects" << QByteArray();
        QTest::addRow("GET spaces escaped only") << "" << "GET" << "/q" << "a=1 b&c=%41" << "/api/v1/q?a=1%20b&c=%41" << QByteArray();
        QTest::addRow("POST body as built") << "" << "POST" << "/p" << "a=1 b&c=ж" << "/api/v1/p" << QByteArray("a=1 b&c=\xd0\xb6");
        QTest::addRow("PUT body") << "" << "PUT" << "/p" << "x=1" << "/api/v1/p" << QByteArray("x=1");
        QTest::addRow("DEL ignores data") << "" << "DEL" << "/d/5" << "x=1" << "/api/v1/d/5" << QByteArray();
    }
    void urlAndQuery()
    {
        QFETCH(QString, serverSuffix);
        QFETCH(QString, method);
        QFETCH(QString, path);
        QFETCH(QString, data);
        QFETCH(QString, target);
        QFETCH(QByteArray, body);
        ClientFixture f;
        QVERIFY(f.ok());
        TVelmoraClient c(f.srv.baseUrl() + serverSuffix, QStringLiteral("T"), QStringLiteral("0"));
        QCOMPARE(c.Request(method, QStringLiteral("Op"), path, data), 200);
        const RecordedRequest r = f.srv.last();
        QCOMPARE(r.method, method == QLatin1String("DEL") ? QStringLiteral("DELETE") : method);
        QCOMPARE(r.target, target);
        QCOMPARE(r.body, body);
        QCOMPARE(r.header(QStringLiteral("X-Auth-Token")), QStringLiteral("T"));
    }

    void answerParsing_data()
    {
        QTest::addColumn<QByteArray>("contentType");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<bool>("hasData");
        QTest::addColumn<QString>("expectedJson");
        QTest::addRow("object") << QByteArray("application/json") << QByteArray(R"({"a":1})") << true << R"({"a":1})";
        QTest::addRow("bare array wrapped under the op name")
            << QByteArray("application/json; charset=utf-8") << QByteArray("[1,2]") << true << R"({"Zones":[1,2]})";
        QTest::addRow("malformed JSON gives an empty object") << QByteArray("application/json") << QByteArray("{oops") << true << "{}";
        QTest::addRow("not JSON gives none") << QByteArray("text/plain") << QByteArray(R"({"a":1})") << false << "";
        QTest::addRow("JSON type is case-sensitive") << QByteArray("application/JSON") << QByteArray(R"({"a":1})") << false << "";
    }
    void answerParsing()
    {
        QFETCH(QByteArray, contentType);
        QFETCH(QByteArray, body);
        QFETCH(bool, hasData);
        QFETCH(QString, expectedJson);
        ClientFixture f;
        QVERIFY(f.ok());
        f.srv.answer(QStringLiteral("/api/v1/user/zones"), 200, body, contentType);
        QCOMPARE(f.client->DoGet(QStringLiteral("Zones"), QStringLiteral("/user/zones")), 200);
        QCOMPARE(f.client->ResultData() != nullptr, hasData);
        if (hasData)
            QCOMPARE(QJsonDocument(*f.client->ResultData()).toJson(QJsonDocument::Compact), expectedJson.toUtf8());
        // A failed exchange drops the previous answer.
        f.srv.answer(QStringLiteral("/api/v1/user/zones"), 500);
        QCOMPARE(f.client->DoGet(QStringLiteral("Zones"), QStringLiteral("/user/zones")), 500);
        QVERIFY(f.client->ResultData() == nullptr);
    }

    void jsonReaders_data()
    {
        QTest::addColumn<QString>("member"); // JSON text of the member "m"; empty: missing
        QTest::addColumn<QString>("str");
        QTest::addColumn<qint64>("integer");
        QTest::addColumn<double>("real");
        QTest::addColumn<bool>("boolean");
        const double nan = std::nan("");
        QTest::addRow("missing") << "" << "" << qint64(-5) << nan << false;
        QTest::addRow("null") << "null" << "" << qint64(-5) << nan << false;
        QTest::addRow("string digits 007") << R"("007")" << "007" << qint64(7) << 7.0 << false;
        QTest::addRow("negative") << R"("-1")" << "-1" << qint64(-5) << -1.0 << false;
        QTest::addRow("fraction text") << R"("1.0")" << "1.0" << qint64(-5) << 1.0 << false;
        QTest::addRow("comma decimal") << R"("1,5")" << "1,5" << qint64(-5) << 1.5 << false;
        QTest::addRow("empty text") << R"("")" << "" << qint64(-5) << nan << false;
        QTest::addRow("unreadable number") << R"("abc")" << "abc" << qint64(-5) << 0.0 << false;
        QTest::addRow("number") << "12" << "12" << qint64(12) << 12.0 << false;
        QTest::addRow("64-bit number") << "9007199254740993" << "9007199254740993" << Q_INT64_C(9007199254740993)
                                       << 9007199254740993.0 << false;
        QTest::addRow("fraction number") << "2.25" << "2.25" << qint64(-5) << 2.25 << false;
        QTest::addRow("whole number with a fraction") << "1.0" << "1.0" << qint64(-5) << 1.0 << false;
        QTest::addRow("whole number with an exponent") << "1e2" << "1e2" << qint64(-5) << 100.0 << false;
        QTest::addRow("true") << "true" << "true" << qint64(-5) << 0.0 << true;
        QTest::addRow("text true") << R"("true")" << "true" << qint64(-5) << 0.0 << true;
        QTest::addRow("TRUE is not true") << R"("TRUE")" << "TRUE" << qint64(-5) << 0.0 << false;
        QTest::addRow("object reads empty") << R"({"x":1})" << "" << qint64(-5) << nan << false;
        QTest::addRow("array reads empty") << "[1]" << "" << qint64(-5) << nan << false;
    }
    void jsonReaders()
    {
        QFETCH(QString, member);
        QFETCH(QString, str);
        QFETCH(qint64, integer);
        QFETCH(double, real);
        QFETCH(bool, boolean);
        const QString text = member.isEmpty() ? QStringLiteral("{}") : QStringLiteral("{\"m\":%1}").arg(member);
        // Read as the request envelope reads answers.
        QJsonValue doc;
        QString error;
        QVERIFY(JsonRules::ParseJson(text.toUtf8().constData(), size_t(text.toUtf8().size()), doc, error));
        const QJsonObject obj = doc.toObject();
        const QString m = QStringLiteral("m");
        QCOMPARE(TVelmoraClient::JsonStr(&obj, m), str);
        QCOMPARE(TVelmoraClient::JsonInt(&obj, m, -5), integer);
        const double f = TVelmoraClient::JsonFloat(&obj, m);
        if (std::isnan(real))
            QVERIFY(std::isnan(f));
        else
            QCOMPARE(f, real);
        QCOMPARE(TVelmoraClient::JsonBool(&obj, m), boolean);
        // None reads every default.
        QCOMPARE(TVelmoraClient::JsonStr(nullptr, m), QString());
        QCOMPARE(TVelmoraClient::JsonInt(nullptr, m, -5), qint64(-5));
        QVERIFY(TVelmoraClient::JsonValue(nullptr, m).isUndefined());
    }

    void jsonArrayAndDate()
    {
        const QJsonObject obj = QJsonDocument::fromJson(
                                    R"({"a":[1],"n":null,"o":{"x":1},"s":"x","dt":"2024-03-01T10:00:00Z","e":""})")
                                    .object();
        QCOMPARE(TVelmoraClient::JsonArray(&obj, QStringLiteral("a"))->size(), 1);
        QVERIFY(!TVelmoraClient::JsonArray(&obj, QStringLiteral("n")));
        QVERIFY(!TVelmoraClient::JsonArray(&obj, QStringLiteral("missing")));
        QVERIFY(!TVelmoraClient::JsonArray(nullptr, QStringLiteral("a")));
        QVERIFY_THROWS_EXCEPTION(EJsonConversion, TVelmoraClient::JsonArray(&obj, QStringLiteral("o")));
        QVERIFY_THROWS_EXCEPTION(EJsonConversion, TVelmoraClient::JsonArray(&obj, QStringLiteral("s")));

        ClientFixture f(QStringLiteral("T"), QStringLiteral("0.125"));
        QVERIFY(f.ok());
        QCOMPARE(f.client->JsonDate(&obj, QStringLiteral("dt")), EncodeDateTime(2024, 3, 1, 13, 0, 0));
        QVERIFY(std::isnan(f.client->JsonDate(&obj, QStringLiteral("e"))));
        QVERIFY(std::isnan(f.client->JsonDate(&obj, QStringLiteral("missing"))));
    }

    void configuredTimeZone_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("days");
        QTest::addRow("fraction of a day") << "0.125" << 0.125;
        QTest::addRow("comma as decimal point") << "0,125" << 0.125;
        QTest::addRow("minutes from the settings dialog") << "180" << 0.125;
        QTest::addRow("negative minutes") << "-300" << -300.0 / 1440;
        QTest::addRow("zero: the local zone") << "0" << 1.0 / 24;
        QTest::addRow("unreadable: the local zone") << "abc" << 1.0 / 24;
    }
    void configuredTimeZone()
    {
        QFETCH(QString, text);
        QFETCH(double, days);
        QTemporaryDir dir;
        ExeDir = dir.path() + QLatin1Char('/');
        AppPaths::setBaseDir(dir.path());
        const double saved = TimeZoneOffset;
        TimeZoneOffset = 1.0 / 24;
        TVelmoraClient c(QStringLiteral("http://x"), QStringLiteral("T"), text);
        TimeZoneOffset = saved;
        QCOMPARE(c.TimeZone(), days);
        // The account's zone wins when it is set.
        c.UserInfo().TimeZone = 0.25;
        QCOMPARE(c.TimeZone(), 0.25);
    }

    void userName_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("login");
        QTest::addColumn<QString>("email");
        QTest::addColumn<QString>("expected");
        QTest::addRow("name and e-mail") << "Ann" << "ann" << "E" << "Ann <E>";
        QTest::addRow("login equal to e-mail") << "" << "a@x" << "a@x" << "a@x";
        QTest::addRow("login, other e-mail") << "" << "ann" << "a@x" << "ann <a@x>";
        QTest::addRow("nothing") << "" << "" << "a@x" << "";
    }
    void userName()
    {
        QFETCH(QString, name);
        QFETCH(QString, login);
        QFETCH(QString, email);
        QFETCH(QString, expected);
        ClientFixture f;
        QVERIFY(f.ok());
        f.client->UserInfo().Name = name;
        f.client->UserInfo().Login = login;
        f.client->UserInfo().Email = email;
        QCOMPARE(f.client->UserName(), expected);
    }

    void errorMessage_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("expected");
        QTest::addRow("204 without text") << 204 << "no data [204]";
        QTest::addRow("404 without text") << 404 << "[404]";
    }
    void errorMessage()
    {
        QFETCH(int, status);
        QFETCH(QString, expected);
        ClientFixture f;
        QVERIFY(f.ok());
        f.srv.answer(QStringLiteral("/api/v1/x"), status);
        QCOMPARE(f.client->DoGet(QStringLiteral("X"), QStringLiteral("/x")), status);
        QCOMPARE(f.client->ErrorMessage(), expected);
    }

    void accountOperations_data()
    {
        QTest::addColumn<QString>("op");
        QTest::addColumn<int>("status");
        QTest::addColumn<bool>("result");
        QTest::addColumn<QString>("method");
        QTest::addColumn<QString>("target");
        QTest::addColumn<QByteArray>("body");
        QTest::addRow("GetUser") << "GetUser" << 200 << true << "GET" << "/api/v1/user" << QByteArray();
        QTest::addRow("UpdateUser") << "UpdateUser" << 200 << true << "PUT" << "/api/v1/user"
                                    << QByteArray("lang=ru&name=A%20B%26C%3D%C3%A9&");
        QTest::addRow("UpdateUser refused") << "UpdateUser" << 400 << false << "PUT" << "/api/v1/user"
                                            << QByteArray("lang=ru&name=A%20B%26C%3D%C3%A9&");
        QTest::addRow("Reg") << "Reg" << 204 << true << "POST" << "/api/v1/user/reg" << QByteArray("login=a%2Bb%40x.org&client=2");
        QTest::addRow("Reg of an existing user") << "Reg" << 409 << false << "POST" << "/api/v1/user/reg"
                                                 << QByteArray("login=a%2Bb%40x.org&client=2");
        QTest::addRow("Reg answered 200 is not success") << "Reg" << 200 << false << "POST" << "/api/v1/user/reg"
                                                         << QByteArray("login=a%2Bb%40x.org&client=2");
        QTest::addRow("Recovery") << "Recovery" << 204 << true << "POST" << "/api/v1/user/recovery" << QByteArray("login=a%2Bb%40x.org");
    }
    void accountOperations()
    {
        QFETCH(QString, op);
        QFETCH(int, status);
        QFETCH(bool, result);
        QFETCH(QString, method);
        QFETCH(QString, target);
        QFETCH(QByteArray, body);
        ClientFixture f(op == QLatin1String("Reg") || op == QLatin1String("Recovery") ? QString() : QStringLiteral("T"));
        QVERIFY(f.ok());
        const QByteArray user = R"({"uid":3,"login":"bob","name":"Bob","email":"b@x","tz":-3600})";
        f.srv.answer(target, status,
                     status == 200 ? user : QByteArray());
        const QString mail = QStringLiteral("a+b@x.org");
        bool ok = false;
        if (op == QLatin1String("GetUser"))
            ok = f.client->GetUser();
        else if (op == QLatin1String("UpdateUser"))
            ok = f.client->UpdateUser({{QStringLiteral("name"), QStringLiteral("A B&C=é")}, {QStringLiteral("lang"), QStringLiteral("ru")}});
        else if (op == QLatin1String("Reg"))
            ok = f.client->Reg(mail);
        else
            ok = f.client->Recovery(mail);
        QCOMPARE(ok, result);
        const RecordedRequest r = f.srv.last();
        QCOMPARE(r.method, method);
        QCOMPARE(r.target, target);
        QCOMPARE(r.body, body);
        if (result && status == 200) {
            QCOMPARE(f.client->UserInfo().Uid, 3);
            QCOMPARE(f.client->UserName(), QStringLiteral("Bob <b@x>"));
            QCOMPARE(f.client->UserInfo().TimeZone, -3600.0 / 86400);
        }
    }

    // A 200 without the user record is no success: the record held stays.
    void getUserWithoutJson()
    {
        ClientFixture f;
        QVERIFY(f.ok());
        f.client->UserInfo().Name = QStringLiteral("Ann");
        f.srv.answer(QStringLiteral("/api/v1/user"), 200, "plain", "text/plain");
        QVERIFY(!f.client->GetUser());
        QVERIFY(f.log.endsWith(QStringLiteral("200\r  X: no data")));
        QCOMPARE(f.client->UserInfo().Name, QStringLiteral("Ann"));
    }

    void postOfAFile()
    {
        ClientFixture f;
        QVERIFY(f.ok());
        const QString path = f.dir.path() + QStringLiteral("/pic.PNG");
        static const char png[] = "\x89PNG\r\n\x1a\n\0\0binary"; // zero bytes inside: the size comes from the array
        const QByteArray bytes(png, sizeof(png) - 1);
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        file.close();
        QCOMPARE(f.client->DoPostFile(QStringLiteral("PostPhoto"), QStringLiteral("/object/5/photo"), path), 200);
        QCOMPARE(f.srv.last().body, bytes);
        QCOMPARE(f.srv.last().header(QStringLiteral("Content-Type")), QStringLiteral("image/png"));

        // A body that names a file is only text.
        QCOMPARE(f.client->DoPost(QStringLiteral("Op"), QStringLiteral("/object/5/photo"), QStringLiteral("file://") + path), 200);
        QCOMPARE(f.srv.last().body, (QStringLiteral("file://") + path).toUtf8());

        f.log.clear();
        QCOMPARE(f.client->DoPostFile(QStringLiteral("PostPhoto"), QStringLiteral("/object/5/photo"),
                                      f.dir.path() + QStringLiteral("/none.jpg")),
                 -1);
        QVERIFY2(f.log.contains(QStringLiteral("\r  X: error at read file [") + f.dir.path() + QStringLiteral("/none.jpg: ")),
                 qPrintable(f.log));
        QCOMPARE(f.srv.count(), 2);
    }

    void transportFailuresAreLogged()
    {
        ClientFixture f;
        QVERIFY(f.ok());
        f.srv.answer(QStringLiteral("/api/v1/user"), 200, R"({"uid":1})");
        QCOMPARE(f.client->DoGet(QStringLiteral("GetUser"), QStringLiteral("/user")), 200);
        QVERIFY(f.client->ResultData());
        // A body too long to send: 500, nothing sent, and no stale answer.
        f.log.clear();
        QCOMPARE(f.client->DoPut(QStringLiteral("UpdateUser"), QStringLiteral("/user"), QString(9000, QLatin1Char('x'))), 500);
        QVERIFY(f.client->ResultData() == nullptr);
        QVERIFY2(f.log.endsWith(QStringLiteral("500\r  X: Data too long [9000], max=8192")), qPrintable(f.log));
        QCOMPARE(f.srv.count(), 1);

        QString log; // outlives the client, which logs its sign-out when destroyed
        TVelmoraClient c(QStringLiteral("http://127.0.0.1:%1").arg(FreeLoopbackPort()), QStringLiteral("T"), QStringLiteral("0"));
        c.SetLogCallback([&log](const QString &fmt, const QVariantList &args, int n) { log += FormatLogText(fmt, args, n); });
        const int status = c.GetObjects();
        QCOMPARE(status, -1);
        QVERIFY(c.ResultCode() != 200 && c.ResultCode() != -1);
        QVERIFY2(log.contains(QStringLiteral("\r  X: ")), qPrintable(log));
    }

    void fileTypes_data()
    {
        QTest::addColumn<QString>("ext");
        QTest::addColumn<QString>("contentType");
        QTest::addRow("jpg") << ".JPG" << "image/jpeg";
        QTest::addRow("jpeg") << "jpeg" << "image/jpeg";
        QTest::addRow("png") << "png" << "image/png";
        QTest::addRow("zip") << ".zip" << "application/zip";
        QTest::addRow("other") << "gif" << "application/octet-stream";
    }
    void fileTypes()
    {
        QFETCH(QString, ext);
        QFETCH(QString, contentType);
        QCOMPARE(TVelmoraClient::ContentTypeOfExt(ext), contentType);
    }

    void extOfContentType_data()
    {
        QTest::addColumn<QString>("contentType");
        QTest::addColumn<QString>("ext");
        QTest::addRow("text/html is text first") << "text/html" << "txt";
        QTest::addRow("zip") << "application/zip" << "zip";
        QTest::addRow("jpeg") << "image/jpeg" << "jpg";
        QTest::addRow("png") << "image/png" << "png";
        QTest::addRow("other") << "application/octet-stream" << "dat";
    }
    void extOfContentType()
    {
        QFETCH(QString, contentType);
        QFETCH(QString, ext);
        QCOMPARE(TVelmoraClient::ExtOfContentType(contentType), ext);
    }

    void clearSignsOutAndEmptiesResponses()
    {
        ClientFixture f;
        QVERIFY(f.ok());
        QCOMPARE(f.client->ResponseDir(), f.dir.path() + QStringLiteral("/Responses/"));
        QVERIFY(QDir(f.client->ResponseDir()).exists());
        QFile a(f.client->ResponseDir() + QStringLiteral("17.txt"));
        QVERIFY(a.open(QIODevice::WriteOnly));
        a.close();
        f.client->UserInfo().Name = QStringLiteral("Ann");
        f.client->UserInfo().TimeZone = 0.25;
        f.client->ObjList().push_back(std::make_unique<TObjectInfo>(1, QStringLiteral("x")));
        f.client->Clear();
        QVERIFY(f.client->Token().isEmpty());
        QVERIFY(f.client->UserName().isEmpty());
        QCOMPARE(f.client->TimeZone(), 0.125);
        QVERIFY(f.client->ObjList().empty());
        QVERIFY(!QFile::exists(a.fileName()));
        QVERIFY2(f.log.contains(QStringLiteral("\r del ") + QFileInfo(a).absoluteFilePath() + QStringLiteral(" -> ok")), qPrintable(f.log));
        // Signed out: requests are refused locally.
        QCOMPARE(f.client->GetObjects(), -1);
        QCOMPARE(f.srv.count(), 0);
    }

    void tlsOffIsLoggedOnEveryRequest()
    {
        ClientFixture f;
        QVERIFY(f.ok());
        f.client = std::make_unique<TVelmoraClient>(f.srv.baseUrl(), QStringLiteral("TOKEN"), QStringLiteral("0"), QString(), false);
        f.client->SetLogCallback([&f](const QString &fmt, const QVariantList &args, int count) { f.log += FormatLogText(fmt, args, count); });
        QVERIFY(!f.client->ApiClient().TlsVerify());
        f.client->GetUser();
        f.client->GetUser();
        QCOMPARE(f.log.count(QStringLiteral("TLS certificate checking is off")), 2);

        ClientFixture checked;
        QVERIFY(checked.client->ApiClient().TlsVerify());
        checked.client->GetUser();
        QVERIFY(!checked.log.contains(QStringLiteral("TLS")));
    }
};

QTEST_GUILESS_MAIN(TestClient)
#include "tst_client.moc"
