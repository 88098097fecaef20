#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>

// Catches contact files (.vcf, .vcard, .csv) dropped on the widgets it watches, before
// a line edit would take the file's name as text; any other drop goes on as usual.
class ContactFileDrop : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;
    // Watches the window and every line edit in it; the window is made to accept drops.
    void watch(QWidget *window);

signals:
    // The files' names as the system has them: a name need not be valid UTF-8.
    void dropped(const QList<QByteArray> &paths);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
};
