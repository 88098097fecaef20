// A program that runs the real MainWindow in its working directory and acts on it as
// a user would, so that tests can watch a whole process from outside:
//   window_driver exit         types an entry, then clicks ÇIKIŞ
//   window_driver save NAME    saves NAME; prints "saved ID" while "Kaydedildi" is open,
//                              then closes the box and the window
//   window_driver hold NAME    the same, but leaves the box open until killed
#include "server/serveraddress.h"
#include "store/phonebookdb.h"
#include "window/mainwindow.h"

#include <QApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <cstdio>

namespace
{

void answerSavedBox(QWidget *window, bool hold)
{
    auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
    if (!box || !box->isVisible()) {
        QTimer::singleShot(5, [window, hold] { answerSavedBox(window, hold); });
        return;
    }
    const QString id = window->findChild<QLineEdit *>(QStringLiteral("txt_id"))->text();
    std::printf("%s %s\n", box->text() == QStringLiteral("Kaydedildi") ? "saved" : "failed",
                qPrintable(id));
    std::fflush(stdout);
    if (!hold) {
        box->done(0);
        QTimer::singleShot(0, window, &QWidget::close);
    }
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    // The book the test names, on a server too.
    usePhoneBookServer(chosenServerUri(QString()));
    const QStringList args = application.arguments();
    const QString mode = args.value(1);
    MainWindow window;
    window.show();

    auto *name = window.findChild<QLineEdit *>(QStringLiteral("txt_adsoyad"));
    if (mode == QStringLiteral("exit")) {
        name->setText(QStringLiteral("Kaydedilmemiş Yazı"));
        QTimer::singleShot(0, window.findChild<QPushButton *>(QStringLiteral("btn_sil_2")),
                           &QPushButton::click);
        application.exec();
        return 3; // only reached if ÇIKIŞ did not end the process
    }
    if (mode == QStringLiteral("save") || mode == QStringLiteral("hold")) {
        name->setText(args.value(2));
        const bool hold = mode == QStringLiteral("hold");
        QTimer::singleShot(0, [&window, hold] { answerSavedBox(&window, hold); });
        QTimer::singleShot(0, window.findChild<QPushButton *>(QStringLiteral("btn_kaydet")),
                           &QPushButton::click);
        return application.exec();
    }
    std::fprintf(stderr, "usage: window_driver exit | save NAME | hold NAME\n");
    return 2;
}
