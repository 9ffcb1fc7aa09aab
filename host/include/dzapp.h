#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

class DzApp;
// The application object, set while one exists.
extern DzApp* dzApp;

class DzApp : public QObject {
    Q_OBJECT
public:
    explicit DzApp(QObject* parent = nullptr);
    ~DzApp() override;

    // Appends one line to the host's log (kept in memory, echoed to stderr when HV_HOST_LOG_STDERR is set).
    void log(QString const& line);
    QStringList const& getLogLines() const { return m_logLines; }
    void clearLog() { m_logLines.clear(); }

signals:
    void logged(QString const& line);

private:
    QStringList m_logLines;
};
