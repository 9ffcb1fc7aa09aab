#pragma once

#include <QMap>
#include <QPoint>
#include <QPointF>
#include <QString>
#include <QStringList>
#include <map>

#include "pfhost_tools.h"

class Dz3DViewport;
class DzMainWindow;
class QWidget;

// Runs a pfhost script (see README.md): one command a line, viewport events at pixels of the main 3D view,
// world points projected to pixels, actions, tools, files and checks. The first failing line stops the run;
// its message names the file, the line number and what was wrong.
class PfHostScript {
public:
    PfHostScript(DzMainWindow* window, QString path);

    // 0 when every line ran, 1 on the first failure (the message is in error()).
    int run();
    QString const& error() const { return m_error; }
    // What the script printed (project results), one entry a line.
    QStringList const& output() const { return m_output; }

    // Runs one line's text; false with the reason (without file and line).
    bool runLine(QString const& line, QString& error);

private:
    struct Modifiers {
        Qt::KeyboardModifiers keys;
        Qt::MouseButton button = Qt::LeftButton;
    };
    Dz3DViewport* view() const;
    bool parsePoint(QStringList const& t, int& i, QPoint& at, QString& error) const;
    static bool parseModifiers(QStringList const& t, int from, Modifiers& m, QString& error);
    static bool parseInt(QString const& text, int& value, QString const& what, QString& error);
    static bool parseFloat(QString const& text, float& value, QString const& what, QString& error);
    static bool parseKey(QString const& name, int& key, QString& error);
    bool check(QStringList const& t, QString& error);
    void sendMouse(int type, QPoint const& at, Qt::MouseButton button, Qt::KeyboardModifiers keys);
    void sendKey(bool press, int key, Qt::KeyboardModifiers keys);
    bool triggerShortcut(int key, Qt::KeyboardModifiers keys);
    // Answers message boxes opened by a command; their texts make the command fail.
    QStringList takeBoxes();

    DzMainWindow* m_window;
    QString m_path;
    QString m_error;
    QStringList m_output;
    QMap<QString, QPointF> m_points;  // "@" and "@name"
    QPoint m_mouse;
    Qt::MouseButtons m_held;
    std::map<QString, PfHostCheck> m_pluginChecks;
    std::map<QString, PfHostCommand> m_pluginCommands;
};
