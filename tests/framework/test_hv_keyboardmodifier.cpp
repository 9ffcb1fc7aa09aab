// Keyboard modifier records: the mappings, loading and writing through the host's settings.
#include <gtest/gtest.h>

#include <QSettings>

#include "dzappsettings.h"
#include "dztempsettings.h"
#include "hv_keyboardmodifier.h"

namespace {

QString const kGroup = "Halvorin's Pullform Plugin";

struct MappingCase {
    int stored;
    char const* word;
    Qt::KeyboardModifiers qt;
    int host;
};

void PrintTo(MappingCase const& c, std::ostream* os) {
    *os << "stored " << c.stored;
}

class HvKeyboardModifierMapping : public ::testing::TestWithParam<MappingCase> {};

TEST_P(HvKeyboardModifierMapping, StoredValueMapsToTheThreeForms) {
    dztest::TempSettings temp;
    MappingCase const& c = GetParam();
    DzAppSettings(kGroup).setIntValue("key", c.stored);
    HvKeyboardModifier modifier("key", HvKeyboardModifier::Alt);
    DzAppSettings settings(kGroup);
    modifier.load(settings);
    EXPECT_EQ(modifier.getValue(), c.stored);  // out of range or not, as stored
    EXPECT_STREQ(modifier.describe(), c.word);
    EXPECT_EQ(modifier.getAsQt(), c.qt);
    EXPECT_EQ(int(modifier.getAsViewMouseModifier()), c.host);
}

// The host numbers Ctrl 3 and Shift 2.
INSTANTIATE_TEST_SUITE_P(Values, HvKeyboardModifierMapping,
                         ::testing::Values(MappingCase{0, "Alt", Qt::AltModifier, 1},
                                           MappingCase{1, "Ctrl", Qt::ControlModifier, 3},
                                           MappingCase{2, "Shift", Qt::ShiftModifier, 2},
                                           MappingCase{3, "Error", Qt::NoModifier, 0},
                                           MappingCase{-1, "Error", Qt::NoModifier, 0}));

TEST(HvKeyboardModifier, MissingKeyLoadsTheDefault) {
    dztest::TempSettings temp;
    HvKeyboardModifier modifier("modifier_move_gizmo_only", HvKeyboardModifier::Shift);
    DzAppSettings settings(kGroup);
    modifier.load(settings);
    EXPECT_EQ(modifier.getValue(), int(HvKeyboardModifier::Shift));
    EXPECT_STREQ(modifier.getSettingsKey(), "modifier_move_gizmo_only");
}

TEST(HvKeyboardModifier, SetWritesAtOnceUnderThePluginsGroupAndANewLoadSeesIt) {
    dztest::TempSettings temp;
    HvKeyboardModifier modifier("modifier_add_to_selection", HvKeyboardModifier::Ctrl);
    {
        DzAppSettings settings(kGroup);
        modifier.load(settings);
    }
    EXPECT_TRUE(modifier.set(HvKeyboardModifier::Shift));
    EXPECT_EQ(modifier.getValue(), int(HvKeyboardModifier::Shift));
    QSettings raw(DzAppSettings::getSettingsFilePath(), QSettings::IniFormat);
    EXPECT_EQ(raw.value(kGroup + "/modifier_add_to_selection").toInt(), 2);
    HvKeyboardModifier next("modifier_add_to_selection", HvKeyboardModifier::Ctrl);
    DzAppSettings settings(kGroup);
    next.load(settings);
    EXPECT_EQ(next.getValue(), int(HvKeyboardModifier::Shift));
}

TEST(HvKeyboardModifier, SettingTheCurrentValueWritesNothing) {
    dztest::TempSettings temp;
    HvKeyboardModifier modifier("modifier_remove_from_selection", HvKeyboardModifier::Alt);
    {
        DzAppSettings settings(kGroup);
        modifier.load(settings);
    }
    EXPECT_FALSE(modifier.set(HvKeyboardModifier::Alt));
    EXPECT_FALSE(DzAppSettings(kGroup).hasValue("modifier_remove_from_selection"));
}

TEST(HvKeyboardModifier, ChoosingAValidValueReplacesAnOutOfRangeOne) {
    dztest::TempSettings temp;
    DzAppSettings(kGroup).setIntValue("k", 7);
    HvKeyboardModifier modifier("k", HvKeyboardModifier::Alt);
    {
        DzAppSettings settings(kGroup);
        modifier.load(settings);
    }
    EXPECT_TRUE(modifier.set(HvKeyboardModifier::Alt));
    EXPECT_EQ(DzAppSettings(kGroup).getIntValue("k", -9), 0);
}

}  // namespace
