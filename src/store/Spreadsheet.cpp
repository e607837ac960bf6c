#include "Spreadsheet.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <xlsxwriter.h>

using namespace Qt::Literals::StringLiterals;

namespace Spreadsheet {

bool writeTextTable(const QString& path, const QList<QStringList>& rows, QString* error)
{
    QString dummy;
    if (!error)
        error = &dummy;
    const QFileInfo target(path);
    if (!QDir().mkpath(target.absolutePath())) {
        *error = u"Не удалось создать папку "_s + target.absolutePath();
        return false;
    }
    const QString partial = target.absoluteFilePath() + u".part"_s;
    QFile::remove(partial);

    lxw_workbook* workbook = workbook_new(QFile::encodeName(partial).constData());
    if (!workbook) {
        *error = u"Не удалось создать файл "_s + target.absoluteFilePath();
        return false;
    }
    lxw_worksheet* sheet = workbook_add_worksheet(workbook, nullptr);
    lxw_format* text = workbook_add_format(workbook);
    format_set_num_format(text, "@");
    lxw_error status = LXW_NO_ERROR;
    for (int r = 0; r < rows.size() && status == LXW_NO_ERROR; ++r) {
        const QStringList& row = rows[r];
        for (int c = 0; c < row.size() && status == LXW_NO_ERROR; ++c) {
            // An empty text still gets the text format, as the operator may type into it.
            const QByteArray utf8 = row[c].toUtf8();
            status = utf8.isEmpty()
                         ? worksheet_write_blank(sheet, lxw_row_t(r + 1), lxw_col_t(c), text)
                         : worksheet_write_string(sheet, lxw_row_t(r + 1), lxw_col_t(c),
                                                  utf8.constData(), text);
        }
    }
    const lxw_error closed = workbook_close(workbook);
    if (status == LXW_NO_ERROR)
        status = closed;
    if (status != LXW_NO_ERROR) {
        QFile::remove(partial);
        *error = u"Не удалось записать файл "_s + target.absoluteFilePath() + u": "_s +
                 QString::fromUtf8(lxw_strerror(status));
        return false;
    }
    QFile::remove(target.absoluteFilePath());
    if (!QFile::rename(partial, target.absoluteFilePath())) {
        QFile::remove(partial);
        *error = u"Не удалось записать файл "_s + target.absoluteFilePath();
        return false;
    }
    return true;
}

} // namespace Spreadsheet
