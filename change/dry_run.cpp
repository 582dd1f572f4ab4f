#include "change/dry_run.h"

#include "change/row_source.h"
#include "change/run_session.h"
#include "db/values.h"

#include <stdexcept>

DryRunResult DryRun(ChangeRunHost& host, Case::CaseMode mode, int sample,
                    const DryRunChange& change) {
    RunSession session(host);
    RowSource source;
    const QString table = host.CurrentTable();
    const QString column = host.CurrentField();
    session.Open(true, 0);
    session.Inspect(table, {column});
    QString refusal = session.Refusal();
    if (refusal.isEmpty())
        host.Wait([&] { source.Open(session.Reader(), session.Dialect(), table, {column}); });
    if (refusal.isEmpty() && !session.Facts().known && !source.IsText())
        refusal = QLatin1String(ChangeMessages::NotText);
    if (!refusal.isEmpty())
        throw std::invalid_argument(refusal.toStdString());
    const Case::NameExceptions exceptions = host.Exceptions();
    DryRunResult result;
    for (;;) {
        if (host.StopRequested()) {
            result.stopped = true;
            break;
        }
        std::vector<SourceRow> slice;
        host.Wait([&] { slice = source.Next(1000); });
        if (slice.empty())
            break;
        for (const SourceRow& row : slice) {
            ++result.read;
            host.SetProgress(RunSession::Percent(result.read, source.Count()));
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
