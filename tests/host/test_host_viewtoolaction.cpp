// The tool action and the styles the plug-in's icons follow.
#include <gtest/gtest.h>

#include <QSignalSpy>
#include <memory>

#include "dzapp.h"
#include "dzmainwindow.h"
#include "dzpicktool.h"
#include "dzstyle.h"
#include "dzviewportmgr.h"
#include "dzviewtoolaction.h"

namespace {

class SecondTool : public DzViewTool {
    Q_OBJECT
public:
    SecondTool() : DzViewTool("Second") {}
};

DzViewportMgr* viewportMgr() {
    return dzApp->getInterface() ? dzApp->getInterface()->getViewportMgr() : nullptr;
}

}  // namespace

TEST(HostViewToolAction, ActivatesItsToolAndIsCheckedWhileItIsActive) {
    DzViewportMgr* mgr = viewportMgr();
    ASSERT_NE(mgr, nullptr);
    DzViewTool* pick = mgr->findTool("DzPickTool");
    ASSERT_NE(pick, nullptr);
    auto* second = new SecondTool;
    mgr->addTool(second);
    mgr->setActiveTool(pick);

    DzViewToolAction action("SecondTool");
    EXPECT_EQ(action.getToolClassName(), "SecondTool");
    EXPECT_FALSE(action.isChecked());
    action.trigger();
    EXPECT_EQ(mgr->getActiveTool(), second);
    EXPECT_TRUE(action.isChecked());
    // Triggering it again keeps the tool and the check mark.
    action.trigger();
    EXPECT_EQ(mgr->getActiveTool(), second);
    EXPECT_TRUE(action.isChecked());
    // Another tool made active by anyone clears the mark.
    mgr->setActiveTool(pick);
    EXPECT_FALSE(action.isChecked());

    mgr->removeTool(second);
    delete second;
}

TEST(HostViewToolAction, WithoutItsToolStaysUncheckedAndLogs) {
    DzViewportMgr* mgr = viewportMgr();
    ASSERT_NE(mgr, nullptr);
    DzViewTool* before = mgr->getActiveTool();
    DzViewToolAction action("NoSuchTool");
    action.trigger();
    EXPECT_FALSE(action.isChecked());
    EXPECT_EQ(mgr->getActiveTool(), before);
    EXPECT_EQ(dzApp->getLogLines().last(), "There is no viewport tool of class NoSuchTool");
}

TEST(HostStyles, AnAddedStyleCanBeCurrentAndLeavesTheListWhenDeleted) {
    DzStyle* original = dzApp->getStyle();
    auto added = std::make_unique<DzStyle>("main street", QPalette());
    dzApp->addStyle(added.get());
    EXPECT_EQ(dzApp->findStyle("main street"), added.get());
    ASSERT_TRUE(dzApp->setStyle(added.get()));

    QSignalSpy spy(dzApp, &DzApp::styleChanged);
    added.reset();
    EXPECT_EQ(dzApp->findStyle("main street"), nullptr);
    EXPECT_EQ(dzApp->getStyle(), dzApp->getStyles().value(0));
    ASSERT_EQ(spy.count(), 1);
    dzApp->setStyle(original);
}

TEST(HostStyles, SettingOtherColoursSignalsOnceAndTheSameColoursNotAtAll) {
    DzStyle* style = dzApp->getStyle();
    QPalette const original = style->getColors();
    QSignalSpy spy(style, &DzStyle::interfaceColorsChanged);
    QPalette changed = original;
    changed.setColor(QPalette::Text, QColor(1, 2, 3));
    style->setColors(changed);
    style->setColors(changed);
    EXPECT_EQ(spy.count(), 1);
    style->setColors(original);
}

#include "test_host_viewtoolaction.moc"
