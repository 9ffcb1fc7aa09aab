#include "pf_tool_keyhook.h"

#include "dzaction.h"
#include "pf_action.h"
#include "pf_tool.h"

bool KeyboardMessageHookCallback(Qt::Key key, Qt::KeyboardModifiers modifiers) {
    if (!PfTool::GetActive())
        return false;
    DzAction* action = PfActionBase::FindMatchingPullformActionFromKey(key, modifiers);
    if (!action)
        return false;
    action->activate(QAction::Trigger);
    return true;
}
