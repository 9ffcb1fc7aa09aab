#pragma once

// Runs pfhost as a separate process, as a user's script run would, and collects what it printed.
#include <QByteArray>
#include <QFile>
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

// nx by ny unit quads on the XY plane as OBJ text, from (0, 0) to (nx, ny); vertex (i, j) is number
// j (nx + 1) + i + 1.
inline QByteArray gridObj(int nx, int ny) {
    QByteArray obj;
    for (int j = 0; j <= ny; ++j)
        for (int i = 0; i <= nx; ++i)
            obj += "v " + QByteArray::number(i) + " " + QByteArray::number(j) + " 0\n";
    for (int j = 0; j < ny; ++j)
        for (int i = 0; i < nx; ++i) {
            int const a = j * (nx + 1) + i + 1;
            obj += "f " + QByteArray::number(a) + " " + QByteArray::number(a + 1) + " " +
                   QByteArray::number(a + nx + 2) + " " + QByteArray::number(a + nx + 1) + "\n";
        }
    return obj;
}

// Writes the file anew; false when it cannot be opened.
inline bool writeTextFile(QString const& path, QByteArray const& text) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    f.write(text);
    return true;
}
