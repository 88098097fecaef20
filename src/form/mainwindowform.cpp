#include "form/mainwindowform.h"

#include "form/fontfallback.h"

#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMetaObject>
#include <QPalette>
#include <QPushButton>
#include <QTableView>

namespace
{

// The style sheets, each set on the widgets that use it and on nothing else.
constexpr char panelStyle[] =
    "#widget {\n"
    "background-color: qlineargradient(spread:pad, x1:0.472318, y1:0.858, x2:0.444, y2:0.006, "
    "stop:0 rgba(14, 14, 14, 255), stop:1 rgba(100, 100, 100, 255));\n"
    "border:1px solid rgb(107, 107, 107);\n"
    "\n"
    "\n"
    "}";

constexpr char captionStyle[] = "color: rgb(255, 255, 255);\n"
                                "padding:3px;\n"
                                "font: 11pt \"MS Serif\";";

constexpr char entryStyle[] = "background-color: rgb(77, 77, 77);\n"
                              "border:solid;\n"
                              "border-width:1px;\n"
                              "border-color: rgb(116, 116, 116);\n"
                              "font: 12pt \"MS Serif\";\n"
                              "color: rgb(255, 255, 255);\n"
                              "padding:3px;";

constexpr char blueButtonStyle[] = "QPushButton {\n"
                                   "background-color: rgb(16, 83, 165);\n"
                                   "color: rgb(255, 255, 255);\n"
                                   "border:solid;\n"
                                   "font: 11pt \"Tahoma\";\n"
                                   "}\n"
                                   "QPushButton:hover {\n"
                                   "background-color: rgb(0, 126, 244);\n"
                                   "}";

constexpr char greenButtonStyle[] = "QPushButton {\n"
                                    "background-color: rgb(0, 59, 35);\n"
                                    "color: rgb(255, 255, 255);\n"
                                    "border:solid;\n"
                                    "\tfont: 11pt \"Tahoma\";\n"
                                    "}\n"
                                    "QPushButton:hover {\n"
                                    "background-color: rgb(32, 189, 23);\n"
                                    "}";

constexpr char redButtonStyle[] = "QPushButton {\n"
                                  "background-color: rgb(148, 0, 2);\n"
                                  "color: rgb(255, 255, 255);\n"
                                  "border:solid;\n"
                                  "font: 11pt \"Tahoma\";\n"
                                  "}\n"
                                  "QPushButton:hover {\n"
                                  "background-color: rgb(255, 0, 4);\n"
                                  "}";

constexpr char listStyle[] =
    "QTableView {\n"
    "\tbackground-color: rgb(79, 79, 79);\n"
    "\tcolor: rgb(255, 255, 255);\n"
    "}\n"
    "QTableView ::section{\n"
    "\tbackground-color: rgb(79, 79, 79);\n"
    "}\n"
    "QTableView QHeaderView\n"
    "{\n"
    "background-color: rgb(79, 79, 79);\n"
    "}\n"
    "QTableView  QHeaderView::section:horizonta{\n"
    "    height: 24px;\n"
    "    border-style: none;\n"
    "    border: 1px solid  rgb(147, 147, 147);\n"
    "\tbackground-color: qlineargradient(spread:pad, x1:0.472318, y1:0.858, x2:0.444, y2:0.006, "
    "stop:0 rgba(75, 75, 75, 255), stop:1 rgba(137, 137, 137, 255));\n"
    "\tcolor: rgb(255, 255, 255);\n"
    " }\n"
    "QTableView  QHeaderView::section:vertical{\n"
    "\twidth:0px;\n"
    "\tborder-style: none;\n"
    " }";

constexpr char titleStyle[] = "font: 75 14pt \"MS Sans Serif\";\n"
                              "color: rgb(152, 255, 146);\n"
                              "background-color: rgb(71, 71, 71);\n"
                              "padding:6px;\n"
                              "\n";

constexpr char searchCaptionStyle[] = "background-color: rgb(68, 68, 68);\n"
                                      "color: rgb(255, 255, 255);\n"
                                      "font: 11pt \"Tahoma\";\n"
                                      "padding:3px;";

constexpr char searchBoxStyle[] =
    "padding:3px;\n"
    "background-color: qlineargradient(spread:pad, x1:0.472318, y1:0.858, x2:0.444, y2:0.006, "
    "stop:0 rgba(16, 16, 16, 255), stop:1 rgba(55, 55, 55, 255));\n"
    "border:1px solid rgb(98, 98, 98);\n"
    "color: rgb(255, 255, 255);";

QString translated(const char *sourceText)
{
    return QCoreApplication::translate("MainWindow", sourceText, nullptr, -1);
}

QLabel *makeLabel(QWidget *parent, const char *name, const QRect &geometry, const char *style)
{
    auto *label = new QLabel(parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setGeometry(geometry);
    label->setStyleSheet(QString::fromUtf8(style));
    return label;
}

QLineEdit *makeLineEdit(QWidget *parent, const char *name, const QRect &geometry, const char *style)
{
    auto *lineEdit = new QLineEdit(parent);
    lineEdit->setObjectName(QString::fromLatin1(name));
    lineEdit->setGeometry(geometry);
    if (style)
        lineEdit->setStyleSheet(QString::fromUtf8(style));
    return lineEdit;
}

QPushButton *makeButton(QWidget *parent, const char *name, const QRect &geometry, const char *style)
{
    auto *button = new QPushButton(parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setGeometry(geometry);
    button->setCursor(QCursor(Qt::PointingHandCursor));
    button->setStyleSheet(QString::fromUtf8(style));
    button->setFlat(false);
    return button;
}

QPalette windowPalette()
{
    const QBrush light(QColor(255, 255, 255, 255), Qt::SolidPattern);
    const QBrush grey(QColor(80, 80, 80, 255), Qt::SolidPattern);
    QPalette palette;
    palette.setBrush(QPalette::Active, QPalette::Base, light);
    palette.setBrush(QPalette::Active, QPalette::Window, grey);
    palette.setBrush(QPalette::Inactive, QPalette::Base, light);
    palette.setBrush(QPalette::Inactive, QPalette::Window, grey);
    palette.setBrush(QPalette::Disabled, QPalette::Base, grey);
    palette.setBrush(QPalette::Disabled, QPalette::Window, grey);
    return palette;
}

} // namespace

void MainWindowForm::setupForm(QMainWindow *window)
{
    // The substitution must be in place before the first widget resolves its font.
    substituteMissingFormFonts();

    if (window->objectName().isEmpty())
        window->setObjectName(QStringLiteral("MainWindow"));
    window->resize(594, 508);
    window->setMinimumSize(QSize(594, 505));
    window->setPalette(windowPalette());
    window->setAutoFillBackground(true);

    centralWidget = new QWidget(window);
    centralWidget->setObjectName(QStringLiteral("centralWidget"));

    widget = new QWidget(centralWidget);
    widget->setObjectName(QStringLiteral("widget"));
    widget->setGeometry(QRect(6, 6, 581, 497));
    widget->setStyleSheet(QString::fromUtf8(panelStyle));

    label = makeLabel(widget, "label", QRect(16, 48, 77, 29), captionStyle);
    txt_adsoyad = makeLineEdit(widget, "txt_adsoyad", QRect(108, 48, 449, 29), entryStyle);
    txt_telefon = makeLineEdit(widget, "txt_telefon", QRect(108, 80, 449, 29), entryStyle);
    label_2 = makeLabel(widget, "label_2", QRect(16, 80, 77, 29), captionStyle);
    label_3 = makeLabel(widget, "label_3", QRect(16, 112, 77, 29), captionStyle);
    txt_cep = makeLineEdit(widget, "txt_cep", QRect(108, 112, 449, 29), entryStyle);
    label_4 = makeLabel(widget, "label_4", QRect(16, 144, 77, 29), captionStyle);
    txt_mail = makeLineEdit(widget, "txt_mail", QRect(108, 144, 449, 29), entryStyle);
    btn_kaydet = makeButton(widget, "btn_kaydet", QRect(108, 180, 93, 33), blueButtonStyle);
    btn_yeni = makeButton(widget, "btn_yeni", QRect(200, 180, 93, 33), greenButtonStyle);
    btn_sil = makeButton(widget, "btn_sil", QRect(292, 180, 93, 33), redButtonStyle);
    btn_sil_2 = makeButton(widget, "btn_sil_2", QRect(496, 180, 61, 33), redButtonStyle);

    tbl_liste = new QTableView(widget);
    tbl_liste->setObjectName(QStringLiteral("tbl_liste"));
    tbl_liste->setGeometry(QRect(8, 256, 565, 233));
    tbl_liste->setStyleSheet(QString::fromUtf8(listStyle));
    tbl_liste->setSelectionBehavior(QAbstractItemView::SelectRows);

    txt_id = makeLineEdit(widget, "txt_id", QRect(16, 188, 37, 20), nullptr);
    label_5 = makeLabel(widget, "label_5", QRect(4, 4, 573, 33), titleStyle);
    label_5->setAlignment(Qt::AlignCenter);
    label_6 = makeLabel(widget, "label_6", QRect(8, 224, 565, 33), searchCaptionStyle);
    txt_ara = makeLineEdit(widget, "txt_ara", QRect(112, 228, 457, 25), searchBoxStyle);

    // Bottom to top: member order, with the list on top of everything.
    const std::initializer_list<QWidget *> bottomToTop = {
        label,   txt_adsoyad, txt_telefon, label_2,  label_3,  txt_cep,
        label_4, txt_mail,    btn_kaydet,  btn_yeni, btn_sil,  btn_sil_2,
        txt_id,  label_5,     label_6,     txt_ara,  tbl_liste};
    for (QWidget *child : bottomToTop)
        child->raise();

    window->setCentralWidget(centralWidget);

    // Texts come before the connections, so no slot runs while the form is built.
    window->setWindowTitle(translated("TELEFON DEFTERİ"));
    label->setText(translated("AD SOYAD"));
    txt_adsoyad->setText(QString());
    txt_telefon->setText(QString());
    label_2->setText(translated("TELEFON"));
    label_3->setText(translated("CEP"));
    txt_cep->setText(QString());
    label_4->setText(translated("MAİL"));
    txt_mail->setText(QString());
    btn_kaydet->setText(translated("KAYDET"));
    btn_yeni->setText(translated("YENİ"));
    btn_sil->setText(translated("SİL"));
    btn_sil_2->setText(translated("ÇIKIŞ"));
    label_5->setText(translated("TELEFON DEFTERİ V0.1"));
    label_6->setText(translated("Defterde Ara"));

    // What a screen reader announces: the caption each field stands beside. Nothing
    // visible changes.
    txt_adsoyad->setAccessibleName(translated("AD SOYAD"));
    txt_telefon->setAccessibleName(translated("TELEFON"));
    txt_cep->setAccessibleName(translated("CEP"));
    txt_mail->setAccessibleName(translated("MAİL"));
    txt_ara->setAccessibleName(translated("Defterde Ara"));
    tbl_liste->setAccessibleName(translated("Kayıt listesi"));

    QMetaObject::connectSlotsByName(window);
}
