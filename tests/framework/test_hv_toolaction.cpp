// The tool action's icon variants, tinted from the host's current interface style.
#include <gtest/gtest.h>

#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <memory>

#include "dzapp.h"
#include "dzstyle.h"
#include "hv_toolaction.h"

namespace {

// Builds its icon from a white square, as a plug-in's action does from its image.
class SquareToolAction : public HvToolActionBase {
public:
    SquareToolAction() : HvToolActionBase("DzPickTool") { initIcons(); }
    void initIcons() override {
        ++initIconsCalls;
        QPixmap pixmap(16, 16);
        pixmap.fill(Qt::white);
        QIcon icon;
        makeIconVariants(icon, pixmap);
        setIcon(icon);
    }
    int initIconsCalls = 0;
};

// Each role its own colour, so every variant shows which one it took.
QPalette distinctPalette() {
    QPalette p;
    p.setColor(QPalette::Text, QColor(200, 0, 0));
    p.setColor(QPalette::HighlightedText, QColor(0, 200, 0));
    p.setColor(QPalette::Highlight, QColor(0, 0, 200));
    p.setColor(QPalette::Light, QColor(200, 200, 0));
    return p;
}

QColor variantColor(QAction const& action, QIcon::Mode mode, QIcon::State state) {
    return action.icon().pixmap(QSize(16, 16), mode, state).toImage().pixelColor(8, 8);
}

// Switches to a style of its own for the scope.
class ScopedStyle {
public:
    explicit ScopedStyle(QString const& name)
        : m_original(dzApp->getStyle()), m_style(std::make_unique<DzStyle>(name, distinctPalette())) {
        dzApp->addStyle(m_style.get());
        dzApp->setStyle(m_style.get());
    }
    ~ScopedStyle() {
        dzApp->setStyle(m_original);
        m_style.reset();
    }
    DzStyle* get() const { return m_style.get(); }

private:
    DzStyle* m_original;
    std::unique_ptr<DzStyle> m_style;
};

}  // namespace

TEST(HvToolActionBase, TintsTheFourVariantsByTheStyleNameExactly) {
    QColor const text(200, 0, 0), highlightedText(0, 200, 0), highlight(0, 0, 200), light(200, 200, 0);
    struct Row {
        char const* style;
        QColor activeOn, normalOn, activeOff, normalOff;
    };
    Row const rows[] = {
        {"Main Street", highlightedText, highlightedText, light, text},
        {"Highway", highlightedText, highlightedText, light, text},
        {"main street", text, highlight, highlightedText, text},
        {"HIGHWAY", text, highlight, highlightedText, text},
        {"Main Street ", text, highlight, highlightedText, text},
        {"Standard", text, highlight, highlightedText, text},
    };
    SquareToolAction action;
    for (Row const& row : rows) {
        SCOPED_TRACE(row.style);
        ScopedStyle style(row.style);
        struct Variant {
            QIcon::Mode mode;
            QIcon::State state;
            QColor expected;
        };
        for (Variant const& v : {Variant{QIcon::Active, QIcon::On, row.activeOn},
                                 Variant{QIcon::Normal, QIcon::On, row.normalOn},
                                 Variant{QIcon::Active, QIcon::Off, row.activeOff},
                                 Variant{QIcon::Normal, QIcon::Off, row.normalOff}}) {
            SCOPED_TRACE(::testing::Message() << "mode " << v.mode << " state " << v.state);
            QColor const got = variantColor(action, v.mode, v.state);
            EXPECT_NEAR(got.red(), v.expected.red(), 2);
            EXPECT_NEAR(got.green(), v.expected.green(), 2);
            EXPECT_NEAR(got.blue(), v.expected.blue(), 2);
        }
    }
}

TEST(HvToolActionBase, RebuildsOncePerStyleSignalFromTheAppAndTheStyleCurrentAtConstruction) {
    ScopedStyle first("First");
    SquareToolAction action;
    EXPECT_EQ(action.initIconsCalls, 1);

    QPalette changed = distinctPalette();
    changed.setColor(QPalette::Text, QColor(10, 20, 30));
    first.get()->setColors(changed);
    EXPECT_EQ(action.initIconsCalls, 2);
    EXPECT_NEAR(variantColor(action, QIcon::Normal, QIcon::Off).blue(), 30, 2);

    {
        ScopedStyle second("Second");
        EXPECT_EQ(action.initIconsCalls, 3);
        // A style that became current later is not listened to; its changes come with the next switch.
        second.get()->setColors(changed);
        EXPECT_EQ(action.initIconsCalls, 3);
    }
    EXPECT_EQ(action.initIconsCalls, 4);
}

TEST(HvToolActionBase, AddsToTheIconAndLeavesThePixmapAlone) {
    SquareToolAction action;
    QPixmap pixmap(8, 8);
    pixmap.fill(Qt::white);
    QIcon icon;
    icon.addPixmap(pixmap, QIcon::Disabled, QIcon::Off);
    HvToolActionBase::makeIconVariants(icon, pixmap);
    EXPECT_EQ(pixmap.toImage().pixelColor(4, 4), QColor(Qt::white));
    EXPECT_EQ(icon.availableSizes(QIcon::Disabled, QIcon::Off).size(), 1);
    EXPECT_EQ(icon.availableSizes(QIcon::Active, QIcon::On).size(), 1);
}
