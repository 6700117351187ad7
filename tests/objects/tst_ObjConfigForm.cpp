#include "DeviceAnswer.h"
#include "MainTestSupport.h"
#include "OSM.CommandInfo.h"
#include "FrmEditPad.h"
#include "ObjConfigForm.h"
#include "OSM.ObjectInfo.h"
#include "ZtLed.h"
#include "device_answer.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QAbstractButton>
#include <QMessageBox>
#include <QPushButton>

// The dialog with the loading of an answer file open to the test: a device
// answer the simulated device would never give.
class TTestConfigForm : public TObjConfigForm
{
public:
    using TObjConfigForm::LoadAnswerFile;
};

class tst_ObjConfigForm : public QObject
{
    Q_OBJECT
    QTemporaryDir fDir;
    SimProcess fSim;
    std::unique_ptr<TVelmoraClient> fClient;
    TObjectInfo *fObj = nullptr;

    // Sends Cmd and waits until the simulated device has answered it.
    bool answered(const QString &cmd) { return SendAndWaitForAnswer(*fClient, fObj->uid, cmd) != 0; }
    // The newest command of the object's log.
    QString lastCommand()
    {
        return fClient->GetCommandLog(fObj->uid, 1) == 1 ? fClient->CommandLog()[0]->txt : QString();
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(fDir.isValid());
        InitProgramState(fDir.path());
        ExeDir = fDir.path() + u'/';
        ResetSettings(fDir.filePath(QStringLiteral("monitor.ini")), QString());
        QVERIFY2(fSim.start({QStringLiteral("--speed"), QStringLiteral("50")}), "velmora-sim did not start");
        fClient = std::make_unique<TVelmoraClient>(fSim.url(), fSim.demoToken(), QString());
        QVERIFY(fClient->GetObjects() > 0);
        fObj = fClient->ObjList().front().get();
    }
    void cleanupTestCase() { fClient.reset(); }

    // The answer is plain key=value text: nothing in it is included or read
    // across lines.
    void parse_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        QTest::addRow("equals") << QByteArray("tracking_period=90\n") << "tracking_period" << "90";
        QTest::addRow("blanks around equals") << QByteArray("tracking_period = 300\n") << "tracking_period" << "300";
        QTest::addRow("tab, CR LF, mark") << QByteArray("\xEF\xBB\xBFuse_places\t1\r\n") << "use_places" << "1";
        QTest::addRow("blank") << QByteArray("a b c\n") << "a" << "b c";
        QTest::addRow("include is a comment") << QByteArray("#include /etc/passwd\nx=1\n") << "#include" << "";
        QTest::addRow("include line, the rest read") << QByteArray("#include /etc/passwd\nx=1\n") << "x" << "1";
        QTest::addRow("brace stays one line") << QByteArray("tracking_server={\nservice_enabled=1\n}\n") << "service_enabled"
                                              << "1";
        QTest::addRow("brace value kept as text") << QByteArray("tracking_server={\n") << "tracking_server" << "{";
    }
    void parse()
    {
        QFETCH(QByteArray, text);
        QFETCH(QString, key);
        QFETCH(QString, value);
        QCOMPARE(ReadDeviceAnswer(text).GetVal(key), value);
    }

    // What the dialog shows of an answer: a check box by the store's yes/no
    // rule ("off" is no), a period in whole minutes of the seconds given.
    void answerShown_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("shown"); // a check box: 1 ticked, 0 not
        QTest::addRow("off") << QByteArray("use_places=off") << "use_places" << "0";
        QTest::addRow("OFF with blanks") << QByteArray("use_places = OFF") << "use_places" << "0";
        QTest::addRow("on") << QByteArray("use_places=on") << "use_places" << "1";
        QTest::addRow("false") << QByteArray("use_places=false") << "use_places" << "0";
        QTest::addRow("true") << QByteArray("use_places=true") << "use_places" << "1";
        QTest::addRow("0") << QByteArray("use_places=0") << "use_places" << "0";
        QTest::addRow("1") << QByteArray("use_places=1") << "use_places" << "1";
        QTest::addRow("key in capitals") << QByteArray("USE_PLACES=yes") << "use_places" << "1";
        QTest::addRow("commented out") << QByteArray("# use_places=1") << "use_places" << "0";
        QTest::addRow("period with blanks around =") << QByteArray("tracking_period = 300") << "tracking_period" << "5";
        QTest::addRow("period just under 5 minutes") << QByteArray("tracking_period=299") << "tracking_period" << "4";
        QTest::addRow("period after a tab") << QByteArray("tracking_period\t600") << "tracking_period" << "10";
        QTest::addRow("period not a number") << QByteArray("tracking_period=soon") << "tracking_period" << "0";
    }
    void answerShown()
    {
        QFETCH(QByteArray, line);
        QFETCH(QString, key);
        QFETCH(QString, shown);
        const QString file = fDir.filePath(QStringLiteral("config_answer.txt"));
        {
            QFile f(file);
            QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
            f.write("service_enabled=1\r\n" + line + "\r\nis_sms_enabled=0\r\n");
        }
        TTestConfigForm form;
        QVERIFY(form.LoadAnswerFile(file));
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        const TObjectConfigField *f = form.Field(key);
        QVERIFY(f);
        QCOMPARE(f->Check ? QString(f->Check->isChecked() ? u'1' : u'0') : f->Edit->text(), shown);
        // The lines around it are read as they are.
        QVERIFY(form.Field(QStringLiteral("service_enabled"))->Check->isChecked());
        QVERIFY(!form.Field(QStringLiteral("is_sms_enabled"))->Check->isChecked());
        QVERIFY(!f->Led->Lit());
    }

    // Against the simulated device: what the dialog shows of its settings and
    // the one "set config" it sends for the user's changes.
    void edits_data()
    {
        QTest::addColumn<QString>("setup");   // a command the device answers first
        QTest::addColumn<QString>("edit");    // the user's edit (see edits())
        QTest::addColumn<QString>("shown");   // the regular period shown
        QTest::addColumn<QString>("sent");    // empty: nothing sent
        QTest::addColumn<QString>("refusal"); // the message that keeps the dialog
        QTest::addRow("90 s shows as 1, untouched sends nothing")
            << "" << "" << "1" << "" << "";
        QTest::addRow("999 minutes") << "" << "period:999" << "1" << "set config tracking_period=59940" << "";
        QTest::addRow("1500 minutes") << "" << "period:1500" << "1" << "set config tracking_period=90000" << "";
        QTest::addRow("emptied period is not 0") << "" << "period:" << "1" << "" << "";
        QTest::addRow("one ticked field") << "set config use_places=1" << "click:use_places" << "1"
                                          << "set config use_places=false" << "";
        QTest::addRow("continuous tracking needs the service")
            << "set config service_enabled=0 continuously_tracking=1" << "click:continuously_tracking" << "1"
            << "set config service_enabled=true continuously_tracking=false" << "";
        QTest::addRow("server with a blank") << "" << "server:https://a b" << "1"
                                             << "set config tracking_server=https://a%20b" << "";
        QTest::newRow("literal %20 refused") << "" << "server:https://a%20b" << "1" << "" << "%20";
    }
    void edits()
    {
        QFETCH(QString, setup);
        QFETCH(QString, edit);
        QFETCH(QString, shown);
        QFETCH(QString, sent);
        QFETCH(QString, refusal);
        // Earlier rows changed the device: its period is set again first.
        QVERIFY(answered(QStringLiteral("set config tracking_period=90")));
        if (!setup.isEmpty())
            QVERIFY(answered(setup));
        QVERIFY(answered(QStringLiteral("get config")));
        const QString before = lastCommand();
        TObjConfigForm form;
        QString shownPeriod, boxText;
        bool anyLit = true;
        int step = 0;
        ModalWatcher w([&](QWidget *m) {
            if (step == 0 && m == &form) {
                if (QTest::currentDataTag() == QLatin1String("90 s shows as 1, untouched sends nothing"))
                    form.grab().save(TestPaths::artifactsDir() + QStringLiteral("/obj_config_form.png"));
                shownPeriod = form.Field(QStringLiteral("tracking_period"))->Edit->text();
                anyLit = false;
                for (const auto &f : form.Fields())
                    anyLit = anyLit || f.Led->Lit();
                const QString kind = edit.section(u':', 0, 0), arg = edit.section(u':', 1);
                if (kind == QLatin1String("period")) {
                    QLineEdit *e = form.Field(QStringLiteral("tracking_period"))->Edit;
                    e->selectAll();
                    QTest::keyClick(e, Qt::Key_Backspace);
                    QTest::keyClicks(e, arg);
                } else if (kind == QLatin1String("click")) {
                    form.Field(arg)->Check->click();
                } else if (kind == QLatin1String("server")) {
                    QComboBox *c = form.Field(QStringLiteral("tracking_server"))->Combo;
                    c->lineEdit()->selectAll();
                    QTest::keyClick(c->lineEdit(), Qt::Key_Backspace);
                    QTest::keyClicks(c->lineEdit(), arg);
                }
                QTimer::singleShot(0, form.ButOk, [&form] { form.ButOk->click(); });
                step = refusal.isEmpty() ? 3 : 1;
                return refusal.isEmpty();
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
                QTimer::singleShot(0, form.ButCancel, [&form] { form.ButCancel->click(); });
                return true;
            }
            return false;
        });
        QCOMPARE(form.ShowConfig(fObj, fClient.get()), refusal.isEmpty());
        QVERIFY(w.done());
        QCOMPARE(shownPeriod, shown);
        QVERIFY(!anyLit);
        if (!refusal.isEmpty())
            QVERIFY2(boxText.contains(refusal), qPrintable(boxText));
        QCOMPARE(lastCommand(), sent.isEmpty() ? before : sent);
    }

    // A device never asked: the question, and Yes sends the query; asked but
    // not answered yet: the warning. Neither opens the dialog. A device at
    // normal speed takes five seconds to answer, so the second opening
    // comes before it.
    void notAnsweredYet()
    {
        SimProcess slow;
        QVERIFY(slow.start());
        TVelmoraClient client(slow.url(), slow.demoToken(), QString());
        QVERIFY(client.GetObjects() > 1);
        TObjectInfo *obj = client.ObjList()[1].get();
        QVERIFY(client.GetCommandLog(obj->uid, 6, QStringLiteral("get config")) == 0);
        QStringList boxes;
        auto answerBoxes = [&boxes](QWidget *m) {
            if (auto *box = qobject_cast<QMessageBox *>(m)) {
                boxes << box->text();
                QAbstractButton *yes = box->button(QMessageBox::Yes);
                QAbstractButton *b = yes ? yes : box->button(QMessageBox::Ok);
                QTimer::singleShot(0, b, [b] { b->click(); });
                return true;
            }
            return false;
        };
        {
            TObjConfigForm form;
            ModalWatcher w(answerBoxes);
            QVERIFY(!form.ShowConfig(obj, &client));
        }
        QCOMPARE(client.GetCommandLog(obj->uid, 6, QStringLiteral("get config")), 1);
        {
            TObjConfigForm form;
            ModalWatcher w(answerBoxes);
            QVERIFY(!form.ShowConfig(obj, &client));
        }
        QCOMPARE(boxes, (QStringList{Translation.GetString(QStringLiteral("no_config_requests")),
                                     Translation.GetString(QStringLiteral("no_config_answers"))}));
    }

    // The "..." button: the edit pad shows the field's lines, and its OK puts
    // the edited lines back, lit; Cancel changes nothing.
    void editPad_data()
    {
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QString>("sent");
        QTest::addRow("OK") << true << "set config sms_quick_answers=Yes%0D%0ANo";
        QTest::addRow("Cancel") << false << "";
    }
    void editPad()
    {
        QFETCH(bool, ok);
        QFETCH(QString, sent);
        QVERIFY(answered(QStringLiteral("set config sms_quick_answers=Yes%0D%0ANo%0D%0ACall%20you%20later")));
        QVERIFY(answered(QStringLiteral("get config")));
        const QString before = lastCommand();
        TObjConfigForm form;
        QString padText;
        int step = 0;
        ModalWatcher w([&](QWidget *m) {
            if (step == 0 && m == &form) {
                QPushButton *b = form.PadButtons.value(QStringLiteral("sms_quick_answers"));
                QTimer::singleShot(0, b, [b] { b->click(); });
                step = 1;
            } else if (step == 1) {
                if (auto *pad = qobject_cast<TFrmEditPad *>(m)) {
                    padText = pad->Text();
                    pad->SetText(QStringLiteral("Yes\r\nNo"));
                    QPushButton *b = ok ? pad->ButOk : pad->ButCancel;
                    QTimer::singleShot(0, b, [b] { b->click(); });
                    step = 2;
                }
            } else if (step == 2 && m == &form) {
                QTimer::singleShot(0, form.ButOk, [&form] { form.ButOk->click(); });
                return true;
            }
            return false;
        });
        QVERIFY(form.ShowConfig(fObj, fClient.get()));
        QVERIFY(w.done());
        QCOMPARE(padText, QStringLiteral("Yes\r\nNo\r\nCall you later"));
        QCOMPARE(lastCommand(), sent.isEmpty() ? before : sent);
    }

    // Send, the device answers, reopen: the new value shows. Multi-line
    // texts travel with their line breaks escaped.
    void endToEnd()
    {
        QVERIFY(answered(QStringLiteral("get config")));
        TObjConfigForm form;
        ModalWatcher w([&](QWidget *m) {
            if (m == &form) {
                QLineEdit *e = form.Field(QStringLiteral("tracking_fast_period"))->Edit;
                e->selectAll();
                QTest::keyClicks(e, QStringLiteral("2"));
                // What the edit pad hands back for two lines.
                form.Field(QStringLiteral("sms_quick_answers"))->Edit->setText(QStringLiteral("Yes\r\nNo"));
                form.Field(QStringLiteral("sms_quick_answers"))->Led->SetLit(true);
                QTimer::singleShot(0, form.ButOk, [&form] { form.ButOk->click(); });
                return true;
            }
            return false;
        });
        QVERIFY(form.ShowConfig(fObj, fClient.get()));
        QCOMPARE(lastCommand(), QStringLiteral("set config tracking_fast_period=120 sms_quick_answers=Yes%0D%0ANo"));
        QVERIFY(answered(lastCommand()));
        QVERIFY(answered(QStringLiteral("get config")));
        TObjConfigForm again;
        QString fast, answers;
        ModalWatcher w2([&](QWidget *m) {
            if (m == &again) {
                fast = again.Field(QStringLiteral("tracking_fast_period"))->Edit->text();
                answers = again.Field(QStringLiteral("sms_quick_answers"))->Edit->text();
                QTimer::singleShot(0, again.ButCancel, [&again] { again.ButCancel->click(); });
                return true;
            }
            return false;
        });
        QVERIFY(!again.ShowConfig(fObj, fClient.get()));
        QCOMPARE(fast, QStringLiteral("2"));
        QCOMPARE(answers, QStringLiteral("Yes\r\nNo"));
    }
};

QTEST_MAIN(tst_ObjConfigForm)
#include "tst_ObjConfigForm.moc"
