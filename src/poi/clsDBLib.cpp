#include "poi/clsDBLib.h"

#include "shell/clsStationError.h"
#include "shell/modPrivate.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <sqlcipher/sqlite3.h>

namespace {

// The database password; it keys the file's encryption.
constexpr char Password[] = "7314";
constexpr char KeyCheck[] = "SELECT count(*) FROM sqlite_master";
constexpr char TableDefinition[] =
    "CREATE TABLE IF NOT EXISTS POI (SeqNo INTEGER PRIMARY KEY AUTOINCREMENT, X REAL, Y REAL, "
    "Kind TEXT, Explanation TEXT)";

// Removes leading and trailing space characters only, as the stored texts expect.
QString TrimSpaces(const QString& text) {
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && text[first] == QLatin1Char(' ')) {
        ++first;
    }
    while (last > first && text[last - 1] == QLatin1Char(' ')) {
        --last;
    }
    return text.mid(first, last - first);
}

QString Literal(const QString& text) {
    return modPrivate::QuoteSql(TrimSpaces(text));
}

QString Number(double v) {
    return modPrivate::NumberText(v, 15);
}

// The file name as the engine takes it: UTF-8 on Windows, where the platform's 8-bit
// encoding of names is the ANSI code page; the bytes of the name elsewhere.
QByteArray EngineFileName(const QString& FileName) {
#ifdef Q_OS_WIN
    return FileName.toUtf8();
#else
    return QFile::encodeName(FileName);
#endif
}

// Opens and keys the file; a wrong password or a file that is no database shows at the
// first read, so it is made here rather than at some later statement. Returns the
// engine's result and, on failure, its description.
int OpenKeyed(const QString& FileName, bool create, sqlite3*& opened, QString& description) {
    sqlite3* db = nullptr;
    const int flags = SQLITE_OPEN_READWRITE | (create ? SQLITE_OPEN_CREATE : 0);
    int rc = sqlite3_open_v2(EngineFileName(FileName).constData(), &db, flags, nullptr);
    if (rc == SQLITE_OK) {
        rc = sqlite3_key(db, Password, static_cast<int>(sizeof Password - 1));
    }
    if (rc == SQLITE_OK) {
        rc = sqlite3_exec(db, KeyCheck, nullptr, nullptr, nullptr);
    }
    if (rc == SQLITE_OK) {
        rc = sqlite3_exec(db, TableDefinition, nullptr, nullptr, nullptr);
    }
    if (rc != SQLITE_OK) {
        description = QString::fromUtf8(db ? sqlite3_errmsg(db) : sqlite3_errstr(rc));
        sqlite3_close(db);
        if (create) {
            QFile::remove(FileName);
        }
        return rc;
    }
    opened = db;
    return SQLITE_OK;
}

int ColumnIndex(sqlite3_stmt* row, const char* name) {
    for (int i = 0; i < sqlite3_column_count(row); ++i) {
        if (sqlite3_stricmp(sqlite3_column_name(row, i), name) == 0) {
            return i;
        }
    }
    throw clsStationError(QStringLiteral("No column %1 in the result").arg(QLatin1String(name)));
}

// The column as text: null gives "", the value is trimmed.
QString ColumnText(sqlite3_stmt* row, const char* name) {
    const int i = ColumnIndex(row, name);
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(row, i));
    return TrimSpaces(QString::fromUtf8(text, sqlite3_column_bytes(row, i)));
}

double ColumnNumber(sqlite3_stmt* row, const char* name) {
    const int i = ColumnIndex(row, name);
    switch (sqlite3_column_type(row, i)) {
    case SQLITE_INTEGER:
    case SQLITE_FLOAT:
        return sqlite3_column_double(row, i);
    case SQLITE_NULL:
        throw clsStationError(
            QStringLiteral("Invalid use of Null in column %1").arg(QLatin1String(name)));
    default: {
        bool ok = false;
        const double v = ColumnText(row, name).toDouble(&ok);
        if (!ok) {
            throw clsStationError(
                QStringLiteral("Type mismatch in column %1").arg(QLatin1String(name)));
        }
        return v;
    }
    }
}

} // namespace

void clsDBLib::StatementCloser::operator()(sqlite3_stmt* statement) const {
    sqlite3_finalize(statement);
}

clsDBLib::~clsDBLib() {
    if (IsOpen()) {
        CloseConnection();
    }
}

void clsDBLib::OpenConnection(const QString& FileName) {
    QString description;
    if (TryOpen(FileName, description) != SQLITE_OK) {
        throw clsStationError(description);
    }
}

void clsDBLib::OpenStationDatabase(const QString& programFolder) {
    const QString path = modPrivate::ProgramPath(programFolder, QStringLiteral("database/POI.mdb"));
    QString description;
    const int rc = TryOpen(path, description) & 0xff;
    if (rc == SQLITE_OK) {
        return;
    }
    const bool unusable = rc == SQLITE_NOTADB || rc == SQLITE_CORRUPT;
    const QString message =
        modPrivate::ReadLanguage(programFolder, unusable ? modKeys::Messages::PoiDatabaseUnusable
                                                         : modKeys::Messages::PoiDatabaseNotOpened);
    throw clsStationError(message.arg(QDir::toNativeSeparators(path), description));
}

int clsDBLib::TryOpen(const QString& FileName, QString& description) {
    if (IsOpen()) {
        throw clsStationError(QStringLiteral("The connection is already open"));
    }
    const QFileInfo file(FileName);
    const bool create = !file.exists();
    // The engine would take an empty file for a new database and write one into it: a
    // database cut to nothing (a full disk, a failed copy) would vanish without a word.
    if (file.isFile() && file.size() == 0) {
        description = QStringLiteral("the file is empty");
        return SQLITE_NOTADB;
    }
    if (create && !QDir().mkpath(file.absolutePath())) {
        description = QStringLiteral("Cannot create the folder %1")
                          .arg(QDir::toNativeSeparators(file.absolutePath()));
        return SQLITE_CANTOPEN;
    }
    return OpenKeyed(FileName, create, m_db, description);
}

void clsDBLib::InsertCoordinate(double X, double Y, const QString& Kind,
                                const QString& Explanation) {
    Execute(InsertStatement(X, Y, Kind, Explanation));
}

void clsDBLib::SearchCoordinate(const QString& coodinate, bool& DataEof) {
    // A result of its own, so that a search never disturbs a listing in progress.
    DataEof = Execute(SearchStatement(coodinate)).Eof;
}

void clsDBLib::UpdateCoordinate(qint64 SeqNo, double X, double Y, const QString& Kind,
                                const QString& Explanation) {
    Execute(UpdateStatement(SeqNo, X, Y, Kind, Explanation));
}

void clsDBLib::DeleteCoordinate(const QString& Explanation) {
    Execute(DeleteStatement(Explanation));
}

void clsDBLib::OpenCoordinateRecordset() {
    m_cursor = Execute(ListStatement());
}

bool clsDBLib::FetchCoordinateRecord(QString& SeqNo, double& X, double& Y, QString& Kind,
                                     QString& Explanation) {
    if (!m_cursor.Statement) {
        throw clsStationError(QStringLiteral("No listing is open"));
    }
    if (m_cursor.Eof) {
        return false;
    }
    // Numbers first: a row that cannot be converted is not delivered and stays current.
    sqlite3_stmt* row = m_cursor.Statement.get();
    const double x = ColumnNumber(row, "X");
    const double y = ColumnNumber(row, "Y");
    SeqNo = ColumnText(row, "SeqNo");
    X = x;
    Y = y;
    Kind = ColumnText(row, "Kind");
    Explanation = ColumnText(row, "Explanation");
    MoveNext(m_cursor);
    return true;
}

void clsDBLib::CloseVehicleRecordset() {
    m_cursor = {};
}

QList<CoordinateRecord> clsDBLib::ListCoordinates() {
    QList<CoordinateRecord> records;
    OpenCoordinateRecordset();
    try {
        for (CoordinateRecord record; FetchCoordinateRecord(record.SeqNo, record.X, record.Y,
                                                            record.Kind, record.Explanation);
             record = {}) {
            records.append(record);
        }
    } catch (const clsStationError&) {
        CloseVehicleRecordset();
        throw;
    }
    CloseVehicleRecordset();
    return records;
}

void clsDBLib::CloseConnection() {
    m_cursor = {};
    sqlite3_close(m_db);
    m_db = nullptr;
}

QString clsDBLib::InsertStatement(double X, double Y, const QString& Kind,
                                  const QString& Explanation) {
    return QStringLiteral("INSERT INTO POI  ( X , Y , Kind , Explanation ) VALUES ") +
           QStringLiteral("(") + Number(X) + QStringLiteral(",") + Number(Y) + QStringLiteral(",") +
           QStringLiteral("'") + Literal(Kind) + QStringLiteral("',") + QStringLiteral("'") +
           Literal(Explanation) + QStringLiteral("'") + QStringLiteral(")");
}

QString clsDBLib::SearchStatement(const QString& coodinate) {
    return QStringLiteral("Select * From POI Where Explanation='") + Literal(coodinate) +
           QStringLiteral("'");
}

QString clsDBLib::UpdateStatement(qint64 SeqNo, double X, double Y, const QString& Kind,
                                  const QString& Explanation) {
    return QStringLiteral("UPDATE POI Set ") + QStringLiteral("X=") + Number(X) +
           QStringLiteral(",") + QStringLiteral("Y=") + Number(Y) + QStringLiteral(",") +
           QStringLiteral("Kind='") + Literal(Kind) + QStringLiteral("',") +
           QStringLiteral("Explanation='") + Literal(Explanation) + QStringLiteral("'") +
           QStringLiteral("Where Seqno=") + QString::number(SeqNo);
}

QString clsDBLib::DeleteStatement(const QString& Explanation) {
    // Not trimmed: the text must equal the stored explanation as it stands.
    return QStringLiteral("Delete from POI where Explanation ='") +
           modPrivate::QuoteSql(Explanation) + QStringLiteral("'");
}

QString clsDBLib::ListStatement() {
    return QStringLiteral("Select * from  POI");
}

clsDBLib::Recordset clsDBLib::Execute(const QString& statement) {
    if (!IsOpen()) {
        throw clsStationError(QStringLiteral("The connection is closed"));
    }
    const QByteArray text = statement.toUtf8();
    sqlite3_stmt* prepared = nullptr;
    if (sqlite3_prepare_v2(m_db, text.constData(), static_cast<int>(text.size()), &prepared,
                           nullptr) != SQLITE_OK) {
        Fail();
    }
    Recordset result;
    result.Statement.reset(prepared);
    result.Eof = false;
    MoveNext(result);
    return result;
}

void clsDBLib::MoveNext(Recordset& recordset) {
    const int rc = sqlite3_step(recordset.Statement.get());
    if (rc == SQLITE_DONE) {
        recordset.Eof = true;
    } else if (rc != SQLITE_ROW) {
        Fail();
    }
}

void clsDBLib::Fail() const {
    throw clsStationError(QString::fromUtf8(sqlite3_errmsg(m_db)));
}
