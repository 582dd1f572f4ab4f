#include "change/change_run.h"

#include "app/steps.h"
#include "change/statements.h"
#include "db/connection.h"
#include "db/recordset.h"
#include "db/values.h"

#include <optional>
#include <utility>

namespace {

// The mode's position in the case box (and in the run's step table).
static_assert(int(Case::CaseMode::Upper) == 0 && int(Case::CaseMode::Lower) == 1 &&
              int(Case::CaseMode::Proper) == 2 && int(Case::CaseMode::Sentence) == 3);

constexpr int DefaultPointer = 0;
constexpr int BusyPointer = 11;
constexpr int ChangeTimeoutSeconds = 5000;

// One run: the numbered steps of "Start Changing". Each step that fails is reported and the
// run goes on with the next one, except where going on could only repeat the same fault or
// report success for work that was not done: then the run ends after one report.
class ChangeRun {
public:
    explicit ChangeRun(ChangeRunHost& host)
        : host_(host), steps_([&host](const QString& description, int step) {
              host.Report(description, step);
          }) {}

    void Run() {
        // Steps 100 and 102 create the connection and record set objects: the members.
        if (!steps_.Test(104, [&] { return host_.FieldCount() > 0; })) {
            steps_.Run(208, [&] { host_.Show(QLatin1String(ChangeMessages::SelectField)); });
            return;
        }
        steps_.Run(106, [&] { host_.SetPointer(BusyPointer); });
        steps_.Run(108, [&] { connection_.SetCursorLocation(db::adUseClient); });
        steps_.Run(110, [&] { connection_.SetCommandTimeout(ChangeTimeoutSeconds); });
        steps_.Run(112, [&] { connection_.SetConnectionTimeout(ChangeTimeoutSeconds); });
        if (!steps_.Run(114, [&] { connection_.Open(OdbcConnectionString(host_.Profile())); }))
            return Abandon();
        // Table and column are taken once: a click on the lists during the run must not
        // send the rest of its statements elsewhere.
        if (!steps_.Run(116, [&] {
                table_ = host_.CurrentTable();
                column_ = host_.CurrentField();
                records_.Open(BuildReadStatement(table_, column_), connection_, db::adOpenStatic,
                              db::adLockOptimistic);
            }))
            return Abandon();
        if (records_.GetFields().Count() < 1 || !records_.GetFields()[0].IsText()) {
            Abandon();
            host_.Show(QLatin1String(ChangeMessages::NotText));
            return;
        }
        qint64 last = 0;
        steps_.Run(124, [&] { last = records_.RecordCount() - 1; });
        if (steps_.Test(126, [&] { return !records_.Eof(); })) {
            for (qint64 i = 0; i <= last; ++i) {
                if (!ChangeRow(i, last))
                    return Abandon();
            }
        }
        steps_.Run(176, [&] { records_.Close(); });
        steps_.Run(178, [&] { host_.SetPointer(DefaultPointer); });
        steps_.Run(180, [&] { ResetProgress(); });
        steps_.Run(182, [&] { host_.Yield(); });
        if (const std::optional<Case::CaseMode> mode = ReadMode(184, 4)) {
            steps_.Run(186 + 4 * static_cast<int>(*mode), [&] { host_.RecasePreview(*mode); });
        } else {
            steps_.Run(200, [&] { host_.Show(QLatin1String(ChangeMessages::NoMode)); });
        }
        steps_.Run(206, [&] { host_.Show(QLatin1String(ChangeMessages::Done)); });
    }

private:
    // One pass of the row loop (steps 130 to 174); false when no later row can succeed: the
    // connection is lost, or the statement is refused for what it names (the table or column
    // has gone, a permission is missing).
    bool ChangeRow(qint64 i, qint64 last) {
        steps_.Run(130, [&] { host_.Yield(); });
        steps_.Run(132, [&] { host_.SetProgress(double(i + 1) / double(last + 1) * 100.0); });
        QString value;
        QString oldText;
        const bool read = steps_.Run(134, [&] {
            value = NullToDefault(records_.GetFields()[0].Value(), QString()).toString();
            oldText = EscapeLiteral(value);
        });
        // The case box is read anew for every row: a change during the run affects the
        // rows that follow it.
        if (const std::optional<Case::CaseMode> mode = ReadMode(140, 8); mode && read) {
            // Each mode has three steps: convert (142, 150, 158, 166), build, execute.
            const int convertStep = 142 + 8 * static_cast<int>(*mode);
            QString newText;
            QString statement;
            bool hopeless = false;
            if (steps_.Run(convertStep,
                           [&] { newText = EscapeLiteral(Case::Convert(*mode, value)); }) &&
                steps_.Run(convertStep + 2, [&] {
                    statement = BuildReplaceStatement(table_, column_, oldText, newText);
                })) {
                steps_.Run(convertStep + 4, [&] {
                    try {
                        connection_.Execute(statement);
                    } catch (const db::Error& e) {
                        hopeless = e.connectionLost() || e.accessRuleViolation();
                        throw;
                    }
                });
            }
            if (hopeless)
                return false;
        }
        steps_.Run(172, [&] { records_.MoveNext(); });
        return true;
    }

    // The mode named by the case box, as MatchCaseMode reads it, with each mode word test a
    // step of its own that reads the box anew. A failing test counts as passed.
    std::optional<Case::CaseMode> ReadMode(int firstStep, int stepsBetweenTests) {
        static constexpr std::pair<const char*, Case::CaseMode> words[] = {
            {"upper", Case::CaseMode::Upper},
            {"lower", Case::CaseMode::Lower},
            {"proper", Case::CaseMode::Proper},
            {"sentence", Case::CaseMode::Sentence}};
        int step = firstStep;
        for (const auto& [word, mode] : words) {
            if (steps_.Test(step, [&] {
                    return host_.CaseBoxText().toLower().contains(QLatin1String(word));
                }))
                return mode;
            step += stepsBetweenTests;
        }
        return std::nullopt;
    }

    void ResetProgress() {
        host_.SetProgress(0);
        host_.SetProgressText(QStringLiteral("Progress Bar"));
    }

    // Ends a run that cannot go on after its fault was reported: nothing is recased and no
    // "Done." is shown.
    void Abandon() {
        host_.SetPointer(DefaultPointer);
        ResetProgress();
    }

    ChangeRunHost& host_;
    Steps steps_;
    db::Connection connection_;
    db::Recordset records_;
    QString table_;
    QString column_;
};

} // namespace

RunSummary RunChange(ChangeRunHost& host) {
    ChangeRun(host).Run();
    return {};
}
