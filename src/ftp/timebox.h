#pragma once

class QComboBox;

// An editable two-digit time box (hours or minutes) whose digits are
// selected when it takes the focus, so that typing replaces them: "08" and
// then "10" typed gives 10, not 0810. Typed text is never added to the list.
void MakeTimeBox(QComboBox *box);
