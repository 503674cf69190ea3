// The game's controls in one table: the keys, mouse and gamepad that do each
// thing. The F1 panel draws it, and the layer is handed its key bindings (the
// gamepad's buttons, and the keys a browser must leave to the game).
#pragma once

#include "platform/platform.h"

// One line of the controls: what is pressed, what it does, and the keys the
// game reads for it with the pad button that stands for each.
struct Control {
    const char* keys;  // the keys or mouse, as the panel names them
    const char* what;  // what they do
    const char* pad;   // the gamepad's control, as the panel names it; "" for none
    int key[2];        // the game keys read for this line; KEY_NULL for none
    int padButton[2];  // the PadButton standing for each key; -1 for none
};

// Every control, in the panel's order.
extern const Control CONTROLS[];
extern const int CONTROL_COUNT;

// Hands the table's key bindings to the layer (SetKeyBindings); StartGame
// calls it before the window opens.
void BindControls(void);
