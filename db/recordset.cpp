#include "db/recordset.h"

#include "db/odbc_diagnostics.h"
#include "db/statement_description.h"

#include <algorithm>
#include <iterator>
#include <optional>

namespace db {

using odbc::Check;

namespace {

const QString ClosedMessage = QStringLiteral("Operation is not allowed when the object is closed.");
const QString NoCurrentRowMessage =
    QStringLiteral("Either BOF or EOF is True, or the current record has been deleted. Requested "
                   "operation requires a current record.");

// Characters SQLGetData reads at once before it learns a value's length.
constexpr std::size_t InitialBufferLength = 512;

// A streamed read fetches blocks of rows into bound buffers: one driver call a block instead
// of one a row and one a value. A value's buffer holds its column's described width, at most
// MaxBoundLength characters (UnknownBoundLength where the driver gives no width); a value
// longer than its buffer is read whole from its row. A block takes about BlockBytes.
constexpr std::size_t MaxBoundLength = 4096;
constexpr std::size_t UnknownBoundLength = 1024;
constexpr std::size_t BlockBytes = std::size_t(4) << 20;
constexpr std::size_t MaxBlockRows = 256;

// One column value in its text form; a null QVariant for NULL. Long values come in pieces.
QVariant ReadValue(SQLHDBC connection, SQLHSTMT statement, SQLUSMALLINT column,
                   std::vector<SQLWCHAR>& buffer) {
    QString text(0, Qt::Uninitialized); // empty but not null: only NULL is null
    for (;;) {
        SQLLEN indicator = 0;
        const SQLRETURN result =
            SQLGetData(statement, column, SQL_C_WCHAR, buffer.data(),
                       static_cast<SQLLEN>(buffer.size() * sizeof(SQLWCHAR)), &indicator);
        if (result == SQL_NO_DATA) // every piece read by the earlier calls
            break;
        Check(result, SQL_HANDLE_STMT, statement, "SQLGetData", connection);
        if (indicator == SQL_NULL_DATA)
            return QVariant();
        // One place of the buffer holds the terminating zero. Without a total the piece
        // ends at the terminator.
        const auto room = static_cast<SQLLEN>(buffer.size() - 1);
        const bool noTotal = indicator == SQL_NO_TOTAL;
        const SQLLEN length =
            noTotal ? std::find(buffer.begin(), buffer.begin() + room, SQLWCHAR(0)) - buffer.begin()
                    : static_cast<SQLLEN>(indicator / sizeof(SQLWCHAR));
        text.append(odbc::FromWide(buffer.data(), std::min(length, room)));
        if (result == SQL_SUCCESS || (!noTotal && length <= room))
            break;
        // Grow (never shrink) so that the rest comes in one piece, or at least in fewer.
        const std::size_t wanted =
            noTotal ? buffer.size() * 2 : static_cast<std::size_t>(length - room) + 1;
        if (wanted > buffer.size())
            buffer.resize(wanted);
    }
    return text;
}

} // namespace

bool Field::IsText() const {
    switch (sqlType_) {
    case SQL_CHAR:
    case SQL_VARCHAR:
    case SQL_LONGVARCHAR:
    case SQL_WCHAR:
    case SQL_WVARCHAR:
    case SQL_WLONGVARCHAR:
        return true;
    default:
        return false;
    }
}

bool Field::IsFixedWidth() const {
    return sqlType_ == SQL_CHAR || sqlType_ == SQL_WCHAR;
}

const Field& Fields::operator[](int index) const {
    if (index < 0 || index >= Count())
        throw Error(QStringLiteral("Item cannot be found in the collection corresponding to the "
                                   "requested name or ordinal."));
    return items_[static_cast<std::size_t>(index)];
}

// Column-wise buffers of one block of rows and what the last fetch left in them.
struct Block {
    SQLULEN rows = 0;                 // the block's capacity
    std::vector<std::size_t> lengths; // characters a value's buffer holds, terminator included
    std::vector<std::vector<SQLWCHAR>> text;     // a column's values, `lengths` apart
    std::vector<std::vector<SQLLEN>> indicators; // a column's lengths in bytes, or NULL
    std::vector<SQLUSMALLINT> status;
    SQLULEN fetched = 0;
    // The fetched block's values as the record set gives them, row after row; the next row
    // to show.
    std::vector<QVariant> values;
    SQLULEN next = 0;
};

// Whether the driver can read a long value of a bound column after a block fetch: SQLSetPos
// on the value's row, then SQLGetData (SQL_GD_BLOCK, SQL_GD_BOUND).
bool ReadsLongValuesOfBlocks(SQLHDBC connection) {
    SQLUINTEGER extensions = 0;
    if (!odbc::Succeeded(SQLGetInfoW(connection, SQL_GETDATA_EXTENSIONS, &extensions,
                                     sizeof extensions, nullptr)))
        return false;
    constexpr SQLUINTEGER needed = SQL_GD_BLOCK | SQL_GD_BOUND;
    return (extensions & needed) == needed;
}

// Characters a column's buffer holds, terminator included: its width as text (the display
// size, for numbers and dates too), within MaxBoundLength.
std::size_t BoundLength(SQLHSTMT statement, SQLUSMALLINT column) {
    SQLLEN width = 0;
    if (!odbc::Succeeded(SQLColAttributeW(statement, column, SQL_DESC_DISPLAY_SIZE, nullptr, 0,
                                          nullptr, &width)) ||
        width <= 0)
        return UnknownBoundLength + 1;
    return std::min(static_cast<std::size_t>(width), MaxBoundLength) + 1;
}

struct Recordset::State {
    SQLHDBC connection = SQL_NULL_HDBC; // for telling whether a failure lost it
    Fields fields;
    bool eof = false;

    // Client cursor: every row's values, row after row.
    bool client = false;
    std::vector<QVariant> rows;
    std::size_t rowCount = 0;
    std::size_t row = 0;

    // Streaming: the statement handle, registered in the connection's live list.
    SQLHSTMT statement = SQL_NULL_HSTMT;
    std::weak_ptr<std::vector<void*>> live;
    std::atomic<void*>* inFlight = nullptr; // the connection's, while its live list lasts
    std::vector<SQLWCHAR> buffer = std::vector<SQLWCHAR>(InitialBufferLength);
    // Set while the streamed read fetches blocks; otherwise it reads row by row.
    std::unique_ptr<Block> block;

    State() = default;
    State(const State&) = delete;
    State& operator=(const State&) = delete;
    ~State() { ReleaseStatement(); }

    std::size_t Columns() const { return fields.items_.size(); }

    void Describe(SQLHSTMT handle) {
        const std::vector<ColumnDescription> columns = odbc::DescribeColumns(handle, connection);
        fields.items_.resize(columns.size());
        for (std::size_t column = 0; column < columns.size(); ++column) {
            fields.items_[column].name_ = columns[column].name;
            fields.items_[column].sqlType_ = columns[column].sqlType;
        }
    }

    // Fetches the handle's next row into out; false past the last row.
    bool Fetch(SQLHSTMT handle, QVariant* out) {
        const SQLRETURN result = SQLFetch(handle);
        if (result == SQL_NO_DATA)
            return false;
        Check(result, SQL_HANDLE_STMT, handle, "SQLFetch", connection);
        for (std::size_t column = 0; column < Columns(); ++column)
            out[column] =
                ReadValue(connection, handle, static_cast<SQLUSMALLINT>(column + 1), buffer);
        return true;
    }

    // Binds a block's buffers to the streamed statement. Leaves the read row by row where the
    // driver cannot read a long value of a block, or refuses the block's settings.
    void BindBlock() {
        if (Columns() == 0 || !ReadsLongValuesOfBlocks(connection))
            return;
        auto bound = std::make_unique<Block>();
        std::size_t rowBytes = 0;
        for (std::size_t column = 0; column < Columns(); ++column) {
            bound->lengths.push_back(BoundLength(statement, static_cast<SQLUSMALLINT>(column + 1)));
            rowBytes += bound->lengths.back() * sizeof(SQLWCHAR) + sizeof(SQLLEN);
        }
        const std::size_t rows = std::clamp<std::size_t>(BlockBytes / rowBytes, 1, MaxBlockRows);
        if (!odbc::Succeeded(SQLSetStmtAttrW(statement, SQL_ATTR_ROW_BIND_TYPE,
                                             reinterpret_cast<SQLPOINTER>(SQL_BIND_BY_COLUMN),
                                             0)) ||
            !odbc::Succeeded(SQLSetStmtAttrW(statement, SQL_ATTR_ROW_ARRAY_SIZE,
                                             reinterpret_cast<SQLPOINTER>(rows), 0)) ||
            !odbc::Succeeded(
                SQLGetStmtAttrW(statement, SQL_ATTR_ROW_ARRAY_SIZE, &bound->rows, 0, nullptr)) ||
            bound->rows == 0 || bound->rows > rows) {
            UnbindBlock();
            return;
        }
        bound->status.resize(bound->rows);
        bound->text.resize(Columns());
        bound->indicators.resize(Columns());
        bool bindsAll = odbc::Succeeded(SQLSetStmtAttrW(statement, SQL_ATTR_ROW_STATUS_PTR,
                                                        bound->status.data(), 0)) &&
                        odbc::Succeeded(SQLSetStmtAttrW(statement, SQL_ATTR_ROWS_FETCHED_PTR,
                                                        &bound->fetched, 0));
        for (std::size_t column = 0; bindsAll && column < Columns(); ++column) {
            bound->text[column].resize(bound->rows * bound->lengths[column]);
            bound->indicators[column].resize(bound->rows);
            bindsAll = odbc::Succeeded(
                SQLBindCol(statement, static_cast<SQLUSMALLINT>(column + 1), SQL_C_WCHAR,
                           bound->text[column].data(),
                           static_cast<SQLLEN>(bound->lengths[column] * sizeof(SQLWCHAR)),
                           bound->indicators[column].data()));
        }
        if (!bindsAll) {
            UnbindBlock();
            return;
        }
        block = std::move(bound);
    }

    // Back to one row a fetch and no bound buffer.
    void UnbindBlock() {
        SQLFreeStmt(statement, SQL_UNBIND);
        SQLSetStmtAttrW(statement, SQL_ATTR_ROW_ARRAY_SIZE, reinterpret_cast<SQLPOINTER>(1), 0);
        SQLSetStmtAttrW(statement, SQL_ATTR_ROW_STATUS_PTR, nullptr, 0);
        SQLSetStmtAttrW(statement, SQL_ATTR_ROWS_FETCHED_PTR, nullptr, 0);
    }

    // Fetches the next block; false past the last row. Values longer than their buffer are
    // read whole here, while their row can still be positioned on.
    bool FetchBlock() {
        block->fetched = 0;
        block->next = 0;
        const SQLRETURN result = SQLFetch(statement);
        if (result == SQL_NO_DATA)
            return false;
        Check(result, SQL_HANDLE_STMT, statement, "SQLFetch", connection);
        block->fetched = std::min(block->fetched, block->rows);
        if (block->fetched == 0) // succeeded without a row: the end, as SQL_NO_DATA
            return false;
        const std::size_t columns = Columns();
        block->values.assign(block->fetched * columns, QVariant());
        for (SQLULEN row = 0; row < block->fetched; ++row) {
            const SQLUSMALLINT status = block->status[row];
            if (status == SQL_ROW_ERROR)
                throw odbc::DiagnosticError(SQL_HANDLE_STMT, statement, "SQLFetch", connection);
            if (status != SQL_ROW_NOROW)
                ReadBlockRow(row);
        }
        return true;
    }

    // The fetched block's row `row` as the record set gives it; a value longer than its buffer
    // is read whole from the row, positioned on once.
    void ReadBlockRow(SQLULEN row) {
        const std::size_t columns = Columns();
        bool positioned = false;
        for (std::size_t column = 0; column < columns; ++column) {
            const SQLLEN indicator = block->indicators[column][row];
            if (indicator == SQL_NULL_DATA)
                continue;
            const std::size_t length = block->lengths[column];
            const SQLWCHAR* text = block->text[column].data() + row * length;
            if (indicator != SQL_NO_TOTAL &&
                static_cast<std::size_t>(indicator) / sizeof(SQLWCHAR) < length) {
                const auto characters = indicator / SQLLEN(sizeof(SQLWCHAR));
                // Empty but not null: only NULL is null.
                block->values[row * columns + column] = characters == 0
                                                            ? QString(0, Qt::Uninitialized)
                                                            : odbc::FromWide(text, characters);
                continue;
            }
            if (!positioned) {
                Check(SQLSetPos(statement, static_cast<SQLSETPOSIROW>(row + 1), SQL_POSITION,
                                SQL_LOCK_NO_CHANGE),
                      SQL_HANDLE_STMT, statement, "SQLSetPos", connection);
                positioned = true;
            }
            block->values[row * columns + column] =
                ReadValue(connection, statement, static_cast<SQLUSMALLINT>(column + 1), buffer);
        }
    }

    void ShowRow() {
        for (std::size_t column = 0; column < Columns(); ++column)
            fields.items_[column].value_ = eof ? QVariant() : rows[row * Columns() + column];
    }

    // A fetch may wait on the server as long as an execution: while it runs, the connection's
    // Cancel stops it too (not once the connection has gone).
    std::optional<Connection::InFlight> MarkInFlight() {
        if (!inFlight || live.expired())
            return std::nullopt;
        return std::optional<Connection::InFlight>(std::in_place, *inFlight, statement);
    }

    void FetchNextStreamed() {
        if (block) {
            NextOfBlock();
            return;
        }
        std::vector<QVariant> values(Columns());
        {
            const auto landed = MarkInFlight();
            eof = !Fetch(statement, values.data());
        }
        for (std::size_t column = 0; column < Columns(); ++column)
            fields.items_[column].value_ = std::move(values[column]);
        if (eof) // ends the server's cursor at once; the handle goes at Close
            SQLFreeStmt(statement, SQL_CLOSE);
    }

    void NextOfBlock() {
        // Rows the driver marked as missing (SQL_ROW_NOROW) are passed over.
        const auto skipMissing = [this] {
            while (block->next < block->fetched && block->status[block->next] == SQL_ROW_NOROW)
                ++block->next;
        };
        skipMissing();
        while (block->next >= block->fetched && !eof) {
            const auto landed = MarkInFlight();
            eof = !FetchBlock();
            skipMissing();
        }
        const std::size_t columns = Columns();
        for (std::size_t column = 0; column < columns; ++column)
            fields.items_[column].value_ =
                eof ? QVariant() : std::move(block->values[block->next * columns + column]);
        if (eof) {
            SQLFreeStmt(statement, SQL_CLOSE);
            return;
        }
        ++block->next;
    }

    void ReleaseStatement() {
        if (statement == SQL_NULL_HSTMT)
            return;
        // An expired list means the connection has ended and freed the handle already.
        if (const auto statements = live.lock()) {
            statements->erase(std::remove(statements->begin(), statements->end(), statement),
                              statements->end());
            SQLFreeHandle(SQL_HANDLE_STMT, statement);
        }
        statement = SQL_NULL_HSTMT;
    }
};

Recordset::Recordset() = default;
Recordset::~Recordset() = default;
Recordset::Recordset(Recordset&&) noexcept = default;
Recordset& Recordset::operator=(Recordset&&) noexcept = default;

Recordset Recordset::ReadAll(void* connection, void* statement) {
    auto state = std::make_unique<State>();
    state->connection = connection;
    state->client = true;
    state->Describe(statement);
    std::vector<QVariant> row(state->Columns());
    while (state->Fetch(statement, row.data())) {
        std::move(row.begin(), row.end(), std::back_inserter(state->rows));
        ++state->rowCount;
    }
    state->eof = state->rowCount == 0;
    state->ShowRow();
    Recordset records;
    records.state_ = std::move(state);
    return records;
}

Recordset Recordset::Stream(void* connection, void* statement,
                            const std::shared_ptr<std::vector<void*>>& live,
                            std::atomic<void*>* inFlight) {
    auto state = std::make_unique<State>();
    state->connection = connection;
    state->statement = statement;
    state->live = live;
    state->inFlight = inFlight;
    live->push_back(statement);
    state->Describe(statement);
    state->BindBlock();
    state->FetchNextStreamed();
    Recordset records;
    records.state_ = std::move(state);
    return records;
}

void Recordset::Open(const QString& statement, Connection& connection, int, int) {
    if (!connection.IsOpen())
        throw Error(QStringLiteral("The connection cannot be used to perform this operation. It "
                                   "is either closed or invalid in this context."));
    *this = connection.Execute(statement);
}

int Recordset::RecordCount() const {
    if (!state_)
        throw Error(ClosedMessage);
    return state_->client ? static_cast<int>(state_->rowCount) : -1;
}

bool Recordset::Eof() const {
    if (!state_)
        throw Error(ClosedMessage);
    return state_->eof;
}

void Recordset::MoveNext() {
    if (!state_)
        throw Error(ClosedMessage);
    if (state_->eof)
        throw Error(NoCurrentRowMessage);
    if (state_->client) {
        ++state_->row;
        state_->eof = state_->row >= state_->rowCount;
        state_->ShowRow();
    } else {
        state_->FetchNextStreamed();
    }
}

const Fields& Recordset::GetFields() const {
    if (!state_)
        throw Error(ClosedMessage);
    return state_->fields;
}

void Recordset::Close() {
    if (!state_)
        throw Error(ClosedMessage);
    state_.reset();
}

bool Recordset::IsOpen() const {
    return state_ != nullptr;
}

} // namespace db
