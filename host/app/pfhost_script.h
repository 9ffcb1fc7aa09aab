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
class HostScript {
public:
    HostScript(DzMainWindow* window, QString path);

    // 0 when every line ran, 1 on the first failure (the message is in error()).
    int run();
    QString const& error() const { return m_error; }
    // What the script printed (project results), one entry a line.
    QStringList const& output() const { return m_output; }

    // Runs one line's text; false with the reason (without file and line).
    bool runLine(QString const& line, QString& error);

    // The commands (see pfhost_script_commands.h): cmd is the command's word as written, lower case, t the
    // line's tokens; false with the reason.
    bool runOpen(QString const& cmd, QStringList const& t, QString& error);
    bool runSave(QString const& cmd, QStringList const& t, QString& error);
    bool runScreenshot(QString const& cmd, QStringList const& t, QString& error);
    bool runMouse(QString const& cmd, QStringList const& t, QString& error);
    bool runDrag(QString const& cmd, QStringList const& t, QString& error);
    bool runWheel(QString const& cmd, QStringList const& t, QString& error);
    bool runKey(QString const& cmd, QStringList const& t, QString& error);
    bool runProject(QString const& cmd, QStringList const& t, QString& error);
    bool runAction(QString const& cmd, QStringList const& t, QString& error);
    bool runTool(QString const& cmd, QStringList const& t, QString& error);
    bool runSelect(QString const& cmd, QStringList const& t, QString& error);
    bool runCamera(QString const& cmd, QStringList const& t, QString& error);
    bool runFrame(QString const& cmd, QStringList const& t, QString& error);
    bool runStyle(QString const& cmd, QStringList const& t, QString& error);
    bool runWait(QString const& cmd, QStringList const& t, QString& error);
    bool runUndoRedo(QString const& cmd, QStringList const& t, QString& error);
    bool runExpect(QString const& cmd, QStringList const& t, QString& error);

private:
    struct Modifiers {
        Qt::KeyboardModifiers keys;
        Qt::MouseButton button = Qt::LeftButton;
    };
    Dz3DViewport* view() const;
    // False with "usage: USAGE" unless the line has min to max arguments (max < 0: no limit).
    static bool needArgs(QStringList const& t, int min, int max, char const* usage, QString& error);
    bool parsePoint(QStringList const& t, int& i, QPoint& at, QString& error) const;
    static bool parseModifiers(QStringList const& t, int from, Modifiers& m, QString& error);
    // A whole number within lo to hi, a finite number within single precision: false with the refusal (see
    // pfhost_script_args.h).
    static bool parseWhole(QString const& text, QString const& what, int lo, int hi, QString const& unit,
                           int& value, QString& error);
    static bool parseFloat(QString const& text, float& value, QString const& what, QString& error);
    static bool parseKey(QString const& name, int& key, QString& error);
    bool check(QStringList const& t, QString& error);
    // The message with the line's command in front, unless it names it already (a usage line, a check's
    // "expected WHAT ...").
    QString named(QString const& message) const;
    bool isCheck(QString const& what) const;
    void sendMouse(int type, QPoint const& at, Qt::MouseButton button, Qt::KeyboardModifiers keys);
    void sendKey(bool press, int key, Qt::KeyboardModifiers keys);
    bool triggerShortcut(int key, Qt::KeyboardModifiers keys);
    // Answers message boxes opened by a command; their texts make the command fail.
    QStringList takeBoxes();

    DzMainWindow* m_window;
    QString m_path;
    QString m_error;
    QString m_command;  // the running line's command ("click", "expect nodes"), for its messages
    QStringList m_output;
    QMap<QString, QPointF> m_points;  // "@" and "@name"
    QPoint m_mouse;
    Qt::MouseButtons m_held;
    std::map<QString, HostCheck> m_pluginChecks;
    std::map<QString, HostCommand> m_pluginCommands;
};
