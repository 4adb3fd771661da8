// A fresh empty working directory for one test, removed afterwards.
#pragma once

#include <windows.h>

#include <string>

class TempDir {
public:
    TempDir()
    {
        char base[MAX_PATH];
        GetTempPathA(MAX_PATH, base);
        static unsigned counter;
        for (;;) {
            path_ = std::string(base) + "meridoka-test-" + std::to_string(GetCurrentProcessId()) + "-" +
                    std::to_string(++counter);
            if (CreateDirectoryA(path_.c_str(), nullptr))
                break;
        }
        GetCurrentDirectoryA(MAX_PATH, previous_);
        SetCurrentDirectoryA(path_.c_str());
    }
    ~TempDir()
    {
        SetCurrentDirectoryA(previous_);
        WIN32_FIND_DATAA found;
        HANDLE h = FindFirstFileA((path_ + "\\*").c_str(), &found);
        if (h != INVALID_HANDLE_VALUE) {
            do
                DeleteFileA((path_ + "\\" + found.cFileName).c_str());
            while (FindNextFileA(h, &found));
            FindClose(h);
        }
        RemoveDirectoryA(path_.c_str());
    }
    TempDir(const TempDir &) = delete;
    TempDir &operator=(const TempDir &) = delete;

private:
    std::string path_;
    char previous_[MAX_PATH] = {};
};

// Size of a file in the working directory, or -1 when it is missing.
inline long long file_size_of(const char *name)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(name, GetFileExInfoStandard, &data))
        return -1;
    return (long long)data.nFileSizeHigh << 32 | data.nFileSizeLow;
}
