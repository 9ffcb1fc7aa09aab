// The script's command table, pfhost --help and the command table of host/app/README.md name the same
// commands.
#include <gtest/gtest.h>

#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>

#include "pfhost_runner.h"
#include "pfhost_script_commands.h"

namespace {

// Sorted, so that a difference reads plainly.
QStringList sorted(QSet<QString> const& names) {
    QStringList list = names.values();
    list.sort();
    return list;
}

QStringList tableCommands() {
    QSet<QString> names;
    for (HostScriptCommandInfo const& c : kHostScriptCommands)
        for (QString const& name : QString::fromLatin1(c.names).split(' ')) names << name;
    return sorted(names);
}

TEST(HostHelp, ListsEveryCommandOfTheTableWithItsUsage) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    PfhostRun const help = runPfhost(dir.path(), {"--settings", dir.filePath("settings"), "--help"});
    ASSERT_EQ(help.exitCode, 0) << help.err.toStdString();
    // The usage lines sit between the script heading and "POS is", two blanks in.
    QSet<QString> listed;
    bool inCommands = false;
    for (QString const& line : help.out.split('\n')) {
        if (line.startsWith("Script ("))
            inCommands = true;
        else if (line.startsWith("POS is"))
            inCommands = false;
        else if (inCommands && line.startsWith("  ") && line.at(2) != ' ')
            for (QString const& name : line.trimmed().section(' ', 0, 0).split('|')) listed << name;
    }
    EXPECT_EQ(sorted(listed).join(' ').toStdString(), tableCommands().join(' ').toStdString());
    for (HostScriptCommandInfo const& c : kHostScriptCommands)
        EXPECT_TRUE(help.out.contains(QStringLiteral("  ") + c.usage)) << c.usage;
}

TEST(HostHelp, TheReadmeTableListsTheCommandsOfTheTable) {
    QFile readme(PFHOST_README);
    ASSERT_TRUE(readme.open(QIODevice::ReadOnly | QIODevice::Text)) << PFHOST_README;
    QString const text = QString::fromUtf8(readme.readAll());
    int const from = text.indexOf("## Script mode");
    ASSERT_GE(from, 0);
    // The first column's `code` items: the command is the first word of each, the check's word after
    // "expect" is part of the expect command.
    QSet<QString> listed;
    QRegularExpression const code("`([^`]+)`");
    for (QString const& line : text.mid(from).split('\n')) {
        if (!line.startsWith("| `"))
            continue;
        QString const first = line.mid(2).section(" | ", 0, 0);
        for (auto m = code.globalMatch(first); m.hasNext();)
            listed << m.next().captured(1).section(' ', 0, 0);
    }
    EXPECT_EQ(sorted(listed).join(' ').toStdString(), tableCommands().join(' ').toStdString());
}

}  // namespace
