// The widget tree, properties and texts of the form, checked against the form's
// tables: every style sheet byte for byte, geometry, stacking and the slot table.
#include "form/mainwindowform.h"
#include "platform/desktop.h"
#include "window/mainwindow.h"

#include "testsupport.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QApplication>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMetaMethod>
#include <QPushButton>
#include <QStatusBar>
#include <QTableView>
#include <QTest>
#include <QToolBar>

namespace
{

// The style sheets as the form's description gives them, one line each.
const QMap<QString, QString> &expectedStyles()
{
    static const QMap<QString, QString> styles = {
        {"Panel", "#widget {\nbackground-color: qlineargradient(spread:pad, x1:0.472318, y1:0.858, "
                  "x2:0.444, y2:0.006, stop:0 rgba(14, 14, 14, 255), stop:1 rgba(100, 100, 100, "
                  "255));\nborder:1px solid rgb(107, 107, 107);\n\n\n}"},
        {"Caption", "color: rgb(255, 255, 255);\npadding:3px;\nfont: 11pt \"MS Serif\";"},
        {"Entry",
         "background-color: rgb(77, 77, 77);\nborder:solid;\nborder-width:1px;\nborder-color: "
         "rgb(116, 116, 116);\nfont: 12pt \"MS Serif\";\ncolor: rgb(255, 255, 255);\npadding:3px;"},
        {"Blue button", "QPushButton {\nbackground-color: rgb(16, 83, 165);\ncolor: rgb(255, 255, "
                        "255);\nborder:solid;\nfont: 11pt \"Tahoma\";\n}\nQPushButton:hover "
                        "{\nbackground-color: rgb(0, 126, 244);\n}"},
        {"Green button", "QPushButton {\nbackground-color: rgb(0, 59, 35);\ncolor: rgb(255, 255, "
                         "255);\nborder:solid;\n\tfont: 11pt \"Tahoma\";\n}\nQPushButton:hover "
                         "{\nbackground-color: rgb(32, 189, 23);\n}"},
        {"Red button", "QPushButton {\nbackground-color: rgb(148, 0, 2);\ncolor: rgb(255, 255, "
                       "255);\nborder:solid;\nfont: 11pt \"Tahoma\";\n}\nQPushButton:hover "
                       "{\nbackground-color: rgb(255, 0, 4);\n}"},
        {"List",
         "QTableView {\n\tbackground-color: rgb(79, 79, 79);\n\tcolor: rgb(255, 255, "
         "255);\n}\nQTableView ::section{\n\tbackground-color: rgb(79, 79, 79);\n}\nQTableView "
         "QHeaderView\n{\nbackground-color: rgb(79, 79, 79);\n}\nQTableView  "
         "QHeaderView::section:horizonta{\n    height: 24px;\n    border-style: none;\n    border: "
         "1px solid  rgb(147, 147, 147);\n\tbackground-color: qlineargradient(spread:pad, "
         "x1:0.472318, y1:0.858, x2:0.444, y2:0.006, stop:0 rgba(75, 75, 75, 255), stop:1 "
         "rgba(137, 137, 137, 255));\n\tcolor: rgb(255, 255, 255);\n }\nQTableView  "
         "QHeaderView::section:vertical{\n\twidth:0px;\n\tborder-style: none;\n }"},
        {"Title", "font: 75 14pt \"MS Sans Serif\";\ncolor: rgb(152, 255, 146);\nbackground-color: "
                  "rgb(71, 71, 71);\npadding:6px;\n\n"},
        {"Search caption", "background-color: rgb(68, 68, 68);\ncolor: rgb(255, 255, 255);\nfont: "
                           "11pt \"Tahoma\";\npadding:3px;"},
        {"Search box",
         "padding:3px;\nbackground-color: qlineargradient(spread:pad, x1:0.472318, y1:0.858, "
         "x2:0.444, y2:0.006, stop:0 rgba(16, 16, 16, 255), stop:1 rgba(55, 55, 55, "
         "255));\nborder:1px solid rgb(98, 98, 98);\ncolor: rgb(255, 255, 255);"},
    };
    return styles;
}

} // namespace

// Records what reaches it, to see when setupForm connects the slots.
class ProbeWindow : public QMainWindow
{
    Q_OBJECT
public:
    int searchChanges = 0;
    int nameChanges = 0;
private slots:
    void on_txt_ara_textChanged(const QString &) { ++searchChanges; }
    void on_txt_adsoyad_textChanged(const QString &) { ++nameChanges; }
};

class FormTest : public QObject
{
    Q_OBJECT

private slots:
    void widgetTable_data();
    void widgetTable();
    void classSpecificProperties();
    void stackingOrderIsMemberOrderWithListOnTop();
    void membersPointAtTheirWidgetsInOrder();
    void windowProperties();
    void existingObjectNameIsKept();
    void slotsAreConnectedOnlyAfterTheTextsAreSet();
    void slotTableOfMainWindow();
    void noStyleSheetOrLayoutBeyondTheWidgets();
    void screenReaderNamesAndTurkishStandardTexts();
};

void FormTest::widgetTable_data()
{
    QTest::addColumn<QString>("className");
    QTest::addColumn<QString>("parentName");
    QTest::addColumn<QRect>("geometry");
    QTest::addColumn<QString>("style");
    QTest::addColumn<QString>("text");

    auto row = [](const char *name, const char *cls, const char *parent, QRect geometry,
                  const char *style, const char *text) {
        QTest::newRow(name) << cls << parent << geometry << QString::fromUtf8(style)
                            << QString::fromUtf8(text);
    };
    row("widget", "QWidget", "centralWidget", {6, 6, 581, 497}, "Panel", "");
    row("label", "QLabel", "widget", {16, 48, 77, 29}, "Caption", "AD SOYAD");
    row("txt_adsoyad", "QLineEdit", "widget", {108, 48, 449, 29}, "Entry", "");
    row("txt_telefon", "QLineEdit", "widget", {108, 80, 449, 29}, "Entry", "");
    row("label_2", "QLabel", "widget", {16, 80, 77, 29}, "Caption", "TELEFON");
    row("label_3", "QLabel", "widget", {16, 112, 77, 29}, "Caption", "CEP");
    row("txt_cep", "QLineEdit", "widget", {108, 112, 449, 29}, "Entry", "");
    row("label_4", "QLabel", "widget", {16, 144, 77, 29}, "Caption", "MAİL");
    row("txt_mail", "QLineEdit", "widget", {108, 144, 449, 29}, "Entry", "");
    row("btn_kaydet", "QPushButton", "widget", {108, 180, 93, 33}, "Blue button", "KAYDET");
    row("btn_yeni", "QPushButton", "widget", {200, 180, 93, 33}, "Green button", "YENİ");
    row("btn_sil", "QPushButton", "widget", {292, 180, 93, 33}, "Red button", "SİL");
    row("btn_sil_2", "QPushButton", "widget", {496, 180, 61, 33}, "Red button", "ÇIKIŞ");
    row("tbl_liste", "QTableView", "widget", {8, 256, 565, 233}, "List", "");
    row("txt_id", "QLineEdit", "widget", {16, 188, 37, 20}, "", "");
    row("label_5", "QLabel", "widget", {4, 4, 573, 33}, "Title", "TELEFON DEFTERİ V0.1");
    row("label_6", "QLabel", "widget", {8, 224, 565, 33}, "Search caption", "Defterde Ara");
    row("txt_ara", "QLineEdit", "widget", {112, 228, 457, 25}, "Search box", "");
}

void FormTest::widgetTable()
{
    QFETCH(QString, className);
    QFETCH(QString, parentName);
    QFETCH(QRect, geometry);
    QFETCH(QString, style);
    QFETCH(QString, text);

    QMainWindow window;
    MainWindowForm form;
    form.setupForm(&window);

    const QList<QWidget *> named = window.findChildren<QWidget *>(QTest::currentDataTag());
    QCOMPARE(named.size(), 1);
    QWidget *widget = named.first();
    QCOMPARE(QString::fromLatin1(widget->metaObject()->className()), className);
    QCOMPARE(widget->parent()->objectName(), parentName);
    QCOMPARE(widget->geometry(), geometry);
    QCOMPARE(widget->styleSheet(), style.isEmpty() ? QString() : expectedStyles().value(style));
    if (auto *label = qobject_cast<QLabel *>(widget))
        QCOMPARE(label->text(), text);
    else if (auto *button = qobject_cast<QPushButton *>(widget))
        QCOMPARE(button->text(), text);
    else if (auto *edit = qobject_cast<QLineEdit *>(widget))
        QCOMPARE(edit->text(), text);
}

void FormTest::classSpecificProperties()
{
    QMainWindow window;
    MainWindowForm form;
    form.setupForm(&window);

    for (QPushButton *button : {form.btn_kaydet, form.btn_yeni, form.btn_sil, form.btn_sil_2}) {
        QCOMPARE(button->cursor().shape(), Qt::PointingHandCursor);
        QVERIFY(!button->isFlat());
    }
    QCOMPARE(form.tbl_liste->selectionBehavior(), QAbstractItemView::SelectRows);
    QCOMPARE(form.label_5->alignment(), Qt::AlignCenter);
    QCOMPARE(int(form.label_5->alignment()), 132);
    for (QLabel *label : {form.label, form.label_2, form.label_3, form.label_4, form.label_6})
        QCOMPARE(label->alignment(), QLabel().alignment());
}

void FormTest::stackingOrderIsMemberOrderWithListOnTop()
{
    QMainWindow window;
    MainWindowForm form;
    form.setupForm(&window);

    QStringList order;
    for (QObject *object : form.widget->children())
        order << object->objectName();
    QCOMPARE(order,
             QStringList({"label", "txt_adsoyad", "txt_telefon", "label_2", "label_3", "txt_cep",
                          "label_4", "txt_mail", "btn_kaydet", "btn_yeni", "btn_sil", "btn_sil_2",
                          "txt_id", "label_5", "label_6", "txt_ara", "tbl_liste"}));
    // The overlaps the layout relies on: the search box lies on its caption, the list
    // and the neighbouring buttons share an edge with what is below them.
    QVERIFY(form.label_6->geometry().contains(form.txt_ara->geometry()));
    QCOMPARE(form.widget->childAt(QPoint(150, 240)), form.txt_ara);
    QWidget *atListEdge = form.widget->childAt(QPoint(100, 256));
    QVERIFY(atListEdge == form.tbl_liste || form.tbl_liste->isAncestorOf(atListEdge));
    QCOMPARE(form.widget->childAt(QPoint(200, 190)), form.btn_yeni);
    QCOMPARE(form.widget->childAt(QPoint(292, 190)), form.btn_sil);
}

void FormTest::membersPointAtTheirWidgetsInOrder()
{
    QMainWindow window;
    MainWindowForm form;
    form.setupForm(&window);

    const QList<QWidget *> members = {
        form.centralWidget, form.widget,   form.label,   form.txt_adsoyad, form.txt_telefon,
        form.label_2,       form.label_3,  form.txt_cep, form.label_4,     form.txt_mail,
        form.btn_kaydet,    form.btn_yeni, form.btn_sil, form.btn_sil_2,   form.tbl_liste,
        form.txt_id,        form.label_5,  form.label_6, form.txt_ara};
    const QStringList names = {"centralWidget", "widget",   "label",   "txt_adsoyad", "txt_telefon",
                               "label_2",       "label_3",  "txt_cep", "label_4",     "txt_mail",
                               "btn_kaydet",    "btn_yeni", "btn_sil", "btn_sil_2",   "tbl_liste",
                               "txt_id",        "label_5",  "label_6", "txt_ara"};
    QCOMPARE(members.size(), names.size());
    for (int i = 0; i < members.size(); ++i) {
        QVERIFY2(members[i], qPrintable(names[i]));
        QCOMPARE(members[i]->objectName(), names[i]);
        QCOMPARE(window.findChildren<QWidget *>(names[i]).size(), 1);
    }
    QCOMPARE(window.centralWidget(), form.centralWidget);
}

void FormTest::windowProperties()
{
    QMainWindow window;
    MainWindowForm form;
    form.setupForm(&window);

    QCOMPARE(window.objectName(), QStringLiteral("MainWindow"));
    QCOMPARE(window.windowTitle(), QStringLiteral("TELEFON DEFTERİ"));
    QCOMPARE(window.size(), QSize(594, 508));
    QCOMPARE(window.minimumSize(), QSize(594, 505));
    QVERIFY(window.autoFillBackground());

    const QPalette palette = window.palette();
    const QColor light(255, 255, 255, 255);
    const QColor grey(80, 80, 80, 255);
    QCOMPARE(palette.brush(QPalette::Active, QPalette::Base).color(), light);
    QCOMPARE(palette.brush(QPalette::Active, QPalette::Window).color(), grey);
    QCOMPARE(palette.brush(QPalette::Inactive, QPalette::Base).color(), light);
    QCOMPARE(palette.brush(QPalette::Inactive, QPalette::Window).color(), grey);
    QCOMPARE(palette.brush(QPalette::Disabled, QPalette::Base).color(), grey);
    QCOMPARE(palette.brush(QPalette::Disabled, QPalette::Window).color(), grey);
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        for (QPalette::ColorRole role : {QPalette::Base, QPalette::Window})
            QCOMPARE(palette.brush(group, role).style(), Qt::SolidPattern);
    // Untouched roles keep the default palette's colours.
    QCOMPARE(palette.color(QPalette::Active, QPalette::Text),
             QPalette().color(QPalette::Active, QPalette::Text));
}

void FormTest::existingObjectNameIsKept()
{
    QMainWindow window;
    window.setObjectName(QStringLiteral("Baska"));
    MainWindowForm form;
    form.setupForm(&window);
    QCOMPARE(window.objectName(), QStringLiteral("Baska"));
}

void FormTest::slotsAreConnectedOnlyAfterTheTextsAreSet()
{
    ProbeWindow window;
    MainWindowForm form;
    form.setupForm(&window);
    QCOMPARE(window.nameChanges, 0);
    QCOMPARE(window.searchChanges, 0);

    form.txt_ara->setText(QStringLiteral("a"));
    form.txt_adsoyad->setText(QStringLiteral("b"));
    QCOMPARE(window.searchChanges, 1);
    QCOMPARE(window.nameChanges, 1);
}

void FormTest::slotTableOfMainWindow()
{
    const QMetaObject &meta = MainWindow::staticMetaObject;
    QCOMPARE(QString::fromLatin1(meta.className()), QStringLiteral("MainWindow"));
    QCOMPARE(meta.superClass(), &QMainWindow::staticMetaObject);
    QCOMPARE(meta.methodCount() - meta.methodOffset(), 6);
    QCOMPARE(meta.propertyCount(), meta.propertyOffset());

    const QList<QPair<QByteArray, QByteArray>> expected = {
        {"on_btn_kaydet_clicked()", ""}, {"on_tbl_liste_doubleClicked(QModelIndex)", "index"},
        {"on_btn_yeni_clicked()", ""},   {"on_btn_sil_clicked()", ""},
        {"on_btn_sil_2_clicked()", ""},  {"on_txt_ara_textChanged(QString)", "arg1"}};
    for (int i = 0; i < expected.size(); ++i) {
        const QMetaMethod method = meta.method(meta.methodOffset() + i);
        QCOMPARE(method.methodSignature(), expected[i].first);
        QCOMPARE(method.methodType(), QMetaMethod::Slot);
        QCOMPARE(method.access(), QMetaMethod::Private);
        QCOMPARE(method.parameterNames().value(0), expected[i].second);
    }
}

void FormTest::noStyleSheetOrLayoutBeyondTheWidgets()
{
    QMainWindow window;
    MainWindowForm form;
    form.setupForm(&window);

    QVERIFY(qApp->styleSheet().isEmpty());
    QVERIFY(window.styleSheet().isEmpty());
    QVERIFY(form.centralWidget->styleSheet().isEmpty());
    QVERIFY(!form.centralWidget->layout());
    QVERIFY(!form.widget->layout());
    QVERIFY(!window.menuWidget());
    QVERIFY(!window.findChild<QStatusBar *>());
    QVERIFY(!window.findChild<QToolBar *>());
}

void FormTest::screenReaderNamesAndTurkishStandardTexts()
{
    WindowFixture fixture([](const SideConnection &seed) { seed.insert("Ali Veli"); });
    QWidget *window = fixture.window.get();
    const QMap<QString, QString> names = {
        {"txt_adsoyad", "AD SOYAD"}, {"txt_telefon", "TELEFON"},  {"txt_cep", "CEP"},
        {"txt_mail", "MAİL"},        {"txt_ara", "Defterde Ara"}, {"tbl_liste", "Kayıt listesi"}};
    for (auto name = names.cbegin(); name != names.cend(); ++name) {
        QAccessibleInterface *accessible =
            QAccessible::queryAccessibleInterface(child<QWidget>(window, qPrintable(name.key())));
        QVERIFY(accessible);
        QCOMPARE(accessible->text(QAccessible::Name), name.value());
    }

    // Qt's own texts as the program shows them: in Turkish, whatever the system language.
    installQtTurkishTranslations(*QCoreApplication::instance());
    QStringList buttons;
    BoxAnswerer confirm({clickButton(QMessageBox::Cancel)}, [&buttons](QMessageBox *box) {
        for (QAbstractButton *button : box->buttons())
            buttons << button->text().remove('&');
    });
    child<QLineEdit>(window, "txt_id")->setText("1");
    click(window, "btn_sil");
    buttons.sort();
    QCOMPARE(buttons, QStringList({"Evet", "İptal"}));
    QCOMPARE(confirm.seen.first().defaultButton, QMessageBox::Cancel);
    QStringList ok;
    BoxAnswerer saved({clickButton(QMessageBox::Ok)}, [&ok](QMessageBox *box) {
        for (QAbstractButton *button : box->buttons())
            ok << button->text().remove('&');
    });
    click(window, "btn_kaydet");
    QCOMPARE(ok, QStringList({"Tamam"}));
    std::unique_ptr<QMenu> menu(
        child<QLineEdit>(window, "txt_adsoyad")->createStandardContextMenu());
    QVERIFY(menu->actions().first()->text().startsWith("&Geri al"));
}

QTEST_MAIN(FormTest)
#include "tst_form.moc"
