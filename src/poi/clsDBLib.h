#pragma once

#include "poi/CoordinateRecord.h"

#include <QList>
#include <QString>
#include <memory>

struct sqlite3;
struct sqlite3_stmt;

// The POI database: one encrypted SQLCipher file with the table POI. Every operation
// builds its statement as plain SQL text and runs it through one execute step; any
// failure is thrown as clsStationError with the engine's description.
class clsDBLib {
public:
    clsDBLib() = default;
    ~clsDBLib();
    clsDBLib(const clsDBLib&) = delete;
    clsDBLib& operator=(const clsDBLib&) = delete;

    // Opens (creating file, folder and table when the file is missing) and checks the key.
    void OpenConnection(const QString& FileName);
    // Opens the station's database "database/POI.mdb" beneath the program folder. A
    // failure names the file, and for a file that is damaged or no database of this
    // station tells the operator how to start afresh.
    void OpenStationDatabase(const QString& programFolder);
    // X longitude, Y latitude, decimal degrees.
    void InsertCoordinate(double X, double Y, const QString& Kind, const QString& Explanation);
    // DataEof becomes true when no point has the explanation (trimmed).
    void SearchCoordinate(const QString& coodinate, bool& DataEof);
    // X longitude, Y latitude, decimal degrees.
    void UpdateCoordinate(qint64 SeqNo, double X, double Y, const QString& Kind,
                          const QString& Explanation);
    // Removes every point whose explanation equals the text exactly.
    void DeleteCoordinate(const QString& Explanation);
    void OpenCoordinateRecordset();
    // Delivers the next row and returns true; at the end returns false and leaves the
    // arguments as they were. X longitude, Y latitude, decimal degrees.
    bool FetchCoordinateRecord(QString& SeqNo, double& X, double& Y, QString& Kind,
                               QString& Explanation);
    void CloseVehicleRecordset();
    // Every row, in delivery order, through the listing above: open, fetch until the end,
    // close. The listing is closed also when a row cannot be read.
    QList<CoordinateRecord> ListCoordinates();
    void CloseConnection();
    bool IsOpen() const { return m_db != nullptr; }

    // The statement texts, exactly as the operations run them.
    static QString InsertStatement(double X, double Y, const QString& Kind,
                                   const QString& Explanation);
    static QString SearchStatement(const QString& coodinate);
    static QString UpdateStatement(qint64 SeqNo, double X, double Y, const QString& Kind,
                                   const QString& Explanation);
    static QString DeleteStatement(const QString& Explanation);
    static QString ListStatement();

private:
    struct StatementCloser {
        void operator()(sqlite3_stmt* statement) const;
    };
    // A forward-only result positioned on its current row; Eof when past the last one.
    struct Recordset {
        std::unique_ptr<sqlite3_stmt, StatementCloser> Statement;
        bool Eof = true;
    };

    // The engine's result of opening FileName; description tells why it failed.
    int TryOpen(const QString& FileName, QString& description);
    Recordset Execute(const QString& statement);
    void MoveNext(Recordset& recordset);
    [[noreturn]] void Fail() const;

    sqlite3* m_db = nullptr;
    Recordset m_cursor;
};
