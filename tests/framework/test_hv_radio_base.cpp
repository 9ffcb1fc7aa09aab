// Radio buttons bound to an enumeration: init checks without reporting, every toggle reports the checked
// button's value, tool tips from the help text.
#include <gtest/gtest.h>

#include <QRadioButton>
#include <algorithm>
#include <QWidget>
#include <vector>

#include "hv_radio_base.h"

namespace {

enum class Fruit { Apple = 0, Pear = 3, Plum = 7, Fig = 9 };

// Three exclusive buttons for Apple, Pear and Plum (Fig has none), and the values reported.
struct Fixture {
    QWidget form;
    QRadioButton* apple = new QRadioButton("Apple", &form);
    QRadioButton* pear = new QRadioButton("Pear", &form);
    QRadioButton* plum = new QRadioButton("Plum", &form);
    HvRadioGroup<Fruit> group;
    std::vector<Fruit> reported;

    Fixture() {
        group.m_mapButtons[Fruit::Plum] = plum;
        group.m_mapButtons[Fruit::Apple] = apple;
        group.m_mapButtons[Fruit::Pear] = pear;
    }
    void init(Fruit current, QString const& help = QString()) {
        group.init(
            current, [this](Fruit f) { reported.push_back(f); }, help);
    }
    bool onlyReported(Fruit f) const {
        return !reported.empty() &&
               std::all_of(reported.begin(), reported.end(), [f](Fruit r) { return r == f; });
    }
};

}  // namespace

TEST(HvRadioGroup, InitChecksTheCurrentButtonAndReportsNothing) {
    Fixture f;
    f.init(Fruit::Pear);
    EXPECT_TRUE(f.pear->isChecked());
    EXPECT_FALSE(f.apple->isChecked() || f.plum->isChecked());
    EXPECT_TRUE(f.reported.empty());
}

TEST(HvRadioGroup, InitWithAValueWithoutButtonOrAlreadyCheckedReportsNothing) {
    Fixture none;
    none.init(Fruit::Fig);
    EXPECT_FALSE(none.apple->isChecked() || none.pear->isChecked() || none.plum->isChecked());
    EXPECT_TRUE(none.reported.empty());

    Fixture checked;
    checked.plum->setChecked(true);
    checked.init(Fruit::Plum);
    EXPECT_TRUE(checked.reported.empty());
    checked.plum->setChecked(true);  // already checked: no toggle, no report
    EXPECT_TRUE(checked.reported.empty());
}

TEST(HvRadioGroup, AClickReportsTheNewValueNeverTheOld) {
    Fixture f;
    f.init(Fruit::Apple);
    f.plum->click();
    EXPECT_TRUE(f.onlyReported(Fruit::Plum));
    f.reported.clear();
    f.pear->setChecked(true);  // the owner's own check reports like a click
    EXPECT_TRUE(f.onlyReported(Fruit::Pear));
}

TEST(HvRadioGroup, NoneCheckedReportsNothingAndSeveralCheckedReportTheLowest) {
    Fixture f;
    f.init(Fruit::Pear);
    for (QRadioButton* b : {f.apple, f.pear, f.plum}) b->setAutoExclusive(false);
    f.pear->setChecked(false);
    EXPECT_TRUE(f.reported.empty());
    f.plum->setChecked(true);
    f.reported.clear();
    f.pear->setChecked(true);
    EXPECT_TRUE(f.onlyReported(Fruit::Pear));  // Pear (3) below Plum (7)
}

TEST(HvRadioGroup, HelpBecomesEveryButtonsToolTipAndNoHelpLeavesThem) {
    Fixture f;
    f.apple->setToolTip("own");
    f.init(Fruit::Apple);
    EXPECT_EQ(f.apple->toolTip(), "own");
    EXPECT_TRUE(f.plum->toolTip().isEmpty());

    Fixture g;
    g.init(Fruit::Apple, "Pick %{one}%");
    for (QRadioButton* b : {g.apple, g.pear, g.plum})
        EXPECT_EQ(b->toolTip(), QString::fromUtf8("Pick \u201Cone\u201D"));
}

TEST(HvRadioGroup, AnEmptyMapConnectsNothing) {
    QWidget form;
    auto* lone = new QRadioButton("Lone", &form);
    HvRadioGroup<Fruit> group;
    int calls = 0;
    group.init(
        Fruit::Apple, [&](Fruit) { ++calls; }, "help");
    lone->click();
    EXPECT_EQ(calls, 0);
    EXPECT_TRUE(lone->toolTip().isEmpty());
}
