// The 256-colour and truecolour choices of a colour sequence, taken to the
// nearest of the slots a record can name: 16 for the foreground, 8 for the
// background. "Nearest" is by the slots' usual terminal meaning (slot 1 red,
// slot 9 bright red, ...), as the colour sequences 30-37 use them.
#pragma once

namespace screen {

// `index` 0-255 of the 256-colour table.
int SlotFor256(int index, bool background);
int SlotForRgb(int red, int green, int blue, bool background);

} // namespace screen
