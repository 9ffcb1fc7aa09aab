#pragma once

#include "dzviewtoolaction.h"

class QIcon;
class QPixmap;

// Base of an action that switches the host to one of the plug-in's viewport tools. Its icon follows the
// host's interface style: the subclass builds it in initIcons(), usually from one plain image through
// makeIconVariants(), and the base calls initIcons() again whenever the style or its colours change.
class HvToolActionBase : public DzViewToolAction {
    Q_OBJECT
public:
    // toolClassName: the class name of the viewport tool to activate. Does not call initIcons(): the
    // subclass is not complete yet, so its constructor calls it as its last step.
    explicit HvToolActionBase(char const* toolClassName);
    ~HvToolActionBase() override;

    virtual void initIcons() = 0;

    // Adds four copies of the pixmap to the icon, tinted from the current style's palette (Active and Normal,
    // each On and Off). The icon is not cleared first; the pixmap is not changed.
    static void makeIconVariants(QIcon& icon, QPixmap& pixmap);

public slots:
    void slotInterfaceColorsChanged();
};
