#pragma once

// Runs quillmere-tool as a user runs it and keeps what it said.

#include <QProcess>
#include <QStringList>

struct ToolRun {
    int exitCode = -1; // -1 when the tool crashed or did not end
    QByteArray out;
    QByteArray err;
};

inline ToolRun Tool(const QStringList& arguments, const QString& workingDirectory = QString())
{
    QProcess tool;
    if (!workingDirectory.isEmpty())
        tool.setWorkingDirectory(workingDirectory);
    tool.start(QStringLiteral(QUILLMERE_TOOL), arguments);
    if (!tool.waitForFinished(60000) || tool.exitStatus() != QProcess::NormalExit)
        return {};
    return {tool.exitCode(), tool.readAllStandardOutput(), tool.readAllStandardError()};
}
