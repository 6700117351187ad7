#include "ExportFileDialog.h"
#include "MainTestSupport.h"

#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

class tst_ExportFileDialog : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // The name offered is the label made safe, with the extension.
    void defaultName_data()
    {
        QTest::addColumn<QString>("label");
        QTest::addColumn<QString>("name");
        QTest::addRow("plain label") << "Car 12" << "Car 12.gpx";
        QTest::addRow("period in the label") << "Car 12 01.03.2026 10:00/11:00" << "Car 12 01.03.2026 10 00 11 00.gpx";
        QTest::addRow("nothing usable") << "/:" << "export.gpx";
    }
    void defaultName()
    {
        QFETCH(QString, label);
        QFETCH(QString, name);
        QTemporaryDir dir;
        std::unique_ptr<QFileDialog> dlg(ExportFileDialog::Make(nullptr, "Export", dir.path(), label, "gpx",
                                                                "GPX files (*.gpx)"));
        QCOMPARE(QFileInfo(dlg->selectedFiles().value(0)).fileName(), name);
    }

    // The dialog asks before replacing a file, about the name with its
    // extension, also when the user typed the name without it.
    void overwriteQuestionSeesFinalName_data()
    {
        QTest::addColumn<bool>("exists");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("replace");
        QTest::addColumn<bool>("asked");
        QTest::addColumn<bool>("accepted");
        QTest::addRow("new file") << false << "track" << false << false << true;
        QTest::addRow("existing, typed without extension, keep") << true << "track" << false << true << false;
        QTest::addRow("existing, typed without extension, replace") << true << "track" << true << true << true;
        QTest::addRow("existing, typed with extension, keep") << true << "track.gpx" << false << true << false;
    }
    void overwriteQuestionSeesFinalName()
    {
        QFETCH(bool, exists);
        QFETCH(QString, typed);
        QFETCH(bool, replace);
        QFETCH(bool, asked);
        QFETCH(bool, accepted);
        QTemporaryDir dir;
        const QString target = dir.filePath("track.gpx");
        if (exists) {
            QFile f(target);
            QVERIFY(f.open(QIODevice::WriteOnly));
        }
        std::unique_ptr<QFileDialog> dlg(ExportFileDialog::Make(nullptr, "Export", dir.path(), "Car", "gpx",
                                                                "GPX files (*.gpx)"));
        dlg->show();
        auto *edit = dlg->findChild<QLineEdit *>("fileNameEdit");
        QVERIFY(edit);
        edit->setText(typed);
        QString question;
        ModalWatcher answer([&](QWidget *m) {
            auto *box = qobject_cast<QMessageBox *>(m);
            if (!box)
                return false;
            question = box->text();
            box->button(replace ? QMessageBox::Yes : QMessageBox::No)->click();
            return true;
        });
        static_cast<QDialog *>(dlg.get())->accept(); // what the Save button does
        QCOMPARE(!question.isEmpty(), asked);
        if (asked)
            QVERIFY2(question.contains("track.gpx"), qPrintable(question));
        QCOMPARE(dlg->result() == QDialog::Accepted, accepted);
        if (accepted)
            QCOMPARE(dlg->selectedFiles().value(0), target);
    }
};

QTEST_MAIN(tst_ExportFileDialog)
#include "tst_ExportFileDialog.moc"
