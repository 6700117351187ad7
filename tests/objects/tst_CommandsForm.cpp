#include "CommandsForm.h"
#include "OSM.CommandInfo.h"
#include "DeviceAnswer.h"
#include "MainTestSupport.h"
#include "OSM.ObjectInfo.h"
#include "TestHttpServer.h"
#include "ZtLed.h"

#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTreeWidget>
#include <QUrl>

#include <mutex>

namespace {

QByteArray j(const char *text)
{
    return QByteArray(text).replace('\'', '"');
}

// What the list shows, a row a text: uid|command|send shown (0/1)|answer.
QStringList rowsOf(const QTreeWidget *list)
{
    QStringList rows;
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        const QTreeWidgetItem *it = list->topLevelItem(i);
        rows << QStringLiteral("%1|%2|%3|%4")
                    .arg(it->text(TCommandsForm::ColUid), it->text(TCommandsForm::ColCommand))
                    .arg(it->text(TCommandsForm::ColSend).isEmpty() ? 0 : 1)
                    .arg(it->text(TCommandsForm::ColAnswer));
    }
    return rows;
}

// Clicks later, so that a modal box the click opens does not run inside the
// watcher's own timer call.
void clickLater(QPushButton *b)
{
    QTimer::singleShot(0, b, [b] { b->click(); });
}

// A service that answers the command log with a fixed reply and records what
// is posted.
struct CannedService
{
    TestHttpServer http;
    std::mutex lock;
    int status = 200;
    QByteArray log;
    QByteArrayList posted;

    bool start()
    {
        http.server().Get(R"(/api/v1/object/7/cmdlog)", [this](const httplib::Request &, httplib::Response &res) {
            std::lock_guard g(lock);
            res.status = status;
            if (status != 204)
                res.set_content(log.toStdString(), "application/json");
        });
        // Another object's log, with a command still waiting for its device.
        http.server().Get(R"(/api/v1/object/8/cmdlog)", [](const httplib::Request &, httplib::Response &res) {
            res.status = 200;
            res.set_content(R"([{"uid":41,"obj_id":8,"txt":"reboot","create_dt":"2025-02-03T09:00:00Z"}])", "application/json");
        });
        http.server().Post(R"(/api/v1/object/7/sendcmd)", [this](const httplib::Request &req, httplib::Response &res) {
            std::lock_guard g(lock);
            posted << QByteArray::fromStdString(req.body);
            res.status = 200;
        });
        return http.start();
    }
};

} // namespace

class tst_CommandsForm : public QObject
{
    Q_OBJECT
    QTemporaryDir fDir;
    SimProcess fSim;
    std::unique_ptr<TVelmoraClient> fClient;
    TObjectInfo *fObj = nullptr;

    // Sends Cmd and waits until the simulated device has answered it.
    uint32_t answered(const QString &cmd) { return SendAndWaitForAnswer(*fClient, fObj->uid, cmd); }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(fDir.isValid());
        InitProgramState(fDir.path());
        ExeDir = fDir.path() + u'/';
        ResetSettings(fDir.filePath(QStringLiteral("monitor.ini")), QString());
        // Fifty times faster: the device answers in a tenth of a second.
        QVERIFY2(fSim.start({QStringLiteral("--speed"), QStringLiteral("50")}), "velmora-sim did not start");
        fClient = std::make_unique<TVelmoraClient>(fSim.url(), fSim.demoToken(), QString());
        QVERIFY(fClient->GetObjects() > 0);
        fObj = fClient->ObjList().front().get();
    }
    void cleanupTestCase() { fClient.reset(); }

    // The list as the service's log gives it: uid 0 dropped, a 204 empty,
    // unanswered commands first, then newest answer first, whatever the
    // service's order; a command still
    // waiting for the device offered in the command field but not re-sent
    // unless the user touches it.
    void logList_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("log");
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<QString>("offered");
        QTest::addRow("uid 0 and no uid dropped")
            << 200
            << j("[{'uid':3,'txt':'get config','create_dt':'2025-02-03T07:00:00Z','send_dt':'2025-02-03T07:01:00Z',"
                 "'r_type':'text/plain','r_size':512,'resp_dt':'2025-02-03T07:02:00Z'},{'uid':0,'txt':'x'},{'txt':'y'}]")
            << QStringList{"3|get config|1|txt / 512"} << "";
        QTest::addRow("no content") << 204 << QByteArray() << QStringList{} << "";
        QTest::addRow("by answer time, waiting first")
            << 200
            << j("[{'uid':5,'txt':'a','create_dt':'2025-02-03T07:00:00Z','send_dt':'2025-02-03T07:01:00Z',"
                 "'r_type':'image/jpeg','r_size':9,'resp_dt':'2025-02-03T07:02:00Z'},"
                 "{'uid':6,'txt':'b','create_dt':'2025-02-03T06:00:00Z','send_dt':'2025-02-03T06:01:00Z',"
                 "'r_type':'application/zip','r_size':22,'resp_dt':'2025-02-03T08:00:00Z'},"
                 "{'uid':8,'txt':'','create_dt':'2025-02-03T06:30:00Z','send_dt':'2025-02-03T06:31:00Z'},"
                 "{'uid':9,'txt':'ping','create_dt':'2025-02-03T09:00:00Z'}]")
            << QStringList{"9|ping|0|", "8|n/a|1|", "6|b|1|zip / 22", "5|a|1|jpg / 9"} << "ping";
        QTest::addRow("sent at the zero date is waiting")
            << 200 << j("[{'uid':4,'txt':'get places','create_dt':'2025-02-03T09:00:00Z','send_dt':'1899-12-30T00:00:00Z'}]")
            << QStringList{"4|get places|0|"} << "get places";
    }
    void logList()
    {
        QFETCH(int, status);
        QFETCH(QByteArray, log);
        QFETCH(QStringList, rows);
        QFETCH(QString, offered);
        CannedService svc;
        svc.status = status;
        svc.log = log;
        QVERIFY(svc.start());
        TVelmoraClient client(svc.http.baseUrl(), QStringLiteral("T"), QString());
        TObjectInfo obj;
        obj.uid = 7;
        obj.id = QStringLiteral("phone-7");
        obj.name = QStringLiteral("Phone");
        TCommandsForm form;
        QString logText;
        form.SetLogCallback([&](const QString &f, const QVariantList &a, int n) { logText += FormatLogText(f, a, n); });
        QStringList shown;
        QString field;
        bool lit = true;
        bool painted = false;
        ModalWatcher w([&](QWidget *m) {
            if (m != &form)
                return false;
            shown = rowsOf(form.CommandLog);
            field = form.CommandEdit->text();
            lit = form.CommandLed->Lit();
            painted = !form.grab().isNull();
            clickLater(form.SendButton);
            return true;
        });
        QVERIFY(!form.ShowCommands(&obj, &client));
        QCOMPARE(shown, rows);
        QCOMPARE(field, offered);
        QVERIFY(!lit);
        QVERIFY(painted);
        QCOMPARE(form.ObjId->text(), QStringLiteral("phone-7"));
        // Send with nothing of the user's own posts nothing.
        QVERIFY(svc.posted.isEmpty());
        QVERIFY(logText.contains(QStringLiteral("Commands:   -> %1").arg(rows.size())));
    }

    // The log of this object could not be read while the client still holds
    // another object's: the dialog says why and shows an empty log, with
    // nothing of the other object's offered.
    void failedLogRead_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("log");
        QTest::addColumn<QString>("error");
        QTest::addRow("service failing (500)") << 500 << QByteArray() << "[500]";
        QTest::addRow("service failing (503)") << 503 << QByteArray() << "[503]";
        QTest::addRow("broken answer") << 200 << QByteArray("[{\"uid\":3,") << "[200]";
    }
    void failedLogRead()
    {
        QFETCH(int, status);
        QFETCH(QByteArray, log);
        QFETCH(QString, error);
        CannedService svc;
        svc.status = status;
        svc.log = log;
        QVERIFY(svc.start());
        TVelmoraClient client(svc.http.baseUrl(), QStringLiteral("T"), QString());
        QCOMPARE(client.GetCommandLog(8, 10), 1);
        TObjectInfo obj;
        obj.uid = 7;
        obj.id = QStringLiteral("phone-7");
        obj.name = QStringLiteral("Phone");
        TCommandsForm form;
        QString logText;
        form.SetLogCallback([&](const QString &f, const QVariantList &a, int n) { logText += FormatLogText(f, a, n); });
        QStringList boxes, shown;
        QString field;
        ModalWatcher w([&](QWidget *m) {
            if (auto *box = qobject_cast<QMessageBox *>(m)) {
                boxes << box->text();
                QTimer::singleShot(0, box, [box] { box->button(QMessageBox::Ok)->click(); });
                return false;
            }
            if (m != &form)
                return false;
            shown = rowsOf(form.CommandLog);
            field = form.CommandEdit->text();
            QTimer::singleShot(0, &form, [&form] { form.reject(); });
            return true;
        });
        QVERIFY(!form.ShowCommands(&obj, &client));
        QCOMPARE(boxes.size(), 1);
        QVERIFY2(boxes[0].startsWith(Translation.GetString(QStringLiteral("error"), {QString()}).trimmed()), qPrintable(boxes[0]));
        QVERIFY2(boxes[0].contains(error), qPrintable(boxes[0]));
        QCOMPARE(shown, QStringList{});
        QCOMPARE(field, QString());
        QVERIFY2(!logText.contains(QStringLiteral("Commands:   -> 1")), qPrintable(logText));
        QVERIFY2(logText.contains(QStringLiteral("Commands:   X: ")), qPrintable(logText));
    }

    // The user's command: typed ones are sent; one the client refuses (over
    // its size limit) shows the error and keeps the dialog with the text; a
    // local-file form is sent as the text it is; blanks send nothing.
    void send_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("sent");
        QTest::addColumn<QString>("error");
        QTest::addRow("typed") << "ping" << true << "";
        QTest::addRow("over the size limit") << QString(9000, u'x') << false << "Data too long";
        // Plain text: the client never reads the file it names.
        QTest::addRow("local file form goes as text") << "file:///etc/hostname" << true << "";
        QTest::addRow("blanks only") << "   " << false << "";
    }
    void send()
    {
        QFETCH(QString, typed);
        QFETCH(bool, sent);
        QFETCH(QString, error);
        QVERIFY(fClient->GetCommandLog(fObj->uid, 1) >= 0);
        const uint32_t lastUid = fClient->CommandLog().empty() ? 0 : fClient->CommandLog()[0]->uid;
        TCommandsForm form;
        QString boxText;
        bool keptOpen = false;
        QString keptText;
        int step = 0;
        ModalWatcher w([&](QWidget *m) {
            if (step == 0 && m == &form) {
                form.CommandEdit->clear();
                QTest::keyClicks(form.CommandEdit, typed);
                clickLater(form.SendButton);
                step = error.isEmpty() ? 3 : 1;
                return error.isEmpty();
            }
            if (step == 1) {
                if (auto *box = qobject_cast<QMessageBox *>(m)) {
                    boxText = box->text();
                    QTimer::singleShot(0, box, [box] { box->accept(); });
                    step = 2;
                }
                return false;
            }
            if (step == 2 && m == &form) {
                keptOpen = form.isVisible();
                keptText = form.CommandEdit->text();
                clickLater(form.CloseButton);
                return true;
            }
            return false;
        });
        QCOMPARE(form.ShowCommands(fObj, fClient.get()), sent);
        QVERIFY(w.done());
        if (!error.isEmpty()) {
            QVERIFY2(boxText.contains(error), qPrintable(boxText));
            QVERIFY(keptOpen);
            QCOMPARE(keptText, typed);
        }
        QVERIFY(fClient->GetCommandLog(fObj->uid, 1) >= 0);
        const uint32_t nowUid = fClient->CommandLog().empty() ? 0 : fClient->CommandLog()[0]->uid;
        QCOMPARE(nowUid != lastUid, sent);
        if (sent)
            QCOMPARE(fClient->CommandLog()[0]->txt, typed);
    }

    // End to end: the device answers, the reopened dialog lists the answer;
    // activating the answer cell saves it by its type and opens text and
    // pictures, other kinds only show their folder.
    void answers_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("cell");
        QTest::addColumn<QString>("ext");
        QTest::addColumn<bool>("opensFile");
        QTest::addColumn<QByteArray>("head");
        QTest::addRow("text/html") << "get page" << "txt" << "txt" << true << QByteArray("\xEF\xBB\xBF<html>");
        QTest::addRow("image/jpeg") << "get photo" << "jpg" << "jpg" << true << QByteArray("\xFF\xD8\xFF");
        QTest::addRow("image/png") << "get screen" << "png" << "png" << true << QByteArray("\x89PNG");
        QTest::addRow("application/zip") << "get logs" << "zip" << "zip" << false << QByteArray("PK\x05\x06");
        QTest::addRow("octet-stream") << "get dump" << "dat" << "dat" << false << QByteArray("\x00\x01", 2);
    }
    void answers()
    {
        QFETCH(QString, command);
        QFETCH(QString, cell);
        QFETCH(QString, ext);
        QFETCH(bool, opensFile);
        QFETCH(QByteArray, head);
        const uint32_t uid = answered(command);
        QVERIFY(uid != 0);
        TCommandsForm form;
        QList<QUrl> opened;
        form.OpenUrl = [&](const QUrl &u) { opened << u; };
        QString answerCell;
        ModalWatcher w([&](QWidget *m) {
            if (m != &form)
                return false;
            const auto found = form.CommandLog->findItems(QString::number(uid), Qt::MatchExactly, TCommandsForm::ColUid);
            if (!found.isEmpty()) {
                answerCell = found[0]->text(TCommandsForm::ColAnswer);
                Q_EMIT form.CommandLog->itemActivated(found[0], TCommandsForm::ColAnswer);
            }
            clickLater(form.CloseButton);
            return true;
        });
        QVERIFY(!form.ShowCommands(fObj, fClient.get()));
        QVERIFY2(answerCell.startsWith(cell + QStringLiteral(" / ")), qPrintable(answerCell));
        const QString file = fClient->resultFile();
        QCOMPARE(QFileInfo(file).fileName(), QStringLiteral("%1.%2").arg(uid).arg(ext));
        QFile f(file);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QVERIFY(f.readAll().startsWith(head));
        QCOMPARE(opened.size(), 1);
        QCOMPARE(opened[0].toLocalFile(), opensFile ? QFileInfo(file).absoluteFilePath() : QFileInfo(file).absolutePath());
    }
};

QTEST_MAIN(tst_CommandsForm)
#include "tst_CommandsForm.moc"
