#include "hv_toolaction.h"

#include <QIcon>
#include <QPalette>
#include <QPixmap>

#include "dzapp.h"
#include "dzconnectassert.h"
#include "dzstyle.h"

HvToolActionBase::HvToolActionBase(char const* toolClassName) : DzViewToolAction(toolClassName) {
    DZ_ASSERT_CONNECTED(
        connect(dzApp, SIGNAL(styleChanged(DzStyle*)), this, SLOT(slotInterfaceColorsChanged())));
    // Only the style current now: a later one reaches the action through the next styleChanged().
    DZ_ASSERT_CONNECTED(connect(dzApp ? dzApp->getStyle() : nullptr, SIGNAL(interfaceColorsChanged()), this,
                                SLOT(slotInterfaceColorsChanged())));
}

HvToolActionBase::~HvToolActionBase() = default;

void HvToolActionBase::slotInterfaceColorsChanged() {
    initIcons();
}

void HvToolActionBase::makeIconVariants(QIcon& icon, QPixmap& pixmap) {
    DzStyle const* style = dzApp ? dzApp->getStyle() : nullptr;
    if (!style) {
        // No style to take colours from: the plain image rather than no icon.
        icon.addPixmap(pixmap, QIcon::Normal, QIcon::Off);
        return;
    }
    QPalette const colors = style->getColors();
    QString const name = style->getStyleDefinition();
    // These two styles have light icons on a highlighted background.
    bool const special = name == QLatin1String("Highway") || name == QLatin1String("Main Street");

    struct Variant {
        QIcon::Mode mode;
        QIcon::State state;
        QPalette::ColorRole special;
        QPalette::ColorRole other;
    };
    static constexpr Variant s_variants[] = {
        {QIcon::Active, QIcon::On, QPalette::HighlightedText, QPalette::Text},
        {QIcon::Normal, QIcon::On, QPalette::HighlightedText, QPalette::Highlight},
        {QIcon::Active, QIcon::Off, QPalette::Light, QPalette::HighlightedText},
        {QIcon::Normal, QIcon::Off, QPalette::Text, QPalette::Text},
    };
    for (Variant const& v : s_variants) {
        QPixmap tinted = pixmap.copy();
        style->adjustHSV(tinted, colors.color(special ? v.special : v.other));
        icon.addPixmap(tinted, v.mode, v.state);
    }
}
