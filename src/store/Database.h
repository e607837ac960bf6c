#pragma once

#include <QSqlDatabase>
#include <QString>
#include <QStringList>

/// The one connection of a run to the working database (an SQLite file).
/// Owns a uniquely named QSqlDatabase connection; closes it when destroyed.
class Database
{
public:
    Database();
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    /// Opens an existing database file; never creates one. Switches the file to
    /// the WAL journal, sets a busy time-out and adds FOLD(text), the text in one letter
    /// case (Cyrillic included) for searches. Returns false, with errorString(),
    /// when the file is missing or is not a database SQLite can read.
    bool open(const QString& filePath);
    void close();
    bool isOpen() const;
    QString filePath() const { return m_filePath; }

    /// Names of the tables among `required` that the database lacks; empty when
    /// all are present (or when the catalogue cannot be read: see errorString()).
    /// Whether the open database file is sound: whole pages, and a b-tree structure its
    /// quick check finds nothing wrong with. False with `problem` (the first fault) when
    /// it is damaged; quick on a database of normal size.
    bool checkIntegrity(QString* problem);
    QStringList missingTables(const QStringList& required);

    bool beginTransaction();
    bool commit();
    bool rollback();
    bool inTransaction() const { return m_inTransaction; }

    /// Runs one statement without parameters (pragmas, fixed deletes).
    bool execute(const QString& sql);

    QString errorString() const { return m_error; }
    void setErrorString(const QString& text) { m_error = text; }

    QSqlDatabase& connection() { return m_db; }
    QString connectionName() const { return m_name; }

    static constexpr int BusyTimeoutMs = 5000;

private:
    QString m_name;
    QString m_filePath;
    QSqlDatabase m_db;
    QString m_error;
    bool m_inTransaction = false;
};

/// Scope guard for a transaction: rolls back on destruction unless commit() succeeded.
class Transaction
{
public:
    explicit Transaction(Database& db);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    /// False when the transaction could not be started (see Database::errorString()).
    bool isActive() const { return m_active; }
    bool commit();
    void rollback();

private:
    Database& m_db;
    bool m_active = false;
};
