#pragma once

#include "Database.h"

#include <QTemporaryDir>
#include <QVariantMap>

/// A fresh working database built from db/ in a temporary folder, laid out as the
/// program expects it (<folder>/Base/Dude.b), and opened.
class TestDatabase
{
public:
    TestDatabase();

    /// False when the folder or the database could not be made; error() tells why.
    bool isValid() const { return m_valid; }
    QString error() const { return m_error; }
    /// The working folder: the program's current directory.
    QString directory() const { return m_dir.path(); }
    QString filePath() const;
    Database& db() { return m_db; }

    /// Runs statements for a fixture; fails the calling test through QVERIFY-able bool.
    bool exec(const QString& sql);
    /// The single value of a query (count(*) and the like); invalid on failure.
    QVariant scalar(const QString& sql);
    /// The first row of a query by column name, as the main window's lists hand rows to
    /// the editors; empty on failure or when there is no row.
    QVariantMap row(const QString& sql);

private:
    QTemporaryDir m_dir;
    Database m_db;
    bool m_valid = false;
    QString m_error;
};
