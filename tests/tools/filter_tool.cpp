// A small filter for the external-command tests: reads standard input and acts as its first argument says.
//   upper   copy input to output with ASCII letters upper-cased (works for UTF-8, ANSI and UTF-16LE bytes)
//   stderr  copy input to output and write the second argument to standard error
//   silent  print nothing
//   lf      print a single LF
//   errlf   print nothing and a single LF to standard error
//   sleep   never end; with a second argument, first write the process id to that file
//   slow    wait the second argument's milliseconds, then act as upper
#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <string>

int main(int argc, char** argv) {
    std::string mode = argc > 1 ? argv[1] : "upper";
    HANDLE in = GetStdHandle(STD_INPUT_HANDLE), out = GetStdHandle(STD_OUTPUT_HANDLE),
           err = GetStdHandle(STD_ERROR_HANDLE);
    std::string data;
    char buffer[65536];
    DWORD got = 0;
    if (mode != "sleep")
        while (ReadFile(in, buffer, sizeof(buffer), &got, nullptr) && got > 0) data.append(buffer, got);
    DWORD written = 0;
    if (mode == "slow") {
        Sleep(argc > 2 ? static_cast<DWORD>(atoi(argv[2])) : 1000);
        mode = "upper";
    }
    if (mode == "upper" || mode == "stderr") {
        for (char& c : data)
            if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        WriteFile(out, data.data(), static_cast<DWORD>(data.size()), &written, nullptr);
        if (mode == "stderr" && argc > 2)
            WriteFile(err, argv[2], static_cast<DWORD>(strlen(argv[2])), &written, nullptr);
    } else if (mode == "lf") {
        WriteFile(out, "\n", 1, &written, nullptr);
    } else if (mode == "errlf") {
        WriteFile(err, "\n", 1, &written, nullptr);
    } else if (mode == "sleep") {
        if (argc > 2) {
            HANDLE file = CreateFileA(argv[2], GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, 0, nullptr);
            std::string pid = std::to_string(GetCurrentProcessId());
            WriteFile(file, pid.data(), static_cast<DWORD>(pid.size()), &written, nullptr);
            CloseHandle(file);
        }
        Sleep(INFINITE);
    }
    return 0;
}
