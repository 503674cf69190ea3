// The controls table: what the panel shows, what the gamepad stands for and
// which keys a browser leaves to the game all come from it.
#include <gtest/gtest.h>

#include <set>

#include "platform/backend.h"
#include "platform/keycodes.h"
#include "platform/platform.h"
#include "shell/controls.h"

namespace {

std::multiset<int> BoundKeys()
{
    std::multiset<int> keys;
    for (int i = 0; i < CONTROL_COUNT; ++i)
        for (int k : CONTROLS[i].key)
            if (k != KEY_NULL) keys.insert(k);
    return keys;
}

TEST(Controls, EveryKeyTheGameReadsIsBoundOnceAndEveryPadButtonStandsForOneKey)
{
    const std::multiset<int> keys = BoundKeys();
    for (int k : INPUT_FRAME_KEYS) EXPECT_EQ(keys.count(k), 1u) << "demo key " << k;
    EXPECT_EQ(keys.count(KEY_P), 1u);
    EXPECT_EQ(keys.count(KEY_F1), 1u);
    int standsFor[PAD_BUTTON_COUNT] = {};
    for (int i = 0; i < CONTROL_COUNT; ++i) {
        const Control& c = CONTROLS[i];
        bool padded = false;
        for (int j = 0; j < 2; ++j) {
            if (c.padButton[j] < 0) continue;
            ASSERT_LT(c.padButton[j], PAD_BUTTON_COUNT);
            EXPECT_NE(c.key[j], KEY_NULL) << c.keys << ": a pad button must stand for a key";
            ++standsFor[c.padButton[j]];
            padded = true;
        }
        // The panel names a pad control exactly where the table binds one (the
        // mouse's lines name the triggers and the stick, which act as the mouse).
        if (padded) {
            EXPECT_STRNE(c.pad, "") << c.keys;
        }
    }
    for (int b = 0; b < PAD_BUTTON_COUNT; ++b) EXPECT_EQ(standsFor[b], 1) << "pad button " << b;
}

TEST(Controls, BoundKeysAreTheGamesAndOthersStayTheBrowsers)
{
    BindControls();
    for (int k : BoundKeys()) EXPECT_TRUE(LayerKeyIsTheGames(k)) << k;
    EXPECT_TRUE(LayerKeyIsTheGames(CODE_F11));
    EXPECT_TRUE(LayerKeyIsTheGames(CODE_F12));
    for (int k : {int{CODE_SPACE}, int{CODE_TAB}, int{KEY_ESCAPE}, int{'Q'}}) EXPECT_FALSE(LayerKeyIsTheGames(k)) << k;
    // Exactly those: no key code the table does not name (the low codes
    // that the pad buttons' numbers would make, read as keys, above all).
    const std::multiset<int> bound = BoundKeys();
    for (int k = -1; k <= KEY_CODE_COUNT; ++k)
        EXPECT_EQ(LayerKeyIsTheGames(k), bound.count(k) > 0 || k == CODE_F11 || k == CODE_F12) << k;
}

TEST(Controls, BindingsReplaceTheOnesBeforeAndKeepToTheTablesSize)
{
    KeyBinding many[MAX_KEY_BINDINGS + 8];
    for (int i = 0; i < MAX_KEY_BINDINGS + 8; ++i) many[i] = KeyBinding{'0' + i, -1};
    SetKeyBindings(many, MAX_KEY_BINDINGS + 8);
    EXPECT_TRUE(LayerKeyIsTheGames('0' + MAX_KEY_BINDINGS - 1)) << "the last one kept";
    EXPECT_FALSE(LayerKeyIsTheGames('0' + MAX_KEY_BINDINGS)) << "one past the size";
    EXPECT_FALSE(LayerKeyIsTheGames(KEY_W)) << "the game's bindings were replaced";

    // Keys the layer keeps no state for are left out; the rest still bind.
    const KeyBinding odd[] = {{-5, PAD_SOUTH}, {KEY_CODE_COUNT, -1}, {KEY_S, 99}};
    SetKeyBindings(odd, 3);
    EXPECT_TRUE(LayerKeyIsTheGames(KEY_S));
    EXPECT_FALSE(LayerKeyIsTheGames('0'));
    BindControls();
    EXPECT_TRUE(LayerKeyIsTheGames(KEY_W));
}

}  // namespace
