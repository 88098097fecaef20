// Undo and redo: every save, delete and import of this window is one step.
#include "window/mainwindow.h"

#include "form/mainwindowform.h"
#include "list/phonebooklistmodel.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QShortcut>
#include <QUndoStack>

namespace
{

const QKeySequence undoKey(QStringLiteral("Ctrl+Z"));
const QKeySequence redoKeys[] = {QKeySequence(QStringLiteral("Ctrl+Shift+Z")),
                                 QKeySequence(QStringLiteral("Ctrl+Y"))};

bool pressed(const QKeyEvent *key, const QKeySequence &sequence)
{
    return QKeySequence(int(key->modifiers()) | key->key()) == sequence;
}

// A line edit takes Ctrl+Z for its own typing. Where it has nothing of its own to undo or
// redo, the keys go on to the window's history instead.
class FieldHistoryKeys : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        auto *edit = qobject_cast<QLineEdit *>(watched);
        if (!edit || event->type() != QEvent::ShortcutOverride)
            return false;
        const auto *key = static_cast<QKeyEvent *>(event);
        if (pressed(key, undoKey))
            return !edit->isUndoAvailable();
        for (const QKeySequence &redo : redoKeys)
            if (pressed(key, redo))
                return !edit->isRedoAvailable();
        return false;
    }
};

} // namespace

void MainWindow::setUpHistory()
{
    history = new QUndoStack(this);
    history->setUndoLimit(1000);
    auto *undo = new QShortcut(undoKey, this);
    connect(undo, &QShortcut::activated, this, [this] { takeStep(true); });
    for (const QKeySequence &keys : redoKeys) {
        auto *redo = new QShortcut(keys, this);
        connect(redo, &QShortcut::activated, this, [this] { takeStep(false); });
    }
    auto *fieldKeys = new FieldHistoryKeys(this);
    for (QLineEdit *edit :
         {form->txt_adsoyad, form->txt_telefon, form->txt_cep, form->txt_mail, form->txt_ara})
        edit->installEventFilter(fieldKeys);
}

StepReport MainWindow::stepReport()
{
    return [this](const StepOutcome &outcome) { lastStep = outcome; };
}

void MainWindow::record(EntryStep *step)
{
    history->push(step);
}

void MainWindow::addHistoryActions(QMenu &menu)
{
    QAction *undo =
        menu.addAction(history->canUndo() ? QStringLiteral("Geri al: ") + history->undoText()
                                          : QStringLiteral("Geri al"));
    undo->setShortcut(undoKey);
    undo->setEnabled(history->canUndo());
    connect(undo, &QAction::triggered, this, [this] { takeStep(true); });
    QAction *redo =
        menu.addAction(history->canRedo() ? QStringLiteral("Yinele: ") + history->redoText()
                                          : QStringLiteral("Yinele"));
    redo->setShortcut(redoKeys[0]);
    redo->setEnabled(history->canRedo());
    connect(redo, &QAction::triggered, this, [this] { takeStep(false); });
    markChanging(menu, {undo, redo});
}

void MainWindow::takeStep(bool back)
{
    if ((back ? !history->canUndo() : !history->canRedo()) || refusedAsReadOnly())
        return;
    const QString text = back ? history->undoText() : history->redoText();
    lastStep.reset();
    back ? history->undo() : history->redo();
    // A refused step skips this, which puts it back where it was.
    if (lastStep && lastStep->outcome == ChangeOutcome::Failed)
        back ? history->redo() : history->undo();
    showStepOutcome(back, text);
}

void MainWindow::showStepOutcome(bool back, const QString &stepText)
{
    if (!lastStep)
        return;
    const StepOutcome outcome = *lastStep;
    QMessageBox box;
    if (outcome.outcome == ChangeOutcome::Failed) {
        noteFailure(outcome.kind);
        tell(box, QStringLiteral("Hata"), failureMessage(outcome.kind, outcome.error),
             QMessageBox::Warning);
        return;
    }
    if (outcome.outcome == ChangeOutcome::ChangedElsewhere) {
        listAll();
        tell(box, back ? QStringLiteral("Geri Al") : QStringLiteral("Yinele"),
             QStringLiteral("\"%1\" %2: kayıt o zamandan beri başka bir yerde değiştirilmiş ya da "
                            "silinmiş. Hiçbir şey değiştirilmedi.")
                 .arg(stepText,
                      back ? QStringLiteral("geri alınamadı") : QStringLiteral("yinelenemedi")),
             QMessageBox::Warning);
        return;
    }
    noteOwnChange(outcome.present, outcome.gone);
    listAll();
    QVector<qint64> present;
    for (const Entry &entry : outcome.present)
        present << entry.id;
    selectEntries(present);
    if (outcome.present.size() == 1)
        showInForm(outcome.present.first());
    else if (outcome.gone.size() == 1 || outcome.gone.contains(form->txt_id->text().toLongLong()))
        on_btn_yeni_clicked();
}

void MainWindow::showInForm(const Entry &entry)
{
    formEntry = entry;
    form->txt_id->setText(QString::number(entry.id));
    form->txt_adsoyad->setText(entry.adsoyad);
    form->txt_telefon->setText(entry.telefon);
    form->txt_cep->setText(entry.cep);
    form->txt_mail->setText(entry.mail);
}
