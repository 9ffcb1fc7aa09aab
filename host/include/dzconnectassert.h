#pragma once

// The host's connection assertion: a refused QObject::connect is a programming error and stops the program
// with "QObject connection failed".
#define DZ_ASSERT_CONNECTED(connection) ::dzAssertConnected(bool(connection), __FILE__, __LINE__)

[[noreturn]] void dzConnectionFailed(char const* file, int line);

inline void dzAssertConnected(bool connected, char const* file, int line) {
    if (!connected)
        dzConnectionFailed(file, line);
}
