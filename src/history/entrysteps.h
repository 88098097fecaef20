#pragma once

#include "store/entries.h"
#include "store/entrieschange.h"

#include <QUndoCommand>

#include <functional>

// What taking a step back or again did, for the window to show.
struct StepOutcome {
    ChangeOutcome outcome = ChangeOutcome::Done;
    QString error;
    // The entries the step concerns, as they are now stored; empty when they are gone.
    QVector<Entry> present;
    // The ids of the entries the step took away.
    QVector<qint64> gone;
    FailureKind kind = FailureKind::Other;
};
using StepReport = std::function<void(const StepOutcome &)>;

// One change of the phone book that this window made, undoable as one transaction. Each
// is pushed after the change was made, so the push does not make it again. When the
// entries are no longer as the step left them (another program changed or deleted them,
// or took a freed id), taking it back or again changes nothing and the step is dropped
// from the history. When the database refuses, nothing changed and the step stays where
// it was.
class EntryStep : public QUndoCommand
{
public:
    void undo() override;
    void redo() override;

protected:
    EntryStep(const QString &text, StepReport report);
    // Applies the step forward or back; the outcome names the entries now present or gone.
    virtual StepOutcome apply(bool forward) = 0;

private:
    void run(bool forward);
    StepReport report;
    // The push's redo, and the redo or undo that puts a refused step back, change nothing.
    bool skipNext = true;
};

// New entries: the save of a new entry, or an import.
class EntriesAdded : public EntryStep
{
public:
    EntriesAdded(const QVector<Entry> &added, const QString &text, StepReport report);

protected:
    StepOutcome apply(bool forward) override;

private:
    QVector<Entry> added;
};

class EntryDeleted : public EntryStep
{
public:
    EntryDeleted(const Entry &deleted, StepReport report);

protected:
    StepOutcome apply(bool forward) override;

private:
    Entry deleted;
};

class EntryUpdated : public EntryStep
{
public:
    EntryUpdated(const Entry &before, const Entry &after, StepReport report);

protected:
    StepOutcome apply(bool forward) override;

private:
    Entry before;
    Entry after;
};

// Several entries changed at once: an import that added and completed entries, or a merge
// of duplicates. Given the change as it was applied, new entries as restored ones.
class EntriesChanged : public EntryStep
{
public:
    EntriesChanged(const EntriesChange &applied, const QString &text, StepReport report);

protected:
    StepOutcome apply(bool forward) override;

private:
    EntriesChange forwards;
};
