#include "change/dry_run.h"

#include "change/row_source.h"
#include "change/run_session.h"
#include "db/values.h"

DryRunResult DryRun(const RunRequest& request, Case::CaseMode mode, RunObserver& observer,
                    RunWaiter& waiter, int sample, const DryRunChange& change) {
    RunSession session(request.profile, waiter);
    RowSource source;
    const QString table = request.table.Take();
    const QString column = request.field.Take();
    session.Open(true, 0);
    session.Inspect(table, {column});
    QString refusal = session.Refusal();
    if (refusal.isEmpty())
        waiter.Wait([&] { session.OpenRead(source, table, {column}); });
    if (refusal.isEmpty() && !session.Facts().known && !source.IsText())
        refusal = QLatin1String(ChangeMessages::NotText);
    DryRunResult result;
    if (!refusal.isEmpty()) {
        result.refusal = refusal;
        return result;
    }
    const Case::NameExceptions& exceptions = request.exceptions;
    for (;;) {
        if (waiter.StopRequested()) {
            result.stopped = true;
            break;
        }
        std::vector<SourceRow> slice;
        waiter.Wait([&] { slice = source.Next(1000); });
        if (slice.empty())
            break;
        for (const SourceRow& row : slice) {
            ++result.read;
            observer.SetProgress(RunSession::Percent(result.read, source.Count()));
            const QString value = NullToDefault(row.values.front(), QString()).toString();
            const QString converted = Case::ConvertValue(mode, value, exceptions);
            if (converted == value)
                continue;
            if (++result.wouldChange <= sample)
                result.first.append({value, converted});
            if (change)
                change(value, converted);
        }
    }
    return result;
}

QString OneLine(const QString& text) {
    QString line;
    line.reserve(text.size());
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (c == QLatin1Char('\\'))
            line += QLatin1String("\\\\");
        else if (c == QLatin1Char('\r'))
            line += QLatin1String("\\r");
        else if (c == QLatin1Char('\n'))
            line += QLatin1String("\\n");
        else if (c == QLatin1Char('\t'))
            line += QLatin1String("\\t");
        else if (u < 0x20 || (u >= 0x7f && u <= 0x9f)) // C0, DEL, C1: a terminal would obey them
            line += QStringLiteral("\\x%1").arg(int(u), 2, 16, QLatin1Char('0'));
        else
            line += c;
    }
    return line;
}
