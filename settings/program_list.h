// The ExcludePrograms list: program file names separated by ';', compared ignoring case.
#pragma once
#include <string>

// The base name of a path ("C:\Apps\WINWORD.EXE" and "/usr/lib/libreoffice/soffice.bin" give their last part).
std::wstring ProgramBaseName(const std::wstring& path);
// The list as it is stored: blanks around names dropped, empty entries skipped, paths cut to their base names.
std::wstring TidyProgramList(const std::wstring& list);
// Whether `program` (a base name) is in the list; an empty name never is.
bool ProgramListed(const std::wstring& list, const std::wstring& program);
// The list with `program` appended, unless it is empty or listed already.
std::wstring AddProgramToList(const std::wstring& list, const std::wstring& program);
