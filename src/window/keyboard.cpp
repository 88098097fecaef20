// The keys of the form, the list and the search box, and the focus shown on the buttons.
#include "window/mainwindow.h"

#include "form/mainwindowform.h"
#include "window/focusframe.h"

#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QTableView>

void MainWindow::setUpKeyboard()
{
    // Tab leaves the list instead of going from cell to cell.
    form->tbl_liste->setTabKeyNavigation(false);
    // Return in any field of the entry saves it.
    for (QLineEdit *field : {form->txt_adsoyad, form->txt_telefon, form->txt_cep, form->txt_mail})
        connect(field, &QLineEdit::returnPressed, this, &MainWindow::on_btn_kaydet_clicked);

    const auto windowKey = [this](const char *keys, auto action) {
        auto *shortcut = new QShortcut(QKeySequence(QString::fromLatin1(keys)), this);
        connect(shortcut, &QShortcut::activated, this, action);
    };
    windowKey("Ctrl+S", &MainWindow::on_btn_kaydet_clicked);
    windowKey("Ctrl+N", &MainWindow::on_btn_yeni_clicked);
    windowKey("Ctrl+F", [this] {
        form->txt_ara->setFocus(Qt::ShortcutFocusReason);
        form->txt_ara->selectAll();
    });

    auto *clear = new QShortcut(QKeySequence(Qt::Key_Escape), form->txt_ara, nullptr, nullptr,
                                Qt::WidgetShortcut);
    connect(clear, &QShortcut::activated, form->txt_ara, &QLineEdit::clear);
    // Delete on a row asks SİL's question for that entry.
    auto *remove = new QShortcut(QKeySequence(Qt::Key_Delete), form->tbl_liste, nullptr, nullptr,
                                 Qt::WidgetShortcut);
    connect(remove, &QShortcut::activated, this, [this] {
        const QModelIndex current = form->tbl_liste->currentIndex();
        if (!current.isValid())
            return;
        on_tbl_liste_doubleClicked(current);
        on_btn_sil_clicked();
    });

    for (QPushButton *button : {form->btn_kaydet, form->btn_yeni, form->btn_sil, form->btn_sil_2})
        new FocusFrame(button);
}
