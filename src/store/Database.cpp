#include "Database.h"

#include <QAtomicInt>
#include <QFileInfo>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>

#include <sqlite3.h>

using namespace Qt::Literals::StringLiterals;

namespace {

/// FOLD(text): the text in one letter case, Cyrillic included, which SQLite's own
/// lower() and LIKE do not fold. A search compares both sides through it.
void foldText(sqlite3_context* context, int, sqlite3_value** values)
{
    if (sqlite3_value_type(values[0]) == SQLITE_NULL) {
        sqlite3_result_null(context);
        return;
    }
    const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(values[0]));
    const QByteArray folded =
        QString::fromUtf8(text, sqlite3_value_bytes(values[0])).toCaseFolded().toUtf8();
    sqlite3_result_text(context, folded.constData(), int(folded.size()), SQLITE_TRANSIENT);
}

/// Adds the program's own SQL functions to the connection.
bool addFunctions(QSqlDatabase& db)
{
    const QVariant handle = db.driver()->handle();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0)
        return false;
    sqlite3* connection = *static_cast<sqlite3* const*>(handle.constData());
    return connection &&
           sqlite3_create_function_v2(connection, "FOLD", 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC,
                                      nullptr, foldText, nullptr, nullptr, nullptr) == SQLITE_OK;
}
QAtomicInt connectionCounter;

QString describe(const QSqlError& error)
{
    const QString text = error.text().trimmed();
    return text.isEmpty() ? u"неизвестная ошибка"_s : text;
}
} // namespace

Database::Database()
    : m_name(u"orbelon-"_s + QString::number(connectionCounter.fetchAndAddRelaxed(1)))
{}

Database::~Database()
{
    close();
    m_db = QSqlDatabase();
    if (QSqlDatabase::contains(m_name))
        QSqlDatabase::removeDatabase(m_name);
}

bool Database::open(const QString& filePath)
{
    close();
    m_error.clear();
    const QFileInfo info(filePath);
    if (!info.isFile()) {
        m_error = u"Файл базы данных не найден: "_s + filePath;
        return false;
    }
    if (!QSqlDatabase::contains(m_name))
        m_db = QSqlDatabase::addDatabase(u"QSQLITE"_s, m_name);
    else
        m_db = QSqlDatabase::database(m_name, false);
    if (!m_db.isValid()) {
        m_error = u"Драйвер SQLite не установлен."_s;
        return false;
    }
    m_db.setDatabaseName(info.absoluteFilePath());
    m_db.setConnectOptions(u"QSQLITE_BUSY_TIMEOUT="_s + QString::number(BusyTimeoutMs));
    if (!m_db.open()) {
        m_error = describe(m_db.lastError());
        return false;
    }
    // SQLite opens any file lazily; the first read of the catalogue tells whether
    // it really is a database.
    QSqlQuery probe(m_db);
    if (!probe.exec(u"SELECT count(*) FROM sqlite_master"_s) || !probe.next()) {
        m_error = describe(probe.lastError());
        probe = QSqlQuery();
        m_db.close();
        return false;
    }
    probe.finish();
    QSqlQuery pragma(m_db);
    if (!pragma.exec(u"PRAGMA journal_mode = WAL"_s) ||
        !pragma.exec(u"PRAGMA foreign_keys = OFF"_s)) {
        m_error = describe(pragma.lastError());
        pragma = QSqlQuery();
        m_db.close();
        return false;
    }
    pragma.finish();
    if (!addFunctions(m_db)) {
        m_error = u"Не удалось подготовить соединение с базой данных."_s;
        m_db.close();
        return false;
    }
    m_filePath = info.absoluteFilePath();
    return true;
}

void Database::close()
{
    if (m_db.isOpen()) {
        if (m_inTransaction)
            m_db.rollback();
        m_db.close();
    }
    m_inTransaction = false;
    m_filePath.clear();
}

bool Database::isOpen() const
{
    return m_db.isOpen();
}

bool Database::checkIntegrity(QString* problem)
{
    QSqlQuery query(m_db);
    // A file cut short ends within a page.
    if (query.exec(u"PRAGMA page_size"_s) && query.next()) {
        const qint64 pageSize = query.value(0).toLongLong();
        const qint64 size = QFileInfo(m_filePath).size();
        if (pageSize > 0 && size % pageSize != 0) {
            *problem = u"размер файла не кратен размеру страницы"_s;
            return false;
        }
    }
    query.finish();
    if (!query.exec(u"PRAGMA quick_check(1)"_s)) {
        *problem = describe(query.lastError());
        return false;
    }
    if (!query.next()) {
        *problem = u"проверка не дала ответа"_s;
        return false;
    }
    const QString answer = query.value(0).toString();
    query.finish();
    if (answer.compare(u"ok"_s, Qt::CaseInsensitive) != 0) {
        *problem = answer;
        return false;
    }
    return true;
}

QStringList Database::missingTables(const QStringList& required)
{
    QStringList present;
    QSqlQuery query(m_db);
    if (!query.exec(u"SELECT name FROM sqlite_master WHERE type = 'table'"_s)) {
        m_error = describe(query.lastError());
        return {};
    }
    while (query.next())
        present << query.value(0).toString().toLower();
    QStringList missing;
    for (const QString& table : required) {
        if (!present.contains(table.toLower()))
            missing << table;
    }
    return missing;
}

bool Database::beginTransaction()
{
    if (m_inTransaction) {
        m_error = u"Транзакция уже начата."_s;
        return false;
    }
    if (!m_db.transaction()) {
        m_error = u"Не удалось начать транзакцию: "_s + describe(m_db.lastError());
        return false;
    }
    m_inTransaction = true;
    return true;
}

bool Database::commit()
{
    if (!m_inTransaction) {
        m_error = u"Нет начатой транзакции."_s;
        return false;
    }
    if (!m_db.commit()) {
        m_error = u"Не удалось завершить транзакцию: "_s + describe(m_db.lastError());
        return false;
    }
    m_inTransaction = false;
    return true;
}

bool Database::rollback()
{
    if (!m_inTransaction)
        return true;
    m_inTransaction = false;
    if (!m_db.rollback()) {
        m_error = u"Не удалось отменить транзакцию: "_s + describe(m_db.lastError());
        return false;
    }
    return true;
}

bool Database::execute(const QString& sql)
{
    QSqlQuery query(m_db);
    if (!query.exec(sql)) {
        m_error = describe(query.lastError());
        return false;
    }
    return true;
}

Transaction::Transaction(Database& db)
    : m_db(db)
    , m_active(db.beginTransaction())
{}

Transaction::~Transaction()
{
    rollback();
}

bool Transaction::commit()
{
    if (!m_active)
        return false;
    if (!m_db.commit()) {
        rollback();
        return false;
    }
    m_active = false;
    return true;
}

void Transaction::rollback()
{
    if (m_active) {
        const QString error = m_db.errorString();
        m_db.rollback();
        // Keep the message of the failure that caused the rollback.
        if (!error.isEmpty())
            m_db.setErrorString(error);
        m_active = false;
    }
}
