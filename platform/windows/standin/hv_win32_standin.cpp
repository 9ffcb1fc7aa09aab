#include "windows.h"

#include "hv_win32_standin.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

namespace {

HOOKPROC g_pHookProc = nullptr;
// The handle is the address of this byte: never null, and recognisable.
char g_cHookHandle = 0;
HHOOK const g_hHookHandle = reinterpret_cast<HHOOK>(&g_cHookHandle);
bool g_bHookLive = false;
bool g_bInstallFails = false;
int g_iInstallCount = 0;
int g_iLastHookType = 0;
bool g_bLastHookHadModule = false;
unsigned long g_ulLastHookThreadId = 0;
int g_iPassedOnCount = 0;
bool g_bPassedOnWithLiveHandle = true;
bool g_abKeyDown[256] = {};

long g_lDiskSpace = -1;
int g_iNarrowOpens = 0;
int g_iWideOpens = 0;
std::string g_strLastOpenedName;

struct TextFile {
    int fd;
};

ssize_t WriteOnDisk(int fd, char const* bytes, size_t size) {
    size_t allowed = size;
    if (g_lDiskSpace >= 0 && static_cast<long>(size) > g_lDiskSpace) {
        allowed = static_cast<size_t>(g_lDiskSpace);
    }
    size_t done = 0;
    while (done < allowed) {
        ssize_t const n = ::write(fd, bytes + done, allowed - done);
        if (n < 0) {
            return -1;
        }
        done += static_cast<size_t>(n);
    }
    if (g_lDiskSpace >= 0) {
        g_lDiskSpace -= static_cast<long>(done);
    }
    if (done < size) {
        errno = ENOSPC;
        return -1;
    }
    return static_cast<ssize_t>(done);
}

// Text mode: each LF goes out as CR LF.
ssize_t TextWrite(void* cookie, char const* buffer, size_t size) {
    int const fd = static_cast<TextFile*>(cookie)->fd;
    std::string bytes;
    bytes.reserve(size + size / 8);
    for (size_t i = 0; i < size; ++i) {
        if (buffer[i] == '\n') {
            bytes.push_back('\r');
        }
        bytes.push_back(buffer[i]);
    }
    if (WriteOnDisk(fd, bytes.data(), bytes.size()) < 0) {
        return -1;
    }
    return static_cast<ssize_t>(size);
}

int TextClose(void* cookie) {
    auto* pFile = static_cast<TextFile*>(cookie);
    int const result = ::close(pFile->fd);
    delete pFile;
    return result;
}

errno_t OpenText(FILE** file, std::string const& name) {
    g_strLastOpenedName = name;
    *file = nullptr;
    int const fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) {
        return errno;
    }
    cookie_io_functions_t functions = {};
    functions.write = TextWrite;
    functions.close = TextClose;
    FILE* pFile = fopencookie(new TextFile{fd}, "w", functions);
    if (pFile == nullptr) {
        int const error = errno;
        ::close(fd);
        return error;
    }
    *file = pFile;
    return 0;
}

void AppendUtf8(std::string& out, uint32_t cp) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

}  // namespace

HHOOK WINAPI SetWindowsHookExA(int idHook, HOOKPROC lpfn, HINSTANCE hmod, DWORD dwThreadId) {
    g_iLastHookType = idHook;
    g_bLastHookHadModule = hmod != nullptr;
    g_ulLastHookThreadId = dwThreadId;
    if (g_bInstallFails || lpfn == nullptr || g_bHookLive) {
        return nullptr;
    }
    g_pHookProc = lpfn;
    g_bHookLive = true;
    ++g_iInstallCount;
    return g_hHookHandle;
}

LRESULT WINAPI CallNextHookEx(HHOOK hhk, int, WPARAM, LPARAM) {
    ++g_iPassedOnCount;
    if (hhk != g_hHookHandle || !g_bHookLive) {
        g_bPassedOnWithLiveHandle = false;
    }
    return 0;
}

BOOL WINAPI UnhookWindowsHookEx(HHOOK hhk) {
    if (hhk != g_hHookHandle || !g_bHookLive) {
        return 0;
    }
    g_bHookLive = false;
    g_pHookProc = nullptr;
    return 1;
}

SHORT WINAPI GetAsyncKeyState(int vKey) {
    if (vKey < 0 || vKey > 255) {
        return 0;
    }
    return g_abKeyDown[vKey] ? static_cast<SHORT>(0x8000) : 0;
}

DWORD WINAPI GetCurrentThreadId() {
    return static_cast<DWORD>(gettid());
}

int WINAPI MultiByteToWideChar(UINT codePage, DWORD, char const* multiByte, int multiByteSize, wchar_t* wide,
                               int wideSize) {
    if (codePage != CP_UTF8 || multiByte == nullptr || multiByteSize < 0) {
        return 0;
    }
    auto const* p = reinterpret_cast<unsigned char const*>(multiByte);
    int count = 0;
    for (int i = 0; i < multiByteSize;) {
        uint32_t cp = p[i];
        int extra = 0;
        uint32_t min = 0;
        if (cp < 0x80) {
            extra = 0;
        } else if ((cp & 0xE0) == 0xC0) {
            extra = 1, cp &= 0x1F, min = 0x80;
        } else if ((cp & 0xF0) == 0xE0) {
            extra = 2, cp &= 0x0F, min = 0x800;
        } else if ((cp & 0xF8) == 0xF0) {
            extra = 3, cp &= 0x07, min = 0x10000;
        } else {
            return 0;
        }
        if (extra > 0 && i + extra >= multiByteSize) {
            return 0;
        }
        for (int k = 1; k <= extra; ++k) {
            if ((p[i + k] & 0xC0) != 0x80) {
                return 0;
            }
            cp = (cp << 6) | (p[i + k] & 0x3F);
        }
        if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
            return 0;
        }
        if (wide != nullptr) {
            if (count >= wideSize) {
                return 0;
            }
            wide[count] = static_cast<wchar_t>(cp);
        }
        ++count;
        i += 1 + extra;
    }
    return count;
}

errno_t fopen_s(FILE** file, char const* fileName, char const* mode) {
    if (file == nullptr || fileName == nullptr || mode == nullptr || std::strcmp(mode, "w") != 0) {
        return EINVAL;
    }
    ++g_iNarrowOpens;
    return OpenText(file, fileName);
}

errno_t _wfopen_s(FILE** file, wchar_t const* fileName, wchar_t const* mode) {
    if (file == nullptr || fileName == nullptr || mode == nullptr || std::wcscmp(mode, L"w") != 0) {
        return EINVAL;
    }
    ++g_iWideOpens;
    std::string name;
    for (wchar_t const* p = fileName; *p != L'\0'; ++p) {
        AppendUtf8(name, static_cast<uint32_t>(*p));
    }
    return OpenText(file, name);
}

namespace HvWin32StandIn {

void Reset() {
    g_pHookProc = nullptr;
    g_bHookLive = false;
    g_bInstallFails = false;
    g_iInstallCount = 0;
    g_iLastHookType = 0;
    g_bLastHookHadModule = false;
    g_ulLastHookThreadId = 0;
    g_iPassedOnCount = 0;
    g_bPassedOnWithLiveHandle = true;
    std::memset(g_abKeyDown, 0, sizeof(g_abKeyDown));
    g_lDiskSpace = -1;
    g_iNarrowOpens = 0;
    g_iWideOpens = 0;
    g_strLastOpenedName.clear();
}

void SetHookInstallFails(bool fails) {
    g_bInstallFails = fails;
}
int LiveHookCount() {
    return g_bHookLive ? 1 : 0;
}
int InstallCount() {
    return g_iInstallCount;
}
int LastHookType() {
    return g_iLastHookType;
}
bool LastHookHadModule() {
    return g_bLastHookHadModule;
}
unsigned long LastHookThreadId() {
    return g_ulLastHookThreadId;
}

bool SendKey(unsigned int virtualKey, bool down) {
    if (virtualKey < 256) {
        g_abKeyDown[virtualKey] = down;
    }
    if (!g_bHookLive) {
        return true;
    }
    // Repeat count 1; an up message also has the previous state (bit 30) and the transition (bit 31) set.
    // LPARAM is signed: the flags of an up message arrive sign-extended, as on 64-bit Windows.
    LPARAM const flags = down ? LPARAM(1) : static_cast<LPARAM>(static_cast<int32_t>(0xC0000001u));
    return g_pHookProc(HC_ACTION, virtualKey, flags) == 0;
}

long CallHookWithCode(int code, unsigned int virtualKey) {
    return g_bHookLive ? static_cast<long>(g_pHookProc(code, virtualKey, 1)) : 0;
}

void SetKeyState(unsigned int virtualKey, bool down) {
    if (virtualKey < 256) {
        g_abKeyDown[virtualKey] = down;
    }
}

int PassedOnCount() {
    return g_iPassedOnCount;
}
bool PassedOnWithLiveHandle() {
    return g_bPassedOnWithLiveHandle;
}
void SetDiskSpace(long bytes) {
    g_lDiskSpace = bytes;
}
int NarrowOpenCount() {
    return g_iNarrowOpens;
}
int WideOpenCount() {
    return g_iWideOpens;
}
std::string LastOpenedName() {
    return g_strLastOpenedName;
}

}  // namespace HvWin32StandIn
