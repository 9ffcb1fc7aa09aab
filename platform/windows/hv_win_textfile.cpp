#include "hv_win_textfile.h"

#include <windows.h>

#include <cstdio>

#include "hv_base.h"

namespace {

bool IsAscii(std::string const& text) {
    for (char c : text) {
        if (static_cast<unsigned char>(c) >= 0x80) {
            return false;
        }
    }
    return true;
}

// Empty when the text is not valid UTF-8.
std::wstring WideFromUtf8(std::string const& text) {
    int const iSize = static_cast<int>(text.size());
    int const iWide = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), iSize, nullptr, 0);
    if (iWide <= 0) {
        return std::wstring();
    }
    std::wstring wide(static_cast<size_t>(iWide), L'\0');
    if (MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), iSize, &wide[0], iWide) != iWide) {
        return std::wstring();
    }
    return wide;
}

// Text mode for writing ("w"): null when the file cannot be opened.
FILE* OpenForWriting(std::string const& fileName) {
    FILE* pFile = nullptr;
    if (IsAscii(fileName)) {
        if (fopen_s(&pFile, fileName.c_str(), "w") != 0) {
            return nullptr;
        }
        return pFile;
    }
    std::wstring const wide = WideFromUtf8(fileName);
    if (wide.empty() || _wfopen_s(&pFile, wide.c_str(), L"w") != 0) {
        return nullptr;
    }
    return pFile;
}

}  // namespace

void WriteLinesToTextFileOrThrow(std::vector<std::string> const& lines, std::string const& fileName) {
    FILE* pFile = fileName.empty() ? nullptr : OpenForWriting(fileName);
    if (pFile == nullptr) {
        throw HvException(("cannot open file " + fileName + " for writing").c_str());
    }
    bool bWritten = true;
    for (std::string const& line : lines) {
        if (std::fwrite(line.data(), 1, line.size(), pFile) != line.size() ||
            std::fputc('\n', pFile) == EOF) {
            bWritten = false;
            break;
        }
    }
    // The runtime buffers: a full disk often shows only when the close flushes.
    if (std::fclose(pFile) != 0) {
        bWritten = false;
    }
    if (!bWritten) {
        throw HvException(("cannot write file " + fileName).c_str());
    }
}
