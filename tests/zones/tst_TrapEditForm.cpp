// The trap editor against the simulated service: what it hands back for each
// kind of edit, what it refuses, and how it inserts template fields.
#include "../main/MainTestSupport.h"
#include "OSM.ObjectInfo.h"

#include "TrapEditForm.h"
#include "TrapTemplateEdit.h"
#include "ZtFlash.h"
#include "ZtLed.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QScopeGuard>

class tst_TrapEditForm : public QObject
{
    Q_OBJECT

    QTemporaryDir fDir;
    SimProcess fSim;
    std::unique_ptr<TVelmoraClient> fClient;

    // A trap of the demo account: "zone", "speed" (of all objects) or "battery".
    const TTrapInfo *demoTrap(const QString &kind) const
    {
        const uint32_t type = kind == u"zone" ? 1 : kind == u"speed" ? 5 : kind == u"battery" ? 4 : 0;
        for (const auto &t : fClient->TrapList())
            if (t->target_type_id == type)
                return t.get();
        return nullptr;
    }

    static int indexOfId(QComboBox *c, int id)
    {
        for (int i = 0; i < c->count(); ++i)
            if (TTrapEditForm::EntryId(c->itemText(i)) == id)
                return i;
        return -1;
    }

    // Steps "Control=value" separated by ";", as the user would make them:
    // a choice by entry id, a text, a check box by 1 or 0.
    static void applySteps(TTrapEditForm *f, const QString &steps)
    {
        for (const QString &step : steps.split(u';', Qt::SkipEmptyParts)) {
            const QString name = step.section(u'=', 0, 0);
            const QString value = step.section(u'=', 1);
            QWidget *w = f->findChild<QWidget *>(name);
            QVERIFY2(w, qPrintable(name));
            if (auto *c = qobject_cast<QComboBox *>(w)) {
                const int i = indexOfId(c, value.toInt());
                QVERIFY2(i >= 0, qPrintable(step));
                c->setCurrentIndex(i);
            } else if (auto *e = qobject_cast<QLineEdit *>(w)) {
                e->setText(value);
            } else if (auto *t = qobject_cast<TTrapTemplateEdit *>(w)) {
                t->setPlainText(value);
            } else if (auto *b = qobject_cast<QCheckBox *>(w)) {
                b->setChecked(value == u"1");
            }
        }
    }

    static QString fieldsText(const TFieldMap &fields)
    {
        QStringList parts;
        for (auto it = fields.cbegin(); it != fields.cend(); ++it)
            parts << it.key() + u'=' + it.value();
        return parts.join(u'&');
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(fDir.isValid());
        InitProgramState(fDir.path());
        QVERIFY2(fSim.start(), "velmora-sim did not start");
        fClient = std::make_unique<TVelmoraClient>(fSim.url(), fSim.demoToken(), QString());
        QVERIFY(fClient->GetObjects() > 1);
        QVERIFY(fClient->GetZones() > 0);
        QVERIFY(fClient->GetTraps() >= 3);
    }

    void cleanupTestCase() { fClient.reset(); }

    void editing_data()
    {
        QTest::addColumn<QString>("trap");    // demo trap, or "new"
        QTest::addColumn<QString>("steps");   // the user's edits before OK
        QTest::addColumn<bool>("accepted");   // what EditTrap returns
        QTest::addColumn<QString>("fields");  // what it hands back
        QTest::addColumn<QString>("refusedAt"); // a field flashing after OK; the dialog is then cancelled

        QTest::addRow("OK without changes sends nothing") << "speed" << "" << false << "" << "";
        QTest::addRow("only the value") << "speed" << "EdVal= 80 " << true << "val=80" << "";
        QTest::addRow("value set back to what it was is still sent")
            << "speed" << "EdVal=90;EdVal=72" << true << "val=72" << "";
        QTest::addRow("zone to speed clears target and condition")
            << "zone" << "CbTargetType=5;CbCondition=1;EdVal=90" << true
            << "condition_id=1&target_id=0&target_type_id=5&val=90" << "";
        QTest::addRow("zone to speed without a condition is refused")
            << "zone" << "CbTargetType=5" << false << "" << "CbCondition";
        QTest::addRow("speed to zone without a zone is refused")
            << "speed" << "CbTargetType=1;CbCondition=1" << false << "" << "CbTarget";
        QTest::addRow("new trap without a type is refused") << "new" << "EdVal=5" << false << "" << "CbTargetType";
        QTest::addRow("new battery trap") << "new" << "CbTargetType=4;CbCondition=2;EdVal=15;CbIsAlarm=1;CbManualAccept=1"
                                          << true
                                          << "accept_type_id=1&condition_id=2&is_alarm=true&target_id=0&target_type_id=4&val=15"
                                          << "";
        QTest::addRow("alarm settings and sending") << "battery" << "CbManualAccept=0;CbSendToEmail=1;CbSendToTelegram=1"
                                                    << true << "accept_type_id=0&email=true&telegram=true" << "";
        QTest::addRow("subject and message trimmed") << "battery" << "EdSubj= Low {{.tval}} ;EdMsg=  {{.object}} at {{.time}}"
                                                     << true << "msg={{.object}} at {{.time}}&subj=Low {{.tval}}" << "";
    }

    void editing()
    {
        QFETCH(QString, trap);
        QFETCH(QString, steps);
        QFETCH(bool, accepted);
        QFETCH(QString, fields);
        QFETCH(QString, refusedAt);
        const TTrapInfo *src = trap == u"new" ? nullptr : demoTrap(trap);
        QVERIFY(trap == u"new" || src);

        TTrapEditForm f;
        bool refusedSeen = refusedAt.isEmpty();
        QTimer::singleShot(0, [&] {
            auto *d = qobject_cast<TTrapEditForm *>(QApplication::activeModalWidget());
            QVERIFY(d);
            QVERIFY(!d->Modified());
            applySteps(d, steps);
            QTest::mouseClick(d->ButOk, Qt::LeftButton);
            if (!refusedAt.isEmpty()) {
                QVERIFY2(d->isVisible(), "OK closed a trap that is not whole");
                refusedSeen = IsFlashing(d->findChild<QWidget *>(refusedAt));
                QTest::mouseClick(d->ButCancel, Qt::LeftButton);
            }
        });
        QCOMPARE(f.EditTrap(fClient.get(), src, 0), accepted);
        QVERIFY2(refusedSeen, qPrintable(refusedAt + " is not flashing"));
        if (accepted)
            QCOMPARE(fieldsText(f.Fields()), fields);
        if (src) // the client's own record is never touched by the editor
            QCOMPARE(src->ToUrlString(), f.SrcTrapInfo().ToUrlString());
    }

    // The editor's fields as the update sends them: read back from the service.
    void updateRoundTrip()
    {
        const TTrapInfo *zone = demoTrap(QStringLiteral("zone"));
        QVERIFY(zone);
        const int32_t uid = zone->uid;
        TTrapEditForm f;
        QTimer::singleShot(0, [] {
            auto *d = qobject_cast<TTrapEditForm *>(QApplication::activeModalWidget());
            QVERIFY(d);
            applySteps(d, QStringLiteral("CbTargetType=5;CbCondition=7;EdVal=10"));
            QTest::mouseClick(d->ButOk, Qt::LeftButton);
        });
        QVERIFY(f.EditTrap(fClient.get(), zone, 0));
        QVERIFY(fClient->UpdateTrap(uid, f.Fields()));
        QVERIFY(fClient->GetTraps() >= 3);
        const TTrapInfo *t = fClient->FindTrap(uid);
        QVERIFY(t);
        QCOMPARE(t->target_type_id, 5u);
        QCOMPARE(t->target_id, 0);
        QCOMPARE(t->Condition(), QStringLiteral("..10.."));
        // Back as it was, for the other cases.
        TFieldMap back{{"target_type_id", "1"}, {"target_id", QString::number(fClient->ZoneList().front()->uid)},
                       {"condition_id", "1"}, {"val", ""}};
        QVERIFY(fClient->UpdateTrap(uid, back));
        QVERIFY(fClient->GetTraps() >= 3);
    }

    void viewModeSendsNothing()
    {
        const TTrapInfo *speed = demoTrap(QStringLiteral("speed"));
        QVERIFY(speed);
        TTrapEditForm f;
        QTimer::singleShot(0, [] {
            auto *d = qobject_cast<TTrapEditForm *>(QApplication::activeModalWidget());
            QVERIFY(d);
            QVERIFY(!d->GbTarget->isEnabled());
            QVERIFY(!d->GbMessage->isEnabled());
            QTest::mouseClick(d->ButOk, Qt::LeftButton);
        });
        f.ShowTrap(fClient.get(), *speed);
        QVERIFY(f.ReadOnly());
        QVERIFY(f.Fields().isEmpty());
        QVERIFY(f.windowTitle().contains(QString::number(speed->uid)));
    }

    void noClientRaises()
    {
        TTrapEditForm f;
        QVERIFY_THROWS_EXCEPTION(std::runtime_error, f.EditTrap(nullptr, nullptr, 0));
    }

    void filling_data()
    {
        QTest::addColumn<QString>("trap");
        QTest::addColumn<QString>("object");   // the chosen object entry
        QTest::addColumn<bool>("targetShown");
        QTest::addColumn<bool>("valueShown");
        QTest::addRow("general speed trap") << "speed" << "0: GENERAL" << false << true;
        QTest::addRow("zone trap") << "zone" << "" << true << false;
    }

    void filling()
    {
        QFETCH(QString, trap);
        QFETCH(QString, object);
        const TTrapInfo *src = demoTrap(trap);
        QVERIFY(src);
        TTrapEditForm f;
        f.LoadTrap(fClient.get(), src, 0, false);
        f.show();
        QCOMPARE(f.CbObject->itemText(0), QStringLiteral("0: GENERAL"));
        QCOMPARE(TTrapEditForm::EntryId(f.CbObject->currentText()), src->obj_id);
        if (!object.isEmpty())
            QCOMPARE(f.CbObject->currentText(), object);
        QTEST(f.CbTarget->isVisible(), "targetShown");
        QTEST(f.EdVal->isVisible(), "valueShown");
        QCOMPARE(TTrapEditForm::EntryId(f.CbCondition->currentText()), src->condition_id);
        QCOMPARE(f.EdMsg->Text(), src->msg);
        QVERIFY(!f.Modified());
    }

    // Another object has other sensors: the sensor goes with the object.
    void sensorTrapFollowsObject()
    {
        const auto &objs = fClient->ObjList();
        QVERIFY(objs.size() >= 2 && !objs[0]->sensors.empty());
        TTrapInfo t(77, objs[0]->uid);
        t.target_type_id = 2;
        t.target_id = objs[0]->sensors.front()->uid;
        t.condition_id = 1;
        t.val = QStringLiteral("30");
        TTrapEditForm f;
        f.LoadTrap(fClient.get(), &t, 0, false);
        QCOMPARE(TTrapEditForm::EntryId(f.CbTarget->currentText()), t.target_id);
        f.CbObject->setCurrentIndex(indexOfId(f.CbObject, objs[1]->uid));
        QCOMPARE(f.Target(), 0);
        QCOMPARE(f.CbTarget->currentIndex(), -1);
        QCOMPARE(f.CbTarget->count(), int(objs[1]->sensors.size()));
        QCOMPARE(fieldsText(f.Fields()), QStringLiteral("obj_id=%1&target_id=0").arg(objs[1]->uid));
    }

    void insertField_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("caret");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("result");
        QTest::addColumn<int>("newCaret");
        QTest::addRow("into an empty text") << "" << 0 << "{{.time}}" << "{{.time}}" << 9;
        QTest::addRow("between joined words") << "atnoon" << 2 << "{{.lat}},{{.lon}}" << "at {{.lat}},{{.lon}} noon" << 20;
        QTest::addRow("blanks already there") << "at  noon" << 3 << "{{.time}}" << "at {{.time}} noon" << 12;
        QTest::addRow("at the end") << "at" << 2 << "{{.time}}" << "at {{.time}}" << 12;
        QTest::addRow("at the start") << "noon" << 0 << "{{.time}}" << "{{.time}} noon" << 9;
        const QString tail(1500, u'x');
        QTest::addRow("a long tail is kept whole") << (QStringLiteral("a ") + tail) << 2 << "{{.sval}}" << (QStringLiteral("a {{.sval}} ") + tail) << 11;
    }

    void insertField()
    {
        QFETCH(QString, text);
        QFETCH(int, caret);
        QFETCH(QString, field);
        int newCaret = -1;
        QTEST(TTrapTemplateEdit::WithField(text, caret, field, &newCaret), "result");
        QTEST(newCaret, "newCaret");
    }

    // The field choice inserts into the editor that had the focus last, and
    // the subject never grows past 64 characters.
    void fieldChoice()
    {
        const TTrapInfo *battery = demoTrap(QStringLiteral("battery"));
        QVERIFY(battery);
        TTrapEditForm f;
        f.LoadTrap(fClient.get(), battery, 0, false);
        f.show();
        QVERIFY(QTest::qWaitForWindowExposed(&f));
        f.EdSubj->setFocus();
        f.EdSubj->SetText(QString(60, u's'));
        QTextCursor c = f.EdSubj->textCursor();
        c.setPosition(60);
        f.EdSubj->setTextCursor(c);
        f.CbMsgFields->setCurrentIndex(0);
        Q_EMIT f.CbMsgFields->activated(0);
        QCOMPARE(f.EdSubj->Text().size(), 60); // "{{.object}}" does not fit
        QCOMPARE(f.CbMsgFields->currentIndex(), -1);
        QTest::keyClicks(f.EdSubj, QStringLiteral("abcdefgh"));
        QCOMPARE(f.EdSubj->Text().size(), 64);

        f.EdMsg->setFocus();
        QTRY_VERIFY(f.EdMsg->hasFocus());
        f.EdMsg->SetText(QStringLiteral("Battery low"));
        f.EdMsg->moveCursor(QTextCursor::End);
        f.CbMsgFields->setCurrentIndex(3);
        Q_EMIT f.CbMsgFields->activated(3);
        QCOMPARE(f.EdMsg->Text(), QStringLiteral("Battery low {{.sval}}"));
        QCOMPARE(f.TrapInfo().msg, QStringLiteral("Battery low {{.sval}}"));
        QVERIFY(f.Led(QStringLiteral("msg"))->Lit());
    }

    // The editor's condition list, as each language says it, names what the
    // condition's display in the trap list shows: "10.." is from 10 upward,
    // "..10" up to 10, "..10.." contains 10.
    void conditionLabels_data()
    {
        QTest::addColumn<QString>("language"); // translation file, empty for the built-in texts
        QTest::addColumn<int>("cond");
        QTest::addColumn<QString>("display");
        QTest::addColumn<QString>("label");
        QTest::addRow("built-in, greater") << "" << 1 << ">10" << "1: Greater than";
        QTest::addRow("built-in, less") << "" << 2 << "<10" << "2: Less than";
        QTest::addRow("built-in, from") << "" << 5 << "10.." << "5: From";
        QTest::addRow("built-in, up to") << "" << 6 << "..10" << "6: Up to";
        QTest::addRow("built-in, contains") << "" << 7 << "..10.." << "7: Contains";
        QTest::addRow("Russian, greater") << "ru.txt" << 1 << ">10" << "1: Больше";
        QTest::addRow("Russian, less") << "ru.txt" << 2 << "<10" << "2: Меньше";
        QTest::addRow("Russian, from") << "ru.txt" << 5 << "10.." << "5: От";
        QTest::addRow("Russian, up to") << "ru.txt" << 6 << "..10" << "6: До";
        QTest::addRow("Russian, contains") << "ru.txt" << 7 << "..10.." << "7: Содержит";
    }
    void conditionLabels()
    {
        QFETCH(QString, language);
        QFETCH(int, cond);
        QFETCH(QString, display);
        QFETCH(QString, label);
        if (!language.isEmpty())
            Translation.Load(TranslationsDir + language);
        const auto restore = qScopeGuard([] { Translation.Clear(); });
        const TTrapInfo *speed = demoTrap(QStringLiteral("speed"));
        QVERIFY(speed);
        TTrapInfo t = *speed;
        t.condition_id = cond;
        t.val = QStringLiteral("10");
        QCOMPARE(t.Condition(), display);
        TTrapEditForm f;
        f.LoadTrap(fClient.get(), &t, 0, false);
        QCOMPARE(f.CbCondition->count(), 7);
        QCOMPARE(f.CbCondition->currentText(), label);
        QCOMPARE(f.CbCondition->itemText(cond - 1), label);
    }

    // Fields are drawn bold in navy, the rest plain: checked on the screen.
    void highlighting()
    {
        QCOMPARE(TTrapFieldHighlighter::Fields(QStringLiteral("a {{.x}} b {{.y")),
                 (QList<QPair<int, int>>{{2, 6}, {11, 4}}));
        TTrapTemplateEdit e(0, true);
        e.resize(300, e.sizeHint().height());
        e.SetText(QStringLiteral("{{.object}}"));
        e.show();
        QVERIFY(QTest::qWaitForWindowExposed(&e));
        const QImage img = e.viewport()->grab().toImage();
        bool navy = false;
        for (int y = 0; y < img.height() && !navy; ++y)
            for (int x = 0; x < img.width() && !navy; ++x)
            {
                const QColor px = img.pixelColor(x, y);
                navy = px.red() < 40 && px.green() < 40 && px.blue() > 100; // navy, not black
            }
        QVERIFY2(navy, "no navy text drawn");
    }
};

QTEST_MAIN(tst_TrapEditForm)
#include "tst_TrapEditForm.moc"
