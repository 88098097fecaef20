#include "history/entrysteps.h"

namespace
{

StepOutcome outcomeOf(const Change &change, const QVector<Entry> &present,
                      const QVector<qint64> &gone)
{
    if (change.outcome != ChangeOutcome::Done)
        return {change.outcome, change.error, {}, {}, change.kind};
    return {ChangeOutcome::Done, {}, present, gone};
}

// Steps are called by the entry they concern: the name, or the number of people.
QString named(const Entry &entry)
{
    return entry.adsoyad.trimmed();
}

} // namespace

EntryStep::EntryStep(const QString &text, StepReport report)
    : QUndoCommand(text), report(std::move(report))
{
}

void EntryStep::undo()
{
    run(false);
}

void EntryStep::redo()
{
    run(true);
}

void EntryStep::run(bool forward)
{
    if (skipNext) {
        skipNext = false;
        return;
    }
    const StepOutcome outcome = apply(forward);
    if (outcome.outcome == ChangeOutcome::ChangedElsewhere)
        setObsolete(true);
    else if (outcome.outcome == ChangeOutcome::Failed)
        skipNext = true;
    report(outcome);
}

EntriesAdded::EntriesAdded(const QVector<Entry> &added, const QString &text, StepReport report)
    : EntryStep(text, std::move(report)), added(added)
{
}

StepOutcome EntriesAdded::apply(bool forward)
{
    if (forward)
        return outcomeOf(restoreEntries(added), added, {});
    return outcomeOf(removeEntries(added), {}, idsOf(added));
}

EntryDeleted::EntryDeleted(const Entry &deleted, StepReport report)
    : EntryStep(QStringLiteral("%1 silindi").arg(named(deleted)), std::move(report)),
      deleted(deleted)
{
}

StepOutcome EntryDeleted::apply(bool forward)
{
    if (forward)
        return outcomeOf(removeEntries({deleted}), {}, {deleted.id});
    return outcomeOf(restoreEntries({deleted}), {deleted}, {});
}

EntryUpdated::EntryUpdated(const Entry &before, const Entry &after, StepReport report)
    : EntryStep(QStringLiteral("%1 güncellendi").arg(named(after)), std::move(report)),
      before(before), after(after)
{
}

StepOutcome EntryUpdated::apply(bool forward)
{
    const Entry &from = forward ? before : after;
    const Entry &to = forward ? after : before;
    return outcomeOf(replaceEntry(from, to), {to}, {});
}

EntriesChanged::EntriesChanged(const EntriesChange &applied, const QString &text, StepReport report)
    : EntryStep(text, std::move(report)), forwards(applied)
{
}

StepOutcome EntriesChanged::apply(bool forward)
{
    const EntriesChange change = forward ? forwards : reversed(forwards);
    QVector<Entry> present = change.restored;
    for (const auto &replaced : change.replaced)
        present << replaced.second;
    return outcomeOf(applyEntriesChange(change), present, idsOf(change.removed));
}
