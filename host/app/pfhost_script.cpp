#include "pfhost_script.h"

#include "pfhost_answers.h"
#include "pfhost_script_args.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QFile>
#include <QMessageBox>
#include <QPointer>
#include <QRegularExpression>
#include <QTextStream>
#include <QTimer>
#include <cstdio>

#include "dz3dviewport.h"
#include "dzaction.h"
#include "dzactionmgr.h"
#include "dzapp.h"
#include "dzcamera.h"
#include "dzdrawstyle.h"
#include "dzfacetmesh.h"
#include "dzmainwindow.h"
#include "dznode.h"
#include "dzobject.h"
#include "dzscene.h"
#include "dzshape.h"
#include "dzsyntheticinput.h"
#include "dzundostack.h"
#include "dzviewport.h"
#include "dzviewportmgr.h"
#include "dzviewtool.h"
#include "pfhost_script_commands.h"
#include "pfhost_window.h"

#include <cmath>
#include <limits>

namespace {

QString quoted(QString const& s) {
    return pfHostQuoted(s);
}

// Splits on blanks; "double quotes" keep blanks; # outside quotes starts a comment.
bool tokenize(QString const& line, QStringList& tokens, QString& error) {
    tokens.clear();
    QString current;
    bool inQuotes = false, haveToken = false;
    for (QChar c : line) {
        if (inQuotes) {
            if (c == '"')
                inQuotes = false;
            else
                current += c;
            continue;
        }
        if (c == '#')
            break;
        if (c == '"') {
            inQuotes = true;
            haveToken = true;
        } else if (c.isSpace()) {
            if (haveToken)
                tokens << current;
            current.clear();
            haveToken = false;
        } else {
            current += c;
            haveToken = true;
        }
    }
    if (inQuotes) {
        error = QStringLiteral("unclosed double quote");
        return false;
    }
    if (haveToken)
        tokens << current;
    return true;
}

// A box's text is the system's own, not the script's: it is kept whole up to the message's own bound.
QString boxAppeared(QString const& text) {
    return QStringLiteral("a message box appeared: \u201C%1\u201D").arg(pfHostBoundedMessage(text));
}

DzFacetMesh* primaryBaseGeometry() {
    DzNode* node = dzScene->getPrimarySelection();
    DzObject* object = node ? node->getObject() : nullptr;
    DzShape* shape = object ? object->getCurrentShape() : nullptr;
    return shape ? shape->getGeometry() : nullptr;
}

}  // namespace

HostScript::HostScript(DzMainWindow* window, QString path)
    : m_window(window),
      m_path(std::move(path)),
      m_pluginChecks(pluginScriptChecks()),
      m_pluginCommands(pluginScriptCommands()) {}

Dz3DViewport* HostScript::view() const {
    DzViewportMgr* mgr = m_window ? m_window->getViewportMgr() : nullptr;
    DzViewport* viewport = mgr ? mgr->getViewport(0) : nullptr;
    return viewport ? viewport->get3DViewport() : nullptr;
}

int HostScript::run() {
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        m_error = QStringLiteral("%1: cannot read the script: %2").arg(m_path, file.errorString());
        return 1;
    }
    Dz3DViewport* v = view();
    if (!v) {
        m_error = QStringLiteral("%1: the main window has no 3D view").arg(m_path);
        return 1;
    }
    m_mouse = QPoint(v->width() / 2, v->height() / 2);
    QTextStream in(&file);
    in.setCodec("UTF-8");
    int lineNo = 0;
    // HV_SCRIPT_TIMES=1: each command's wall time, with the events it caused (the redraw included), on
    // stderr.
    bool const timed = qEnvironmentVariableIntValue("HV_SCRIPT_TIMES") != 0;
    QElapsedTimer clock;
    int answerLine = 0;  // where the answers still queued began
    while (!in.atEnd()) {
        QString const line = in.readLine();
        ++lineNo;
        QString error;
        clock.start();
        bool const answersBefore = pfHostHasQueuedAnswers();
        bool const ok = runLine(line, error);
        if (!answersBefore && pfHostHasQueuedAnswers())
            answerLine = lineNo;
        // Timers the command started (delayed redraws) get their turn between lines.
        QCoreApplication::processEvents();
        if (timed && !line.trimmed().isEmpty() && !line.trimmed().startsWith('#'))
            std::fprintf(stderr, "pfhost: %s:%d: %.1f ms: %s\n", qPrintable(m_path), lineNo,
                         double(clock.nsecsElapsed()) / 1e6, qPrintable(line.trimmed()));
        QStringList const boxes = takeBoxes();
        if (ok && !boxes.isEmpty())
            error = named(boxAppeared(boxes.join(QStringLiteral("; "))));
        if (!ok || !boxes.isEmpty()) {
            m_error = pfHostBoundedMessage(QStringLiteral("%1:%2: %3").arg(m_path).arg(lineNo).arg(error));
            return 1;
        }
    }
    // An answer on the last lines has no command left to open its box.
    if (pfHostHasQueuedAnswers()) {
        m_error = pfHostBoundedMessage(
            QStringLiteral("%1:%2: answer: no command follows to open a box for the answer %3")
                .arg(m_path)
                .arg(answerLine)
                .arg(pfHostTakeUnusedAnswers()));
        return 1;
    }
    return 0;
}

QStringList HostScript::takeBoxes() {
    QStringList texts;
    // A box opened inside a command has been answered already (see the answering timer in runLine); those
    // still open now are answered here.
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible()) {
            texts << box->text();
            box->done(QMessageBox::Cancel);
        }
    }
    return texts;
}

bool HostScript::parseWhole(QString const& text, QString const& what, int lo, int hi, QString const& unit,
                            int& value, QString& error) {
    qint64 wide = 0;
    if (!pfHostParseWhole(text, what, lo, hi, unit, wide, error))
        return false;
    value = int(wide);
    return true;
}

bool HostScript::parseFloat(QString const& text, float& value, QString const& what, QString& error) {
    double const inf = std::numeric_limits<double>::infinity();
    double wide = 0;
    if (!pfHostParseNumber(text, what, -inf, inf, QString(), wide, error))
        return false;
    value = float(wide);
    return true;
}

namespace {

// Pixels as far outside the view as any script needs; beyond, a drag's steps would overflow an int.
double const kPixelReach = 100000.0;

bool pixelInReach(double x, double y) {
    return std::fabs(x) <= kPixelReach && std::fabs(y) <= kPixelReach;
}

}  // namespace

// A point is "X Y" in pixels (numbers, rounded down) or one token "@" (the last projection) or "@name".
bool HostScript::parsePoint(QStringList const& t, int& i, QPoint& at, QString& error) const {
    if (i >= t.size()) {
        error = QStringLiteral("a position is missing (X Y, @ or @name)");
        return false;
    }
    if (t[i].startsWith('@')) {
        auto it = m_points.find(t[i]);
        if (it == m_points.end()) {
            error = QStringLiteral("no projected point %1 (use project first)").arg(quoted(t[i]));
            return false;
        }
        at = QPoint(int(std::floor(it->x())), int(std::floor(it->y())));
        ++i;
        return true;
    }
    if (i + 1 >= t.size()) {
        error = QStringLiteral("a position needs X and Y");
        return false;
    }
    float x = 0, y = 0;
    if (!parseFloat(t[i], x, QStringLiteral("X"), error) ||
        !parseFloat(t[i + 1], y, QStringLiteral("Y"), error))
        return false;
    for (int k = 0; k < 2; ++k)
        if (!pixelInReach(k ? y : x, 0)) {
            error = QStringLiteral("%1 must lie between -%2 and %2 pixels, not %3")
                        .arg(QLatin1String(k ? "Y" : "X"))
                        .arg(kPixelReach)
                        .arg(quoted(t[i + k]));
            return false;
        }
    at = QPoint(int(std::floor(x)), int(std::floor(y)));
    i += 2;
    return true;
}

bool HostScript::parseModifiers(QStringList const& t, int from, Modifiers& m, QString& error) {
    for (int i = from; i < t.size(); ++i)
        for (QString const& part : t[i].toLower().split('+', Qt::SkipEmptyParts)) {
            if (part == QLatin1String("shift"))
                m.keys |= Qt::ShiftModifier;
            else if (part == QLatin1String("ctrl") || part == QLatin1String("control"))
                m.keys |= Qt::ControlModifier;
            else if (part == QLatin1String("alt"))
                m.keys |= Qt::AltModifier;
            else if (part == QLatin1String("left"))
                m.button = Qt::LeftButton;
            else if (part == QLatin1String("right"))
                m.button = Qt::RightButton;
            else if (part == QLatin1String("middle"))
                m.button = Qt::MiddleButton;
            else {
                error =
                    QStringLiteral("unknown modifier or button %1 (shift, ctrl, alt, left, right, middle)")
                        .arg(quoted(t[i]));
                return false;
            }
        }
    return true;
}

bool HostScript::parseKey(QString const& name, int& key, QString& error) {
    QString const lower = name.toLower();
    if (lower == QLatin1String("shift"))
        key = Qt::Key_Shift;
    else if (lower == QLatin1String("ctrl") || lower == QLatin1String("control"))
        key = Qt::Key_Control;
    else if (lower == QLatin1String("alt"))
        key = Qt::Key_Alt;
    else {
        QKeySequence const seq = QKeySequence::fromString(name, QKeySequence::PortableText);
        key = seq.isEmpty() ? 0 : int(seq[0] & ~Qt::KeyboardModifierMask);
        if (seq.count() != 1 || key == 0 || key == Qt::Key_unknown || (seq[0] & Qt::KeyboardModifierMask)) {
            error = QStringLiteral("unknown key %1 (a key name such as E, PgUp, Escape, Shift)")
                        .arg(quoted(name));
            return false;
        }
    }
    return true;
}

void HostScript::sendMouse(int type, QPoint const& at, Qt::MouseButton button, Qt::KeyboardModifiers keys) {
    Dz3DViewport* v = view();
    if (type == QEvent::MouseButtonPress)
        m_held |= button;
    else if (type == QEvent::MouseButtonRelease)
        m_held &= ~button;
    dzinput::sendMouse(v, QEvent::Type(type), at, type == QEvent::MouseMove ? Qt::NoButton : button, m_held,
                       keys);
    m_mouse = at;
}

// A key that is the shortcut of one of the window's actions triggers it, as it would for a person.
bool HostScript::triggerShortcut(int key, Qt::KeyboardModifiers keys) {
    QKeySequence const seq(key | int(keys));
    QList<QAction*> actions = m_window->findChildren<QAction*>();
    for (QAction* a : actions)
        if (a->isEnabled() && a->shortcut() == seq) {
            a->trigger();
            return true;
        }
    return false;
}

void HostScript::sendKey(bool press, int key, Qt::KeyboardModifiers keys) {
    dzinput::sendKey(view(), press ? QEvent::KeyPress : QEvent::KeyRelease, key, keys,
                     dzinput::typedText(key, keys));
}

namespace {

using Handler = bool (HostScript::*)(QString const& cmd, QStringList const& t, QString& error);

// The runner's own commands, by the first word of their entry in kHostScriptCommands.
std::map<QString, Handler> const kHandlers = {
    {"open", &HostScript::runOpen},
    {"save", &HostScript::runSave},
    {"screenshot", &HostScript::runScreenshot},
    {"press", &HostScript::runMouse},
    {"move", &HostScript::runMouse},
    {"drag", &HostScript::runDrag},
    {"wheel", &HostScript::runWheel},
    {"key", &HostScript::runKey},
    {"project", &HostScript::runProject},
    {"action", &HostScript::runAction},
    {"tool", &HostScript::runTool},
    {"select", &HostScript::runSelect},
    {"camera", &HostScript::runCamera},
    {"frame", &HostScript::runFrame},
    {"style", &HostScript::runStyle},
    {"wait", &HostScript::runWait},
    {"undo", &HostScript::runUndoRedo},
    {"expect", &HostScript::runExpect},
};

}  // namespace

bool HostScript::needArgs(QStringList const& t, int min, int max, char const* usage, QString& error) {
    int const n = t.size() - 1;
    if (n >= min && (max < 0 || n <= max))
        return true;
    error = QStringLiteral("usage: %1").arg(QLatin1String(usage));
    return false;
}

QString HostScript::named(QString const& message) const {
    if (m_command.isEmpty() || message.startsWith(QLatin1String("usage: ")) ||
        message.startsWith(m_command + QLatin1String(": ")))
        return message;
    // A check that did not hold says "expected WHAT ...".
    if (m_command.startsWith(QLatin1String("expect ")) &&
        message.startsWith(QStringLiteral("expected %1 ").arg(m_command.mid(7))))
        return message;
    return m_command + QLatin1String(": ") + message;
}

bool HostScript::isCheck(QString const& what) const {
    static QStringList const builtIn = {
        "nodes", "selected-nodes", "selected-facets", "primary", "tool", "pixel", "log"};
    return builtIn.contains(what) || m_pluginChecks.count(what) != 0;
}

bool HostScript::runLine(QString const& line, QString& error) {
    m_command.clear();
    QStringList t;
    if (!tokenize(line, t, error))
        return false;
    if (t.isEmpty())
        return true;
    QString const cmd = t[0].toLower();
    bool const known = pfHostScriptCommand(cmd) || m_pluginCommands.count(cmd) != 0;
    if (!known) {
        error = QStringLiteral("unknown command %1").arg(quoted(t[0]));
        return false;
    }
    // Every message of the line names its command once, at its start; a check by its name.
    m_command = cmd;
    if (cmd == QLatin1String("expect") && t.size() > 1 && isCheck(t[1].toLower()))
        m_command += QLatin1Char(' ') + t[1].toLower();
    // Message boxes opened by the command (a modal exec) are answered at once; those that no answer fitted
    // are closed and reported afterwards.
    QStringList problems;
    QTimer answer;
    answer.setInterval(20);
    QPointer<QWidget> answered;
    QObject::connect(&answer, &QTimer::timeout, [&] {
        QPointer<QWidget> modal = QApplication::activeModalWidget();
        // The script's queued answers first (a box stays the modal widget until its loop has returned).
        if (modal && modal == answered)
            return;
        if (modal && modal->isVisible() && pfHostHasQueuedAnswers()) {
            answered = modal;
            QString why;
            if (pfHostAnswerModal(modal, why))
                return;
            problems << why;
            if (auto* box = qobject_cast<QMessageBox*>(modal.data()); box && box->isVisible())
                box->done(QMessageBox::Cancel);
            else if (auto* dialog = qobject_cast<QDialog*>(modal.data()); dialog && dialog->isVisible())
                dialog->reject();
            return;
        }
        if (auto* box = qobject_cast<QMessageBox*>(modal.data())) {
            problems << boxAppeared(box->text());
            box->done(QMessageBox::Cancel);
        } else if (auto* dialog = qobject_cast<QDialog*>(modal.data())) {
            problems << QStringLiteral("a dialog appeared: ") + quoted(dialog->windowTitle());
            dialog->reject();
        }
    });
    answer.start();
    auto finish = [&](bool ok) {
        answer.stop();
        // Answers belong to the next command: one it left over stands for a box that never came.
        if (cmd != QLatin1String("answer") && pfHostHasQueuedAnswers()) {
            QString const unused = pfHostTakeUnusedAnswers();
            if (ok) {
                error = QStringLiteral("no box came for the answer ") + unused;
                ok = false;
            }
        }
        if (ok && !problems.isEmpty()) {
            error = problems.join(QStringLiteral("; "));
            ok = false;
        }
        if (!ok)
            error = named(error);
        return ok;
    };

    // Commands without a handler here are the plug-in code's.
    if (HostScriptCommandInfo const* command = pfHostScriptCommand(cmd)) {
        QString const first = QString::fromLatin1(command->names).section(QLatin1Char(' '), 0, 0);
        auto const handler = kHandlers.find(first);
        if (handler != kHandlers.end())
            return finish((this->*handler->second)(cmd, t, error));
    }
    auto const plugin = m_pluginCommands.find(cmd);
    if (plugin == m_pluginCommands.end()) {
        error = QStringLiteral("the command %1 is not offered by this pfhost").arg(quoted(t[0]));
        return finish(false);
    }
    return finish(plugin->second(t.mid(1), error));
}

bool HostScript::runOpen(QString const&, QStringList const& t, QString& error) {
    if (!needArgs(t, 1, 1, "open PATH", error))
        return false;
    QString notice;
    if (!HostUi::openFile(t[1], &error, &notice))
        return false;
    // Script mode asks nothing: what a load wants told goes to stderr.
    if (!notice.isEmpty())
        std::fprintf(stderr, "pfhost: %s\n", qPrintable(notice));
    return true;
}

bool HostScript::runSave(QString const&, QStringList const& t, QString& error) {
    if (!needArgs(t, 1, 1, "save PATH", error))
        return false;
    return HostUi::saveScene(t[1], &error);
}

bool HostScript::runScreenshot(QString const&, QStringList const& t, QString& error) {
    if (!needArgs(t, 1, 2, "screenshot PATH [window]", error))
        return false;
    if (t.size() == 3 && t[2] != QLatin1String("window")) {
        error = QStringLiteral("usage: screenshot PATH [window]");
        return false;
    }
    QImage const image = t.size() == 3 ? m_window->grab().toImage() : view()->grabPixels();
    if (image.isNull() || !image.save(t[1])) {
        error = QStringLiteral("cannot write the screenshot %1").arg(quoted(t[1]));
        return false;
    }
    return true;
}

bool HostScript::runMouse(QString const& cmd, QStringList const& t, QString& error) {
    int i = 1;
    QPoint at;
    Modifiers m;
    if (!parsePoint(t, i, at, error) || !parseModifiers(t, i, m, error))
        return false;
    if (cmd == QLatin1String("press"))
        sendMouse(QEvent::MouseButtonPress, at, m.button, m.keys);
    else if (cmd == QLatin1String("release"))
        sendMouse(QEvent::MouseButtonRelease, at, m.button, m.keys);
    else if (cmd == QLatin1String("move"))
        sendMouse(QEvent::MouseMove, at, Qt::NoButton, m.keys);
    else {
        sendMouse(QEvent::MouseButtonPress, at, m.button, m.keys);
        sendMouse(QEvent::MouseButtonRelease, at, m.button, m.keys);
    }
    return true;
}

bool HostScript::runDrag(QString const&, QStringList const& t, QString& error) {
    int i = 1;
    QPoint from, to;
    Modifiers m;
    if (!parsePoint(t, i, from, error) || !parsePoint(t, i, to, error) || !parseModifiers(t, i, m, error))
        return false;
    sendMouse(QEvent::MouseButtonPress, from, m.button, m.keys);
    int const steps = 8;
    for (int s = 1; s <= steps; ++s)
        sendMouse(QEvent::MouseMove, from + (to - from) * s / steps, Qt::NoButton, m.keys);
    sendMouse(QEvent::MouseButtonRelease, to, m.button, m.keys);
    return true;
}

bool HostScript::runWheel(QString const&, QStringList const& t, QString& error) {
    if (!needArgs(t, 1, -1, "wheel DELTA [MODS]", error))
        return false;
    int delta = 0;
    Modifiers m;
    // A hundred notches either way: far more would zoom the camera to a point or to infinity.
    if (!parseWhole(t[1], QStringLiteral("DELTA"), -12000, 12000, QStringLiteral("(120 is one notch)"), delta,
                    error) ||
        !parseModifiers(t, 2, m, error))
        return false;
    dzinput::sendWheel(view(), m_mouse, delta, m_held, m.keys);
    return true;
}

bool HostScript::runKey(QString const& cmd, QStringList const& t, QString& error) {
    if (!needArgs(t, 1, -1, "key|keypress|keyrelease NAME [MODS]", error))
        return false;
    int key = 0;
    Modifiers m;
    if (!parseKey(t[1], key, error) || !parseModifiers(t, 2, m, error))
        return false;
    bool const press = cmd != QLatin1String("keyrelease");
    if (press && triggerShortcut(key, m.keys))
        return true;
    if (press)
        sendKey(true, key, m.keys);
    if (cmd != QLatin1String("keypress"))
        // After a key press the key's own modifier is up again.
        sendKey(false, key, cmd == QLatin1String("key") ? m.keys & ~dzinput::ownModifier(key) : m.keys);
    return true;
}

bool HostScript::runProject(QString const&, QStringList const& t, QString& error) {
    if (!needArgs(t, 3, 4, "project X Y Z [NAME]", error))
        return false;
    float c[3];
    for (int k = 0; k < 3; ++k)
        if (!parseFloat(t[1 + k], c[k], QString(QChar("XYZ"[k])), error))
            return false;
    QPointF pixel;
    if (!view()->projectToPixel(DzVec3(c[0], c[1], c[2]), pixel)) {
        error = QStringLiteral("the point is behind the camera");
        return false;
    }
    if (!pixelInReach(pixel.x(), pixel.y())) {
        error = QStringLiteral("the point falls more than %1 pixels outside the view").arg(kPixelReach);
        return false;
    }
    m_points[QStringLiteral("@")] = pixel;
    if (t.size() > 4)
        m_points[QStringLiteral("@") + t[4]] = pixel;
    m_output << QStringLiteral("project %1 %2 %3 -> %4 %5")
                    .arg(t[1], t[2], t[3])
                    .arg(int(std::floor(pixel.x())))
                    .arg(int(std::floor(pixel.y())));
    return true;
}

bool HostScript::runAction(QString const&, QStringList const& t, QString& error) {
    if (!needArgs(t, 1, 1, "action CLASSNAME", error))
        return false;
    DzActionMgr* actions = m_window->getActionMgr();
    DzAction* action = actions ? actions->findAction(t[1]) : nullptr;
    if (!action) {
        error = QStringLiteral("there is no action of class %1").arg(quoted(t[1]));
        return false;
    }
    action->activate(QAction::Trigger);
    return true;
}

bool HostScript::runTool(QString const&, QStringList const& t, QString& error) {
    DzViewportMgr* mgr = m_window->getViewportMgr();
    if (!needArgs(t, 1, 1, "tool CLASSNAME", error))
        return false;
    DzViewTool* tool = mgr ? mgr->findTool(t[1]) : nullptr;
    if (!tool) {
        error = QStringLiteral("there is no tool of class %1").arg(quoted(t[1]));
        return false;
    }
    mgr->setActiveTool(tool);
    return true;
}

bool HostScript::runSelect(QString const&, QStringList const& t, QString& error) {
    DzScene* scene = dzScene;
    if (!needArgs(t, 1, 1, "select NODE|none", error))
        return false;
    if (t[1] == QLatin1String("none")) {
        scene->selectAllNodes(false);
        return true;
    }
    DzNode* node = scene->findNode(t[1]);
    if (!node) {
        error = QStringLiteral("there is no node %1").arg(quoted(t[1]));
        return false;
    }
    scene->selectAllNodes(false);
    scene->setPrimarySelection(node);
    return true;
}

bool HostScript::runCamera(QString const&, QStringList const& t, QString& error) {
    if (!needArgs(t, 6, 6, "camera EX EY EZ TX TY TZ", error))
        return false;
    char const* const kNames[] = {"EX", "EY", "EZ", "TX", "TY", "TZ"};
    float c[6];
    for (int k = 0; k < 6; ++k)
        if (!parseFloat(t[1 + k], c[k], QLatin1String(kNames[k]), error))
            return false;
    DzVec3 const eye(c[0], c[1], c[2]), target(c[3], c[4], c[5]);
    float const distance = (target - eye).length();
    if (!(distance > 0.0f)) {
        error = QStringLiteral("the eye and the target are one point, which gives the camera no direction");
        return false;
    }
    if (!std::isfinite(distance)) {
        error = QStringLiteral("the eye and the target are too far apart");
        return false;
    }
    view()->getCamera()->lookAt(eye, target);
    return true;
}

bool HostScript::runFrame(QString const&, QStringList const& t, QString& error) {
    DzScene* scene = dzScene;
    if (!needArgs(t, 0, 1, "frame [NODE]", error))
        return false;
    if (t.size() == 1) {
        view()->frameScene();
        return true;
    }
    DzNode* node = scene->findNode(t[1]);
    if (!node) {
        error = QStringLiteral("there is no node %1").arg(quoted(t[1]));
        return false;
    }
    view()->frameNode(node);
    return true;
}

bool HostScript::runStyle(QString const&, QStringList const& t, QString& error) {
    DzViewportMgr* mgr = m_window->getViewportMgr();
    if (!needArgs(t, 1, 1, "style NAME (in double quotes when it has blanks)", error))
        return false;
    for (int i = 0; mgr && i < mgr->getNumUserDrawStyles(); ++i)
        if (mgr->getUserDrawStyle(i)->getName() == t[1]) {
            view()->setDrawStyle(mgr->getUserDrawStyle(i));
            return true;
        }
    error = QStringLiteral("there is no draw style %1").arg(quoted(t[1]));
    return false;
}

bool HostScript::runWait(QString const&, QStringList const& t, QString& error) {
    int ms = 0;
    // Ten minutes at most: a longer wait is a mistake, not something a run waits for.
    if (!needArgs(t, 1, 1, "wait MS", error) ||
        !parseWhole(t[1], QStringLiteral("MS"), 0, 600000, QStringLiteral("milliseconds"), ms, error))
        return false;
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    return true;
}

bool HostScript::runUndoRedo(QString const& cmd, QStringList const& t, QString& error) {
    if (!needArgs(t, 0, 0, "undo | redo", error))
        return false;
    DzUndoStack* stack = dzUndoStack;
    bool const undo = cmd == QLatin1String("undo");
    if (!stack || !(undo ? stack->canUndo() : stack->canRedo())) {
        error =
            undo ? QStringLiteral("there is nothing to undo") : QStringLiteral("there is nothing to redo");
        return false;
    }
    if (undo)
        stack->undo();
    else
        stack->redo();
    return true;
}

bool HostScript::runExpect(QString const&, QStringList const& t, QString& error) {
    return check(t, error);
}

bool HostScript::check(QStringList const& t, QString& error) {
    if (t.size() < 2) {
        error = QStringLiteral("usage: expect WHAT ARGS...");
        return false;
    }
    QString const what = t[1].toLower();
    QStringList const args = t.mid(2);
    DzScene* scene = dzScene;
    auto expectCount = [&](int actual, char const* name) {
        int wanted = 0;
        if (args.size() != 1) {
            error = QStringLiteral("usage: expect %1 N").arg(QLatin1String(name));
            return false;
        }
        if (!pfHostParseCount(args[0], QStringLiteral("N"), wanted, error))
            return false;
        if (actual != wanted) {
            error =
                QStringLiteral("expected %1 %2, found %3").arg(QLatin1String(name)).arg(wanted).arg(actual);
            return false;
        }
        return true;
    };
    if (what == QLatin1String("nodes"))
        return expectCount(scene->getNumNodes(), "nodes");
    if (what == QLatin1String("selected-nodes"))
        return expectCount(scene->getNumSelectedNodes(), "selected-nodes");
    if (what == QLatin1String("selected-facets")) {
        DzFacetMesh* mesh = primaryBaseGeometry();
        if (!mesh) {
            error = QStringLiteral("no node with geometry is selected");
            return false;
        }
        return expectCount(mesh->getNumSelectedFacets(), "selected-facets");
    }
    if (what == QLatin1String("primary")) {
        if (args.size() != 1) {
            error = QStringLiteral("usage: expect primary NODE|none");
            return false;
        }
        DzNode* primary = scene->getPrimarySelection();
        QString const actual = primary ? primary->getName() : QStringLiteral("none");
        if (actual != args[0]) {
            error = QStringLiteral("expected primary %1, found %2").arg(quoted(args[0]), quoted(actual));
            return false;
        }
        return true;
    }
    if (what == QLatin1String("tool")) {
        DzViewportMgr* mgr = m_window->getViewportMgr();
        DzViewTool* tool = mgr ? mgr->getActiveTool() : nullptr;
        QString const actual = tool ? QLatin1String(tool->metaObject()->className()) : QStringLiteral("none");
        if (args.size() != 1 || actual != args[0]) {
            error = args.size() != 1
                        ? QStringLiteral("usage: expect tool CLASSNAME")
                        : QStringLiteral("expected tool %1, found %2").arg(quoted(args[0]), quoted(actual));
            return false;
        }
        return true;
    }
    if (what == QLatin1String("pixel")) {
        // expect pixel X Y R G B [TOLERANCE] (or @ / @name for X Y)
        int i = 2;
        QPoint at;
        if (!parsePoint(t, i, at, error))
            return false;
        int rgb[3], tolerance = 8;
        if (t.size() - i < 3 || t.size() - i > 4) {
            error = QStringLiteral("usage: expect pixel X Y R G B [TOLERANCE]");
            return false;
        }
        for (int k = 0; k < 3; ++k)
            if (!parseWhole(t[i + k], QString(QChar("RGB"[k])), 0, 255, QString(), rgb[k], error))
                return false;
        if (t.size() - i == 4 &&
            !parseWhole(t[i + 3], QStringLiteral("TOLERANCE"), 0, 255, QString(), tolerance, error))
            return false;
        QImage const image = view()->grabPixels();
        if (!image.valid(at)) {
            error = QStringLiteral("%1 %2 lies outside the view").arg(at.x()).arg(at.y());
            return false;
        }
        QRgb const c = image.pixel(at);
        if (std::abs(qRed(c) - rgb[0]) > tolerance || std::abs(qGreen(c) - rgb[1]) > tolerance ||
            std::abs(qBlue(c) - rgb[2]) > tolerance) {
            error = QStringLiteral("expected pixel %1 %2 near %3 %4 %5, found %6 %7 %8")
                        .arg(at.x())
                        .arg(at.y())
                        .arg(rgb[0])
                        .arg(rgb[1])
                        .arg(rgb[2])
                        .arg(qRed(c))
                        .arg(qGreen(c))
                        .arg(qBlue(c));
            return false;
        }
        return true;
    }
    if (what == QLatin1String("log")) {
        QString const text = args.join(' ');
        for (QString const& line : dzApp->getLogLines())
            if (line.contains(text))
                return true;
        error = QStringLiteral("no log line holds %1").arg(quoted(text));
        return false;
    }
    auto plugin = m_pluginChecks.find(what);
    if (plugin != m_pluginChecks.end()) {
        error = plugin->second(args);
        return error.isEmpty();
    }
    error = QStringLiteral("unknown check %1").arg(quoted(t[1]));
    return false;
}
