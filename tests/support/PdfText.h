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

/// The text with runs of blanks made one, so that a table's cells read as words.
inline QString squeezed(const QString& text)
{
    return text.simplified();
}
