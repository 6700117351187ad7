#include "FormTranslate.h"
#include "TestPaths.h"
#include "common.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QGroupBox>
#include <QHash>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTabWidget>
#include <QTableView>
#include <QToolBar>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <QtTest>

namespace {

// A translation as the lookup sees it: "Window.Key" -> text. Keys are looked
// up as a translation does (case-insensitive), and a missing key reads empty.
struct Section
{
    QHash<QString, QString> texts;
    QStringList asked;
    TFormTextLookup lookup()
    {
        return [this](const QString &window, const QString &key) {
            asked << window + '.' + key;
            return texts.value((window + '.' + key).toLower()).trimmed();
        };
    }
    void set(const QString &k, const QString &v) { texts.insert(k.toLower(), v); }
};

template <class T>
T *named(QWidget *parent, const char *name)
{
    auto *w = new T(parent);
    w->setObjectName(name);
    return w;
}

} // namespace

class tst_FormTranslate : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void dialogControls();
    void columnsAndPopupMenu();
    void pagesAndNesting();
    void mainMenu();
    void programTranslation();
};

void tst_FormTranslate::dialogControls()
{
    QDialog form;
    form.setObjectName("TestForm");
    form.setWindowTitle("Old caption");
    auto *lbl = named<QLabel>(&form, "LblName");
    lbl->setText("Name:");
    auto *btn = named<QPushButton>(&form, "ButOk");
    btn->setText("OK");
    auto *box = named<QGroupBox>(&form, "GbMain");
    auto *edit = named<QLineEdit>(box, "EdEmail");
    auto *emailLabel = named<QLabel>(box, "LblEmail");
    emailLabel->setBuddy(edit);
    auto *cb = named<QCheckBox>(box, "CbRememberMe");
    cb->setText("Remember me");
    auto *combo = named<QComboBox>(box, "CbType");
    combo->addItems({"a", "b", "c"});
    combo->setCurrentIndex(1);
    auto *untouched = named<QLabel>(&form, "LblKeep");
    untouched->setText("keep me");
    // A control inside a button is not a control of the window.
    auto *inner = named<QLabel>(btn, "LblInner");
    inner->setText("inner");

    Section s;
    s.set("TestForm.Caption", "New caption");
    s.set("TestForm.LblName_text", "Имя:");
    s.set("TestForm.LblName_hint", "Your name");
    s.set("TestForm.ButOk_text", "Да");
    s.set("TestForm.GbMain_text", "Main");
    s.set("TestForm.EdEmail_texthint", "Input email here");
    s.set("TestForm.EdEmail_label", "E-mail:");
    s.set("TestForm.CbRememberMe_text", QString(300, 'r'));
    s.set("TestForm.CbType_items", "one|two|three");
    s.set("TestForm.CbType_texthint", "pick one");
    s.set("TestForm.LblKeep_text", " ");
    s.set("TestForm.LblInner_text", "changed");
    s.set("OtherForm.ButOk_text", "wrong window");

    TranslateForm(&form, s.lookup());

    QCOMPARE(form.windowTitle(), QStringLiteral("New caption"));
    QCOMPARE(lbl->text(), QStringLiteral("Имя:"));
    QCOMPARE(lbl->toolTip(), QStringLiteral("Your name"));
    QCOMPARE(btn->text(), QStringLiteral("Да"));
    QCOMPARE(box->title(), QStringLiteral("Main"));
    QCOMPARE(edit->placeholderText(), QStringLiteral("Input email here"));
    QCOMPARE(edit->text(), QString());
    QCOMPARE(emailLabel->text(), QStringLiteral("E-mail:"));
    QCOMPARE(cb->text(), QString(256, 'r'));
    QCOMPARE(combo->count(), 3);
    QCOMPARE(combo->itemText(2), QStringLiteral("three"));
    QCOMPARE(combo->currentIndex(), 1);
    QCOMPARE(combo->placeholderText(), QStringLiteral("pick one"));
    // A blank text never blanks a control.
    QCOMPARE(untouched->text(), QStringLiteral("keep me"));
    QCOMPARE(inner->text(), QStringLiteral("inner"));
    QVERIFY(!s.asked.contains("TestForm.LblInner_text"));
}

void tst_FormTranslate::columnsAndPopupMenu()
{
    QWidget form;
    form.setObjectName("ListForm");
    auto *tree = named<QTreeWidget>(&form, "ObjList");
    tree->setHeaderLabels({"c1", "c2", "c3", "c4"});
    auto *popup = named<QMenu>(tree, "PopupObj");
    QAction *del = popup->addAction("Delete");
    del->setObjectName("MenuDelete");
    auto *table = named<QTableView>(&form, "EventList");
    QStandardItemModel model(0, 3);
    model.setHorizontalHeaderLabels({"x", "y", "z"});
    table->setModel(&model);

    Section s;
    s.set("ListForm.ObjList_columns", "Name||Time");
    s.set("ListForm.MenuDelete_text", "Удалить");
    s.set("ListForm.MenuDelete_hint", "Delete the object");
    s.set("ListForm.EventList_columns", "|Y|Z|W|V");
    TranslateForm(&form, s.lookup());

    QTreeWidgetItem *h = tree->headerItem();
    QCOMPARE(h->text(0), QStringLiteral("Name"));
    QCOMPARE(h->text(1), QStringLiteral("c2"));
    QCOMPARE(h->text(2), QStringLiteral("Time"));
    QCOMPARE(h->text(3), QStringLiteral("c4"));
    QCOMPARE(del->text(), QStringLiteral("Удалить"));
    QCOMPARE(del->toolTip(), QStringLiteral("Delete the object"));
    QCOMPARE(model.headerData(0, Qt::Horizontal).toString(), QStringLiteral("x"));
    QCOMPARE(model.headerData(1, Qt::Horizontal).toString(), QStringLiteral("Y"));
    QCOMPARE(model.headerData(2, Qt::Horizontal).toString(), QStringLiteral("Z"));
    QCOMPARE(model.columnCount(), 3);
}

void tst_FormTranslate::pagesAndNesting()
{
    QWidget form;
    form.setObjectName("MainWin");
    auto *unnamedPanel = new QWidget(&form);
    auto *tabs = named<QTabWidget>(unnamedPanel, "BottomPager");
    auto *page = named<QWidget>(&form, "TsLog");
    auto *clear = named<QPushButton>(page, "SbClearLog");
    tabs->addTab(page, "Log");
    auto *bar = named<QToolBar>(&form, "ObjToolBar");
    QAction *act = bar->addAction("R");
    act->setObjectName("SbRequestTrack");

    Section s;
    s.set("MainWin.TsLog_text", "Журнал");
    s.set("MainWin.TsLog_hint", "The log");
    s.set("MainWin.SbClearLog_hint", "Clear log");
    s.set("MainWin.SbRequestTrack_hint", "Request track");
    TranslateForm(&form, s.lookup());

    QCOMPARE(tabs->tabText(0), QStringLiteral("Журнал"));
    QCOMPARE(tabs->tabToolTip(0), QStringLiteral("The log"));
    QCOMPARE(clear->toolTip(), QStringLiteral("Clear log"));
    QCOMPARE(act->toolTip(), QStringLiteral("Request track"));
    QCOMPARE(act->text(), QStringLiteral("R"));
}

void tst_FormTranslate::mainMenu()
{
    QMainWindow win;
    win.setObjectName("MonitorMainWin");
    QMenu *user = win.menuBar()->addMenu("User");
    user->setObjectName("MenuUser");
    QAction *signIn = user->addAction("Sign In");
    signIn->setObjectName("MenuSignIn");
    user->addSeparator();
    QMenu *style = user->addMenu("Style");
    style->menuAction()->setObjectName("MenuStyle");
    QAction *fusion = style->addAction("Fusion");
    fusion->setObjectName("MenuStyleFusion");

    Section s;
    s.set("MonitorMainWin.MenuUser_text", "Пользователь");
    s.set("MonitorMainWin.MenuSignIn_text", "Войти");
    s.set("MonitorMainWin.MenuSignIn_hint", "Sign in to the service");
    s.set("MonitorMainWin.MenuStyle_text", "Стиль");
    s.set("MonitorMainWin.MenuStyleFusion_text", "Фьюжн");
    TranslateForm(&win, s.lookup());

    QCOMPARE(user->title(), QStringLiteral("Пользователь"));
    QCOMPARE(signIn->text(), QStringLiteral("Войти"));
    QCOMPARE(signIn->toolTip(), QStringLiteral("Sign in to the service"));
    QCOMPARE(style->title(), QStringLiteral("Стиль"));
    QCOMPARE(fusion->text(), QStringLiteral("Фьюжн"));

    // Translating a window without a menu bar does not give it one.
    QMainWindow bare;
    bare.setObjectName("Bare");
    TranslateForm(&bare, s.lookup());
    QVERIFY(!bare.menuWidget());
}

void tst_FormTranslate::programTranslation()
{
    // The language file's section [testform] serves the window TestForm; what
    // it lacks comes from defaults.txt.
    const QString dir = TestPaths::dataDir() + "/widgets/";
    Translation.Load(dir + "ru.txt");
    Translation.LoadDefaults(dir + "defaults.txt");

    QDialog form;
    form.setObjectName("TestForm");
    auto *lbl = named<QLabel>(&form, "LblName");
    auto *ok = named<QPushButton>(&form, "ButOk");
    auto *kind = named<QComboBox>(&form, "CbKind");
    auto *events = named<QTreeWidget>(&form, "Events");
    events->setHeaderLabels({"a", "b", "c"});
    auto *other = named<QLabel>(&form, "LblOther");
    other->setText("as built");

    TranslateForm(&form);

    QCOMPARE(form.windowTitle(), QStringLiteral("Окно"));
    QCOMPARE(lbl->text(), QStringLiteral("Имя:"));
    QCOMPARE(ok->text(), QStringLiteral("OK"));
    QCOMPARE(ok->toolTip(), QStringLiteral("Close the window"));
    QCOMPARE(kind->count(), 3);
    QCOMPARE(kind->itemText(1), QStringLiteral("два"));
    QCOMPARE(events->headerItem()->text(0), QStringLiteral("Объект"));
    QCOMPARE(events->headerItem()->text(1), QStringLiteral("b"));
    QCOMPARE(events->headerItem()->text(2), QStringLiteral("Время"));
    QCOMPARE(other->text(), QStringLiteral("as built"));
}

QTEST_MAIN(tst_FormTranslate)
#include "tst_FormTranslate.moc"
