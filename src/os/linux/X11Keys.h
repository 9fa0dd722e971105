// Windows virtual-key codes and X keysyms, both ways. Shared by the hot-key grab and the hook
// library, so a key means the same thing to both.
#pragma once

namespace os {

// The virtual key of an unshifted keysym (letters, digits, function keys, cursor and editing
// keys, space, enter, escape, tab, modifiers, punctuation); 0 for a keysym without one.
int VirtualKeyFromKeysym(unsigned long keysym);

// The keysym that stands for a virtual key; 0 (NoSymbol) when none does.
unsigned long KeysymFromVirtualKey(int virtualKey);

} // namespace os
