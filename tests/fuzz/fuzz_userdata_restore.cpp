// libFuzzer target: restoring a user data file into a working database.
//
// The input is the file's bytes. One working database is built from db/ per process, with
// the books a restore fills emptied (organisations, tariff bank, houses, the street and
// service marks); after every input they are emptied again, so every input starts from the
// same database and the work per input grows with the input only.
//
// Oracles, besides the sanitizers:
// - a file that can be read always restores (no database failure) and every line that is
//   not blank is counted once, as applied or as skipped;
// - what a restore takes in, a save writes and a restore brings back whole: the file saved
//   after restoring the input restores into the emptied database without a skipped line,
//   and saving again gives the same lines (in any order: the save reads without ORDER BY).
//
// Negative numbers are inputs like any other: a save writes their sign within the field,
// and the inputs in tests/fuzz/crashes/fuzz_userdata_restore/ (which once failed here) are
// replayed first.
//
// An oracle failure prints what differed and traps, so libFuzzer keeps the input.

#include "CommonFnc.h"
#include "Database.h"
#include "DbBuilder.h"
#include "UserData.h"

#include <QCoreApplication>
#include <QFile>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

using namespace Qt::Literals::StringLiterals;

namespace {

[[noreturn]] void fail(const QString& what)
{
    std::fprintf(stderr, "ORACLE FAILED: %s\n", what.toLocal8Bit().constData());
    std::fflush(stderr);
    __builtin_trap();
}

// The message is built only when the check fails: most checks run for every line.
#define CHECK(ok, what)                                                                            \
    do {                                                                                           \
        if (!(ok))                                                                                 \
            fail(what);                                                                            \
    } while (false)

struct Fixture
{
    QTemporaryDir dir;
    Database db;
    QString input;
    QString saved;
};

Fixture* g_fixture = nullptr;

void exec(const QString& sql)
{
    CHECK(g_fixture->db.execute(sql), sql + u": "_s + g_fixture->db.errorString());
}

/// Empties what a restore fills; the street and service catalogues stay, unmarked.
void emptyBooks()
{
    Database& db = g_fixture->db;
    CHECK(db.beginTransaction(), u"emptying: "_s + db.errorString());
    for (const char* sql :
         {"DELETE FROM Sprav_Dez", "DELETE FROM TariffBank", "DELETE FROM Sprav_HousesBTI",
          "DELETE FROM sqlite_sequence WHERE name = 'Sprav_HousesBTI'",
          "UPDATE Sprav_Streets SET Opt = 0 WHERE Opt IS NOT 0",
          "UPDATE Sprav_Services SET Opt = 0 WHERE Opt IS NOT 0"})
        exec(QString::fromLatin1(sql));
    CHECK(db.commit(), u"emptying: "_s + db.errorString());
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    CHECK(file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
              file.write(bytes) == bytes.size() && file.flush(),
          u"cannot write "_s + path);
}

/// The lines a save writes from the working database now.
QStringList savedLines(const char* when)
{
    const UserData::SaveResult saved = UserData::save(g_fixture->db, g_fixture->saved);
    CHECK(saved.outcome == UserData::SaveResult::Outcome::Saved,
          QString::fromLatin1(when) + u": the save refused what the restore took in: "_s +
              saved.message);
    QFile file(g_fixture->saved);
    CHECK(file.open(QIODevice::ReadOnly), u"cannot read the saved file"_s);
    QStringList lines = CommonFnc::OemToAnsi(file.readAll()).split(u"\r\n"_s);
    CHECK(lines.takeLast().isEmpty(), u"the saved file does not end with CR LF"_s);
    CHECK(lines.size() == saved.lines, u"the save's line count"_s);
    return lines;
}

qint64 nonBlankLines(const QByteArray& bytes)
{
    qint64 n = 0;
    for (const QString& line : CommonFnc::OemToAnsi(bytes).split(u'\n'))
        n += line.trimmed().isEmpty() ? 0 : 1;
    return n;
}

UserData::RestoreResult restoreChecked(const QString& path, const char* what)
{
    QFile file(path);
    CHECK(file.open(QIODevice::ReadOnly), u"cannot read "_s + path);
    const QByteArray bytes = file.readAll();
    file.close();
    const UserData::RestoreResult result = UserData::restore(g_fixture->db, path);
    CHECK(result.outcome == UserData::RestoreResult::Outcome::Restored,
          QString::fromLatin1(what) + u": not restored: "_s + result.message);
    CHECK(!g_fixture->db.inTransaction(), u"a transaction is left open"_s);
    CHECK(result.applied + result.skipped == nonBlankLines(bytes),
          u"%1: %2 applied + %3 skipped, %4 lines"_s.arg(QString::fromLatin1(what))
              .arg(result.applied)
              .arg(result.skipped)
              .arg(nonBlankLines(bytes)));
    return result;
}

QStringList sorted(QStringList lines)
{
    std::sort(lines.begin(), lines.end());
    return lines;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    static QCoreApplication app(*argc, *argv);
    g_fixture = new Fixture;
    // The temporary folder goes when the run ends (a crash leaves it to the caller's
    // TMPDIR). Only the files: Qt's own statics may be gone by then, so the connection is
    // left open.
    g_fixture->dir.setAutoRemove(false);
    static std::string folder;
    folder = g_fixture->dir.path().toStdString();
    std::atexit([] { std::filesystem::remove_all(folder); });
    CHECK(g_fixture->dir.isValid(), u"no temporary folder"_s);
    const QString work = g_fixture->dir.filePath(u"work.b"_s);
    QString error;
    CHECK(DbBuilder::build(DbBuilder::defaultSourceDir(), work, &error), error);
    CHECK(g_fixture->db.open(work), g_fixture->db.errorString());
    // Nothing here needs to survive a crash of the machine, and no other connection opens
    // the file: fewer syncs and no file locks for every statement.
    exec(u"PRAGMA synchronous = OFF"_s);
    exec(u"PRAGMA locking_mode = EXCLUSIVE"_s);
    emptyBooks();
    g_fixture->input = g_fixture->dir.filePath(u"input.udt"_s);
    g_fixture->saved = g_fixture->dir.filePath(u"saved.udt"_s);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    writeFile(g_fixture->input,
              QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size)));
    restoreChecked(g_fixture->input, "the input");
    const QStringList first = sorted(savedLines("after the input"));

    emptyBooks();
    const UserData::RestoreResult again = restoreChecked(g_fixture->saved, "the saved file");
    CHECK(again.skipped == 0,
          u"the saved file does not restore whole: %1 of its lines skipped"_s.arg(again.skipped));
    const QStringList second = sorted(savedLines("after the saved file"));
    if (first != second) {
        QString diff;
        for (const QString& line : first)
            if (!second.contains(line))
                diff += u"\n  lost:  "_s + line;
        for (const QString& line : second)
            if (!first.contains(line))
                diff += u"\n  added: "_s + line;
        fail(u"the saved file does not restore as it was:"_s + diff);
    }
    emptyBooks();
    return 0;
}
