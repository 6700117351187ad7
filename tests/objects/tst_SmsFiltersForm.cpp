#include "ActionEditForm.h"
#include "ConditionEditForm.h"
#include "DeviceAnswer.h"
#include "MainTestSupport.h"
#include "OSM.CommandInfo.h"
#include "OSM.ObjectInfo.h"
#include "SmsFiltersForm.h"
#include "ZtLed.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>

// The dialog with the loading of an answer file open to the test: a device
// answer the simulated device would never give.
class TTestFiltersForm : public TSmsFiltersForm
{
public:
    using TSmsFiltersForm::LoadAnswerFile;
};

class tst_SmsFiltersForm : public QObject
{
    Q_OBJECT
    QTemporaryDir fDir;
    SimProcess fSim;
    std::unique_ptr<TVelmoraClient> fClient;
    TObjectInfo *fObj = nullptr;

    // Sends Cmd and waits until the simulated device has answered it.
    bool answered(const QString &cmd) { return SendAndWaitForAnswer(*fClient, fObj->uid, cmd) != 0; }
    QString lastCommand()
    {
        return fClient->GetCommandLog(fObj->uid, 1) == 1 ? fClient->CommandLog()[0]->txt : QString();
    }
    static void clickLater(QAbstractButton *b)
    {
        QTimer::singleShot(0, b, [b] { b->click(); });
    }
    static QStringList rows(const QListWidget *l)
    {
        QStringList out;
        for (int i = 0; i < l->count(); ++i)
            out << l->item(i)->text();
        return out;
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(fDir.isValid());
        InitProgramState(fDir.path());
        ExeDir = fDir.path() + u'/';
        QVERIFY2(fSim.start({QStringLiteral("--speed"), QStringLiteral("50")}), "velmora-sim did not start");
        fClient = std::make_unique<TVelmoraClient>(fSim.url(), fSim.demoToken(), QString());
        QVERIFY(fClient->GetObjects() > 0);
        fObj = fClient->ObjList().front().get();
    }
    void cleanupTestCase() { fClient.reset(); }

    // Against the simulated device: the list shown and the one command OK
    // sends for the user's edits.
    void edits_data()
    {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<QString>("edit");
        QTest::addColumn<QStringList>("shown");
        QTest::addColumn<QString>("question"); // text of the delete question
        QTest::addColumn<QString>("sent");     // empty: nothing
        const QString age = R"({"note":"","conditions":[{"type":1,"arg":"18"}],"actions":[{"type":1,"arg":1}]})";
        QTest::addRow("two lines, untouched sends nothing")
            << "set filters filter3=" + age << "" << QStringList{"[Age>=18]\n[Forward:Telegram]"} << "" << "";
        QTest::addRow("delete question shows the hash, No keeps")
            << "set filters filter3=" + age << "delete:no" << QStringList{"[Age>=18]\n[Forward:Telegram]"}
            << "[Age>=18][Forward:Telegram]" << "";
        QTest::addRow("deleting every filter sends the empty list")
            << "set filters filter3=" + age << "delete:yes" << QStringList{"[Age>=18]\n[Forward:Telegram]"}
            << "[Age>=18][Forward:Telegram]" << "set filters";
        QTest::addRow("unknown types kept; blank and slash escaped")
            << R"(set filters filter0={"note":"Old","conditions":[{"type":5,"arg":"x"}],"actions":[{"type":7,"arg":3}]})"
            << "append:No ads/spam" << QStringList{"Old\n[Unknown]\n[]"} << ""
            << R"(set filters filter0={"note":"Old","conditions":[{"type":5,"arg":"x"}],"actions":[{"type":7,"arg":3}]} )"
               R"(filter1={"note":"No%20ads\/spam","conditions":[{"type":0,"arg":""}],"actions":[{"type":0,"arg":0}]})";
        QTest::addRow("unknown type edited and left alone")
            << R"(set filters filter0={"note":"Old","conditions":[{"type":5,"arg":"x"}],"actions":[{"type":7,"arg":3}]})"
            << "reedit" << QStringList{"Old\n[Unknown]\n[]"} << ""
            << R"(set filters filter0={"note":"Old","conditions":[{"type":5,"arg":"x"}],"actions":[{"type":7,"arg":3}]})";
    }
    void edits()
    {
        QFETCH(QString, setup);
        QFETCH(QString, edit);
        QFETCH(QStringList, shown);
        QFETCH(QString, question);
        QFETCH(QString, sent);
        QVERIFY(answered(setup));
        QVERIFY(answered(QStringLiteral("get filters")));
        const QString before = lastCommand();
        TSmsFiltersForm form;
        QStringList listed;
        QString asked;
        bool lit = true;
        int step = 0;
        ModalWatcher w([&](QWidget *m) {
            if (step == 0 && m == &form) {
                listed = rows(form.FilterList);
                lit = form.LedFilters->Lit() || form.LedFilter->Lit();
                if (QTest::currentDataTag() == QLatin1String("two lines, untouched sends nothing"))
                    form.grab().save(TestPaths::artifactsDir() + QStringLiteral("/sms_filters_form.png"));
                if (edit.startsWith(QLatin1String("delete"))) {
                    form.FilterList->setCurrentRow(0);
                    clickLater(form.ButDeleteFilter);
                    step = 1;
                    return false;
                }
                if (edit.startsWith(QLatin1String("append"))) {
                    form.ButAppendFilter->click();
                    form.EdNote->selectAll();
                    QTest::keyClicks(form.EdNote, edit.section(u':', 1));
                    form.ButSaveFilter->click();
                } else if (edit == QLatin1String("reedit")) {
                    form.FilterList->setCurrentRow(0);
                    form.ConditionList->setCurrentRow(0);
                    step = 3;
                    QTimer::singleShot(0, &form, [&form] {
                        Q_EMIT form.ConditionList->itemDoubleClicked(form.ConditionList->item(0));
                    });
                    return false;
                }
                clickLater(form.ButOk);
                return true;
            }
            if (step == 1) {
                if (auto *box = qobject_cast<QMessageBox *>(m)) {
                    asked = box->text();
                    clickLater(box->button(edit.endsWith(QLatin1String("yes")) ? QMessageBox::Yes : QMessageBox::No));
                    step = 2;
                }
                return false;
            }
            if (step == 3) {
                // The condition editor on type 5: OK leaves it as read.
                if (auto *ed = qobject_cast<TConditionEditForm *>(m)) {
                    clickLater(ed->ButOk);
                    step = 4;
                }
                return false;
            }
            if (step == 4 && m == &form) {
                form.ButSaveFilter->click();
                clickLater(form.ButOk);
                return true;
            }
            if (step == 2 && m == &form) {
                clickLater(form.ButOk);
                return true;
            }
            return false;
        });
        QVERIFY(form.ShowFilters(fObj, fClient.get()));
        QVERIFY(w.done());
        QCOMPARE(listed, shown);
        QVERIFY(!lit);
        if (!question.isEmpty())
            QVERIFY2(asked.contains(question), qPrintable(asked));
        QCOMPARE(lastCommand(), sent.isEmpty() ? before : sent);
    }

    // A line that cannot be read stops the loading with a message; the rows
    // before it stay, and the dialog refuses to send, so the device keeps
    // the filters that were not read.
    void badLineRefusesSending()
    {
        QVERIFY(answered(QStringLiteral(R"(set filters filter0={"note":"Ads","conditions":[{"type":0,"arg":""}],"actions":[{"type":0,"arg":0}]})")));
        QVERIFY(answered(QStringLiteral("get filters")));
        const QString before = lastCommand();
        const QString bad = fDir.filePath(QStringLiteral("bad.txt"));
        {
            QFile f(bad);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("filter0={\"note\":\"Kept\",\"conditions\":[],\"actions\":[]}\n"
                    "filter1={\"note\":\"Broken\",\"conditions\":[{\"type\":\"x\"}],\"actions\":[]}\n"
                    "filter2={\"note\":\"Unread\",\"conditions\":[],\"actions\":[]}\n");
        }
        TTestFiltersForm form;
        QStringList boxes, listed;
        int step = 0;
        ModalWatcher w([&](QWidget *m) {
            if (auto *box = qobject_cast<QMessageBox *>(m)) {
                boxes << box->text();
                QAbstractButton *b = box->button(QMessageBox::Yes);
                clickLater(b ? b : box->button(QMessageBox::Ok));
                return false;
            }
            if (m != &form)
                return false;
            if (step == 0) {
                QTimer::singleShot(0, &form, [&] {
                    form.LoadAnswerFile(bad);
                    listed = rows(form.FilterList);
                    // A change, then OK: refused; then Cancel, which asks.
                    form.EdNote->setText(QStringLiteral("More"));
                    form.ButSaveFilter->setEnabled(true);
                    form.ButSaveFilter->click();
                    clickLater(form.ButOk);
                    QTimer::singleShot(500, form.ButCancel, [&form] { form.ButCancel->click(); });
                });
                step = 1;
            }
            return false;
        });
        QVERIFY(!form.ShowFilters(fObj, fClient.get()));
        QCOMPARE(listed, QStringList{QStringLiteral("Kept\n[]\n[]")});
        QCOMPARE(boxes.size(), 3);
        QVERIFY2(boxes[0].contains(QLatin1String("filter1")), qPrintable(boxes[0]));
        QCOMPARE(boxes[1], Translation.GetString(QStringLiteral("filters_not_sent")));
        QCOMPARE(boxes[2], Translation.GetString(QStringLiteral("filters_close_prompt")));
        QCOMPARE(lastCommand(), before);
    }

    // Closing with unsaved changes asks first: No keeps the dialog and its
    // changes, Yes closes without sending.
    void closingUnsavedAsks_data()
    {
        QTest::addColumn<bool>("savedFirst"); // the edit saved into the list, or only in the editor
        QTest::addRow("saved to the list") << true;
        QTest::addRow("only in the editor") << false;
    }
    void closingUnsavedAsks()
    {
        QFETCH(bool, savedFirst);
        QVERIFY(answered(QStringLiteral("get filters")));
        const QString before = lastCommand();
        TSmsFiltersForm form;
        QStringList answers{QStringLiteral("No"), QStringLiteral("Yes")};
        int asked = 0;
        bool keptOpen = false;
        ModalWatcher w([&](QWidget *m) {
            if (auto *box = qobject_cast<QMessageBox *>(m)) {
                ++asked;
                keptOpen = asked == 2 && form.isVisible() && form.EdNote->text() == QLatin1String("Changed");
                clickLater(box->button(asked == 1 ? QMessageBox::No : QMessageBox::Yes));
                if (asked == 1)
                    QTimer::singleShot(300, &form, [&form] { form.reject(); });
                return asked == 2;
            }
            if (m == &form && asked == 0) {
                form.EdNote->selectAll();
                QTest::keyClicks(form.EdNote, QStringLiteral("Changed"));
                if (savedFirst) {
                    form.ButSaveFilter->click();
                    form.EdNote->setText(QStringLiteral("Changed"));
                }
                QTimer::singleShot(0, &form, [&form] { form.reject(); });
            }
            return false;
        });
        QVERIFY(!form.ShowFilters(fObj, fClient.get()));
        QCOMPARE(asked, 2);
        QVERIFY(keptOpen);
        QCOMPARE(lastCommand(), before);
    }

    // Another row chosen with the editor changed: Yes saves the change into
    // the filter being edited, No leaves the stored filter as it was.
    void switchingRowsAsks_data()
    {
        QTest::addColumn<bool>("yes");
        QTest::addColumn<QString>("firstNote");
        QTest::addRow("No") << false << "A";
        QTest::addRow("Yes") << true << "A2";
    }
    void switchingRowsAsks()
    {
        QFETCH(bool, yes);
        QFETCH(QString, firstNote);
        QVERIFY(answered(QStringLiteral(R"(set filters filter0={"note":"A","conditions":[],"actions":[]} filter1={"note":"B","conditions":[],"actions":[]})")));
        QVERIFY(answered(QStringLiteral("get filters")));
        TSmsFiltersForm form;
        QString asked, editorNote;
        QStringList notes;
        int step = 0;
        ModalWatcher w([&](QWidget *m) {
            if (step == 0 && m == &form) {
                form.FilterList->setCurrentRow(0);
                QTest::keyClicks(form.EdNote, QStringLiteral("2"));
                QTimer::singleShot(0, &form, [&form] { form.FilterList->setCurrentRow(1); });
                step = 1;
            } else if (step == 1) {
                if (auto *box = qobject_cast<QMessageBox *>(m)) {
                    asked = box->text();
                    clickLater(box->button(yes ? QMessageBox::Yes : QMessageBox::No));
                    step = 2;
                }
            } else if (step == 2 && m == &form) {
                editorNote = form.EdNote->text();
                for (const TSmsFilter &f : form.Filters())
                    notes << f.Note;
                // Yes changed the list: closing asks, and Yes closes.
                QTimer::singleShot(0, &form, [&form] { form.reject(); });
                step = 3;
            } else if (step == 3) {
                if (auto *box = qobject_cast<QMessageBox *>(m)) {
                    clickLater(box->button(QMessageBox::Yes));
                    return true;
                }
            }
            return yes ? false : step == 3;
        });
        QVERIFY(!form.ShowFilters(fObj, fClient.get()));
        QCOMPARE(asked, Translation.GetString(QStringLiteral("filter_modified_prompt")));
        QCOMPARE(editorNote, QStringLiteral("B"));
        QCOMPARE(notes, (QStringList{firstNote, QStringLiteral("B")}));
    }

    // The action editor offers, for each action type, the arguments the
    // device takes, named as the filter list names them.
    void actionArguments_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("arg");
        QTest::addColumn<QString>("hash");
        QTest::addRow("delete the message") << 0 << 0 << "Delete:Message";
        QTest::addRow("delete the chat") << 0 << 1 << "Delete:Chat";
        QTest::addRow("forward by email") << 1 << 0 << "Forward:Email";
        QTest::addRow("forward by Telegram") << 1 << 1 << "Forward:Telegram";
    }
    void actionArguments()
    {
        QFETCH(int, type);
        QFETCH(int, arg);
        QFETCH(QString, hash);
        const TSmsFilter::TAction action(type, arg);
        QCOMPARE(action.Hash(), hash);
        TActionEditForm ed;
        ed.SetAction(action);
        ed.show();
        QVERIFY(QTest::qWaitForWindowExposed(&ed));
        QStringList offered, expected;
        for (int i = 0; i < ed.CbArg->count(); ++i)
            offered << ed.CbArg->itemText(i);
        for (int a : {0, 1})
            expected << TSmsFilter::TAction(type, a).ArgStr();
        QCOMPARE(offered, expected);
        QCOMPARE(ed.CbArg->currentText(), hash.section(u':', 1));
        QCOMPARE(ed.ApplyChanges().Hash(), hash);
        // The other type, then back: the list follows the type.
        ed.CbType->setCurrentIndex(1 - type);
        QCOMPARE(ed.CbArg->itemText(0), TSmsFilter::TAction(1 - type, 0).ArgStr());
        QCOMPARE(ed.CbArg->itemText(1), TSmsFilter::TAction(1 - type, 1).ArgStr());
    }

    // Deleting the filter that is in the editor drops the editor's unsaved
    // changes with it: no "save them?" question brings it back, and OK sends
    // the other filter only.
    void deletingEditedFilter_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<bool>("changed"); // the editor changed before the deletion
        QTest::addRow("first, changed") << 0 << true;
        QTest::addRow("last, changed") << 1 << true;
        QTest::addRow("first, untouched") << 0 << false;
        QTest::addRow("last, untouched") << 1 << false;
    }
    void deletingEditedFilter()
    {
        QFETCH(int, row);
        QFETCH(bool, changed);
        QVERIFY(answered(QStringLiteral(R"(set filters filter0={"note":"A","conditions":[],"actions":[]} filter1={"note":"B","conditions":[],"actions":[]})")));
        QVERIFY(answered(QStringLiteral("get filters")));
        const QString kept = row == 0 ? QStringLiteral("B") : QStringLiteral("A");
        TSmsFiltersForm form;
        QStringList questions, notes;
        int step = 0;
        ModalWatcher w([&](QWidget *m) {
            if (auto *box = qobject_cast<QMessageBox *>(m)) {
                questions << box->text();
                clickLater(box->button(QMessageBox::Yes));
                return false;
            }
            if (m != &form)
                return false;
            if (step == 0) {
                form.FilterList->setCurrentRow(row);
                if (changed)
                    QTest::keyClicks(form.EdNote, QStringLiteral("2"));
                clickLater(form.ButDeleteFilter);
                step = 1;
                return false;
            }
            if (step == 1) {
                // Back in the dialog after the questions: the deletion is through.
                for (const TSmsFilter &f : form.Filters())
                    notes << f.Note;
                clickLater(form.ButOk);
                step = 2;
            }
            return false;
        });
        QVERIFY(form.ShowFilters(fObj, fClient.get()));
        QCOMPARE(notes, QStringList{kept});
        QCOMPARE(questions.size(), 1);
        QVERIFY2(questions[0].contains(row == 0 ? QStringLiteral("\"A") : QStringLiteral("\"B")), qPrintable(questions[0]));
        QCOMPARE(lastCommand(), QStringLiteral(R"(set filters filter0={"note":"%1","conditions":[],"actions":[]})").arg(kept));
    }

    // Send, the device answers, reopen: the new filter shows.
    void endToEnd()
    {
        QVERIFY(answered(QStringLiteral(R"(set filters filter0={"note":"Ads","conditions":[{"type":0,"arg":""}],"actions":[{"type":0,"arg":0}]})")));
        QVERIFY(answered(QStringLiteral("get filters")));
        bool barSaved = false, barRead = true;
        {
            TSmsFiltersForm form;
            int step = 0;
            ModalWatcher w([&](QWidget *m) {
                if (step == 0 && m == &form) {
                    form.ButAppendFilter->click();
                    form.EdNote->selectAll();
                    QTest::keyClicks(form.EdNote, QStringLiteral("Prize «won»"));
                    clickLater(form.ButAppendCondition);
                    step = 1;
                } else if (step == 1) {
                    if (auto *ed = qobject_cast<TConditionEditForm *>(m)) {
                        ed->CbType->setCurrentIndex(2);
                        ed->EdArg->setText(QStringLiteral("You won"));
                        clickLater(ed->ButOk);
                        step = 2;
                    }
                } else if (step == 2 && m == &form) {
                    clickLater(form.ButAppendAction);
                    step = 3;
                } else if (step == 3) {
                    if (auto *ed = qobject_cast<TActionEditForm *>(m)) {
                        ed->CbType->setCurrentIndex(1);
                        ed->CbArg->setCurrentIndex(1);
                        clickLater(ed->ButOk);
                        step = 4;
                    }
                } else if (step == 4 && m == &form) {
                    form.ButSaveFilter->click();
                    // The saved filter carries the red bar, the one read does not.
                    const QImage shot = form.FilterList->viewport()->grab().toImage();
                    const QRect saved = form.FilterList->visualItemRect(form.FilterList->item(1));
                    const QRect read = form.FilterList->visualItemRect(form.FilterList->item(0));
                    barSaved = shot.pixelColor(saved.left() + 1, saved.center().y()) == QColor(Qt::red);
                    barRead = shot.pixelColor(read.left() + 1, read.center().y()) == QColor(Qt::red);
                    clickLater(form.ButOk);
                    return true;
                }
                return false;
            });
            QVERIFY(form.ShowFilters(fObj, fClient.get()));
        }
        QVERIFY(barSaved);
        QVERIFY(!barRead);
        QVERIFY(answered(lastCommand()));
        QVERIFY(answered(QStringLiteral("get filters")));
        TSmsFiltersForm again;
        QStringList listed;
        ModalWatcher w2([&](QWidget *m) {
            if (m != &again)
                return false;
            listed = rows(again.FilterList);
            clickLater(again.ButCancel);
            return true;
        });
        QVERIFY(!again.ShowFilters(fObj, fClient.get()));
        QCOMPARE(listed, (QStringList{QStringLiteral("Ads\n[ShortNumber]\n[Delete:Message]"),
                                      QStringLiteral("Prize «won»\n[ShortNumber,Template=You won…]\n[Delete:Message,Forward:Telegram]")}));
    }
};

QTEST_MAIN(tst_SmsFiltersForm)
#include "tst_SmsFiltersForm.moc"
