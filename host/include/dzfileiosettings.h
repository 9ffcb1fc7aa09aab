#pragma once

// Options of one scene-file read or write, handed through to the IO classes. This host has none yet.
class DzFileIOSettings {
public:
    DzFileIOSettings() = default;
};
