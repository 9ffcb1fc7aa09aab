// The exception type's members for the Windows test program: the framework's own source needs Qt's libraries,
// which the MinGW build does not have. The class is the framework's (hv_base.h); only these bodies are
// repeated, as the framework has them.
#include "hv_base.h"

HvException::HvException(char const* text) : m_strMessage(text) {}

HvException::~HvException() = default;

char const* HvException::what() const noexcept {
    return m_strMessage.c_str();
}
