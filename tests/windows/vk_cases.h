#pragma once

// The virtual-key table as Windows and Qt number the keys, shared by the Linux suite and the Wine program.
// The codes are written out rather than taken from Qt's names, so a wrong name in the layer shows.

struct VkCase {
    unsigned int virtualKey;
    int qtKey;
    char const* why;
};

inline constexpr VkCase g_aVkCases[] = {
    {0x21, 0x01000016, "Page Up"},
    {0x22, 0x01000017, "Page Down"},
    {0x23, 0x01000011, "End"},
    {0x24, 0x01000010, "Home"},
    {0x25, 0x01000012, "Left"},
    {0x26, 0x01000013, "Up"},
    {0x27, 0x01000014, "Right"},
    {0x28, 0x01000015, "Down"},
    {0x2D, 0x01000006, "Insert"},
    {0x2E, 0x01000007, "Delete"},
    {0x6A, 42, "pad multiply: asterisk"},
    {0x6B, 43, "pad add: plus"},
    {0x6C, 46, "pad separator: full stop, not comma"},
    {0x6D, 45, "pad subtract: minus"},
    {0x6E, 44, "pad decimal point: comma, not full stop"},
    {0x6F, 47, "pad divide: slash"},
    {0x70, 0x01000030, "F1"},
    {0x71, 0x01000031, "F2"},
    {0x72, 0x01000032, "F3"},
    {0x73, 0x01000033, "F4"},
    {0x74, 0x01000034, "F5"},
    {0x75, 0x01000035, "F6"},
    {0x76, 0x01000036, "F7"},
    {0x77, 0x01000037, "F8"},
    {0x78, 0x01000038, "F9"},
    {0x79, 0x01000039, "F10"},
    {0x7A, 0x0100003A, "F11"},
    {0x7B, 0x0100003B, "F12"},
};

// Every other code comes back unchanged (letters and digits share their codes); 0x7C is F13, past the table.
inline int ExpectedQtKey(unsigned int virtualKey) {
    for (VkCase const& c : g_aVkCases) {
        if (c.virtualKey == virtualKey) {
            return c.qtKey;
        }
    }
    return static_cast<int>(virtualKey);
}
