#pragma once

// The script's commands, in the order pfhost --help lists them: the words that run each, its usage line and
// what it does. The runner dispatches by these words; a command without a handler of its own in the runner
// is one the plug-in's code offers (pluginScriptCommands). Only Qt Core, so the tests can read the table.

#include <QString>
#include <QStringList>

struct HostScriptCommandInfo {
    char const* names;  // blank-separated
    char const* usage;
    char const* help;  // '\n' starts a continuation line
};

inline constexpr HostScriptCommandInfo kHostScriptCommands[] = {
    {"open", "open PATH", "a scene file (.pfscene, .json) or any mesh assimp reads"},
    {"save", "save PATH", "save the scene"},
    {"screenshot", "screenshot PATH [window]",
     "the main view's pixels, or the whole window (format by the suffix)"},
    {"press release click", "press|release|click POS [MODS]",
     "mouse button at POS; MODS: shift ctrl alt (joined by + or blanks)\nand left (default), right or "
     "middle"},
    {"move", "move POS [MODS]", "mouse move (with the buttons pressed and not released)"},
    {"drag", "drag POS POS [MODS]", "press, eight moves, release"},
    {"wheel", "wheel DELTA [MODS]", "wheel at the last mouse position; 120 is one notch forward"},
    {"key keypress keyrelease", "key|keypress|keyrelease NAME [MODS]",
     "key press and release, press only, release only (Shift, Alt, Ctrl alone;\nE, PgUp, Escape...); a key "
     "that is an action's shortcut triggers the action"},
    {"project", "project X Y Z [NAME]", "world point to view pixels, printed; later POS can be @ or @NAME"},
    {"action", "action CLASSNAME", "trigger a registered action"},
    {"tool", "tool CLASSNAME", "make a registered tool active (DzPickTool, PfTool)"},
    {"select", "select NODE|none", "the primary selection"},
    {"camera", "camera EX EY EZ TX TY TZ", "camera at E looking at T"},
    {"frame", "frame [NODE]", "frame the scene or one node"},
    {"style", "style NAME", "draw style of the main view"},
    {"wait", "wait MS", "let timers run for MS milliseconds"},
    {"undo redo", "undo|redo", "the last step of the undo stack (fails when there is none)"},
    {"expect", "expect WHAT ARGS...",
     "a check: nodes N | selected-nodes N | selected-facets N | primary NODE|none |\ntool CLASSNAME | pixel "
     "POS "
     "R G B [TOL] | log TEXT | pf-faces I J... | pf-edges ... |\npf-vertices ... (or none) | pf-mesh-same "
     "NAME "
     "[TOL] [NODE] | pf-mesh-differs NAME [NODE] |\nwidget NAME checked|unchecked|partial|enabled|disabled|"
     "value V|text T|text-contains T |\nmorph NAME VALUE [DELTAS] | pf-deltas N"},
    {"answer", "answer BUTTON [FIELD=VALUE...]",
     "answers the next box or dialog that the next command opens (pf-run,\nwidget-click, key...): its "
     "controls set by object name (text, on, off,\npartial, a slider's value), then the button pressed, "
     "which must close it"},
    {"morph-dial", "morph-dial NAME VALUE", "dial the primary node's morph (1 is 100%)"},
    {"morph-favorite", "morph-favorite NAME on|off", "the morph's favourite mark"},
    {"pf-run", "pf-run reset|load|save",
     "a Pullform command: reset all deltas, load the favourite morphs, save\nthe deltas as a morph"},
    {"pf-selection-type", "pf-selection-type vertex|edge|face", "what the Pullform tool selects"},
    {"pf-falloff", "pf-falloff RADIUS [MODE]",
     "the falloff radius (tenths of a unit) and curve:\n0 smooth, 1 sphere, 2 inverse square, 3 sharp, 4 "
     "linear, 5 constant, 6 random"},
    {"pf-gizmo-drag", "pf-gizmo-drag x|y|z DX DY DZ", "drag the gizmo's axis cone by the world offset"},
    {"pf-gizmo-rotate", "pf-gizmo-rotate x|y|z DEGREES", "turn the gizmo's ring about the axis by the angle"},
    {"pf-mesh-snapshot", "pf-mesh-snapshot NAME [NODE]", "keep the node's evaluated mesh under the name"},
    {"pf-summary", "pf-summary", "print the primary node's deltas and the undo stack's position"},
    {"widget-check", "widget-check NAME [on|off|partial]",
     "check the radio button or set the check box of that object name"},
    {"widget-slider", "widget-slider NAME VALUE", "move the slider of that object name to the value"},
    {"widget-text", "widget-text NAME TEXT", "type the text into the control's value field, then Enter"},
    {"widget-click", "widget-click NAME",
     "press the button (BOX:TEXT: the button of a button box);\na dialog it opens takes the queued answer"},
};

// The words of the command that cmd (lower case) names, or null.
inline HostScriptCommandInfo const* pfHostScriptCommand(QString const& cmd) {
    for (HostScriptCommandInfo const& c : kHostScriptCommands)
        if (QString::fromLatin1(c.names).split(QLatin1Char(' ')).contains(cmd))
            return &c;
    return nullptr;
}

// The commands' part of pfhost --help: a usage line each, the help beside it.
inline QString pfHostScriptCommandHelp() {
    int const column = 28;
    QString text;
    for (HostScriptCommandInfo const& c : kHostScriptCommands) {
        QString const usage = QStringLiteral("  ") + QLatin1String(c.usage);
        QStringList const lines = QString::fromLatin1(c.help).split(QLatin1Char('\n'));
        text += usage.size() < column ? usage.leftJustified(column)
                                      : usage + QLatin1Char('\n') + QString(column, QLatin1Char(' '));
        text += lines.join(QLatin1Char('\n') + QString(column + 2, QLatin1Char(' '))) + QLatin1Char('\n');
    }
    return text;
}
