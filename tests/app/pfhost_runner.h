#pragma once

// Runs pfhost as a separate process, as a user's script run would, and collects what it printed; and the
// fixture of the suites that run scripts on a grid.
#include <gtest/gtest.h>

#include <QByteArray>
#include <QFile>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

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

// A fresh folder holding "grid.obj" (nx by ny unit quads, see gridObj) and a settings folder of its own, in
// which scripts run: run(text) writes the text as "script.txt" and runs it at the view size (empty: pfhost's
// default).
class PfhostScriptTest : public ::testing::Test {
protected:
    PfhostScriptTest(int nx, int ny, QString viewSize)
        : m_nx(nx), m_ny(ny), m_viewSize(std::move(viewSize)) {}

    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        ASSERT_TRUE(writeTextFile(path("grid.obj"), gridObj(m_nx, m_ny)));
    }
    QString path(QString const& name) const { return dir.filePath(name); }
    // pfhost with these arguments after the folder's --settings.
    PfhostRun pfhost(QStringList const& args) const {
        return runPfhost(dir.path(), QStringList{"--settings", path("settings")} + args);
    }
    // The script file as given (relative to the folder), with more arguments after it.
    PfhostRun runFile(QString const& script, QStringList const& more = {}) const {
        QStringList args{"--script", script};
        if (!m_viewSize.isEmpty())
            args << "--size" << m_viewSize;
        return pfhost(args + more);
    }
    PfhostRun run(QString const& text, QStringList const& more = {}) const {
        if (!writeTextFile(path("script.txt"), text.toUtf8())) {
            PfhostRun failed;
            failed.err = "cannot write script.txt";
            return failed;
        }
        return runFile("script.txt", more);
    }

    QTemporaryDir dir;

private:
    int m_nx, m_ny;
    QString m_viewSize;
};
