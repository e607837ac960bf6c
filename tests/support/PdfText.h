#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

/// What a PDF holds, read with poppler's tools: the text of its pages in reading order
/// (pdftotext -layout), pages ending in a form feed. Empty when the file cannot be read.
inline QString pdfText(const QString& path)
{
    QProcess tool;
    tool.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), path, QStringLiteral("-")});
    if (!tool.waitForFinished(30000) || tool.exitStatus() != QProcess::NormalExit ||
        tool.exitCode() != 0)
        return {};
    return QString::fromUtf8(tool.readAllStandardOutput());
}

/// The number of pages of a PDF; -1 when it cannot be read.
inline int pdfPages(const QString& path)
{
    QProcess tool;
    tool.start(QStringLiteral("pdfinfo"), {path});
    if (!tool.waitForFinished(30000) || tool.exitStatus() != QProcess::NormalExit ||
        tool.exitCode() != 0)
        return -1;
    for (const QString& line : QString::fromUtf8(tool.readAllStandardOutput()).split(u'\n')) {
        if (line.startsWith(QStringLiteral("Pages:")))
            return line.mid(6).trimmed().toInt();
    }
    return -1;
}

/// Each page's size in points as pdfinfo gives it ("595 x 842"); empty when unreadable.
inline QStringList pdfPageSizes(const QString& path)
{
    QProcess tool;
    tool.start(QStringLiteral("pdfinfo"), {QStringLiteral("-f"), QStringLiteral("1"),
                                           QStringLiteral("-l"), QStringLiteral("9999"), path});
    if (!tool.waitForFinished(30000) || tool.exitStatus() != QProcess::NormalExit ||
        tool.exitCode() != 0)
        return {};
    QStringList sizes;
    for (const QString& line : QString::fromUtf8(tool.readAllStandardOutput()).split(u'\n')) {
        if (line.startsWith(QStringLiteral("Page")) && line.contains(QStringLiteral(" size:"))) {
            const QStringList words =
                line.mid(line.indexOf(QStringLiteral("size:")) + 5).simplified().split(u' ');
            if (words.size() >= 3)
                sizes << words.mid(0, 3).join(u' ');
        }
    }
    return sizes;
}

/// The text with runs of blanks made one, so that a table's cells read as words.
inline QString squeezed(const QString& text)
{
    return text.simplified();
}
