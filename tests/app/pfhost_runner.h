#pragma once

// Runs pfhost as a separate process, as a user's script run would, and collects what it printed.
#include <QProcess>
#include <QString>
#include <QStringList>

struct PfhostRun {
    int exitCode = -1;  // -2: pfhost crashed
    QString out;
    QString err;
};

inline PfhostRun runPfhost(QString const& workingDir, QStringList const& args) {
    QProcess p;
    p.setWorkingDirectory(workingDir);
    p.start(PFHOST_EXE, args);
    PfhostRun r;
    if (!p.waitForFinished(60000)) {
        p.kill();
        p.waitForFinished();
        r.err = "pfhost did not finish";
        return r;
    }
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2;
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}
