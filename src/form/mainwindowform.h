#pragma once

class QLabel;
class QLineEdit;
class QMainWindow;
class QPushButton;
class QTableView;
class QWidget;

// The widgets of the main window, one pointer each, named after the widget's
// object name. The pointers own nothing: every widget is a child of the window.
struct MainWindowForm {
    QWidget *centralWidget = nullptr;
    QWidget *widget = nullptr;
    QLabel *label = nullptr;
    QLineEdit *txt_adsoyad = nullptr;
    QLineEdit *txt_telefon = nullptr;
    QLabel *label_2 = nullptr;
    QLabel *label_3 = nullptr;
    QLineEdit *txt_cep = nullptr;
    QLabel *label_4 = nullptr;
    QLineEdit *txt_mail = nullptr;
    QPushButton *btn_kaydet = nullptr;
    QPushButton *btn_yeni = nullptr;
    QPushButton *btn_sil = nullptr;
    QPushButton *btn_sil_2 = nullptr;
    QTableView *tbl_liste = nullptr;
    QLineEdit *txt_id = nullptr;
    QLabel *label_5 = nullptr;
    QLabel *label_6 = nullptr;
    QLineEdit *txt_ara = nullptr;

    // Builds the whole widget tree on the window and connects its on_<name>_<signal>
    // slots by object name, as the very last step.
    void setupForm(QMainWindow *window);
};
