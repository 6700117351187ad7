#include "ExportFile.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <functional>
#include <memory>

namespace {

const QStringList Filters{QStringLiteral("GPX (*.gpx)"), QStringLiteral("CSV (*.csv)"), QStringLiteral("TXT (*.txt)")};

// Acts on the first modal window Act takes (returns true for) while it lives.
class ModalAct
{
public:
    explicit ModalAct(std::function<bool(QWidget *)> Act)
    {
        fTimer.setInterval(10);
        QObject::connect(&fTimer, &QTimer::timeout, [this, Act] {
            QWidget *w = QApplication::activeModalWidget();
            if (w && w->isVisible() && Act(w))
                fTimer.stop();
        });
        fTimer.start();
    }

private:
    QTimer fTimer;
};

// Answers the first message box and keeps its text.
class BoxAnswer
{
public:
    explicit BoxAnswer(QMessageBox::StandardButton Button)
        : fAct([this, Button](QWidget *w) {
            auto *box = qobject_cast<QMessageBox *>(w);
            if (!box)
                return false;
            fText = box->text();
            box->button(Button)->click();
            return true;
        })
    {
    }
    const QString &text() const { return fText; }

private:
    QString fText;
    ModalAct fAct;
};

// Chooses a file type as the user does: the dialog's type list, activated.
void ChooseFilter(QFileDialog &dlg, int index)
{
    auto *types = dlg.findChild<QComboBox *>(QStringLiteral("fileTypeCombo"));
    QVERIFY(types);
    types->setCurrentIndex(index);
    Q_EMIT types->activated(index);
}

} // namespace

class tst_ExportFile : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // The name offered is the label made safe, with the extension of the
    // filter offered first; the name field shows it.
    void defaultName_data()
    {
        QTest::addColumn<QString>("label");
        QTest::addColumn<int>("initial");
        QTest::addColumn<QString>("name");
        QTest::addRow("plain label") << "Car 12" << 0 << "Car 12.gpx";
        QTest::addRow("second filter first") << "Car 12" << 1 << "Car 12.csv";
        QTest::addRow("initial out of range") << "Car 12" << 3 << "Car 12.gpx";
        QTest::addRow("period in the label") << "Car 12 01.03.2026 10:00/11:00" << 0
                                             << "Car 12 01.03.2026 10 00 11 00.gpx";
        QTest::addRow("refused characters") << "Car: 1/2 *" << 0 << "Car 1 2.gpx";
        QTest::addRow("nothing usable") << "/:" << 0 << "export.gpx";
        QTest::addRow("120 characters kept") << QString(120, u'a') << 0 << QString(120, u'a') + ".gpx";
        QTest::addRow("121 characters cut") << QString(121, u'a') << 0 << QString(120, u'a') + ".gpx";
    }
    void defaultName()
    {
        QFETCH(QString, label);
        QFETCH(int, initial);
        QFETCH(QString, name);
        QTemporaryDir dir;
        TExportSaveDialog dlg(nullptr, "Export", dir.path(), label, Filters, initial);
        dlg.show();
        QCOMPARE(QFileInfo(dlg.selectedFiles().value(0)).fileName(), name);
        auto *edit = dlg.findChild<QLineEdit *>("fileNameEdit");
        QVERIFY(edit);
        QCOMPARE(edit->text(), name);
        QCOMPARE(dlg.FilterIndex(), initial < Filters.size() ? initial : 0);
    }

    // Whatever is typed, the file ends in the chosen filter's extension, set
    // in the dialog before it asks about an existing file: the question names
    // the file that will be written, and a file that exists only under the
    // typed name is no reason to ask.
    void finalName_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("filter"); // chosen in the type list; -1: the one offered
        QTest::addColumn<QString>("existing");
        QTest::addColumn<QString>("final");
        QTest::addRow("bare name") << "track" << -1 << "" << "track.gpx";
        QTest::addRow("bare name, CSV chosen") << "track" << 1 << "" << "track.csv";
        QTest::addRow("typed .csv, GPX kept") << "track.csv" << -1 << "" << "track.gpx";
        QTest::addRow("typed .gpx, TXT chosen") << "track.gpx" << 2 << "" << "track.txt";
        QTest::addRow("typed .CSV, CSV chosen") << "track.CSV" << 1 << "" << "track.CSV";
        QTest::addRow("dot in the name kept") << "Car 1.5" << 1 << "" << "Car 1.5.csv";
        QTest::addRow("unknown extension kept") << "track.bak" << -1 << "" << "track.bak.gpx";
        QTest::addRow("existing under the final name") << "track.csv" << 2 << "track.txt" << "track.txt";
        QTest::addRow("existing only under the typed name") << "track.csv" << 2 << "track.csv" << "track.txt";
    }
    void finalName()
    {
        QFETCH(QString, typed);
        QFETCH(int, filter);
        QFETCH(QString, existing);
        QFETCH(QString, final);
        for (const bool replace : {false, true}) {
            QTemporaryDir dir;
            if (!existing.isEmpty()) {
                QFile f(dir.filePath(existing));
                QVERIFY(f.open(QIODevice::WriteOnly));
            }
            TExportSaveDialog dlg(nullptr, "Export", dir.path(), "Car", Filters);
            dlg.show();
            QVERIFY(QTest::qWaitForWindowExposed(&dlg));
            auto *edit = dlg.findChild<QLineEdit *>("fileNameEdit");
            QVERIFY(edit);
            edit->setText(typed);
            if (filter >= 0) {
                ChooseFilter(dlg, filter);
                // The name field shows the new extension at once.
                QCOMPARE(edit->text(), final);
            }
            BoxAnswer answer(replace ? QMessageBox::Yes : QMessageBox::No);
            auto *save = dlg.findChild<QDialogButtonBox *>("buttonBox")->button(QDialogButtonBox::Save);
            QVERIFY(save && save->isEnabled());
            QTest::mouseClick(save, Qt::LeftButton);
            const bool asked = existing == final;
            QCOMPARE(!answer.text().isEmpty(), asked);
            if (asked)
                QVERIFY2(answer.text().startsWith(final + " already exists"), qPrintable(answer.text()));
            const bool accepted = !asked || replace;
            QCOMPARE(dlg.result() == QDialog::Accepted, accepted);
            if (accepted) {
                QCOMPARE(dlg.selectedFiles().value(0), dir.filePath(final));
                QCOMPARE(dlg.FilterIndex(), filter >= 0 ? filter : 0);
            }
        }
    }

    // The name and the filter Ask hands back, counting filters from 1.
    void askCountsFiltersFromOne()
    {
        QTemporaryDir dir;
        ModalAct save([](QWidget *w) {
            auto *dlg = qobject_cast<TExportSaveDialog *>(w);
            if (!dlg)
                return false;
            ChooseFilter(*dlg, 2);
            dlg->accept();
            return true;
        });
        int filter = -1;
        const QString name = ExportFile::Ask(nullptr, "Export", dir.path(), "Van", Filters, filter, 1);
        QCOMPARE(name, dir.filePath("Van.txt"));
        QCOMPARE(filter, 3);

        ModalAct cancel([](QWidget *w) {
            auto *dlg = qobject_cast<TExportSaveDialog *>(w);
            if (dlg)
                dlg->reject();
            return dlg != nullptr;
        });
        QCOMPARE(ExportFile::Ask(nullptr, "Export", dir.path(), "Van", Filters, filter), QString());
        QCOMPARE(filter, 0);
    }
};

QTEST_MAIN(tst_ExportFile)
#include "tst_ExportFile.moc"
