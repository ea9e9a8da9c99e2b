#pragma once

#include <QFile>
#include <QString>
#include <sqlcipher/sqlite3.h>

// Runs sql on the database file through a connection of its own (empty key: no
// encryption): the first column of the last row, "" when there is none, "<error>" when it
// fails.
inline QString Raw(const QString& path, const char* sql, const QByteArray& key = "7314") {
    sqlite3* db = nullptr;
    char** table = nullptr;
    int rows = 0, columns = 0;
    sqlite3_open(QFile::encodeName(path).constData(), &db);
    sqlite3_key(db, key.constData(), static_cast<int>(key.size()));
    const int rc = sqlite3_get_table(db, sql, &table, &rows, &columns, nullptr);
    const QString last = rows > 0 ? QString::fromUtf8(table[rows * columns]) : QString();
    sqlite3_free_table(table);
    sqlite3_close(db);
    return rc == SQLITE_OK ? last : QStringLiteral("<error>");
}

// Another program's open transaction on the file, held while the object lives: "BEGIN
// IMMEDIATE" makes every write fail, "BEGIN EXCLUSIVE" every read as well.
struct DatabaseLock {
    sqlite3* Db = nullptr;
    bool Locked = false;

    DatabaseLock(const QString& path, const char* begin) {
        sqlite3_open(QFile::encodeName(path).constData(), &Db);
        sqlite3_key(Db, "7314", 4);
        Locked = sqlite3_exec(Db, begin, nullptr, nullptr, nullptr) == SQLITE_OK;
    }
    ~DatabaseLock() { sqlite3_close_v2(Db); }
    DatabaseLock(const DatabaseLock&) = delete;
    DatabaseLock& operator=(const DatabaseLock&) = delete;
};
